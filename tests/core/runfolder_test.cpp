// The run folder's fixed layout and choice, and the working-folder rules.
#include "core/ensurefolder.h"
#include "core/runfolder.h"
#include "tests/support/tempfolder.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inkwell {
namespace {

using testing::TempFolder;

// The names users, their settings and earlier runs rely on, byte for byte.
TEST(RunFolderLayout, NamesEveryFileAndFolderBelowTheRunFolder)
{
    const RunFolder run("/opt/inkwell");
    const struct
    {
        std::filesystem::path path;
        const char* expected;
    } cases[] = {
        { run.path(), "/opt/inkwell" },
        { run.systemFolder(), "/opt/inkwell/system" },
        { run.tmpFolder(), "/opt/inkwell/tmp" },
        { run.projectsFolder(), "/opt/inkwell/project" },
        { run.projectFolderSettingFile(), "/opt/inkwell/prj.ini" },
        { run.titleSettingFile(), "/opt/inkwell/system/title.ini" },
        { run.wizardSettingFile(), "/opt/inkwell/system/guid.ini" },
        { run.projectHistoryFile(), "/opt/inkwell/system/工程记录.txt" },
        { run.recoveryPageFile(), "/opt/inkwell/system/recover.html" },
        { run.recoveryRecordFile(), "/opt/inkwell/system/recover.ini" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.path.native(), c.expected);
    // The page server's URLs name the two folders it delivers pages from.
    EXPECT_EQ(run.tmpFolder().filename(), RunFolder::kTmpFolderName);
    EXPECT_EQ(run.projectsFolder().filename(), RunFolder::kProjectsFolderName);
}

TEST(EnsureFolder, CreatesOneLevelAndAcceptsAnyExistingEntry)
{
    TempFolder dir;
    const auto folder = dir.path() / "system";
    EXPECT_TRUE(ensureFolder(folder));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(ensureFolder(folder)); // already there

    testing::writeFile(dir.path() / "file", "x");
    EXPECT_TRUE(ensureFolder(dir.path() / "file")); // a file of that name counts

    EXPECT_FALSE(ensureFolder(dir.path() / "a" / "b")); // parents are not created
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "a"));

    ::chmod(dir.path().c_str(), 0500);
    if (::geteuid() != 0) { // root may create folders anywhere
        EXPECT_FALSE(ensureFolder(dir.path() / "denied"));
    }
    ::chmod(dir.path().c_str(), 0700);
}

// A program folder that cannot be written (here one that does not exist, which even root cannot write
// into) moves the run folder to the user's data folder; the XDG rule drops an empty or relative value.
TEST(ChooseRunFolder, ProgramFolderWhileWritableElseTheUsersDataFolder)
{
    TempFolder dir;
    const auto writable = dir.path() / "inkwell";
    std::filesystem::create_directories(writable);
    EXPECT_EQ(chooseRunFolder(writable, "/data", "/home/me"), writable);

    const auto unwritable = dir.path() / "installed";
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    const std::filesystem::path passwdHome = user->pw_dir;
    struct Case
    {
        const char* dataHome;
        const char* home;
        std::filesystem::path expected;
    };
    for (const Case& c :
        { Case { "/data", "/home/me", "/data/inkwell" }, Case { "/data/", "/home/me", "/data/inkwell" },
            Case { "", "/home/me", "/home/me/.local/share/inkwell" },
            Case { "relative/data", "/home/me", "/home/me/.local/share/inkwell" },
            Case { "", "", passwdHome / ".local/share/inkwell" } }) {
        SCOPED_TRACE(std::string("XDG_DATA_HOME=") + c.dataHome + " HOME=" + c.home);
        EXPECT_EQ(chooseRunFolder(unwritable, c.dataHome, c.home).lexically_normal(), c.expected);
    }
}

TEST(EnsurePrivateRunFolder, CreatesParentsAndAPrivateFolderAndKeepsAnExistingOne)
{
    TempFolder dir;
    const auto folder = dir.path() / "home" / ".local" / "share" / "inkwell";
    const mode_t umask = ::umask(022); // the usual one, which would give a folder made plainly 0755
    const bool made = ensurePrivateRunFolder(folder);
    ::umask(umask);
    ASSERT_TRUE(made);
    struct stat st
    {
    };
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);

    ::chmod(folder.c_str(), 0750); // the user's own choice stays
    EXPECT_TRUE(ensurePrivateRunFolder(folder));
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0750u);

    testing::writeFile(dir.path() / "file", "x");
    EXPECT_FALSE(ensurePrivateRunFolder(dir.path() / "file"));
    EXPECT_FALSE(ensurePrivateRunFolder(dir.path() / "file" / "inkwell"));
}

struct TempCase
{
    const char* run;
    const char* temp;
    bool refused;
};

class TemporaryFolderRule : public ::testing::TestWithParam<TempCase>
{
};

TEST_P(TemporaryFolderRule, RefusesOnlyFoldersBelowIt)
{
    EXPECT_EQ(isBelowTemporaryFolder(GetParam().run, GetParam().temp), GetParam().refused)
        << GetParam().run << " in " << GetParam().temp;
}

INSTANTIATE_TEST_SUITE_P(Table, TemporaryFolderRule,
    ::testing::Values(TempCase { "/tmp/unpacked", "/tmp", true }, TempCase { "/tmp/unpacked", "/tmp/", true },
        TempCase { "/tmp/a/b/c", "/tmp", true }, TempCase { "/tmp", "/tmp", false },
        TempCase { "/tmp", "/tmp/", false }, TempCase { "/tmpfoo/x", "/tmp", false },
        TempCase { "/home/me/tmp/site", "/tmp", false }, TempCase { "/var/tmp/x", "/tmp", false },
        TempCase { "/home/me/t/x", "/home/me/t", true }, TempCase { "/opt/inkwell", "/tmp", false },
        TempCase { "/TMP/x", "/tmp", false }, TempCase { "/opt/x", "", false }));

} // namespace
} // namespace inkwell
