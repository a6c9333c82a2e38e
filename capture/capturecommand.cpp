#include "capture/capturecommand.h"

#include "capture/captureoutput.h"
#include "capture/runcapture.h"
#include "core/messagetexts.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>

namespace inkwell {
namespace {

// How long the minimising command waits for the editor to leave the screen, and how long
// it then lets a compositor finish its minimise animation.
constexpr int kHideWaitMs = 1500;
constexpr int kSettleMs = 120;

// How often a wait looks at what it waits for.
constexpr int kPollMs = 5;

// Runs the event loop until done() holds or ms have passed; true when done() held in time.
bool waitUntil(const std::function<bool()>& done, int ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the bound is a promise to wait that long.
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start();
    deadline.start(ms);
    loop.exec();
    return done();
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
    // The window state says minimised at once; only the lost exposure shows that the
    // window manager has taken it off the screen.
    auto hidden = [window] {
        const QWindow* handle = window->windowHandle();
        return !window->isVisible() || !handle || !handle->isExposed();
    };
    const bool seen = waitUntil(hidden, maxMs);
    if (seen)
        (void)waitUntil([] { return false; }, kSettleMs); // the compositor's animation
    return seen;
}

Result<std::filesystem::path> runCaptureOutputSteps(const CaptureOutputContext& output, qreal ratio)
{
    const std::optional<QImage> picture = readClipboardPicture();
    if (!picture)
        return Error { 0, "the clipboard holds no picture" };
    const std::string name = output.timeStampName ? output.timeStampName() : std::string();
    INKWELL_TRY(
        const std::filesystem::path path, writeCapturedPicture(*picture, output.documentFolder, name));
    if (!output.insertImage)
        return path;
    std::optional<QSize> logical;
    if (!qFuzzyCompare(ratio, 1.0))
        logical = (QSizeF(picture->size()) / ratio).toSize();
    output.insertImage(path, logical);
    return path;
}

void runCaptureCommand(QWidget* mainWindow, CaptureEntry entry, const CaptureOutputContext& output)
{
    if (entry == CaptureEntry::MinimiseFirst)
        (void)minimiseAndWaitHidden(mainWindow, kHideWaitMs);
    WindowFirstMessages messages(output.messages, mainWindow);
    const std::optional<qreal> ratio = runCapture(messages);
    if (!ratio)
        return; // a cancelled run leaves a minimised editor minimised
    if (!readClipboardPicture()) {
        messages.inform(kHintTitle, texts::kClipboardHasNoPicture);
    } else if (const auto written = runCaptureOutputSteps(output, *ratio); !written) {
        messages.inform(kHintTitle, texts::captureNotSaved(written.error(), output.documentFolder));
    }
    if (entry == CaptureEntry::MinimiseFirst && mainWindow)
        mainWindow->showNormal();
}

} // namespace inkwell
