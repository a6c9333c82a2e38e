// Draws capture mode's pictures off-screen: the frozen screen with the selection frame,
// its handles and the info box, and the information panel with its readout and help lines.
#pragma once

#include "capture/captureaction.h"
#include "capture/capturerect.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <array>
#include <optional>

namespace inkwell {

struct OverlayColours
{
    QColor handle { 10, 100, 130 }; // frame and handles
    QColor infoFrame { 0, 0, 0 };
    QColor infoText { 0, 0, 0 };
};

// Makes `target` the frozen picture with the selection's frame and handles on it, plus the
// info box for a pointer at `infoBoxPointer` when one is given. `target` is reused when it
// already has the frozen picture's size and format. Selection and pointer are in logical
// pixels; `frozen` holds device pixels at its devicePixelRatio(), and so does `target`.
void composeCapture(QImage& target, const QImage& frozen, CaptureRect selection,
    std::optional<CapturePoint> infoBoxPointer, const OverlayColours& colours, const QFont& font);

// Makes `target` (width x height logical pixels) the panel: the top-left part of the
// background, the colour readout of `pixel` and the help lines of `help`, in white. The
// panel is drawn at the background's device pixel ratio.
void composePanel(QImage& target, int width, int height, const QImage& background, PanelHelp help, QRgb pixel,
    const QFont& font);

// composePanel for one run: the panel is redrawn on every mouse move, but only its readout
// changes between moves, so the background with each state's help lines is drawn once.
class PanelComposer
{
public:
    PanelComposer(QImage background, QFont font)
        : m_background(std::move(background))
        , m_font(std::move(font))
    {
    }
    // Same pixels as composePanel with these arguments.
    void compose(QImage& target, int width, int height, PanelHelp help, QRgb pixel);

private:
    QImage m_background;
    QFont m_font;
    QSize m_size {};
    std::array<QImage, 3> m_bases {}; // by PanelHelp, without the readout
};

} // namespace inkwell
