// The 48 x 48 pictures of the wizard's two project types, drawn rather than loaded so that the
// wizard needs no icon theme: a page with a folded corner and a coloured band naming the type.
#pragma once

#include "document/documentlocation.h"

#include <QPixmap>

namespace inkwell {

// Any kind other than an HTML page or a style sheet gives a page without a band.
[[nodiscard]] QPixmap projectTypeIcon(DocumentKind kind);

} // namespace inkwell
