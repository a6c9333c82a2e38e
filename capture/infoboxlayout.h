// Where the info box beside the pointer goes and what its six lines say; the painter only
// draws what this decides.
#pragma once

#include "capture/capturerect.h"

#include <array>
#include <string>

namespace inkwell {

inline constexpr int kInfoBoxLineHeight = 12;

// Top-left corner of the text: left of the pointer near the right screen edge, below it
// in the top rows (six lines of 12 plus 8 need 80 rows above the pointer), else above.
[[nodiscard]] CapturePoint infoBoxOrigin(CapturePoint pointer, int screenWidth);

// The frame around the text, one pixel wide, on the rectangle's outermost pixels (both
// corners inclusive): (x - 3, y - 3) to (x + 54, y + 74). The box is not filled.
[[nodiscard]] CaptureRect infoBoxFrame(CapturePoint origin);

// The six lines (UTF-8): corner, size and pointer position of the normalised selection,
// in device pixels (`ratio` per logical pixel), so that they describe the picture that will
// be saved. The closing parenthesis of the size line is left out from a width of 1000 on,
// and that of the pointer line from x = 1000 on, as the box is only wide enough for three
// digits.
[[nodiscard]] std::array<std::string, 6> infoBoxLines(
    CaptureRect selection, CapturePoint pointer, double ratio = 1.0);

} // namespace inkwell
