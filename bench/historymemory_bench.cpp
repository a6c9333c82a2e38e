// The memory the real main window takes for a large page and for many trips through the code view:
// Open through the open dialog, then N trips ("代码", one word typed before a paragraph's end tag in the
// middle of the code, "设计"). Resident memory of this process and of the engine's processes (its
// renderer is a grandchild) is sampled every 50 ms; the peak and the settled figure (a few seconds
// after the last step, so that the engine's collections have run) are reported after the open and after
// the trips. Prints one JSON object on standard output. bench/historymemory.py builds the page and
// compares builds.
//
// Usage: inkwell_historymemory_bench [--trips N] [--own-steps N] PAGE.html   (needs a display: run under
// xvfb-run)
// --own-steps N: instead, the seconds of "设计" after N edits of the design view's own, beside "设计"
// after none.
// Only the main window's buttons and its open dialog are used, so the same file builds against any
// revision of the window since the code view came.
#include "app/mainwindow.h"
#include "core/inifile.h"
#include "core/readfile.h"
#include "editing/designview.h"
#include "tests/support/tempfolder.h"
#include "tests/support/windowenvironment.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Resident bytes of this process alone (first) and of it with every process it started, and those
// started by them, as /proc tells them.
std::pair<std::size_t, std::size_t> residentBytes()
{
    std::vector<std::pair<int, int>> parents; // pid, parent pid
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string stat = inkwell::readFile(entry.path() / "stat").valueOr({});
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(stat.substr(close + 2));
        std::string state;
        int parent = 0;
        fields >> state >> parent;
        parents.emplace_back(std::stoi(name), parent);
    }
    std::vector<int> family { static_cast<int>(getpid()) };
    for (std::size_t i = 0; i < family.size(); ++i) {
        for (const auto& [pid, parent] : parents) {
            if (parent == family[i])
                family.push_back(pid);
        }
    }
    std::size_t own = 0;
    std::size_t all = 0;
    for (const int pid : family) {
        std::istringstream status(
            inkwell::readFile(std::filesystem::path("/proc") / std::to_string(pid) / "status").valueOr({}));
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmRSS:", 0) == 0) {
                const auto bytes = static_cast<std::size_t>(std::stoull(line.substr(6))) * 1024;
                all += bytes;
                if (pid == getpid())
                    own = bytes;
            }
        }
    }
    return { own, all };
}

// The largest figures seen since the last reset, sampled by a timer that also runs in the nested event
// loops in which the window waits for its engine.
class PeakSampler
{
public:
    PeakSampler()
    {
        m_timer.setInterval(50);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { sample(); });
        m_timer.start();
    }
    void reset() { m_own = m_all = 0; }
    void sample()
    {
        const auto [own, all] = residentBytes();
        m_own = std::max(m_own, own);
        m_all = std::max(m_all, all);
    }
    [[nodiscard]] std::size_t own() const { return m_own; }
    [[nodiscard]] std::size_t all() const { return m_all; }

private:
    QTimer m_timer;
    std::size_t m_own = 0;
    std::size_t m_all = 0;
};

// Answers the open dialog with the page and closes any message box.
class DialogAnswerer
{
public:
    explicit DialogAnswerer(QString file)
        : m_file(std::move(file))
    {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start();
    }
    QStringList boxes;

private:
    void answer()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible() || !widget->isModal())
                continue;
            if (auto* box = qobject_cast<QMessageBox*>(widget)) {
                boxes << box->text();
                box->reject();
                return;
            }
            if (auto* dialog = qobject_cast<QFileDialog*>(widget)) {
                if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    name->setText(m_file);
                else
                    dialog->selectFile(m_file);
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
                return;
            }
        }
    }

    QString m_file;
    QTimer m_timer;
};

bool click(inkwell::MainWindow& window, const char* name)
{
    auto* button = window.findChild<QToolButton*>(QString::fromUtf8(name));
    if (!button)
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
    return true;
}

struct Figures
{
    std::size_t peakOwn = 0;
    std::size_t peakAll = 0;
    std::size_t settledOwn = 0;
    std::size_t settledAll = 0;
    std::size_t trimmedOwn = 0; // settled, after the allocator gave back what it could
};

// Waits for the engine's collections to run, then reads the settled figures; the peak is the sampler's.
Figures settle(PeakSampler& sampler)
{
    QTest::qWait(4000);
    sampler.sample();
    Figures f;
    f.peakOwn = sampler.own();
    f.peakAll = sampler.all();
    std::tie(f.settledOwn, f.settledAll) = residentBytes();
    malloc_trim(0);
    f.trimmedOwn = residentBytes().first;
    return f;
}

std::string json(const char* name, const Figures& f)
{
    char out[512];
    std::snprintf(out, sizeof out,
        "\"%s\": {\"peak_own\": %zu, \"peak_all\": %zu, \"settled_own\": %zu, \"settled_all\": %zu, "
        "\"trimmed_own\": %zu}",
        name, f.peakOwn, f.peakAll, f.settledOwn, f.settledAll, f.trimmedOwn);
    return out;
}

// A trip through the code view: "代码", a word typed before a paragraph's end tag in the middle of the
// code, "设计". The seconds "设计" took.
double trip(inkwell::MainWindow& window, QsciScintilla& editor, const QString& word)
{
    (void)click(window, "超级按钮_代码");
    int line = editor.lines() / 2;
    int index = 0;
    if (editor.findFirst(QStringLiteral("</p>"), false, false, false, false, true, line, 0)) {
        editor.getSelection(&line, &index, &line, &index);
        editor.setCursorPosition(line, index - 4);
        editor.insert(QLatin1Char(' ') + word);
    }
    const auto start = Clock::now();
    (void)click(window, "超级按钮_设计");
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// With --own-steps N: "设计" after N edits of the design view's own (each word of the first N paragraphs
// made bold with the toolbar's button, each an undo step of the engine's), beside "设计" after none.
int timeOwnSteps(inkwell::MainWindow& window, QsciScintilla& editor, int steps)
{
    const double plain = trip(window, editor, QStringLiteral("plain"));
    for (int i = 0; i < steps; ++i) {
        (void)window.designView().engine()->evaluate(
            QStringLiteral("(function(){var p=document.querySelectorAll('p')[%1];if(!p)return false;"
                           "var w=document.createTreeWalker(p,NodeFilter.SHOW_TEXT),t=w.nextNode();"
                           "if(!t)return false;var r=document.createRange();r.setStart(t,0);"
                           "r.setEnd(t,Math.min(3,t.length));var s=getSelection();s.removeAllRanges();"
                           "s.addRange(r);return true;})()")
                .arg(i));
        (void)click(window, "超级按钮_加粗");
    }
    // The engine's steps of its own, counted by taking them back and bringing them again.
    const auto own = window.designView().engine()->evaluate(QStringLiteral(
        "(function(){var d=document,n=0;while(d.queryCommandEnabled('undo')){d.execCommand('undo');++n;}"
        "for(var i=0;i<n;++i)d.execCommand('redo');return n;})()"));
    const double walked = trip(window, editor, QStringLiteral("walked"));
    std::printf("{\"own_steps\": %d, \"engine_steps\": %d, \"design_after_none\": %.3f, "
                "\"design_after_own_steps\": %.3f}\n",
        steps, own ? own->toInt() : -1, plain, walked);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    int trips = 50;
    int ownSteps = 0;
    std::filesystem::path page;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--trips" && i + 1 < argc)
            trips = std::atoi(argv[++i]);
        else if (std::string_view(argv[i]) == "--own-steps" && i + 1 < argc)
            ownSteps = std::atoi(argv[++i]);
        else
            page = argv[i];
    }
    if (page.empty()) {
        std::fprintf(stderr, "usage: %s [--trips N] PAGE.html\n", argv[0]);
        return 2;
    }
    const std::filesystem::path binaryDir = INKWELL_BINARY_DIR;
    const inkwell::testing::WindowEnvironment environment(binaryDir / "bench");
    QApplication app(argc, argv);
    inkwell::testing::TempFolder run(binaryDir / "bench-runs");
    std::filesystem::create_directories(run.path() / "system");
    if (!inkwell::IniFile(run.path() / "system" / "guid.ini").write("向导", "是否显示", "假"))
        return 1;

    inkwell::MainWindow window(run.path());
    if (!window.runCreationSequence())
        return 1;
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    QTest::qWait(1000);
    PeakSampler sampler;
    const Figures empty = settle(sampler);

    sampler.reset();
    DialogAnswerer answers(QString::fromStdString(std::filesystem::absolute(page).string()));
    if (!click(window, "超级按钮_打开"))
        return 1;
    const Figures opened = settle(sampler);

    auto* editor = window.findChild<QsciScintilla*>(QStringLiteral("代码编辑框1"));
    if (ownSteps > 0 && editor)
        return timeOwnSteps(window, *editor, ownSteps);
    int carried = 0;
    const auto start = Clock::now();
    sampler.reset();
    for (int trip = 0; trip < trips && editor; ++trip) {
        (void)click(window, "超级按钮_代码");
        // A word typed before the end tag of a paragraph in the middle of the code, as a small edit.
        int line = editor->lines() / 2;
        int index = 0;
        if (editor->findFirst(QStringLiteral("</p>"), false, false, false, false, true, line, 0)) {
            editor->getSelection(&line, &index, &line, &index);
            editor->setCursorPosition(line, index - 4);
            editor->insert(QStringLiteral(" trip%1").arg(trip));
        }
        (void)click(window, "超级按钮_设计");
        std::fprintf(stderr, "trip %d: %.1f s, %zu MB\n", trip + 1,
            std::chrono::duration<double>(Clock::now() - start).count(), residentBytes().second >> 20);
    }
    const double tripSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    // Every trip's word reached the page (the code view's white space may follow it).
    const QString shown = window.designView().getHtml();
    for (int trip = 0; trip < trips; ++trip)
        carried += shown.contains(QRegularExpression(QStringLiteral(" trip%1(?![0-9])").arg(trip))) ? 1 : 0;
    const Figures afterTrips = settle(sampler);

    std::printf("{\"page\": \"%s\", \"bytes\": %zu, \"trips\": %d, \"carried\": %d, \"trip_seconds\": %.2f, "
                "%s, %s, %s, "
                "\"messages\": %d}\n",
        page.filename().string().c_str(), static_cast<std::size_t>(std::filesystem::file_size(page)), trips,
        carried, tripSeconds, json("empty", empty).c_str(), json("opened", opened).c_str(),
        json("after_trips", afterTrips).c_str(), static_cast<int>(answers.boxes.size()));
    std::fflush(stdout);
    return 0;
}
