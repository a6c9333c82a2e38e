// The real program in a folder its user cannot write, as an installed copy is: its working files go to
// the user's data folder, where a project is made and saved, its unsaved page is copied, and the page
// server delivers it. A folder the user can write stays the run folder, as before.
#include "tests/support/ordinaryuser.h"
#include "tests/support/process.h"
#include "tests/support/tempfolder.h"
#include "tests/support/xwindows.h"

#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>

namespace inkwell {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::clickIn;
using testing::commandOutput;
using testing::fileBytes;
using testing::OrdinaryUser;
using testing::TempFolder;
using testing::visibleWindow;
using testing::waitUntil;
using testing::xdo;
namespace fs = std::filesystem;

const fs::path binaryDir = INKWELL_BINARY_DIR;

// The names below a folder, sorted, joined by blanks.
std::string namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const auto& name : names)
        joined += (joined.empty() ? "" : " ") + name;
    return joined;
}

// The loopback port process pid listens on, 0 when none.
int listeningPort(pid_t pid)
{
    const std::string lines = commandOutput("ss -ltnpH 2>/dev/null");
    const std::regex line("127\\.0\\.0\\.1:(\\d+)[^\\n]*pid=" + std::to_string(pid) + ",");
    std::smatch found;
    return std::regex_search(lines, found, line) ? std::stoi(found[1].str()) : 0;
}

class InstalledProgram : public ::testing::Test
{
protected:
    InstalledProgram()
        : m_program(m_user.work() / "opt")
        , m_data(m_user.work() / "data")
    {
        fs::create_directories(m_program);
        fs::copy_file(binaryDir / "inkwell", m_program / "inkwell");
        fs::create_directories(m_data);
        m_user.give(m_data);
    }

    OrdinaryUser m_user; // the program and the data folder lie in its work folder, which it can reach
    fs::path m_program; // the folder holding the program
    fs::path m_data; // XDG_DATA_HOME
};

TEST_F(InstalledProgram, ReadOnlyFolderRunsFromTheUsersDataFolder)
{
    fs::permissions(m_program,
        fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec
            | fs::perms::others_read | fs::perms::others_exec);
    const fs::path run = m_data / "inkwell";
    auto program = m_user.start(m_program / "inkwell", m_program, m_data.string());

    const auto wizard = visibleWindow("程序新建向导", 30s);
    ASSERT_FALSE(wizard.empty()) << "the wizard opens at first start";
    struct stat st
    {
    };
    ASSERT_EQ(::stat(run.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u) << "the run folder is private";
    EXPECT_TRUE(fs::is_directory(run / "system"));
    EXPECT_TRUE(fs::is_directory(run / "tmp"));
    EXPECT_EQ(namesIn(m_program), "inkwell");

    // A project named "site": its folder below the run folder's "project".
    ASSERT_TRUE(xdo("windowfocus --sync " + wizard + " sleep 0.5"));
    ASSERT_TRUE(clickIn(wizard, 243, 58)); // the HTML kind
    ASSERT_TRUE(clickIn(wizard, 415, 356)); // the name box
    ASSERT_TRUE(xdo("type --delay 40 site"));
    ASSERT_TRUE(clickIn(wizard, 607, 356)); // "新建"
    const auto main = visibleWindow("Inkwell - site.html", 30s);
    ASSERT_FALSE(main.empty()) << "the main window follows the wizard";
    const fs::path project = run / "project" / "site";
    EXPECT_TRUE(fs::is_directory(project));

    // Typed text is copied for recovery, then saved into the project.
    ASSERT_TRUE(xdo("windowfocus --sync " + main));
    ASSERT_TRUE(clickIn(main, 400, 250));
    ASSERT_TRUE(xdo("type --delay 40 'installed page'"));
    EXPECT_TRUE(waitUntil(
        [&] {
            return fileBytes(run / "system" / "recover.html").find("installed page") != std::string::npos;
        },
        20s))
        << "the recovery copy is written";
    ASSERT_TRUE(xdo("windowfocus --sync " + main + " key ctrl+s"));
    const fs::path document = project / "site.html";
    ASSERT_TRUE(
        waitUntil([&] { return fileBytes(document).find("installed page") != std::string::npos; }, 15s))
        << "saved";
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(run / "system" / "recover.html"); }, 5s));

    // The page server delivers the run folder.
    const int port = listeningPort(program->pid());
    ASSERT_NE(port, 0);
    const std::string served
        = commandOutput("curl -s http://127.0.0.1:" + std::to_string(port) + "/project/site/site.html");
    EXPECT_EQ(served, fileBytes(document));

    program->kill(SIGTERM);
    EXPECT_EQ(program->waitFor(20s), 0);
    EXPECT_EQ(namesIn(m_program), "inkwell") << "nothing was written beside the program";
}

TEST_F(InstalledProgram, WritableFolderStaysTheRunFolder)
{
    m_user.give(m_program);
    auto program = m_user.start(m_program / "inkwell", m_program, m_data.string());
    ASSERT_FALSE(visibleWindow("程序新建向导", 30s).empty());
    EXPECT_TRUE(fs::is_directory(m_program / "system"));
    EXPECT_TRUE(fs::is_directory(m_program / "tmp"));
    EXPECT_EQ(namesIn(m_data), "");
    program->kill(SIGTERM);
    EXPECT_EQ(program->waitFor(20s), 0);
}

} // namespace
} // namespace inkwell
