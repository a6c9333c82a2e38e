// The pointer of capture mode: a 32 x 32 arrow pointing up and to the left, black outline,
// multi-coloured fill, hot spot at its tip (0, 0).
#pragma once

#include "capture/captureaction.h"

#include <QCursor>
#include <QImage>

namespace inkwell {

[[nodiscard]] QImage captureCursorImage();
[[nodiscard]] QCursor captureCursor();
// The capture arrow or the system's sizing shape for a pointer shape of the session.
[[nodiscard]] QCursor cursorFor(PointerShape shape);

} // namespace inkwell
