#include "capture/overlayfont.h"

#include <QFontDatabase>
#include <QPainter>

namespace inkwell {
namespace {

bool isNarrow(QChar c)
{
    return c.unicode() < 0x80;
}

int cellWidth(QChar c)
{
    return isNarrow(c) ? 6 : 12;
}

// Glyphs sit on a baseline 10 pixels below the line top, which keeps CJK ideographs (about
// 0.88 em above the baseline) inside the 12-pixel line.
constexpr int kBaseline = 10;

} // namespace

QFont overlayFont()
{
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char* wanted :
            { "Noto Serif CJK SC", "Noto Sans CJK SC", "WenQuanYi Zen Hei", "AR PL UMing CN" }) {
            if (families.contains(QString::fromLatin1(wanted)))
                return QString::fromLatin1(wanted);
        }
        return QString();
    }();
    QFont font;
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    font.setStyleStrategy(QFont::PreferDefault);
    return font;
}

int overlayTextWidth(const QString& text)
{
    int width = 0;
    for (QChar c : text)
        width += cellWidth(c);
    return width;
}

QStringList overlayWrap(const QString& text, int width)
{
    // Split into units that may not be broken: one wide character, or a run of narrow ones.
    QStringList units;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype j = i + 1;
        if (isNarrow(text[i])) {
            while (j < text.size() && isNarrow(text[j]))
                ++j;
        }
        units.push_back(text.mid(i, j - i));
        i = j;
    }
    QStringList lines;
    QString line;
    for (const QString& unit : units) {
        if (!line.isEmpty() && overlayTextWidth(line) + overlayTextWidth(unit) > width) {
            lines.push_back(line);
            line.clear();
        }
        line += unit;
    }
    if (!line.isEmpty())
        lines.push_back(line);
    return lines;
}

void drawOverlayLine(QPainter& painter, QPoint topLeft, const QString& text)
{
    // Narrow runs are drawn character by character too: fixed cells are what keeps the
    // numbers inside the info box frame.
    int x = topLeft.x();
    const int baseline = topLeft.y() + kBaseline;
    for (QChar c : text) {
        if (!c.isSpace())
            painter.drawText(QPoint(x, baseline), QString(c));
        x += cellWidth(c);
    }
}

} // namespace inkwell
