// The real program as users start it, for what start-up gives every window: Qt's own dialogs and
// buttons in Chinese, the application's icon on its windows, and --version and --help answered
// without touching anything.
#include "core/inifile.h"
#include "tests/support/process.h"
#include "tests/support/programcopy.h"
#include "tests/support/tempfolder.h"
#include "tests/support/xwindows.h"

#include <gtest/gtest.h>

namespace inkwell {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::ProgramCopy;
using testing::commandOutput;
using testing::TempFolder;
using testing::waitUntil;
namespace fs = std::filesystem;

const fs::path binaryDir = INKWELL_BINARY_DIR;

class StartedProgram : public ::testing::Test
{
protected:
    std::map<std::string, std::string> environment() const
    {
        auto variables = m_program.environment();
        variables.insert({ { "LANG", "C.UTF-8" }, { "LC_ALL", "C.UTF-8" }, { "LANGUAGE", "en" } });
        return variables;
    }

    std::unique_ptr<ChildProcess> start()
    {
        return std::make_unique<ChildProcess>(
            m_program.run / "inkwell", std::vector<std::string> {}, m_program.run, environment());
    }

    static std::string window(const std::string& title, std::chrono::milliseconds wait = 30s)
    {
        return testing::visibleWindow(title, wait);
    }

    static bool xdo(const std::string& commands) { return testing::xdo(commands); }

    // True when the window carries a picture for the desktop's task bar and title bar.
    static bool hasIcon(const std::string& window)
    {
        const auto icon = commandOutput("xprop -id " + window + " _NET_WM_ICON 2>/dev/null");
        return icon.find("_NET_WM_ICON(CARDINAL) =") != std::string::npos;
    }

    ProgramCopy m_program { binaryDir };
};

// Under an English locale (C.UTF-8; the plain C locale changes the legacy window names xdotool reads): Qt's
// texts follow the program's Chinese interface, its own texts stay as they are, and every window has the
// icon.
TEST_F(StartedProgram, QtDialogsAndButtonsReadInChineseAndWindowsHaveTheIcon)
{
    // The button captions are read over the accessibility bus, on a private session bus of this test.
    const auto bus = m_program.root.path() / "bus";
    const std::string address = "unix:path=" + bus.string();
    // Both buses write nowhere: a daemon they start must not hold the test's own output open after it.
    const auto quiet = [](const std::string& command) {
        return std::vector<std::string> { "-c", "exec " + command + " >/dev/null 2>&1" };
    };
    ChildProcess sessionBus(
        "/bin/sh", quiet("dbus-daemon --session --nofork --address=" + address), m_program.root.path());
    ASSERT_TRUE(waitUntil([&] { return fs::exists(bus); }, 10s));
    ChildProcess accessibilityBus("/bin/sh", quiet("/usr/libexec/at-spi-bus-launcher --launch-immediately"),
        m_program.root.path(),
        { { "DBUS_SESSION_BUS_ADDRESS", address }, { "HOME", m_program.root.path().string() },
            { "XDG_RUNTIME_DIR", m_program.locks.path().string() } });
    // Ended gently, also when a step fails, the launcher takes its own bus down with it.
    struct EndGently
    {
        ChildProcess& process;
        ~EndGently()
        {
            process.kill(SIGTERM);
            process.waitFor(10s);
        }
    } endLauncher { accessibilityBus };
    auto withBus = environment();
    withBus["DBUS_SESSION_BUS_ADDRESS"] = address;
    withBus["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1";
    auto program
        = std::make_unique<ChildProcess>(m_program.run / "inkwell", std::vector<std::string> {}, m_program.run, withBus);
    const auto wizard = window("程序新建向导");
    ASSERT_FALSE(wizard.empty()) << "the wizard at first start, with its own title";
    EXPECT_TRUE(hasIcon(wizard));
    ASSERT_TRUE(xdo("windowfocus --sync " + wizard + " key Escape"));
    const auto main = window("Inkwell - 临时页面");
    ASSERT_FALSE(main.empty());
    EXPECT_TRUE(hasIcon(main));

    // The export (the "输出mht" button) opens the archive's save dialog.
    ASSERT_TRUE(xdo("mousemove --window " + main + " 513 29 sleep 0.2 click 1"));
    const auto dialog = window("另存为", 15s);
    ASSERT_FALSE(dialog.empty()) << "the save dialog under Qt's Chinese title";
    EXPECT_TRUE(window("Save As", 100ms).empty());

    const fs::path archive = m_program.root.path() / "page";
    // xclip stays as the clipboard's owner until another program takes it: it must not hold this
    // test's output open, which CTest reads to the end.
    ASSERT_EQ(
        std::system(
            ("printf '%s' '" + archive.string() + "' | xclip -selection clipboard >/dev/null 2>&1").c_str()),
        0);
    ASSERT_TRUE(xdo("windowfocus --sync " + dialog + " sleep 0.3 key ctrl+a ctrl+v sleep 0.3 key Return"));
    const auto done = window("信息：", 20s);
    ASSERT_FALSE(done.empty()) << "the export's message box";
    std::string buttons;
    waitUntil(
        [&] {
            buttons = commandOutput("DBUS_SESSION_BUS_ADDRESS='" + address + "' timeout 20 /usr/bin/python3 '"
                + INKWELL_SOURCE_DIR + "/tests/app/buttonsofwindow.py' '信息：' 2>&1");
            return !buttons.empty();
        },
        20s);
    EXPECT_EQ(buttons, "确定\n") << "Qt's OK button in Chinese";
    ASSERT_TRUE(xdo("windowfocus --sync " + done + " key Return"));
    EXPECT_TRUE(fs::exists(archive.string() + ".mht"));

    program->kill(SIGTERM);
    EXPECT_EQ(program->waitFor(20s), 0);
}

// --version and --help print and end at once: no display needed, no folder or file made beside the
// program, and a copy already running does not turn them away.
TEST_F(StartedProgram, VersionAndHelpPrintWithoutTouchingTheRunFolder)
{
    auto running = start();
    ASSERT_TRUE(waitUntil([&] { return fs::exists(m_program.run / "system"); }, 30s));
    const auto second = m_program.root.path() / "second";
    fs::create_directories(second);
    fs::copy_file(binaryDir / "inkwell", second / "inkwell");

    struct Case
    {
        fs::path program;
        std::string argument;
        std::string expectedStart;
    };
    const std::string version = INKWELL_VERSION;
    const Case cases[] = {
        { second / "inkwell", "--version", "inkwell " + version + "\n" },
        { second / "inkwell", "--help", "Usage: inkwell [--version | --help]\n" },
        { binaryDir / "tools" / "inkwell-format", "--version", "inkwell-format " + version + "\n" },
        { binaryDir / "tools" / "inkwell-mht", "--version", "inkwell-mht " + version + "\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program.string() + " " + c.argument);
        const auto printed
            = commandOutput("cd '" + second.string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY TMPDIR='"
                + m_program.temp.path().string() + "' XDG_RUNTIME_DIR='" + m_program.locks.path().string() + "' '"
                + c.program.string() + "' " + c.argument + "; echo \"exit $?\"");
        EXPECT_EQ(printed.substr(0, c.expectedStart.size()), c.expectedStart) << printed;
        EXPECT_TRUE(printed.ends_with("\nexit 0\n")) << printed;
    }
    std::vector<std::string> beside;
    for (const auto& entry : fs::directory_iterator(second))
        beside.push_back(entry.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string> { "inkwell" });
    EXPECT_TRUE(running->isRunning());
}

} // namespace
} // namespace inkwell
