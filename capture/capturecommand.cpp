#include "capture/capturecommand.h"

#include "capture/captureoutput.h"
#include "capture/runcapture.h"
#include "core/messagetexts.h"
#include "platform/qtmessageservice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>
#include <QWindow>

namespace inkwell {
namespace {

// How long the minimising command waits for the editor to leave the screen, and how long
// it then lets a compositor finish its minimise animation.
constexpr int kHideWaitMs = 1500;
constexpr int kSettleMs = 120;

void pump(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

// The capture's boxes come up over the editor, brought back first: a box over a minimised editor is
// easily missed, and the user is answering about the editor's page anyway.
class WindowFirstMessages final : public MessageService
{
public:
    WindowFirstMessages(MessageService& boxes, QWidget* window)
        : m_boxes(boxes)
        , m_window(window)
    {
    }

    MessageButton show(const MessageRequest& request) override
    {
        if (m_window && m_window->isMinimized()) {
            m_window->showNormal();
            m_window->raise();
            m_window->activateWindow();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        return m_boxes.show(request);
    }

private:
    MessageService& m_boxes;
    QWidget* m_window;
};

} // namespace

bool minimiseAndWaitHidden(QWidget* window, int maxMs)
{
    if (!window)
        return true;
    window->showMinimized();
    QElapsedTimer timer;
    timer.start();
    // The window state says minimised at once; only the lost exposure shows that the
    // window manager has taken it off the screen.
    auto hidden = [window] {
        const QWindow* handle = window->windowHandle();
        return !window->isVisible() || !handle || !handle->isExposed();
    };
    while (!hidden() && timer.elapsed() < maxMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    const bool seen = hidden();
    if (seen)
        pump(kSettleMs);
    return seen;
}

std::optional<QString> runCaptureOutputSteps(const CaptureOutputContext& ctx, qreal ratio)
{
    const std::optional<QImage> picture = readClipboardPicture();
    if (!picture)
        return std::nullopt;
    const std::string name = ctx.timeStampName ? ctx.timeStampName() : std::string();
    std::optional<QString> path = writeCapturedPicture(*picture, ctx.documentFolder, name);
    if (!path)
        return path;
    if (!qFuzzyCompare(ratio, 1.0) && ctx.pasteHtml) {
        const QSize logical = (QSizeF(picture->size()) / ratio).toSize();
        ctx.pasteHtml(QString::fromStdString(
            sizedImageFragment(*path, ctx.documentFolder, logical.width(), logical.height())));
    } else if (ctx.insertImage) {
        ctx.insertImage(*path);
    }
    return path;
}

void runCaptureCommand(QWidget* mainWindow, CaptureEntry entry, const CaptureOutputContext& ctx)
{
    if (entry == CaptureEntry::MinimiseFirst)
        (void)minimiseAndWaitHidden(mainWindow, kHideWaitMs);
    QtMessageService boxes(mainWindow);
    WindowFirstMessages messages(ctx.messages ? *ctx.messages : boxes, mainWindow);
    const std::optional<qreal> ratio = runCapture(messages);
    if (!ratio)
        return; // a cancelled run leaves a minimised editor minimised
    if (!readClipboardPicture())
        messages.inform(kHintTitle, texts::kClipboardHasNoPicture);
    else if (!runCaptureOutputSteps(ctx, *ratio))
        messages.inform(kHintTitle, texts::captureNotSaved(ctx.documentFolder.toStdString()));
    if (entry == CaptureEntry::MinimiseFirst && mainWindow)
        mainWindow->showNormal();
}

} // namespace inkwell
