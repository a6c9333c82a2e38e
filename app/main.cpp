// Process start: --version and --help answered before anything else, run folder chosen and made current, the
// engine's sandbox off for root, Qt's own texts in Chinese, the main window's creation sequence, then
// the message loop.
#include "app/mainwindow.h"
#include "core/runfolder.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QScreen>
#include <QSocketNotifier>
#include <QTranslator>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::string_view kUsage = R"(Usage: inkwell [--version | --help]

A desktop editor for small web pages. Started without arguments it opens its main window.
It keeps its settings and working files in folders beside the program file; when that folder
cannot be written (an installed program), in $XDG_DATA_HOME/inkwell (~/.local/share/inkwell).

  --version   print the version and exit
  --help      show this help and exit
)";

enum class Answer
{
    None,
    Version,
    Help
};

// Looked at before Qt, the run folder or the single-copy check is touched, so that asking for the
// version never creates a folder or is turned away by a running copy.
Answer informationAsked(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version")
            return Answer::Version;
        if (arg == "--help" || arg == "-h")
            return Answer::Help;
    }
    return Answer::None;
}

// The interface is Chinese whatever the locale, so Qt's own dialogs and buttons are too. A catalog
// that is not installed is skipped: those texts then stay English.
void loadChineseQtTexts(QApplication& app)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* catalog : { "qtbase", "qtwebengine", "qscintilla" }) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QStringLiteral("%1_zh_CN").arg(QLatin1String(catalog)), folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

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
        // exit, not quit: it also ends the loops of open dialogs (the wizard at start-up, a question),
        // and it works before the main loop has started.
        QCoreApplication::exit(0);
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
    switch (informationAsked(argc, argv)) {
    case Answer::Version:
        std::printf("inkwell %s\n", INKWELL_VERSION);
        return 0;
    case Answer::Help:
        std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
        return 0;
    case Answer::None:
        break;
    }

    const auto programFolder
        = inkwell::RunFolder::ofExecutable().value_or(inkwell::RunFolder(std::filesystem::current_path()));
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    const inkwell::RunFolder runFolder(
        inkwell::chooseRunFolder(programFolder.path(), dataHome ? dataHome : "", home ? home : ""));
    // A folder that cannot be made shows itself later, in the boxes of whatever cannot be written there.
    if (runFolder.path() != programFolder.path() && !inkwell::ensurePrivateRunFolder(runFolder.path()))
        std::fprintf(stderr, "inkwell: cannot create %s\n", runFolder.path().c_str());
    // Every path the program uses is built from the run folder; the current folder only decides where
    // a file dialog given no folder opens. A run folder that cannot be entered is therefore worth a
    // warning, not the end of the start.
    std::error_code notEntered;
    std::filesystem::current_path(runFolder.path(), notEntered);
    if (notEntered)
        std::fprintf(stderr, "inkwell: cannot make %s the current folder: %s\n", runFolder.path().c_str(),
            notEntered.message().c_str());

    // The browser engine refuses to start as root with its sandbox on.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Inkwell"));
    QApplication::setApplicationVersion(QStringLiteral(INKWELL_VERSION));
    loadChineseQtTexts(app);
    // The drawing lives in the window library's resources, which a static library registers by hand.
    Q_INIT_RESOURCE(icons);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/inkwell.svg")));
    quitOnTerminationSignals(app);

    inkwell::MainWindow window(runFolder.path(), programFolder.path());
    if (const auto startUp = window.runCreationSequence(); !startUp)
        return startUp.exitCode();
    if (const auto* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    if (window.hasEnded()) // a signal came between the start-up steps and the main loop
        return 0;
    window.show();
    QApplication::exec();
    return 0;
}
