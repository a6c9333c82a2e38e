// Times the real main window on large pages, one page per process: Open through the open dialog, the
// code view ("代码"), back to the design view ("设计") after a change in the code, and Save; and checks on
// the way that nothing of the page's text is lost. Prints one JSON object per page on standard output.
// bench/largepage_bench.py builds the pages and times the browser's own load of them in the same run.
//
// Usage: inkwell_largepage_bench [--breakdown] [--trips N] PAGE.html...   (needs a display: run under
// xvfb-run)
// --breakdown: afterwards, change the code once more and time the steps of "设计" one by one, then those
// of Save.
// --trips N: afterwards, N more trips ("代码", a paragraph added to the code, "设计"), with the memory of
// the program and its engine processes before and after them and what the page's history holds.
#include "app/mainwindow.h"
#include "codeedits/editcarrier.h"
#include "core/atomicfile.h"
#include "core/inifile.h"
#include "core/readfile.h"
#include "document/textencoding.h"
#include "editing/codeview.h"
#include "editing/designview.h"
#include "platform/browserengine.h"
#include "tests/support/tempfolder.h"
#include "tests/support/windowenvironment.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <Qsci/qsciscintilla.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using inkwell::BrowserEngine;
using inkwell::CodeView;

// Appended to the code view's text, so that "设计" has text the user wrote to load. Text after the end of
// the document joins the body, as it would if typed at the end.
constexpr char kMarker[] = "inkwell-largepage-bench-marker";

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

QString withoutWhiteSpace(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isSpace())
            out += c;
    }
    return out;
}

std::string jsonString(const QString& text)
{
    std::string out = "\"";
    for (const char c : text.toStdString()) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
            out += ' ';
        else
            out += c;
    }
    return out + "\"";
}

// Answers the open dialog with the page and closes any message box, noting the time of the answer (the
// dialog's own time is the user's, not the program's) and the text of each box.
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

    std::optional<Clock::time_point> answeredAt;
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
                answeredAt = Clock::now();
                QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
                return;
            }
        }
    }

    QString m_file;
    QTimer m_timer;
};

struct Measurement
{
    std::string page;
    std::size_t bytes = 0;
    double open = -1;
    double code = -1;
    double design = -1;
    double save = -1;
    std::size_t codeBytes = 0;
    std::size_t savedBytes = 0;
    bool codeKeepsMarkup = false; // the code view holds the page's markup, only white space changed
    bool designKeepsText = false; // after the round trip the page's text is the same, plus the marker
    bool savedKeepsText = false; // the saved file, loaded again, has that same text
    std::vector<std::pair<const char*, double>> designParts; // seconds of each step, with --breakdown
    // With --trips: resident bytes of this process and the engine's processes before and after the
    // trips, and the bytes the design view's history holds after them.
    std::size_t residentBeforeTrips = 0;
    std::size_t residentAfterTrips = 0;
    std::size_t ownResidentBeforeTrips = 0; // this process alone
    std::size_t ownResidentAfterTrips = 0;
    std::size_t historyBytes = 0;
    QStringList messages;
};

// Resident bytes of this process and of every process it started, and those started by them (the
// engine's renderer is a grandchild), as /proc tells them.
std::size_t residentBytesWithChildren(bool children = true)
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
    for (std::size_t i = 0; children && i < family.size(); ++i) {
        for (const auto& [pid, parent] : parents) {
            if (parent == family[i])
                family.push_back(pid);
        }
    }
    std::size_t bytes = 0;
    for (const int pid : family) {
        std::istringstream status(
            inkwell::readFile(std::filesystem::path("/proc") / std::to_string(pid) / "status").valueOr({}));
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmRSS:", 0) == 0)
                bytes += static_cast<std::size_t>(std::stoull(line.substr(6))) * 1024;
        }
    }
    return bytes;
}

// Clicks a named button and waits until its handler has returned and the events it left (the repaint of
// what it changed) are processed. Seconds.
double timedClick(inkwell::MainWindow& window, const char* name)
{
    auto* button = window.findChild<QToolButton*>(QString::fromUtf8(name));
    if (!button)
        return -1;
    const auto start = Clock::now();
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
    return secondsSince(start);
}

std::optional<QString> pageText(BrowserEngine& engine)
{
    const auto value = engine.evaluate(QStringLiteral("document.documentElement.textContent"));
    if (!value)
        return std::nullopt;
    return withoutWhiteSpace(value->toString());
}

Measurement measure(
    const std::filesystem::path& page, const std::filesystem::path& runFolder, bool breakdown, int trips)
{
    Measurement m;
    m.page = page.filename().string();
    m.bytes = std::filesystem::file_size(page);

    inkwell::MainWindow window(runFolder);
    if (!window.runCreationSequence()) {
        m.messages << QStringLiteral("the window did not start");
        return m;
    }
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    QTest::qWait(500);
    BrowserEngine& engine = *window.designView().engine();

    DialogAnswerer answers(QString::fromStdString(std::filesystem::absolute(page).string()));
    QTest::mouseClick(window.findChild<QToolButton*>(QStringLiteral("超级按钮_打开")), Qt::LeftButton);
    QCoreApplication::processEvents();
    if (answers.answeredAt)
        m.open = std::chrono::duration<double>(Clock::now() - *answers.answeredAt).count();
    const auto opened = pageText(engine);
    QTest::qWait(300);

    m.code = timedClick(window, "超级按钮_代码");
    auto* editor = window.findChild<QsciScintilla*>(QStringLiteral("代码编辑框1"));
    const QString code = editor->text();
    m.codeBytes = static_cast<std::size_t>(code.toUtf8().size());
    // The page's file text writes a carriage return in text as a reference, which the root's markup
    // holds as it is (white space).
    if (const auto markup = engine.evaluate(QStringLiteral("document.documentElement.outerHTML")))
        m.codeKeepsMarkup = !code.isEmpty()
            && withoutWhiteSpace(QString(code).remove(QStringLiteral("&#13;")))
                   .endsWith(withoutWhiteSpace(markup->toString()));
    QTest::qWait(300);

    editor->append(QStringLiteral("<p>%1</p>").arg(QString::fromLatin1(kMarker)));
    m.design = timedClick(window, "超级按钮_设计");
    const auto afterRoundTrip = pageText(engine);
    m.designKeepsText = opened && afterRoundTrip && !opened->isEmpty()
        && *afterRoundTrip == *opened + QString::fromLatin1(kMarker);
    QTest::qWait(300);

    m.save = timedClick(window, "超级按钮_保存");
    const std::filesystem::path saved = window.document().filePath();
    const std::string savedBytes = inkwell::readFile(saved).valueOr({});
    m.savedBytes = savedBytes.size();
    m.messages << answers.boxes;

    // The saved file read back by a second page, as a browser opens it from disk.
    auto check = inkwell::createBrowser(nullptr);
    const std::unique_ptr<QWidget> checkView(check.view);
    if (check.engine->navigate(QUrl::fromLocalFile(QString::fromStdString(saved.string())))) {
        const auto reread = pageText(*check.engine);
        m.savedKeepsText = reread && afterRoundTrip && *reread == *afterRoundTrip;
    }

    // What "设计" is made of, step by step as the command takes them, on a second change of the code.
    if (breakdown) {
        (void)timedClick(window, "超级按钮_代码");
        QTest::qWait(300);
        editor->append(QStringLiteral("<p>%1-2</p>").arg(QString::fromLatin1(kMarker)));
        CodeView& codeView = window.codeView();
        auto step = Clock::now();
        const auto lap = [&](const char* name) {
            m.designParts.emplace_back(name, secondsSince(step));
            step = Clock::now();
        };
        const QString text = codeView.text();
        lap("get_text");
        const bool typed = !codeView.isUntouched(text);
        lap("typed_into");
        window.findChild<QTabWidget*>(QStringLiteral("高级选择夹1"))->setCurrentIndex(0);
        QCoreApplication::processEvents();
        lap("show_design_tab");
        // The code view's change carried back into the page it was formatted from.
        QString carriedPage = text;
        if (const auto& formatted = codeView.formattedPage()) {
            const std::string edited = text.toStdString();
            lap("to_utf8");
            const auto carried = inkwell::carryEdits(formatted->markup, formatted->formatted, edited);
            lap("carry_edits");
            if (carried) {
                carriedPage = QString::fromStdString(carried->markup);
                lap("from_utf8");
            }
        }
        window.designView().loadHtml(carriedPage);
        lap("load_html");
        codeView.markUntouched(text);
        lap("mark_untouched");
        (void)engine.evaluate(QStringLiteral("1"));
        lap("engine_idle");
        if (!typed)
            m.messages << QStringLiteral("the second change was not seen");

        // And what Save is made of.
        QTest::qWait(300);
        step = Clock::now();
        (void)window.designView().takeChanged();
        lap("save_take_changed");
        const auto markup = window.designView().readHtml();
        lap("save_read_html");
        const std::string html = markup.value_or(QString()).toStdString();
        lap("save_to_utf8");
        const inkwell::EncodedText encoded
            = inkwell::encodeDocument(html, window.documentStatus().encoding());
        lap("save_encode");
        const auto written = inkwell::writeFileAtomically(runFolder / "breakdown.html", encoded.bytes);
        lap("save_write_and_sync");
        if (!written.ok())
            m.messages << QStringLiteral("the breakdown's file could not be written");
    }

    if (trips > 0) {
        QTest::qWait(1000);
        m.residentBeforeTrips = residentBytesWithChildren();
        m.ownResidentBeforeTrips = residentBytesWithChildren(false);
        for (int trip = 0; trip < trips; ++trip) {
            (void)timedClick(window, "超级按钮_代码");
            editor->append(QStringLiteral("<p>%1-trip-%2</p>").arg(QString::fromLatin1(kMarker)).arg(trip));
            (void)timedClick(window, "超级按钮_设计");
        }
        QTest::qWait(1000);
        m.residentAfterTrips = residentBytesWithChildren();
        m.ownResidentAfterTrips = residentBytesWithChildren(false);
        m.historyBytes = window.designView().history().heldBytes();
        if (window.designView().history().stateCount() < static_cast<std::size_t>(trips))
            m.messages << QStringLiteral("the trips were not all kept in the history");
    }
    return m;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PAGE.html...\n", argv[0]);
        return 2;
    }
    const std::filesystem::path binaryDir = INKWELL_BINARY_DIR;
    const inkwell::testing::WindowEnvironment environment(binaryDir / "bench");
    QApplication app(argc, argv);

    bool breakdown = false;
    int trips = 0;
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--breakdown") {
            breakdown = true;
            continue;
        }
        if (std::string_view(argv[i]) == "--trips" && i + 1 < argc) {
            trips = std::atoi(argv[++i]);
            continue;
        }
        inkwell::testing::TempFolder run(binaryDir / "bench-runs");
        std::filesystem::create_directories(run.path() / "system");
        if (!inkwell::IniFile(run.path() / "system" / "guid.ini").write("向导", "是否显示", "假"))
            return 1;
        const Measurement m = measure(argv[i], run.path(), breakdown, trips);
        std::string parts;
        for (const auto& [name, seconds] : m.designParts) {
            if (!parts.empty())
                parts += ", ";
            parts += '"';
            parts += name;
            parts += "\": ";
            parts += std::to_string(seconds);
        }
        const bool ok = m.open >= 0 && m.code >= 0 && m.design >= 0 && m.save >= 0 && m.codeKeepsMarkup
            && m.designKeepsText && m.savedKeepsText && m.messages.isEmpty();
        failures += ok ? 0 : 1;
        std::printf(
            "{\"page\": \"%s\", \"bytes\": %zu, \"open\": %.4f, \"code\": %.4f, \"design\": %.4f, "
            "\"save\": %.4f, \"code_bytes\": %zu, \"saved_bytes\": %zu, \"code_keeps_markup\": %s, "
            "\"design_keeps_text\": %s, \"saved_keeps_text\": %s, \"design_parts\": {%s}, \"messages\": %s, "
            "\"trips\": %d, \"resident_before_trips\": %zu, \"resident_after_trips\": %zu, "
            "\"own_resident_before_trips\": %zu, \"own_resident_after_trips\": %zu, \"history_bytes\": %zu, "
            "\"ok\": %s}\n",
            m.page.c_str(), m.bytes, m.open, m.code, m.design, m.save, m.codeBytes, m.savedBytes,
            m.codeKeepsMarkup ? "true" : "false", m.designKeepsText ? "true" : "false",
            m.savedKeepsText ? "true" : "false", parts.c_str(),
            jsonString(m.messages.join(QStringLiteral(" | "))).c_str(), trips, m.residentBeforeTrips,
            m.residentAfterTrips, m.ownResidentBeforeTrips, m.ownResidentAfterTrips, m.historyBytes,
            ok ? "true" : "false");
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
