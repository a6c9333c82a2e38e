#include "capture/capturecursor.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace inkwell {

QImage captureCursorImage()
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Tip at (0.5, 0.5) so that the outline's first pixel is the hot spot itself.
    QPainterPath arrow;
    arrow.moveTo(0.5, 0.5);
    arrow.lineTo(0.5, 22.5);
    arrow.lineTo(6.0, 17.0);
    arrow.lineTo(10.5, 27.0);
    arrow.lineTo(14.5, 25.0);
    arrow.lineTo(10.0, 15.5);
    arrow.lineTo(17.5, 15.5);
    arrow.closeSubpath();
    QLinearGradient fill(0, 0, 16, 26);
    fill.setColorAt(0.0, QColor(255, 230, 60));
    fill.setColorAt(0.45, QColor(255, 120, 40));
    fill.setColorAt(1.0, QColor(60, 140, 255));
    p.fillPath(arrow, fill);
    p.setPen(QPen(Qt::black, 1.0));
    p.drawPath(arrow);
    return image;
}

QCursor captureCursor()
{
    static const QPixmap pixmap = QPixmap::fromImage(captureCursorImage());
    return QCursor(pixmap, 0, 0);
}

QCursor cursorFor(PointerShape shape)
{
    switch (shape) {
    case PointerShape::SizeNWSE:
        return QCursor(Qt::SizeFDiagCursor);
    case PointerShape::SizeNS:
        return QCursor(Qt::SizeVerCursor);
    case PointerShape::SizeNESW:
        return QCursor(Qt::SizeBDiagCursor);
    case PointerShape::SizeWE:
        return QCursor(Qt::SizeHorCursor);
    case PointerShape::SizeAll:
        return QCursor(Qt::SizeAllCursor);
    case PointerShape::CaptureCursor:
        break;
    }
    return captureCursor();
}

} // namespace inkwell
