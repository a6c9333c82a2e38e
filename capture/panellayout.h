// The information panel's texts and rules: the colour readout, the help lines of each
// state with their rectangles, and the side the panel jumps to.
#pragma once

#include "capture/captureaction.h"
#include "capture/capturerect.h"

#include <string>
#include <vector>

namespace inkwell {

inline constexpr int kPanelX = 10;
inline constexpr int kPanelY = 10;
inline constexpr int kPanelWidth = 172;
inline constexpr int kPanelHeight = 146;
// The built-in background is a little larger than the panel; only its top-left part shows.
inline constexpr int kPanelBackgroundWidth = 174;
inline constexpr int kPanelBackgroundHeight = 147;

struct PanelLine
{
    CaptureRect box; // left, top inclusive; right, bottom exclusive (text is clipped to it)
    std::string text; // UTF-8
    friend bool operator==(const PanelLine&, const PanelLine&) = default;
};

// "·当前像素RGB(" r "," g "," b ")" with each number right-aligned to three characters.
[[nodiscard]] std::string colourReadout(int red, int green, int blue);

// The readout line first, then the help lines of the state, for a panel `panelWidth` wide.
[[nodiscard]] std::vector<PanelLine> panelLines(PanelHelp help, int red, int green, int blue, int panelWidth);

// The panel's new left edge when the pointer at x reaches it: the right side when the
// pointer is in the left half (x < screenWidth / 2, exactly, without truncation), else
// the left side.
[[nodiscard]] int panelLeftAway(int pointerX, int screenWidth, int panelWidth);

} // namespace inkwell
