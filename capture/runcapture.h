// Capture mode as one modal call: freezes the primary screen, runs the capture window and
// leaves the committed picture on the clipboard.
#pragma once

#include "core/messageservice.h"

#include <QImage>
#include <QRect>
#include <optional>

namespace inkwell {

// The primary screen as it is now, or nothing where the platform gives no screen picture
// (a pure Wayland session).
[[nodiscard]] std::optional<QImage> grabPrimaryScreen();

// The primary screen's part of a picture of the whole desktop (`virtualDesktop` in logical
// pixels), at the picture's own scale as its device pixel ratio.
[[nodiscard]] std::optional<QImage> frozenFromDesktopPicture(
    const QImage& desktop, QRect screen, QRect virtualDesktop);

// The picture capture mode runs over: the platform's own screen picture, or where it gives
// none (or INKWELL_CAPTURE_PORTAL=1 asks for it) the desktop's screenshot portal's. Nothing
// when neither can be had or the portal's answer is a refusal.
[[nodiscard]] std::optional<QImage> freezeScreen();

// Runs capture mode over `frozen` until the window closes. True when a picture was
// committed; the clipboard then holds it as an image.
[[nodiscard]] bool runCaptureOver(const QImage& frozen);

// Grabs the screen and runs capture mode over it. When a picture was committed, the device
// pixel ratio of the screen it came from (the clipboard holds its device pixels); nothing
// when the run was cancelled. Where no screen picture can be had, a "提示" box of `messages`,
// on its own, says so and the result is nothing.
[[nodiscard]] std::optional<qreal> runCapture(MessageService& messages);

} // namespace inkwell
