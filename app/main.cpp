// Process start: run folder made current, the engine's sandbox off for root, the main window's
// creation sequence, then the message loop.
#include "app/mainwindow.h"
#include "app/workingfolders.h"

#include <QApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <csignal>
#include <filesystem>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = { -1, -1 };

void onTerminationSignal(int)
{
    const char c = 1;
    (void)!::write(signalPipe[1], &c, 1);
}

// SIGTERM and SIGINT (a logout, a kill) end the program without a question, which nobody could answer
// then; the window keeps unsaved changes in its recovery copy first.
void quitOnTerminationSignals(QApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char c;
        (void)!::read(signalPipe[0], &c, 1);
        for (auto* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<inkwell::MainWindow*>(widget))
                window->endWithoutQuestion();
        }
        QApplication::quit();
    });
    struct sigaction action
    {
    };
    action.sa_handler = onTerminationSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

} // namespace

int main(int argc, char* argv[])
{
    const auto runFolder = inkwell::RunFolderOfExecutable().value_or(std::filesystem::current_path());
    std::error_code ec;
    std::filesystem::current_path(runFolder, ec);

    // The browser engine refuses to start as root with its sandbox on.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Inkwell"));
    quitOnTerminationSignals(app);

    inkwell::MainWindow window(runFolder);
    if (const auto startUp = window.runCreationSequence(); !startUp)
        return startUp.exitCode();
    if (const auto* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    QApplication::exec();
    return 0;
}
