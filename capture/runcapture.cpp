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
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    // Client coordinates are screen pixels; a scaled grab would put the selection elsewhere.
    if (image.size() != screen->geometry().size())
        image = image.scaled(screen->geometry().size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    image.setDevicePixelRatio(1.0);
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

bool RunCapture()
{
    const std::optional<QImage> frozen = GrabPrimaryScreen();
    if (!frozen) {
        QMessageBox::information(nullptr, QStringLiteral("提示"),
            QStringLiteral("无法取得屏幕图像：当前桌面不允许程序截取屏幕，截图已取消。"));
        return false;
    }
    return RunCaptureOver(*frozen);
}
