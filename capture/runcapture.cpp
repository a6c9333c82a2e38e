#include "capture/runcapture.h"

#include "capture/capturewindow.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>

std::optional<QImage> GrabPrimaryScreen()
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

bool RunCaptureOver(const QImage& frozen)
{
    CaptureWindow window(frozen);
    QEventLoop loop;
    QObject::connect(&window, &CaptureWindow::finished, &loop, &QEventLoop::quit);
    window.start();
    loop.exec(QEventLoop::DialogExec);
    return window.captured();
}

std::optional<qreal> RunCapture()
{
    const std::optional<QImage> frozen = GrabPrimaryScreen();
    if (!frozen) {
        QMessageBox::information(nullptr, QStringLiteral("提示"),
            QStringLiteral("无法取得屏幕图像：当前桌面不允许程序截取屏幕，截图已取消。"));
        return std::nullopt;
    }
    if (!RunCaptureOver(*frozen))
        return std::nullopt;
    return frozen->devicePixelRatio();
}
