// Chinese typed through a real input method: the real program with the pinyin engine of a private
// input-method daemon on its own session bus, keys from xdotool as a keyboard sends them, Space to take
// the first candidate. Each place a user types into: the wizard's name box, the design view, the code
// view and its find bar. A step that fails leaves a screenshot whose path the failure names.
#include "tests/support/closewindow.h"
#include "tests/support/process.h"
#include "tests/support/programcopy.h"
#include "tests/support/tempfolder.h"
#include "tests/support/xwindows.h"

#include <QPoint>
#include <gtest/gtest.h>
#include <optional>
#include <regex>

namespace inkwell {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::clickIn;
using testing::commandOutput;
using testing::fromGb18030;
using testing::ProgramCopy;
using testing::TempFolder;
using testing::waitUntil;
using testing::writeFile;
namespace fs = std::filesystem;

const fs::path binaryDir = INKWELL_BINARY_DIR;

// Pinyin is the group's second method, so it is what the daemon switches to when an input field becomes
// active; every new field starts active, as a user who has switched to Chinese expects.
constexpr std::string_view kProfile = "[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=pinyin\n\n"
                                      "[Groups/0/Items/0]\nName=keyboard-us\nLayout=\n\n"
                                      "[Groups/0/Items/1]\nName=pinyin\nLayout=\n\n"
                                      "[GroupOrder]\n0=Default\n";
constexpr std::string_view kConfig = "[Behavior]\nActiveByDefault=True\nShareInputState=No\n";
// Only what typing pinyin into a Qt program needs: no cloud lookups, no tray, no other frontends.
constexpr const char* kAddons = "xcb,dbus,dbusfrontend,classicui,keyboard,pinyin,punctuation";

// A session bus that lets its clients talk to each other and starts no service itself.
constexpr std::string_view kBusConfig
    = "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
      "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
      "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>";

class InputMethod : public ::testing::Test
{
protected:
    InputMethod()
    {
        const fs::path home = m_copy.root.path() / "home";
        writeFile(home / ".config" / "fcitx5" / "profile", kProfile);
        writeFile(home / ".config" / "fcitx5" / "config", kConfig);
        m_environment = { { "HOME", home.string() }, { "XDG_CONFIG_HOME", (home / ".config").string() },
            { "XDG_DATA_HOME", (home / ".local" / "share").string() },
            { "XDG_CACHE_HOME", (home / ".cache").string() },
            { "XDG_RUNTIME_DIR", m_copy.locks.path().string() }, { "TMPDIR", m_copy.temp.path().string() },
            { "LANG", "C.UTF-8" }, { "LC_ALL", "C.UTF-8" },
            { "DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (m_copy.root.path() / "bus").string() } };
    }

    // Starts the session bus and the input-method daemon on it, and waits until the daemon answers.
    // Where it cannot come up that is a failure of the test, with the daemon's own words.
    void SetUp() override
    {
        // The bus starts nothing on demand: an input-method daemon that is not there must not be
        // brought up behind the test's back by a call that asks for it. Neither daemon may hold the
        // test's output open: CTest reads it to its end.
        writeFile(m_copy.root.path() / "bus.conf", kBusConfig);
        m_bus = std::make_unique<ChildProcess>("/bin/sh",
            std::vector<std::string> { "-c",
                "exec dbus-daemon --config-file='" + (m_copy.root.path() / "bus.conf").string()
                    + "' --nofork --address=" + m_environment["DBUS_SESSION_BUS_ADDRESS"]
                    + " >/dev/null 2>&1" },
            m_copy.root.path(), m_environment);
        ASSERT_TRUE(waitUntil([&] { return fs::exists(m_copy.root.path() / "bus"); }, 10s))
            << "the private session bus did not start";
        m_daemon = std::make_unique<ChildProcess>("/bin/sh",
            std::vector<std::string> { "-c",
                std::string("exec fcitx5 --disable=all --enable=") + kAddons + " >'" + daemonLog().string()
                    + "' 2>&1" },
            m_copy.root.path(), m_environment);
        const bool answers
            = waitUntil([&] { return !m_daemon->isRunning() || remote("").find_first_of("012") == 0; }, 30s);
        ASSERT_TRUE(answers && m_daemon->isRunning()) << "the input-method daemon did not come up:\n"
                                                      << testing::fileBytes(daemonLog());
    }

    void TearDown() override
    {
        // The program first: it talks to both daemons until it ends.
        if (m_program) {
            m_program->kill(SIGTERM);
            m_program->waitFor(20s);
        }
        for (auto* process : { m_daemon.get(), m_bus.get() }) {
            if (process) {
                process->kill(SIGTERM);
                process->waitFor(10s);
            }
        }
    }

    fs::path daemonLog() const { return m_copy.root.path() / "fcitx5.log"; }

    // What the daemon's remote control prints for the option ("" for the state, "-n" for the method).
    std::string remote(const std::string& option)
    {
        return commandOutput("DBUS_SESSION_BUS_ADDRESS='" + m_environment["DBUS_SESSION_BUS_ADDRESS"]
            + "' fcitx5-remote " + option + " 2>/dev/null");
    }

    // Starts the program, closes the wizard it opens first and focuses the main window; the window's
    // id, or empty after a failed step.
    std::string startPastTheWizard()
    {
        startProgram();
        const auto wizard = window("程序新建向导");
        if (!step("the wizard opens at first start", !wizard.empty())
            || !xdo("windowfocus --sync " + wizard + " key Escape"))
            return {};
        const auto main = window("Inkwell - 临时页面");
        if (!step("the main window after the wizard", !main.empty()) || !xdo("windowfocus --sync " + main))
            return {};
        return main;
    }

    void startProgram()
    {
        auto environment = m_environment;
        environment["QT_IM_MODULE"] = "fcitx";
        m_program = std::make_unique<ChildProcess>(
            m_copy.run / "inkwell", std::vector<std::string> {}, m_copy.run, environment);
    }

    // Records a failed step with a screenshot of the whole screen; false when the step failed.
    bool step(const std::string& name, bool ok) { return m_steps.check(name, ok); }

    static std::string window(const std::string& title, std::chrono::milliseconds wait = 30s)
    {
        return testing::visibleWindow(title, wait);
    }

    static bool xdo(const std::string& commands) { return testing::xdo(commands); }

    static std::string candidateWindow()
    {
        const auto ids = commandOutput("xdotool search --onlyvisible --class '^fcitx$' 2>/dev/null");
        return ids.substr(0, ids.find('\n'));
    }

    // The top-left corner of a window on the screen, in pixels.
    static std::optional<QPoint> positionOf(const std::string& window)
    {
        const auto geometry = commandOutput("xdotool getwindowgeometry " + window + " 2>/dev/null");
        std::smatch at;
        if (!std::regex_search(geometry, at, std::regex("Position: (-?\\d+),(-?\\d+)")))
            return std::nullopt;
        return QPoint(std::stoi(at[1]), std::stoi(at[2]));
    }

    // Types pinyin into the focused field of window as keys, and leaves it composed. The field must be
    // one the daemon serves, with pinyin active; the candidate window must come up just below the caret,
    // whose bottom-left corner is at caret in window's coordinates (pixels).
    bool composePinyin(
        const std::string& where, const std::string& window, QPoint caret, const std::string& pinyin)
    {
        if (!step(where + ": pinyin is active in the focused field",
                waitUntil([&] { return remote("") == "2\n" && remote("-n") == "pinyin\n"; }, 10s))
            || !xdo("type --delay 60 '" + pinyin + "'")
            || !step(where + ": the candidate window shows",
                waitUntil([] { return !candidateWindow().empty(); }, 10s)))
            return false;
        const auto origin = positionOf(window);
        const auto candidates = positionOf(candidateWindow());
        const QPoint offset = origin && candidates ? *candidates - (*origin + caret) : QPoint(9999, 9999);
        // A few pixels apart for the caret's own height and the window's border.
        return step(where + ": the candidate window sits at the caret (off by " + std::to_string(offset.x())
                + ", " + std::to_string(offset.y()) + ")",
            std::abs(offset.x()) <= 12 && std::abs(offset.y()) <= 12);
    }

    // Composes pinyin as above and takes the first candidate with Space, which closes the candidates.
    bool typePinyin(
        const std::string& where, const std::string& window, QPoint caret, const std::string& pinyin)
    {
        return composePinyin(where, window, caret, pinyin) && xdo("key space")
            && step(where + ": Space takes the candidate",
                waitUntil([] { return candidateWindow().empty(); }, 10s));
    }

    // The page document written below the run folder (the recovery copy in system/ is not one).
    fs::path savedPage() const
    {
        for (const auto& entry : fs::recursive_directory_iterator(m_copy.run)) {
            if (entry.path().extension() == ".html" && entry.path().parent_path().filename() != "system")
                return entry.path();
        }
        return {};
    }

    ProgramCopy m_copy { binaryDir };
    std::map<std::string, std::string> m_environment;
    std::unique_ptr<ChildProcess> m_bus;
    std::unique_ptr<ChildProcess> m_daemon;
    std::unique_ptr<ChildProcess> m_program;
    testing::DisplaySteps m_steps { binaryDir,
        "inputmethod-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) };
};

// The wizard's name box names the project; then the design view takes pinyin as an edit: closing asks
// "是否保存？", and the saved page holds the characters.
TEST_F(InputMethod, NamesTheProjectAndTypesIntoThePage)
{
    startProgram();
    const auto wizard = window("程序新建向导");
    ASSERT_TRUE(step("the wizard opens at first start", !wizard.empty()));
    ASSERT_TRUE(xdo("windowfocus --sync " + wizard));
    ASSERT_TRUE(clickIn(wizard, 243, 58)); // the HTML kind
    ASSERT_TRUE(clickIn(wizard, 415, 356)); // the name box
    ASSERT_TRUE(typePinyin("the wizard's name box", wizard, QPoint(262, 367), "nihao"));
    ASSERT_TRUE(clickIn(wizard, 607, 356)); // "新建"
    const fs::path project = m_copy.run / "project" / "你好";
    ASSERT_TRUE(step("the project folder has the Chinese name",
        waitUntil([&] { return fs::is_directory(project); }, 10s)));
    const auto main = window("Inkwell - 你好.html");
    ASSERT_TRUE(step("the main window follows the wizard", !main.empty()));

    ASSERT_TRUE(xdo("windowfocus --sync " + main));
    ASSERT_TRUE(clickIn(main, 400, 250));
    ASSERT_TRUE(typePinyin("the design view", main, QPoint(10, 107), "shijie"));
    ASSERT_TRUE(testing::closeWindow(std::stoul(main)));
    const auto question = window("提示", 15s);
    ASSERT_TRUE(step("closing asks whether to save", !question.empty()));
    ASSERT_TRUE(xdo("windowfocus --sync " + question + " key Return")); // "保存", the default
    EXPECT_TRUE(step("the program ends after saving", m_program->waitFor(20s) == 0));
    const fs::path document = project / "你好.html";
    EXPECT_NE(fromGb18030(document).find("世界"), std::string::npos) << fromGb18030(document);
}

// Pinyin still being composed is on the page as the user sees it: closing then asks, and "取消" keeps the
// window open.
TEST_F(InputMethod, ClosingAsksWhilePinyinIsComposed)
{
    const auto main = startPastTheWizard();
    ASSERT_FALSE(main.empty());
    ASSERT_TRUE(clickIn(main, 400, 250));
    ASSERT_TRUE(composePinyin("the design view", main, QPoint(10, 107), "nihao"));
    ASSERT_TRUE(testing::closeWindow(std::stoul(main)));
    const auto question = window("提示", 15s);
    ASSERT_TRUE(step("closing asks whether to save", !question.empty()));
    ASSERT_TRUE(xdo("windowfocus --sync " + question + " key Escape")); // "取消"
    EXPECT_TRUE(step("the window stays", waitUntil([&] { return window("提示", 0ms).empty(); }, 10s)));
    EXPECT_FALSE(m_program->waitFor(2s).has_value()) << "the program ended after \"取消\"";
}

// The code view takes pinyin, and "设计" carries it into the page; its find bar takes pinyin too and
// finds the word.
TEST_F(InputMethod, TypesIntoTheCodeViewAndItsFindBar)
{
    const auto main = startPastTheWizard();
    ASSERT_FALSE(main.empty());

    // "代码", then the end of the line of <body>.
    ASSERT_TRUE(clickIn(main, 464, 39));
    ASSERT_TRUE(clickIn(main, 400, 193));
    ASSERT_TRUE(xdo("key End"));
    ASSERT_TRUE(typePinyin("the code view", main, QPoint(91, 200), "nihao"));
    ASSERT_TRUE(clickIn(main, 464, 17)); // "设计"
    ASSERT_TRUE(clickIn(main, 94, 25)); // Save
    fs::path document;
    ASSERT_TRUE(step("\"设计\" carries the characters into the page, and Save writes them",
        waitUntil(
            [&] {
                document = savedPage();
                return !document.empty() && fromGb18030(document).find("你好") != std::string::npos;
            },
            10s)));

    // "代码" again; Ctrl+F, the word in pinyin, Return: the word is selected, so a digit typed into the
    // code view after Escape replaces exactly it (pinyin lets digits through when nothing is composed).
    ASSERT_TRUE(clickIn(main, 464, 39));
    ASSERT_TRUE(clickIn(main, 400, 400));
    ASSERT_TRUE(xdo("key ctrl+Home sleep 0.2 key ctrl+f sleep 0.3"));
    ASSERT_TRUE(typePinyin("the find bar", main, QPoint(40, 563), "nihao"));
    ASSERT_TRUE(xdo("key Return sleep 0.3 key Escape sleep 0.3 key 7"));
    ASSERT_TRUE(clickIn(main, 464, 17)); // "设计"
    ASSERT_TRUE(clickIn(main, 94, 25)); // Save
    EXPECT_TRUE(step("the find bar found the word",
        waitUntil(
            [&] { return std::regex_search(fromGb18030(document), std::regex("<body>\\s*7\\s*</body>")); },
            10s)))
        << fromGb18030(document);
}

} // namespace
} // namespace inkwell
