// The information panel's background picture, drawn once per run: grey border, light
// header band with a picture icon and the bold blue title, blue gradient body, a wave.
#pragma once

#include <QImage>

namespace inkwell {

// 174 x 147 logical pixels, RGB32, drawn at `ratio` device pixels per logical pixel. The
// panel shows its top-left 172 x 146 pixels, so the border is drawn on the edges of that
// part; texts start at y = 30, below the header band.
[[nodiscard]] QImage makePanelBackground(qreal ratio = 1.0);

} // namespace inkwell
