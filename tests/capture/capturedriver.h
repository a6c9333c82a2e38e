// Drives capture mode end to end under X for the GUI tests: a known picture as the desktop,
// real pointer and key events through xdotool, and a recorder of what the output inserts.
#pragma once

#include "capture/capturecommand.h"
#include "capture/capturewindow.h"
#include "platform/qtmessageservice.h"

#include <QApplication>
#include <QPainter>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace inkwell::testing {

// Blue never drops below 140, so no pattern pixel is the handle colour.
inline QRgb patternAt(int x, int y)
{
    return qRgb((x * 7 + y) & 0xFF, (y * 5 + x / 3) & 0xFF, 140 + (x + 2 * y) % 100);
}

inline QImage patternImage(QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            img.setPixel(x, y, patternAt(x, y));
    return img;
}

// A frameless window covering the screen with a picture: the "desktop" to be captured. A
// picture with a device pixel ratio shows one picture pixel on each device pixel.
class Backdrop : public QWidget
{
public:
    explicit Backdrop(QImage picture)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
        , m_picture(std::move(picture))
    {
        setGeometry(QRect(QPoint(0, 0), m_picture.deviceIndependentSize().toSize()));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawImage(0, 0, m_picture);
    }

private:
    QImage m_picture;
};

// Runs xdotool; coordinates are the X server's, which are device pixels.
inline bool xdo(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    const bool ok = p.waitForFinished(5000) && p.exitCode() == 0;
    // xdotool's events are on the server once it has ended; a round trip to the server brings them
    // here and handles them.
    QGuiApplication::sync();
    return ok;
}

inline void moveTo(QPoint p)
{
    xdo({ "mousemove", QString::number(p.x()), QString::number(p.y()) });
}

// Drags with the left button from `from` to `to` in a few steps, leaving the button down.
inline void dragFromTo(QPoint from, QPoint to)
{
    moveTo(from);
    xdo({ "mousedown", "1" });
    moveTo((from + to) / 2);
    moveTo(to);
}

inline void releaseButton()
{
    xdo({ "mouseup", "1" });
}

inline void doubleClickAt(QPoint p)
{
    moveTo(p);
    xdo({ "click", "--repeat", "2", "--delay", "80", "1" });
}

inline CaptureWindow* findCaptureWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* c = qobject_cast<CaptureWindow*>(w); c && c->isVisible())
            return c;
    }
    return nullptr;
}

// Runs the command while `script` drives the capture window once it shows; true when it
// showed. Whatever the script leaves open is closed afterwards so a failing script cannot
// hang the test.
inline bool runScripted(QWidget* mainWindow, CaptureEntry entry, const CaptureOutputContext& output,
    const std::function<void(CaptureWindow*)>& script)
{
    // Polls for the window: the minimising command spins the event loop before it exists.
    bool ran = false;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        CaptureWindow* w = findCaptureWindow();
        if (ran || !w || !w->windowHandle() || !w->windowHandle()->isExposed())
            return;
        poll.stop();
        ran = true;
        // Whatever the window system still has for the new window is handled before the script starts.
        QGuiApplication::sync();
        script(w);
        for (int i = 0; i < 3 && findCaptureWindow(); ++i) {
            findCaptureWindow()->close();
            QTest::qWait(50);
        }
    });
    poll.start();
    runCaptureCommand(mainWindow, entry, output);
    return ran;
}

// Records the output's inserts: the pictures given to insertImage and the logical size each came
// with. Boxes are real ones unless a test brings its own.
struct Recorder
{
    QStringList inserts;
    std::vector<std::optional<QSize>> sizes;
    long long next = 1765000000000;
    QtMessageService boxes;
    CaptureOutputContext context(const QString& folder) { return context(folder, boxes); }
    CaptureOutputContext context(const QString& folder, MessageService& messages)
    {
        return { messages, folder.toStdString(), [this] { return std::to_string(++next); },
            [this](const std::filesystem::path& picture, std::optional<QSize> logicalSize) {
                inserts.push_back(QString::fromStdString(picture.string()));
                sizes.push_back(logicalSize);
            } };
    }
};

} // namespace inkwell::testing
