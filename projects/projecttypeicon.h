// The 48 x 48 pictures of the wizard's two project types, drawn rather than loaded so that the
// wizard needs no icon theme: a page with a folded corner and a coloured band naming the type.
#pragma once

#include <QPixmap>

namespace inkwell {

// For kind 0 (HTML page) and 1 (style sheet); any other kind gives a page without a band.
[[nodiscard]] QPixmap ProjectTypeIcon(int kind);

} // namespace inkwell
