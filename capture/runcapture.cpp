#include "capture/runcapture.h"

#include "capture/capturewindow.h"
#include "core/messagetexts.h"
#include "platform/screenshotportal.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace inkwell {

std::optional<QImage> grabPrimaryScreen()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    // Window 0 is the whole desktop; Wayland compositors hand out no such picture.
    const QPixmap pixmap = screen->grabWindow(0);
    if (pixmap.isNull())
        return std::nullopt;
    // Kept at the screen's device pixels, so that the saved picture is as sharp as the
    // screen; the window shows it at the screen's logical size.
    const qreal ratio = screen->devicePixelRatio();
    const QSize device = (QSizeF(screen->geometry().size()) * ratio).toSize();
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    // A platform that hands the picture out at another size would put the selection
    // elsewhere: bring it to the screen's device size.
    if (image.size() != device)
        image = image.scaled(device, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    image.setDevicePixelRatio(ratio);
    return image;
}

namespace {

// How long the desktop may take to answer for its screenshot portal.
constexpr int kPortalTimeoutMs = 20000;

// The portal is asked first where the platform has no screen picture to give, and where
// INKWELL_CAPTURE_PORTAL=1 says so (an X session that should behave like a Wayland one).
bool preferPortal()
{
    return qEnvironmentVariable("INKWELL_CAPTURE_PORTAL") == QStringLiteral("1")
        || QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

} // namespace

std::optional<QImage> frozenFromDesktopPicture(const QImage& desktop, QRect screen, QRect virtualDesktop)
{
    if (desktop.isNull() || virtualDesktop.isEmpty())
        return std::nullopt;
    // The portal saves the whole desktop in device pixels; the primary screen's part of it,
    // at the same scale, is what capture mode shows.
    const qreal ratio = qreal(desktop.width()) / virtualDesktop.width();
    const QRectF part(screen.translated(-virtualDesktop.topLeft()));
    const QRect device
        = QRectF(part.x() * ratio, part.y() * ratio, part.width() * ratio, part.height() * ratio)
              .toAlignedRect();
    QImage image = desktop.copy(device).convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    return image;
}

std::optional<QImage> freezeScreen()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    if (!preferPortal()) {
        if (std::optional<QImage> grabbed = grabPrimaryScreen())
            return grabbed;
    }
    const std::optional<QImage> desktop = inkwell::screenshotFromPortal(kPortalTimeoutMs);
    if (!desktop)
        return std::nullopt;
    return frozenFromDesktopPicture(*desktop, screen->geometry(), screen->virtualGeometry());
}

bool runCaptureOver(const QImage& frozen)
{
    CaptureWindow window(frozen);
    QEventLoop loop;
    QObject::connect(&window, &CaptureWindow::finished, &loop, &QEventLoop::quit);
    window.start();
    loop.exec(QEventLoop::DialogExec);
    return window.captured();
}

std::optional<qreal> runCapture(MessageService& messages)
{
    const std::optional<QImage> frozen = freezeScreen();
    if (!frozen) {
        messages.inform(kHintTitle, texts::kScreenNotReadable, MessageOwner::Screen);
        return std::nullopt;
    }
    if (!runCaptureOver(*frozen))
        return std::nullopt;
    return frozen->devicePixelRatio();
}

} // namespace inkwell
