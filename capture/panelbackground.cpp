#include "capture/panelbackground.h"

#include "capture/overlayfont.h"
#include "capture/panellayout.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace inkwell {

QImage makePanelBackground(qreal ratio)
{
    // Drawn at the screen's own resolution; every coordinate below is in logical pixels.
    QImage image(
        qRound(kPanelBackgroundWidth * ratio), qRound(kPanelBackgroundHeight * ratio), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    const int imageWidth = kPanelBackgroundWidth;
    const int imageHeight = kPanelBackgroundHeight;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = kPanelWidth; // the visible part
    const int h = kPanelHeight;
    constexpr int kBand = 24; // height of the header band, logical pixels

    // Body: a vertical blue gradient under the band, over the whole picture.
    QLinearGradient body(0, kBand, 0, imageHeight);
    body.setColorAt(0.0, QColor(58, 118, 196));
    body.setColorAt(1.0, QColor(18, 56, 132));
    p.fillRect(QRect(0, 0, imageWidth, imageHeight), body);

    // A lighter wave along the bottom edge.
    QPainterPath wave;
    wave.moveTo(0, h - 16);
    for (int x = 0; x <= imageWidth; x += 2)
        wave.lineTo(x, h - 16 + 4.0 * std::sin(x / 14.0));
    wave.lineTo(imageWidth, imageHeight);
    wave.lineTo(0, imageHeight);
    wave.closeSubpath();
    p.fillPath(wave, QColor(96, 156, 222));

    // Header band.
    QLinearGradient head(0, 0, 0, kBand);
    head.setColorAt(0.0, QColor(250, 252, 255));
    head.setColorAt(1.0, QColor(214, 226, 242));
    p.fillRect(QRect(0, 0, imageWidth, kBand), head);
    p.fillRect(QRect(0, kBand, imageWidth, 1), QColor(150, 170, 200));

    // Icon: a small framed landscape, sky, sun and hills.
    const QRect icon(6, 5, 18, 14);
    p.fillRect(icon, QColor(150, 200, 245));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 210, 60));
    p.drawEllipse(QPointF(icon.left() + 13.5, icon.top() + 4.0), 2.5, 2.5);
    QPainterPath hills;
    hills.moveTo(icon.left(), icon.bottom() + 1);
    hills.lineTo(icon.left() + 6, icon.top() + 6);
    hills.lineTo(icon.left() + 10, icon.top() + 10);
    hills.lineTo(icon.left() + 13, icon.top() + 8);
    hills.lineTo(icon.right() + 1, icon.bottom() + 1);
    hills.closeSubpath();
    p.fillPath(hills, QColor(60, 140, 60));
    p.setBrush(Qt::NoBrush);
    p.setPen(QColor(70, 90, 120));
    p.drawRect(QRectF(icon).adjusted(0.5, 0.5, -0.5, -0.5));

    // Title.
    QFont title = overlayFont();
    title.setPixelSize(14);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(20, 70, 200));
    p.drawText(QRect(30, 2, 80, kBand - 2), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("截图"));

    // Border on the visible part's outermost pixels.
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor grey(114, 114, 114);
    p.fillRect(QRect(0, 0, w, 1), grey);
    p.fillRect(QRect(0, h - 1, w, 1), grey);
    p.fillRect(QRect(0, 0, 1, h), grey);
    p.fillRect(QRect(w - 1, 0, 1, h), grey);
    return image;
}

} // namespace inkwell
