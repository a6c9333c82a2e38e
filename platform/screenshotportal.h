// Takes a picture of the desktop through the desktop's screenshot portal, for sessions where
// the windowing system gives programs no screen picture of their own (Wayland).
#pragma once

#include <QImage>
#include <optional>

namespace inkwell {

// Asks org.freedesktop.portal.Screenshot for a non-interactive screenshot and waits up to
// `timeoutMs` for its answer. The whole desktop as the portal saved it; nothing when no
// portal answers, the user or the desktop refuses, or the picture cannot be read.
[[nodiscard]] std::optional<QImage> screenshotFromPortal(int timeoutMs);

} // namespace inkwell
