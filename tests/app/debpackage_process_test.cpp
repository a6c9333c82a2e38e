// The Debian package scripts/package writes from this build: what it holds, the checks Debian's own
// tools make of it and of its menu entry, AppStream file and man pages, that apt could install it
// here, and the program started from it, unpacked into a read-only root, by an ordinary user. Nothing
// is installed on this machine.
#include "tests/support/ordinaryuser.h"
#include "tests/support/process.h"
#include "tests/support/tempfolder.h"
#include "tests/support/textforms.h"
#include "tests/support/xwindows.h"

#include <gtest/gtest.h>
#include <regex>

namespace inkwell {
namespace {

using namespace std::chrono_literals;
using testing::commandOutput;
using testing::commandOutputAndExit;
using testing::fileBytes;
using testing::OrdinaryUser;
using testing::saveScreenshot;
using testing::TempFolder;
using testing::visibleWindow;
using testing::waitUntil;
using testing::xdo;
namespace fs = std::filesystem;

const fs::path binaryDir = INKWELL_BINARY_DIR;
const fs::path sourceDir = INKWELL_SOURCE_DIR;

std::string quoted(const fs::path& path)
{
    return testing::shellQuoted(path.string());
}

// The lines of text that start with prefix.
std::vector<std::string> linesStarting(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> found;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(prefix))
            found.push_back(line);
    }
    return found;
}

// The package is made once for every test here, and unpacked once.
class DebPackage : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // The unpacked programs are started by another user, who must reach them wherever the build lies.
        s_work = new TempFolder(testing::sharedWorkBase());
        const auto dist = s_work->path() / "dist";
        const auto packed = commandOutputAndExit(quoted(sourceDir / "scripts" / "package")
            + " --no-build --build-dir " + quoted(binaryDir) + " --output " + quoted(dist));
        ASSERT_TRUE(packed.ends_with("exit 0\n")) << packed;
        s_deb = dist
            / ("inkwell_" INKWELL_VERSION "_" + commandOutput("dpkg --print-architecture | tr -d '\\n'")
                + ".deb");
        ASSERT_TRUE(fs::is_regular_file(s_deb)) << packed;
        fs::permissions(
            s_work->path(), fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
        s_root = s_work->path() / "root";
        ASSERT_EQ(commandOutputAndExit("dpkg-deb -x " + quoted(s_deb) + " " + quoted(s_root)), "exit 0\n");
    }

    static void TearDownTestSuite()
    {
        if (s_work)
            (void)commandOutputAndExit("chmod -R u+w " + quoted(s_work->path()));
        delete s_work;
        s_work = nullptr;
    }

    static TempFolder* s_work;
    static fs::path s_deb;
    static fs::path s_root; // the package unpacked
};

TempFolder* DebPackage::s_work = nullptr;
fs::path DebPackage::s_deb;
fs::path DebPackage::s_root;

TEST_F(DebPackage, HoldsTheProgramsAndTheirFilesAndDependsOnWhatTheyLoad)
{
    struct Entry
    {
        const char* path;
        bool executable;
    };
    for (const Entry& e : { Entry { "usr/bin/inkwell", true }, Entry { "usr/bin/inkwell-format", true },
             Entry { "usr/bin/inkwell-mht", true },
             Entry { "usr/share/icons/hicolor/scalable/apps/inkwell.svg", false },
             Entry { "usr/share/applications/inkwell.desktop", false },
             Entry { "usr/share/metainfo/org.example.inkwell.metainfo.xml", false },
             Entry { "usr/share/man/man1/inkwell.1.gz", false },
             Entry { "usr/share/man/man1/inkwell-format.1.gz", false },
             Entry { "usr/share/man/man1/inkwell-mht.1.gz", false },
             Entry { "usr/share/doc/inkwell/copyright", false } }) {
        SCOPED_TRACE(e.path);
        const auto path = s_root / e.path;
        ASSERT_TRUE(fs::is_regular_file(path));
        EXPECT_EQ((fs::status(path).permissions() & fs::perms::others_exec) != fs::perms::none, e.executable);
    }
    EXPECT_EQ(fileBytes(s_root / "usr/share/icons/hicolor/scalable/apps/inkwell.svg"),
        fileBytes(sourceDir / "app" / "icons" / "inkwell.svg"));
    EXPECT_EQ(commandOutputAndExit(quoted(s_root / "usr/bin/inkwell-mht") + " --version"),
        "inkwell-mht " INKWELL_VERSION "\nexit 0\n");

    const std::string depends = commandOutput("dpkg-deb -f " + quoted(s_deb) + " Depends");
    // From the links of the binaries, then what they load by name and what the texts need.
    for (const char* package : { "libc6 ", "libqt6webenginewidgets6 ", "libqscintilla2-qt6-15 ", "libcurl4 ",
             "libqt6webenginecore6-bin", "libqt6svg6", "fonts-noto-cjk", "qt6-translations-l10n" })
        EXPECT_NE(depends.find(package), std::string::npos) << package << " in " << depends;
    EXPECT_EQ(depends.find("gumbo"), std::string::npos) << depends;
    EXPECT_EQ(commandOutput("dpkg-deb -f " + quoted(s_deb) + " Recommends"), "fcitx5-frontend-qt6\n");

    // The metainfo names the README's screenshots, with a Chinese and an English summary.
    const std::string metainfo = fileBytes(s_root / "usr/share/metainfo/org.example.inkwell.metainfo.xml");
    const std::string readme = fileBytes(sourceDir / "README.md");
    for (const char* picture : { "design-view.png", "code-view.png" }) {
        EXPECT_NE(readme.find(std::string("docs/") + picture), std::string::npos) << picture;
        EXPECT_NE(metainfo.find(std::string("/") + picture + "</image>"), std::string::npos) << picture;
    }
    EXPECT_NE(metainfo.find("<summary>"), std::string::npos);
    EXPECT_NE(metainfo.find("<summary xml:lang=\"zh-CN\">"), std::string::npos);
    EXPECT_NE(metainfo.find("<release version=\"" INKWELL_VERSION "\""), std::string::npos);
}

// The README's one apt-get line for the portable bundle brings every package the Debian package depends on.
TEST_F(DebPackage, ReadmeLineForTheBundleBringsEveryDependency)
{
    std::smatch line;
    const std::string readme = fileBytes(sourceDir / "README.md");
    ASSERT_TRUE(std::regex_search(readme, line, std::regex("\nsudo apt-get install ([^\n]+)\n")));
    const std::string brought = commandOutput("apt-cache depends --recurse --no-recommends --no-suggests "
                                              "--no-conflicts --no-breaks --no-replaces --no-enhances "
        + line[1].str() + " 2>/dev/null | grep '^[a-z0-9]' | sort -u");
    const std::string depends = commandOutput("dpkg-deb -f " + quoted(s_deb) + " Depends");
    const std::regex name("(?:^|, )([a-z0-9.+-]+)");
    for (auto it = std::sregex_iterator(depends.begin(), depends.end(), name); it != std::sregex_iterator();
         ++it) {
        const std::string package = (*it)[1].str();
        EXPECT_NE(("\n" + brought).find("\n" + package + "\n"), std::string::npos)
            << package << " not brought by: " << line[1].str();
    }
}

// Debian's checks: lintian finds no error and no warning (none is kept), the menu entry and the
// AppStream file validate, and each man page formats without a warning.
TEST_F(DebPackage, PassesDebiansChecks)
{
    const std::string lintian = commandOutputAndExit("lintian " + quoted(s_deb));
    EXPECT_TRUE(lintian.ends_with("exit 0\n")) << lintian;
    EXPECT_TRUE(linesStarting(lintian, "E:").empty()) << lintian;
    EXPECT_TRUE(linesStarting(lintian, "W:").empty()) << lintian;

    EXPECT_EQ(commandOutputAndExit(
                  "desktop-file-validate " + quoted(s_root / "usr/share/applications/inkwell.desktop")),
        "exit 0\n");
    const std::string appstream = commandOutputAndExit("appstreamcli validate --no-net "
        + quoted(s_root / "usr/share/metainfo/org.example.inkwell.metainfo.xml"));
    EXPECT_TRUE(appstream.ends_with("exit 0\n")) << appstream;

    for (const char* page : { "inkwell", "inkwell-format", "inkwell-mht" }) {
        SCOPED_TRACE(page);
        const auto file = s_root / "usr/share/man/man1" / (std::string(page) + ".1.gz");
        EXPECT_EQ(commandOutputAndExit(
                      "LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l " + quoted(file) + " >/dev/null"),
            "exit 0\n");
        const std::string text
            = commandOutput("LC_ALL=C.UTF-8 MANWIDTH=80 man -l " + quoted(file) + " 2>/dev/null");
        EXPECT_NE(text.find("NAME"), std::string::npos) << text;
        EXPECT_NE(text.find(std::string(page) + " - "), std::string::npos) << text;
        EXPECT_NE(text.find("Inkwell " INKWELL_VERSION), std::string::npos) << text;
    }
}

TEST_F(DebPackage, AptCouldInstallIt)
{
    // A simulation: apt resolves every dependency against this machine's package lists and changes nothing.
    const std::string simulated = commandOutputAndExit("apt-get install --simulate " + quoted(s_deb));
    EXPECT_TRUE(simulated.ends_with("exit 0\n")) << simulated;
    EXPECT_TRUE(std::regex_search(simulated, std::regex("\\nInst inkwell \\(" INKWELL_VERSION " ")))
        << simulated;
}

// Unpacked into a root nobody may write, the program runs for an ordinary user: the wizard shows and
// the project it makes lands in that user's data folder.
TEST_F(DebPackage, UnpackedReadOnlyProgramRunsFromTheUsersDataFolder)
{
    OrdinaryUser user;
    ASSERT_EQ(commandOutputAndExit("chmod -R a-w " + quoted(s_root)), "exit 0\n");
    const std::string before = commandOutput("find " + quoted(s_root) + " | sort");

    auto program = user.start(s_root / "usr/bin/inkwell", user.home(), "");
    const auto wizard = visibleWindow("程序新建向导", 30s);
    ASSERT_FALSE(wizard.empty()) << "the wizard opens at first start";
    ASSERT_TRUE(xdo("windowfocus --sync " + wizard + " sleep 0.5"));
    ASSERT_TRUE(xdo("mousemove --window " + wizard + " 243 58 sleep 0.2 click 1 sleep 0.4")); // the HTML kind
    ASSERT_TRUE(xdo("mousemove --window " + wizard + " 415 356 sleep 0.2 click 1 sleep 0.4")); // the name box
    ASSERT_TRUE(xdo("type --delay 40 packaged"));
    ASSERT_TRUE(xdo("mousemove --window " + wizard + " 607 356 sleep 0.2 click 1 sleep 0.4")); // "新建"
    const fs::path project = user.home() / ".local/share/inkwell/project/packaged";
    if (!waitUntil([&] { return fs::is_directory(project); }, 30s)) {
        const auto shot = binaryDir / "debpackage-wizard.png";
        saveScreenshot(shot);
        ADD_FAILURE() << "no project folder " << project << "; screenshot: " << shot
                      << "; in the home folder:\n"
                      << commandOutput("find " + quoted(user.home()));
    }
    EXPECT_FALSE(visibleWindow("Inkwell - packaged.html", 30s).empty())
        << "the main window follows the wizard";
    program->kill(SIGTERM);
    EXPECT_EQ(program->waitFor(20s), 0);
    EXPECT_EQ(commandOutput("find " + quoted(s_root) + " | sort"), before)
        << "the unpacked package is unchanged";
}

} // namespace
} // namespace inkwell
