#include "capture/overlaypainter.h"

#include "capture/infoboxlayout.h"
#include "capture/overlayfont.h"
#include "capture/panellayout.h"

#include <QPainter>
#include <cstring>

namespace inkwell {
namespace {

// A one-pixel frame on the rectangle's outermost pixels, both corners inclusive.
void drawFrame(QPainter& p, const CaptureRect& r, const QColor& colour)
{
    const QPoint tl(r.left, r.top);
    const QPoint br(r.right, r.bottom);
    p.fillRect(QRect(tl, QPoint(r.right, r.top)), colour);
    p.fillRect(QRect(QPoint(r.left, r.bottom), br), colour);
    p.fillRect(QRect(tl, QPoint(r.left, r.bottom)), colour);
    p.fillRect(QRect(QPoint(r.right, r.top), br), colour);
}

} // namespace

void composeCapture(QImage& target, const QImage& frozen, CaptureRect selection,
    std::optional<CapturePoint> infoBoxPointer, const OverlayColours& colours, const QFont& font)
{
    // A target that still shares the frozen picture's pixels would copy them on write first.
    if (target.size() != frozen.size() || target.format() != frozen.format()
        || target.constBits() == frozen.constBits())
        target = QImage(frozen.size(), frozen.format());
    // Same size and format: one copy of the whole picture, row strides included.
    std::memcpy(target.bits(), frozen.constBits(), static_cast<std::size_t>(frozen.sizeInBytes()));
    // The frozen picture holds device pixels; everything below is drawn in logical pixels,
    // which the painter scales, so the overlay keeps its size and only gets sharper.
    const qreal ratio = frozen.devicePixelRatio();
    target.setDevicePixelRatio(ratio);

    QPainter p(&target);
    const CaptureRect s = normalise(selection);
    // A drawn handle covers 4 x 4 pixels, (cx - 2, cy - 2) to (cx + 1, cy + 1).
    for (const CaptureRect& h : handlesOf(s))
        p.fillRect(QRect(h.left, h.top, 4, 4), colours.handle);
    drawFrame(p, s, colours.handle);

    if (infoBoxPointer) {
        const int logicalWidth = qRound(frozen.width() / ratio);
        const CapturePoint origin = infoBoxOrigin(*infoBoxPointer, logicalWidth);
        p.setFont(font);
        p.setPen(colours.infoText);
        const auto lines = infoBoxLines(selection, *infoBoxPointer, ratio);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            drawOverlayLine(p, QPoint(origin.x, origin.y + kInfoBoxLineHeight * static_cast<int>(k)),
                QString::fromStdString(lines[k]));
        }
        drawFrame(p, infoBoxFrame(origin), colours.infoFrame);
    }
}

namespace {

void drawPanelLines(QImage& target, const std::vector<PanelLine>& lines, const QFont& font)
{
    QPainter p(&target);
    p.setFont(font);
    p.setPen(Qt::white);
    for (const PanelLine& line : lines) {
        const QRect box(QPoint(line.box.left, line.box.top), QPoint(line.box.right - 1, line.box.bottom - 1));
        p.setClipRect(box);
        int y = box.top();
        for (const QString& row : overlayWrap(QString::fromStdString(line.text), box.width())) {
            drawOverlayLine(p, QPoint(box.left(), y), row);
            y += kOverlayLineHeight;
        }
    }
}

// The panel is `width` x `height` logical pixels at the background's device pixel ratio.
void drawPanelBase(QImage& target, int width, int height, const QImage& background)
{
    const qreal ratio = background.devicePixelRatio();
    const QSize device(qRound(width * ratio), qRound(height * ratio));
    if (target.size() != device || target.format() != QImage::Format_RGB32)
        target = QImage(device, QImage::Format_RGB32);
    target.setDevicePixelRatio(ratio);
    QPainter p(&target);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(QRect(0, 0, width, height), Qt::black);
    // The source rectangle is in the background's own (device) pixels.
    p.drawImage(QPoint(0, 0), background, QRect(QPoint(0, 0), device));
}

} // namespace

void composePanel(QImage& target, int width, int height, const QImage& background, PanelHelp help, QRgb pixel,
    const QFont& font)
{
    drawPanelBase(target, width, height, background);
    drawPanelLines(target, panelLines(help, qRed(pixel), qGreen(pixel), qBlue(pixel), width), font);
}

void PanelComposer::compose(QImage& target, int width, int height, PanelHelp help, QRgb pixel)
{
    if (m_size != QSize(width, height)) {
        m_size = QSize(width, height);
        for (QImage& base : m_bases)
            base = QImage();
    }
    QImage& base = m_bases[static_cast<std::size_t>(help)];
    std::vector<PanelLine> lines = panelLines(help, qRed(pixel), qGreen(pixel), qBlue(pixel), width);
    if (base.isNull()) {
        drawPanelBase(base, width, height, m_background);
        drawPanelLines(base, std::vector<PanelLine>(lines.begin() + 1, lines.end()), m_font);
    }
    // The readout is the first line; the help lines are clipped to their own boxes, so
    // drawing it last over the cached base gives the same pixels as drawing it first.
    target = base.copy();
    lines.resize(1);
    drawPanelLines(target, lines, m_font);
}

} // namespace inkwell
