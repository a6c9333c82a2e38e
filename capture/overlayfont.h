// The 12-pixel CJK font of the capture overlay and its cell layout: every character below
// U+0080 takes a 6-pixel cell and every other character a 12-pixel cell, so that texts
// line up the same whatever the font's own advances are.
#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

class QPainter;

namespace inkwell {

inline constexpr int kOverlayLineHeight = 12;

// A serif CJK face at 12 pixels (falling back to any CJK face fontconfig knows).
[[nodiscard]] QFont overlayFont();

// Width of a text in cells, in pixels.
[[nodiscard]] int overlayTextWidth(const QString& text);

// Breaks a text into lines no wider than `width`: between any two wide characters, and
// around runs of narrow ones, which stay whole unless a run alone is too wide.
[[nodiscard]] QStringList overlayWrap(const QString& text, int width);

// Draws one line with its top-left at `topLeft`, each character in its cell, in the
// painter's pen colour and font.
void drawOverlayLine(QPainter& painter, QPoint topLeft, const QString& text);

} // namespace inkwell
