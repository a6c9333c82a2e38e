// The bundle users are handed: packed by scripts/package from this build, unpacked into a fresh folder
// outside the temporary folder (its name with a blank and Chinese characters), started from there, and
// added to and taken out of a user's menu.
#include "core/inifile.h"
#include "tests/support/process.h"
#include "tests/support/tempfolder.h"
#include "tests/support/textforms.h"

#include <gtest/gtest.h>

namespace inkwell {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::commandOutput;
using testing::commandOutputAndExit;
using testing::fileBytes;
using testing::TempFolder;
using testing::waitUntil;
namespace fs = std::filesystem;

const fs::path binaryDir = INKWELL_BINARY_DIR;
const fs::path sourceDir = INKWELL_SOURCE_DIR;

std::string quoted(const fs::path& path)
{
    return inkwell::testing::shellQuoted(path.string());
}

class Bundle : public ::testing::Test
{
protected:
    Bundle()
        : m_work(binaryDir / "test-runs")
        , m_temp(binaryDir / "test-tmp")
        , m_locks(binaryDir / "test-locks")
    {
    }

    // Packs the bundle and unpacks it; the unpacked inkwell/ folder.
    fs::path packAndUnpack()
    {
        const auto dist = m_work.path() / "dist";
        const auto packed = commandOutputAndExit(quoted(sourceDir / "scripts" / "package")
            + " --no-build --build-dir " + quoted(binaryDir) + " --output " + quoted(dist));
        EXPECT_TRUE(packed.ends_with("exit 0\n")) << packed;
        const auto archive = dist / ("inkwell-" INKWELL_VERSION "-linux-x86_64.tar.gz");
        EXPECT_TRUE(fs::is_regular_file(archive)) << packed;
        const auto place = m_work.path() / "程序 folder";
        fs::create_directories(place);
        const auto unpacked = commandOutputAndExit("tar -xzf " + quoted(archive) + " -C " + quoted(place));
        EXPECT_EQ(unpacked, "exit 0\n");
        return place / "inkwell";
    }

    TempFolder m_work;
    TempFolder m_temp;
    TempFolder m_locks;
};

TEST_F(Bundle, UnpackedFolderHoldsEverythingAndTheProgramStartsFromIt)
{
    const auto folder = packAndUnpack();
    struct Entry
    {
        const char* name;
        bool executable;
    };
    for (const Entry& e : { Entry { "inkwell", true }, Entry { "inkwell-format", true },
             Entry { "inkwell-mht", true }, Entry { "install-menu-entry", true },
             Entry { "inkwell.svg", false }, Entry { "inkwell.desktop", false } }) {
        SCOPED_TRACE(e.name);
        const auto path = folder / e.name;
        ASSERT_TRUE(fs::is_regular_file(path));
        EXPECT_EQ((fs::status(path).permissions() & fs::perms::owner_exec) != fs::perms::none, e.executable);
    }
    EXPECT_EQ(fileBytes(folder / "inkwell.svg"), fileBytes(sourceDir / "app" / "icons" / "inkwell.svg"));
    EXPECT_EQ(commandOutputAndExit(quoted(folder / "inkwell-format") + " --version"),
        "inkwell-format " INKWELL_VERSION "\nexit 0\n");
    EXPECT_EQ(
        commandOutputAndExit("desktop-file-validate " + quoted(folder / "inkwell.desktop")), "exit 0\n");

    // Started as from a file manager: its working folders appear beside it and the main window shows.
    std::filesystem::create_directories(folder / "system");
    ASSERT_TRUE(IniFile(folder / "system" / "guid.ini").write("向导", "是否显示", "假"));
    ChildProcess program(folder / "inkwell", {}, m_work.path(),
        { { "TMPDIR", m_temp.path().string() }, { "XDG_RUNTIME_DIR", m_locks.path().string() } });
    EXPECT_TRUE(waitUntil(
        [] {
            return !commandOutput("xdotool search --onlyvisible --name '^Inkwell - 临时页面$' 2>/dev/null")
                        .empty();
        },
        30s));
    EXPECT_TRUE(fs::is_directory(folder / "tmp"));
    program.kill(SIGTERM);
    EXPECT_EQ(program.waitFor(20s), 0);
}

TEST_F(Bundle, MenuEntryPointsAtTheUnpackedProgramAndIsRemovedAgain)
{
    const auto folder = packAndUnpack();
    const auto home = m_work.path() / "home";
    fs::create_directories(home);
    const std::string asUser
        = "env -u XDG_DATA_HOME HOME=" + quoted(home) + " " + quoted(folder / "install-menu-entry");
    const auto entry = home / ".local/share/applications/inkwell.desktop";
    const auto icon = home / ".local/share/icons/hicolor/scalable/apps/inkwell.svg";

    const auto written = commandOutputAndExit(asUser);
    ASSERT_TRUE(written.ends_with("exit 0\n")) << written;
    const auto text = fileBytes(entry);
    // The folder's name has a blank: the program is one quoted argument.
    EXPECT_NE(text.find("\nExec=\"" + (folder / "inkwell").string() + "\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nTryExec=" + (folder / "inkwell").string() + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nIcon=inkwell\n"), std::string::npos) << text;
    EXPECT_EQ(commandOutputAndExit("desktop-file-validate " + quoted(entry)), "exit 0\n");
    EXPECT_EQ(fileBytes(icon), fileBytes(folder / "inkwell.svg"));

    EXPECT_TRUE(commandOutputAndExit(asUser + " --remove").ends_with("exit 0\n"));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_FALSE(fs::exists(icon));
    EXPECT_TRUE(commandOutputAndExit(asUser + " --remove").ends_with("exit 0\n"))
        << "removing twice is no error";
    EXPECT_FALSE(commandOutputAndExit(asUser + " --bogus").ends_with("exit 0\n"));
}

} // namespace
} // namespace inkwell
