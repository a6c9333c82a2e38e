#include "projects/projecttypeicon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace inkwell {

QPixmap projectTypeIcon(DocumentKind kind)
{
    constexpr int kSide = 48;
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    // The sheet: 34 x 44 pixels, centred, its top right corner folded over by 10 pixels.
    const qreal left = 7.5, top = 1.5, right = 40.5, bottom = 46.5, fold = 10;
    QPainterPath sheet;
    sheet.moveTo(left, top);
    sheet.lineTo(right - fold, top);
    sheet.lineTo(right, top + fold);
    sheet.lineTo(right, bottom);
    sheet.lineTo(left, bottom);
    sheet.closeSubpath();
    painter.setPen(QPen(QColor(0x70, 0x78, 0x80), 1));
    painter.setBrush(QColor(0xFC, 0xFC, 0xFC));
    painter.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(right - fold, top);
    corner.lineTo(right - fold, top + fold);
    corner.lineTo(right, top + fold);
    painter.setBrush(QColor(0xD8, 0xDC, 0xE0));
    painter.drawPath(corner);

    // A few grey text lines above the band.
    painter.setPen(QPen(QColor(0xB0, 0xB6, 0xBC), 2));
    for (int i = 0; i < 3; ++i)
        painter.drawLine(QPointF(left + 5, 16 + 5 * i), QPointF(right - 6 - 4 * (i % 2), 16 + 5 * i));

    QString label;
    QColor band;
    if (kind == DocumentKind::Html) {
        label = QStringLiteral("HTML");
        band = QColor(0xE3, 0x6C, 0x1E);
    } else if (kind == DocumentKind::StyleSheet) {
        label = QStringLiteral("CSS");
        band = QColor(0x26, 0x6D, 0xC9);
    }
    if (!label.isEmpty()) {
        const QRectF bandRect(3, 30, 42, 13);
        painter.setPen(Qt::NoPen);
        painter.setBrush(band);
        painter.drawRoundedRect(bandRect, 2, 2);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(10);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(bandRect, Qt::AlignCenter, label);
    }
    return pixmap;
}

} // namespace inkwell
