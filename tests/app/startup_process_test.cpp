// The real program started as users start it: copied into a fresh run folder outside the
// temporary folder, with its own temporary folder and lock folder.
#include "core/inifile.h"
#include "tests/support/namedpipe.h"
#include "tests/support/process.h"
#include "tests/support/tempfolder.h"

#include <gtest/gtest.h>

namespace inkwell {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::commandOutput;
using testing::fileBytes;
using testing::makeNamedPipe;
using testing::TempFolder;
using testing::waitUntil;

// The main window's caption: the configured title, then the page Save writes, a start-up page in "tmp"
// being "临时页面", marked by "*" while it holds unsaved edits; as patterns for windowsNamed.
const std::string kTemporaryPage = "Inkwell - 临时页面";
const std::string kUnsavedTemporaryPage = "Inkwell - \\*临时页面";
// Any caption of the main window.
const std::string kMainWindow = "Inkwell( - .*)?";

const std::filesystem::path binaryDir = INKWELL_BINARY_DIR;

class StartupProcess : public ::testing::Test
{
protected:
    StartupProcess()
        : m_runs(binaryDir / "test-runs")
        , m_temp(binaryDir / "test-tmp")
        , m_locks(binaryDir / "test-locks")
    {
    }

    // A run folder holding a copy of the program.
    std::filesystem::path newRunFolder(const std::filesystem::path& below)
    {
        auto folder = std::make_unique<TempFolder>(below);
        const auto path = folder->path();
        std::filesystem::copy_file(binaryDir / "inkwell", path / "inkwell");
        m_folders.push_back(std::move(folder));
        return path;
    }

    std::unique_ptr<ChildProcess> start(const std::filesystem::path& runFolder)
    {
        return std::make_unique<ChildProcess>(runFolder / "inkwell", std::vector<std::string> {}, runFolder,
            std::map<std::string, std::string> {
                { "TMPDIR", m_temp.path().string() }, { "XDG_RUNTIME_DIR", m_locks.path().string() } });
    }

    static void skipWizard(const std::filesystem::path& runFolder)
    {
        std::filesystem::create_directories(runFolder / "system");
        ASSERT_TRUE(IniFile(runFolder / "system" / "guid.ini").write("向导", "是否显示", "假"));
    }

    // X window ids of visible windows whose whole title the pattern (an extended regular expression)
    // matches.
    static std::string windowsNamed(const std::string& title)
    {
        return commandOutput("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null");
    }

    TempFolder m_runs;
    TempFolder m_temp;
    TempFolder m_locks;
    std::vector<std::unique_ptr<TempFolder>> m_folders;
};

TEST_F(StartupProcess, FirstStartShowsTheWizardAloneThenWritesTheTitle)
{
    const auto run = newRunFolder(m_runs.path());
    auto program = start(run);
    std::string wizard;
    ASSERT_TRUE(waitUntil([&] { return !(wizard = windowsNamed("程序新建向导")).empty(); }, 30s));
    EXPECT_TRUE(std::filesystem::is_directory(run / "system"));
    EXPECT_TRUE(std::filesystem::is_directory(run / "tmp"));
    EXPECT_FALSE(std::filesystem::exists(run / "system" / "title.ini")); // written after the wizard
    EXPECT_TRUE(windowsNamed(kMainWindow).empty()); // the wizard is shown alone
    EXPECT_FALSE(std::filesystem::exists(run / "gzip.dll"));

    const std::string id = wizard.substr(0, wizard.find('\n'));
    std::system(("xdotool windowfocus --sync " + id + " key Escape >/dev/null 2>&1").c_str());
    const auto title = run / "system" / "title.ini";
    ASSERT_TRUE(waitUntil([&] { return !windowsNamed(kTemporaryPage).empty(); }, 30s));
    EXPECT_EQ(fileBytes(title), "[标题]\n名称=Inkwell\n") << "the title alone, without the page";
    EXPECT_FALSE(std::filesystem::exists(run / "system" / "guid.ini")); // only the check box writes it
    program->kill(SIGTERM);
    EXPECT_EQ(program->waitFor(20s), 0);
}

TEST_F(StartupProcess, TerminationSignalDuringTheWizardEndsTheProgram)
{
    const auto run = newRunFolder(m_runs.path());
    auto program = start(run);
    ASSERT_TRUE(waitUntil([&] { return !windowsNamed("程序新建向导").empty(); }, 30s));
    program->kill(SIGTERM);
    EXPECT_EQ(program->waitFor(20s), 0);
    EXPECT_TRUE(windowsNamed(kMainWindow).empty()) << "the main window is never shown";
}

// The caption as the window manager gets it, for a value in the settings file: the value, then the
// start-up's page. An empty value has no separator before the page, and never turns into the
// program's name, which toolkits like to put in place of an empty caption.
TEST_F(StartupProcess, TitleFromSettingsBecomesTheCaption)
{
    for (const std::string title : { "我的网页 editor", "" }) {
        SCOPED_TRACE("名称=" + title);
        const auto run = newRunFolder(m_runs.path());
        skipWizard(run);
        ASSERT_TRUE(IniFile(run / "system" / "title.ini").write("标题", "名称", title));
        auto program = start(run);
        // The captions of the program's visible windows: the main window alone.
        std::string captions;
        const auto pid = std::to_string(program->pid());
        ASSERT_TRUE(waitUntil(
            [&] {
                captions = commandOutput("for id in $(xdotool search --onlyvisible --pid " + pid
                    + " 2>/dev/null); do echo \"[$(xdotool getwindowname $id)]\"; done");
                return !captions.empty();
            },
            30s));
        std::string caption = title;
        if (!caption.empty())
            caption.append(" - ");
        caption.append("临时页面");
        EXPECT_EQ(captions, "[" + caption + "]\n");
        EXPECT_TRUE(windowsNamed("Pennant").empty());
        EXPECT_TRUE(windowsNamed(kMainWindow).empty());
        EXPECT_TRUE(windowsNamed("程序新建向导").empty());
        EXPECT_EQ(IniFile(run / "system" / "title.ini").read("标题", "名称", "(missing)"), title);
        program->kill(SIGTERM);
        EXPECT_EQ(program->waitFor(20s), 0);
    }
}

// Every settings file and record the start reads made a named pipe: the start goes on as with missing
// files (the wizard, then the main window under the program's own name), the pipes are left as they
// were, and a termination signal still ends the program. A save killed half-way left its temporary
// file in the settings folder; the start removes it.
TEST_F(StartupProcess, NamedPipesForSettingsAndRecordsHoldNothingUp)
{
    const auto run = newRunFolder(m_runs.path());
    std::filesystem::create_directories(run / "system");
    const std::vector<std::filesystem::path> pipes { run / "prj.ini", run / "system" / "title.ini",
        run / "system" / "guid.ini", run / "system" / "工程记录.txt" };
    for (const auto& pipe : pipes)
        ASSERT_TRUE(makeNamedPipe(pipe)) << pipe;
    const auto leftover = run / "system" / ".~Kx8Lm2";
    testing::writeFile(leftover, "[标题]\n名称=half");

    auto program = start(run);
    std::string wizard;
    ASSERT_TRUE(waitUntil([&] { return !(wizard = windowsNamed("程序新建向导")).empty(); }, 30s))
        << "a missing wizard setting shows the wizard";
    EXPECT_FALSE(std::filesystem::exists(leftover));
    const std::string id = wizard.substr(0, wizard.find('\n'));
    std::system(("xdotool windowfocus --sync " + id + " key Escape >/dev/null 2>&1").c_str());
    EXPECT_TRUE(waitUntil([&] { return !windowsNamed(kTemporaryPage).empty(); }, 30s))
        << "the main window shows once the wizard is closed";
    for (const auto& pipe : pipes)
        EXPECT_EQ(std::filesystem::symlink_status(pipe).type(), std::filesystem::file_type::fifo) << pipe;
    program->kill(SIGTERM);
    EXPECT_EQ(program->waitFor(20s), 0);
}

TEST_F(StartupProcess, OneCopyAtATimeUntilTheFirstDies)
{
    const auto first = newRunFolder(m_runs.path());
    skipWizard(first);
    auto program = start(first);
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(first / "system" / "title.ini"); }, 30s));

    const auto second = newRunFolder(m_runs.path());
    skipWizard(second);
    const auto started = std::chrono::steady_clock::now();
    auto copy = start(second);
    EXPECT_EQ(copy->waitFor(10s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s); // loading the libraries takes part of it
    EXPECT_FALSE(std::filesystem::exists(second / "tmp")); // left before touching any folder

    program->kill(SIGKILL);
    program->waitFor(5s);
    auto after = start(second);
    EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(second / "system" / "title.ini"); }, 30s));
    EXPECT_TRUE(after->isRunning());
}

TEST_F(StartupProcess, BelowTheTemporaryFolderShowsTheHintAndEnds)
{
    const auto run = newRunFolder(m_temp.path());
    auto program = start(run);
    std::string ids;
    ASSERT_TRUE(waitUntil([&] { return !(ids = windowsNamed("提示")).empty(); }, 30s));
    EXPECT_TRUE(program->isRunning());
    const std::string id = ids.substr(0, ids.find('\n'));
    std::system(("xdotool windowfocus --sync " + id + " key Return >/dev/null 2>&1").c_str());
    EXPECT_EQ(program->waitFor(10s), 0);
    EXPECT_FALSE(std::filesystem::exists(run / "system"));
}

// A run of the program whose page is edited and then ended from outside, as a crash, a kill or a logout
// ends it; the next start offers the page back.
class RecoveryProcess : public StartupProcess
{
protected:
    RecoveryProcess()
    {
        m_folder = newRunFolder(m_runs.path());
        skipWizard(m_folder);
    }

    // Starts the program and waits for its main window; the window's X id.
    std::string startShown(std::unique_ptr<ChildProcess>& program)
    {
        program = start(m_folder);
        std::string ids;
        EXPECT_TRUE(waitUntil([&] { return !(ids = windowsNamed(kTemporaryPage)).empty(); }, 30s));
        return ids.substr(0, ids.find('\n'));
    }

    // Clicks into the design view and types text there, as a user does.
    static void typeIntoPage(const std::string& window, const std::string& text)
    {
        const std::string command = "xdotool windowfocus --sync " + window + " mousemove --window " + window
            + " 400 250 click 1 sleep 0.5 type --delay 40 '" + text + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    // Answers the start-up question with a key once it is shown.
    void answerRecoveryQuestion(const char* key)
    {
        std::string ids;
        ASSERT_TRUE(waitUntil([&] { return !(ids = windowsNamed("提示")).empty(); }, 30s));
        EXPECT_TRUE(windowsNamed(kMainWindow).empty()) << "asked before the main window is shown";
        const std::string id = ids.substr(0, ids.find('\n'));
        std::system(("xdotool windowfocus --sync " + id + " key " + key + " >/dev/null 2>&1").c_str());
    }

    [[nodiscard]] std::string copiedPage() const { return fileBytes(m_folder / "system" / "recover.html"); }
    [[nodiscard]] bool copyExists() const
    {
        return std::filesystem::exists(m_folder / "system" / "recover.html")
            || std::filesystem::exists(m_folder / "system" / "recover.ini");
    }
    // The document file the copy belongs to, as its record names it.
    [[nodiscard]] std::filesystem::path copiedDocument() const
    {
        const IniFile record(m_folder / "system" / "recover.ini");
        return std::filesystem::path(record.read("恢复", "文件夹", ""))
            / (record.read("恢复", "名称", "") + ".html");
    }

    std::filesystem::path m_folder;
};

TEST_F(RecoveryProcess, KilledRunGivesThePageBackAndSaveWritesIt)
{
    std::unique_ptr<ChildProcess> program;
    const auto window = startShown(program);
    typeIntoPage(window, "kept after kill");
    ASSERT_TRUE(waitUntil([&] { return copiedPage().find("kept after kill") != std::string::npos; }, 15s));
    const auto document = copiedDocument();
    EXPECT_EQ(document.parent_path(), m_folder / "tmp");
    program->kill(SIGKILL);
    program->waitFor(10s);

    program = start(m_folder);
    answerRecoveryQuestion("Return"); // "是" is the default
    // The page comes back unsaved, and the caption says so until Save has written it.
    std::string ids;
    ASSERT_TRUE(waitUntil([&] { return !(ids = windowsNamed(kUnsavedTemporaryPage)).empty(); }, 30s));
    EXPECT_TRUE(copyExists()) << "kept until the page is saved";
    EXPECT_FALSE(std::filesystem::exists(document));
    // Save: the first button of the file strip.
    const std::string id = ids.substr(0, ids.find('\n'));
    std::system(("xdotool mousemove --window " + id + " 94 25 click 1 >/dev/null 2>&1").c_str());
    ASSERT_TRUE(
        waitUntil([&] { return fileBytes(document).find("kept after kill") != std::string::npos; }, 15s));
    EXPECT_TRUE(waitUntil([&] { return !copyExists(); }, 5s));
    EXPECT_TRUE(waitUntil([&] { return windowsNamed(kTemporaryPage) == ids; }, 5s))
        << "saved: the caption loses its mark";
    EXPECT_TRUE(windowsNamed(kUnsavedTemporaryPage).empty());
    EXPECT_TRUE(windowsNamed("程序新建向导").empty());
}

TEST_F(RecoveryProcess, DeclinedCopyIsRemovedAndTheRunStartsBlank)
{
    std::unique_ptr<ChildProcess> program;
    const auto window = startShown(program);
    typeIntoPage(window, "not wanted");
    ASSERT_TRUE(waitUntil([&] { return copiedPage().find("not wanted") != std::string::npos; }, 15s));
    const auto document = copiedDocument();
    program->kill(SIGKILL);
    program->waitFor(10s);

    program = start(m_folder);
    answerRecoveryQuestion("Escape"); // "否"
    ASSERT_TRUE(waitUntil([&] { return !windowsNamed(kTemporaryPage).empty(); }, 30s));
    EXPECT_FALSE(copyExists());
    EXPECT_FALSE(std::filesystem::exists(document));
    program->kill(SIGTERM); // a blank page: nothing to keep, no question
    EXPECT_EQ(program->waitFor(20s), 0);
    EXPECT_FALSE(copyExists());
}

TEST_F(RecoveryProcess, TerminationSignalKeepsTheEditWithoutAQuestion)
{
    for (const int signal : { SIGTERM, SIGINT }) {
        SCOPED_TRACE(signal);
        std::unique_ptr<ChildProcess> program;
        const auto window = startShown(program);
        typeIntoPage(window, "signal edit");
        // Time for the keys to reach the page, but well before the periodic copy (a second after the
        // change at the earliest): the signal itself must write it.
        std::this_thread::sleep_for(500ms);
        program->kill(signal);
        EXPECT_EQ(program->waitFor(20s), 0);
        EXPECT_TRUE(windowsNamed("提示").empty());
        EXPECT_NE(copiedPage().find("signal edit"), std::string::npos);

        auto next = start(m_folder);
        answerRecoveryQuestion("Return");
        ASSERT_TRUE(waitUntil([&] { return !windowsNamed(kUnsavedTemporaryPage).empty(); }, 30s));
        next->kill(SIGTERM); // the recovered page is still unsaved: its copy stays
        EXPECT_EQ(next->waitFor(20s), 0);
        EXPECT_TRUE(copyExists());
        std::filesystem::remove(m_folder / "system" / "recover.html");
        std::filesystem::remove(m_folder / "system" / "recover.ini");
    }
}

// A recovery copy whose record is incomplete, would send the page outside the program's folders, or
// whose files are named pipes, is a damaged copy: the hint, the copy removed, the start going on, and
// nothing written where the record pointed.
TEST_F(RecoveryProcess, DamagedCopiesAreRemovedWithAHint)
{
    const auto victim = m_runs.path() / "victim";
    std::filesystem::create_directories(victim);
    const auto page = m_folder / "system" / "recover.html";
    const auto record = m_folder / "system" / "recover.ini";
    const std::string soundRecord
        = "[恢复]\n文件夹=" + (m_folder / "tmp").string() + "\n名称=page\n类型=0\n编码=utf-8\n";
    struct Plant
    {
        const char* name;
        std::function<void()> plant;
    };
    const Plant plants[] = {
        { "record_without_folder",
            [&] {
                testing::writeFile(page, "<p>\xC4\xE3</p>");
                testing::writeFile(record, "[恢复]\n名称=x\n");
            } },
        { "record_points_elsewhere",
            [&] {
                testing::writeFile(page, "<p>owned</p>");
                testing::writeFile(record,
                    "[恢复]\n文件夹=" + (m_folder / "tmp").string()
                        + "\n名称=../../victim/owned.conf\n类型=99\n编码=utf-8\n");
            } },
        { "page_is_a_named_pipe",
            [&] {
                ASSERT_TRUE(makeNamedPipe(page));
                testing::writeFile(record, soundRecord);
            } },
        { "record_is_a_named_pipe",
            [&] {
                testing::writeFile(page, "<p>kept?</p>");
                ASSERT_TRUE(makeNamedPipe(record));
            } },
    };
    for (const Plant& p : plants) {
        SCOPED_TRACE(p.name);
        p.plant();
        auto program = start(m_folder);
        std::string ids;
        ASSERT_TRUE(waitUntil([&] { return !(ids = windowsNamed("提示")).empty(); }, 30s));
        EXPECT_FALSE(copyExists());
        const std::string id = ids.substr(0, ids.find('\n'));
        std::system(("xdotool windowfocus --sync " + id + " key Return >/dev/null 2>&1").c_str());
        std::string shown;
        ASSERT_TRUE(waitUntil([&] { return !(shown = windowsNamed(kTemporaryPage)).empty(); }, 30s))
            << "start-up goes on";
        // Save writes the blank page where a new run's page goes, not where the record pointed.
        const std::string window = shown.substr(0, shown.find('\n'));
        std::system(("xdotool mousemove --window " + window + " 94 25 click 1 >/dev/null 2>&1").c_str());
        program->kill(SIGTERM);
        EXPECT_EQ(program->waitFor(20s), 0);
        EXPECT_TRUE(std::filesystem::is_empty(victim));
        EXPECT_FALSE(std::filesystem::exists(m_runs.path() / "owned.conf"));
    }
}

// The programs these tests start one after another need a display that stays up between them. An X
// server that resets when its last client leaves refuses a client that connects during the reset (a
// program started as soon as the previous one ended); a reset also clears the root window's
// properties, which is how it shows here.
TEST(TestDisplay, KeepsItsStateWhenItsLastClientLeaves)
{
    const std::string name = "INKWELL_DISPLAY_PROBE_" + std::to_string(::getpid());
    ASSERT_EQ(
        std::system(("xprop -root -f " + name + " 8s -set " + name + " kept >/dev/null 2>&1").c_str()), 0)
        << "no display";
    // xprop was the only client: give a resetting server the time to do it.
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(commandOutput("xprop -root " + name + " 2>&1"), name + "(STRING) = \"kept\"\n")
        << "the display resets when its last client leaves: run its server with -noreset";
    std::system(("xprop -root -remove " + name + " >/dev/null 2>&1").c_str());
}

TEST_F(StartupProcess, DirectlyInTheTemporaryFolderRuns)
{
    // The temporary folder itself is allowed: make the run folder the temporary folder.
    const auto run = newRunFolder(m_runs.path());
    skipWizard(run);
    auto program = std::make_unique<ChildProcess>(run / "inkwell", std::vector<std::string> {}, run,
        std::map<std::string, std::string> {
            { "TMPDIR", run.string() }, { "XDG_RUNTIME_DIR", m_locks.path().string() } });
    EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(run / "system" / "title.ini"); }, 30s));
    EXPECT_TRUE(program->isRunning());
}

} // namespace
} // namespace inkwell
