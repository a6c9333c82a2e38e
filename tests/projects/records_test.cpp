#include "core/errorsentence.h"
#include "core/inifile.h"
#include "core/regularfile.h"
#include "projects/historyrows.h"
#include "projects/projectcreation.h"
#include "projects/projectfoldersetting.h"
#include "projects/projecthistory.h"
#include "projects/wizardatstart.h"
#include "tests/support/tempfolder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inkwell {
namespace {

using testing::fileBytes;
using testing::TempFolder;
using testing::writeFile;
namespace fs = std::filesystem;

// A run folder with its "system" folder, as start-up leaves it.
class InRunFolder : public ::testing::Test
{
protected:
    InRunFolder() { fs::create_directory(run() / "system"); }

    [[nodiscard]] const fs::path& run() const { return m_dir.path(); }
    [[nodiscard]] fs::path historyFile() const { return run() / "system" / "工程记录.txt"; }

private:
    TempFolder m_dir;
};

struct SplitCase
{
    const char* label;
    std::string text;
    std::vector<std::string> entries;
};

class HistorySplit : public ::testing::TestWithParam<SplitCase>
{
};

TEST_P(HistorySplit, SplitsAtEveryCrLf)
{
    EXPECT_EQ(ProjectHistory::split(GetParam().text), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(Table, HistorySplit,
    ::testing::Values(SplitCase { "empty", "", {} },
        SplitCase { "empty_line_between", "x\r\n\r\ny", { "x", "", "y" } },
        SplitCase { "final_crlf_adds_none", "x\r\ny\r\n", { "x", "y" } },
        SplitCase { "two_final_crlf_add_one_empty", "x\r\n\r\n", { "x", "" } },
        SplitCase { "only_separator", "\r\n", { "" } },
        SplitCase { "lone_cr_and_lf_stay", "a\nb\rc\r\r\nd", { "a\nb\rc\r", "d" } },
        SplitCase { "text_ends_at_zero_byte", std::string("a\r\nb\0c\r\nd", 10), { "a", "b" } },
        SplitCase { "zero_byte_first", std::string("\0a\r\n", 4), {} },
        SplitCase { "utf8_paths", "/home/我/project/页/页.html\r\n", { "/home/我/project/页/页.html" } }),
    [](const auto& test) { return std::string(test.param.label); });

// One row of the list: what it shows, the file it names, the document it reopens as, and whether the
// file is gone.
struct Row
{
    std::string name;
    std::string file;
    std::string folder;
    std::string documentName;
    int kind;
    bool missing = false;

    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& r, std::ostream* out)
{
    *out << "{" << r.name << " | " << r.file << " | " << r.folder << " | " << r.documentName << " | "
         << r.kind << (r.missing ? " | missing" : "") << "}";
}

struct RowsCase
{
    const char* label;
    std::vector<std::string> entries; // oldest first, as the file holds them
    std::vector<Row> rows; // newest first
};

class HistoryRows : public ::testing::TestWithParam<RowsCase>
{
};

// The run folder is /run/ink; of the files named below, only those with "gone" in their path are missing.
TEST_P(HistoryRows, OnePerFileNewestFirstWithTheDocumentItReopensAs)
{
    const auto exists = [](const fs::path& file) { return file.string().find("gone") == std::string::npos; };
    std::vector<Row> rows;
    for (const HistoryRow& r : historyRows(GetParam().entries, "/run/ink", exists))
        rows.push_back({ r.name, r.file.string(), r.document.folder.string(), r.document.name,
            static_cast<int>(r.document.kind), r.missing });
    EXPECT_EQ(rows, GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(Table, HistoryRows,
    ::testing::Values(RowsCase { "empty", {}, {} },
        RowsCase { "newest_first", { "/p/a/a.html", "/p/我的主页/我的主页.html" },
            { { "我的主页", "/p/我的主页/我的主页.html", "/p/我的主页", "我的主页", 0 },
                { "a", "/p/a/a.html", "/p/a", "a", 0 } } },
        // Creating a project again appends it again; the list shows it once, where it was made last.
        RowsCase { "repeated_entry_at_its_newest_place", { "/p/a/a.html", "/p/b/b.html", "/p/a/a.html" },
            { { "a", "/p/a/a.html", "/p/a", "a", 0 }, { "b", "/p/b/b.html", "/p/b", "b", 0 } } },
        RowsCase { "same_file_spelled_otherwise", { "/p/a/a.html", "/p//a/./a.html" },
            { { "a", "/p/a/a.html", "/p/a", "a", 0 } } },
        RowsCase { "page_and_style_sheet_of_one_name_are_two_files", { "/p/a/a.html", "/p/a/a.css" },
            { { "a", "/p/a/a.css", "/p/a", "a", 1 }, { "a", "/p/a/a.html", "/p/a", "a", 0 } } },
        RowsCase { "blank_in_the_name", { "/home/u/我的 主页/我的 主页.html" },
            { { "我的 主页", "/home/u/我的 主页/我的 主页.html", "/home/u/我的 主页", "我的 主页", 0 } } },
        RowsCase { "dots_in_the_name", { "/p/v1.2/v1.2.html" },
            { { "v1.2", "/p/v1.2/v1.2.html", "/p/v1.2", "v1.2", 0 } } },
        RowsCase { "missing_file", { "/p/gone/gone.html" },
            { { "gone", "/p/gone/gone.html", "/p/gone", "gone", 0, true } } },
        RowsCase { "empty_entries_and_folders_give_no_row", { "", "/p/a/", "/p/b/b.html", "" },
            { { "b", "/p/b/b.html", "/p/b", "b", 0 } } },
        RowsCase { "relative_entry_below_the_run_folder", { "project/a/a.html" },
            { { "a", "/run/ink/project/a/a.html", "/run/ink/project/a", "a", 0 } } },
        // A file of another extension is taken up under its own whole name: Save writes back to it.
        RowsCase { "other_extension_kept_whole", { "/p/old/index.htm", "/p/n/notes" },
            { { "notes", "/p/n/notes", "/p/n", "notes", -1 },
                { "index.htm", "/p/old/index.htm", "/p/old", "index.htm", -1 } } },
        RowsCase { "extension_case_counts", { "/p/a/A.HTML" },
            { { "A.HTML", "/p/a/A.HTML", "/p/a", "A.HTML", -1 } } }),
    [](const auto& test) { return std::string(test.param.label); });

// A reopened row's document names the very file of the row, whatever its kind.
TEST(HistoryRows, ReopenedDocumentWritesBackToTheRowsFile)
{
    for (const auto& entry : { "/p/a/a.html", "/p/b/b.css", "/p/c/index.htm", "/p/d/README" }) {
        const auto rows = historyRows({ entry }, "/run", [](const fs::path&) { return true; });
        ASSERT_EQ(rows.size(), 1u) << entry;
        EXPECT_EQ(rows[0].document.filePath(), fs::path(entry)) << entry;
    }
}

TEST_F(InRunFolder, HistoryAppendsWholeLinesAndReadsThemBack)
{
    const ProjectHistory history { RunFolder(run()) };
    EXPECT_TRUE(history.entries().empty()); // no file yet

    ASSERT_TRUE(history.append("/p/a/a.html").ok());
    ASSERT_TRUE(history.append("/p/a/a.html").ok());
    EXPECT_EQ(fileBytes(historyFile()), "/p/a/a.html\r\n/p/a/a.html\r\n");
    EXPECT_EQ(history.entries(), (std::vector<std::string> { "/p/a/a.html", "/p/a/a.html" }));

    // An existing file's text is kept as it stands, an empty entry included.
    writeFile(historyFile(), "x\r\n\r\ny\r\n");
    ASSERT_TRUE(history.append("z").ok());
    EXPECT_EQ(fileBytes(historyFile()), "x\r\n\r\ny\r\nz\r\n");
    EXPECT_EQ(history.entries(), (std::vector<std::string> { "x", "", "y", "z" }));
}

TEST(ProjectHistoryFile, AppendWithoutSystemFolderFailsAndCreatesNothing)
{
    TempFolder run;
    const auto result = ProjectHistory(RunFolder(run.path())).append("/p/a/a.html");
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(fs::is_empty(run.path()));
}

// The project records as named pipes: each is read as missing at once, nothing waits on it, and the
// history is not replaced by a file that has lost its earlier entries.
TEST_F(InRunFolder, RecordsThatAreNamedPipesHoldNothingUp)
{
    const RunFolder folder(run());
    for (const fs::path& record : { historyFile(), run() / "prj.ini", run() / "system" / "guid.ini" })
        ASSERT_EQ(::mkfifo(record.c_str(), 0600), 0) << record;
    auto done = std::async(std::launch::async, [&] {
        const ProjectHistory history(folder);
        EXPECT_TRUE(history.entries().empty());
        const auto appended = history.append("/p/a/a.html");
        ASSERT_FALSE(appended.ok());
        EXPECT_EQ(appended.error().code, kNotARegularFile);
        EXPECT_EQ(projectFolderSetting(folder), (run() / "project").string());
        EXPECT_TRUE(showWizardAtStart(folder)); // as when the file is missing
    });
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "a record that is a named pipe held the program up";
        ::_exit(1);
    }
    done.get();
    struct stat info
    {
    };
    ASSERT_EQ(::lstat(historyFile().c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "left as it was";
}

TEST_F(InRunFolder, FolderSettingWritesTheDefaultOnceAndKeepsAStoredFolder)
{
    const auto defaultFolder = (run() / "project").string();
    EXPECT_EQ(projectFolderSetting(RunFolder(run())), defaultFolder);
    EXPECT_EQ(IniFile(run() / "prj.ini").read("工程目录", "路径", "missing"), defaultFolder);

    ASSERT_TRUE(IniFile(run() / "prj.ini").write("工程目录", "路径", "/srv/我的工程"));
    EXPECT_EQ(projectFolderSetting(RunFolder(run())), "/srv/我的工程");
    EXPECT_EQ(IniFile(run() / "prj.ini").read("工程目录", "路径", ""), "/srv/我的工程");

    // An empty value counts as missing and is replaced by the default.
    ASSERT_TRUE(IniFile(run() / "prj.ini").write("工程目录", "路径", ""));
    EXPECT_EQ(projectFolderSetting(RunFolder(run())), defaultFolder);
    EXPECT_EQ(IniFile(run() / "prj.ini").read("工程目录", "路径", ""), defaultFolder);
}

TEST(ProjectFolderSettingFile, UnwritableRunFolderStillGivesTheDefault)
{
    TempFolder dir;
    const auto run = dir.path() / "gone";
    EXPECT_EQ(projectFolderSetting(RunFolder(run)), (run / "project").string());
    EXPECT_FALSE(fs::exists(run));
}

struct StartCase
{
    const char* label;
    std::optional<std::string> fileText; // none: no guid.ini
    bool show;
};

class WizardAtStart : public ::testing::TestWithParam<StartCase>
{
};

TEST_P(WizardAtStart, ShowsOnlyForExactlyTrue)
{
    TempFolder run;
    fs::create_directory(run.path() / "system");
    if (GetParam().fileText)
        writeFile(run.path() / "system" / "guid.ini", *GetParam().fileText);
    EXPECT_EQ(showWizardAtStart(RunFolder(run.path())), GetParam().show);
}

INSTANTIATE_TEST_SUITE_P(Table, WizardAtStart,
    ::testing::Values(StartCase { "no_file", std::nullopt, true },
        StartCase { "no_key", "[向导]\r\n其他=假\r\n", true },
        StartCase { "true", "[向导]\r\n是否显示=真\r\n", true },
        StartCase { "false", "[向导]\r\n是否显示=假\r\n", false },
        StartCase { "empty", "[向导]\r\n是否显示=\r\n", false },
        StartCase { "other_text", "[向导]\r\n是否显示=true\r\n", false },
        StartCase { "longer_text", "[向导]\r\n是否显示=真的\r\n", false },
        StartCase { "other_section", "[标题]\r\n是否显示=假\r\n", true }),
    [](const auto& test) { return std::string(test.param.label); });

TEST_F(InRunFolder, WizardAtStartWritesTrueAndFalse)
{
    ASSERT_TRUE(setShowWizardAtStart(RunFolder(run()), false));
    EXPECT_EQ(IniFile(run() / "system" / "guid.ini").read("向导", "是否显示", ""), "假");
    EXPECT_FALSE(showWizardAtStart(RunFolder(run())));
    ASSERT_TRUE(setShowWizardAtStart(RunFolder(run()), true));
    EXPECT_EQ(IniFile(run() / "system" / "guid.ini").read("向导", "是否显示", ""), "真");
    EXPECT_TRUE(showWizardAtStart(RunFolder(run())));

    fs::remove_all(run() / "system");
    EXPECT_FALSE(setShowWizardAtStart(RunFolder(run()), false));
}

TEST_F(InRunFolder, HtmlProjectCreatesItsFolderAndRecordsItsFile)
{
    const auto parent = run() / "project";
    fs::create_directory(parent);

    const auto result = createProject(RunFolder(run()), { DocumentKind::Html, "a", parent.string() });
    ASSERT_TRUE(result.ok()) << result.error().message;
    EXPECT_TRUE(fs::is_directory(parent / "a"));
    EXPECT_EQ(result->folder, parent / "a");
    EXPECT_EQ(result->name, "a");
    EXPECT_EQ(result->kind, DocumentKind::Html);
    EXPECT_EQ(result->filePath(), parent / "a" / "a.html");
    EXPECT_EQ(fileBytes(historyFile()), (parent / "a" / "a.html").string() + "\r\n");
    // No document file is written before the first Save.
    EXPECT_FALSE(fs::exists(parent / "a" / "a.html"));

    // The same project again: the folder is reused and the history gets a second, identical line.
    const auto again = createProject(RunFolder(run()), { DocumentKind::Html, "a", parent.string() });
    ASSERT_TRUE(again.ok()) << again.error().message;
    EXPECT_EQ(ProjectHistory(RunFolder(run())).entries(),
        (std::vector<std::string> {
            (parent / "a" / "a.html").string(), (parent / "a" / "a.html").string() }));
}

struct AcceptCase
{
    const char* label;
    DocumentKind kind;
    std::string name;
    std::string folder; // "@" stands for the run folder
    std::string expectedFile; // relative to the run folder
};

class AcceptedProject : public ::testing::TestWithParam<AcceptCase>
{
};

TEST_P(AcceptedProject, GivesTheDocumentFileThatIsRecorded)
{
    TempFolder dir;
    const auto& run = dir.path();
    fs::create_directory(run / "system");
    fs::create_directory(run / "project");
    auto folder = GetParam().folder;
    if (folder.starts_with('@'))
        folder = run.string() + folder.substr(1);

    const auto result = createProject(RunFolder(run), { GetParam().kind, GetParam().name, folder });
    ASSERT_TRUE(result.ok()) << result.error().message;
    const auto expected = run / GetParam().expectedFile;
    EXPECT_EQ(result->filePath(), expected);
    EXPECT_EQ(result->name, GetParam().name);
    EXPECT_EQ(result->kind, GetParam().kind);
    EXPECT_TRUE(fs::is_directory(expected.parent_path()));
    EXPECT_EQ(ProjectHistory(RunFolder(run)).entries(), std::vector<std::string> { expected.string() });
}

INSTANTIATE_TEST_SUITE_P(Table, AcceptedProject,
    ::testing::Values(
        AcceptCase { "style_sheet", DocumentKind::StyleSheet, "样式", "@/project", "project/样式/样式.css" },
        AcceptCase {
            "name_kept_as_typed", DocumentKind::Html, " a b ", "@/project", "project/ a b / a b .html" },
        AcceptCase { "dots_inside_name", DocumentKind::Html, "..a", "@/project", "project/..a/..a.html" },
        AcceptCase { "trailing_slash_in_folder", DocumentKind::Html, "a", "@/project/", "project/a/a.html" },
        AcceptCase {
            "relative_folder_below_run_folder", DocumentKind::StyleSheet, "c", "project", "project/c/c.css" },
        AcceptCase { "longest_name", DocumentKind::Html, std::string(250, 'n'), "@/project",
            "project/" + std::string(250, 'n') + "/" + std::string(250, 'n') + ".html" }),
    [](const auto& test) { return std::string(test.param.label); });

std::string repeated(std::string_view part, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += part;
    return text;
}

struct RefusalCase
{
    const char* label;
    std::optional<DocumentKind> kind;
    std::string name;
    std::string folder; // relative to the run folder
    std::string message; // the start of the message
};

class RefusedProject : public ::testing::TestWithParam<RefusalCase>
{
};

TEST_P(RefusedProject, RecordsNothingAndCreatesNothing)
{
    TempFolder dir;
    const auto& run = dir.path();
    fs::create_directory(run / "system");
    fs::create_directory(run / "project");
    writeFile(run / "project" / "taken", "a file, not a folder");
    writeFile(run / "system" / "工程记录.txt", "/old/o.html\r\n");
    std::vector<fs::path> entriesBefore;
    for (const auto& e : fs::recursive_directory_iterator(run))
        entriesBefore.push_back(e.path());

    const auto result = createProject(
        RunFolder(run), { GetParam().kind, GetParam().name, (run / GetParam().folder).string() });
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(result.error().message.starts_with(GetParam().message)) << result.error().message;
    EXPECT_EQ(fileBytes(run / "system" / "工程记录.txt"), "/old/o.html\r\n");
    std::vector<fs::path> entriesAfter;
    for (const auto& e : fs::recursive_directory_iterator(run))
        entriesAfter.push_back(e.path());
    std::sort(entriesBefore.begin(), entriesBefore.end());
    std::sort(entriesAfter.begin(), entriesAfter.end());
    EXPECT_EQ(entriesAfter, entriesBefore);
}

const std::string NoType(kNoProjectTypeChosen);
const std::string NoName(kNoProjectName);
const std::string Unusable(kUnusableProjectName);
const std::string NoFolder(kProjectFolderNotCreated);
const std::string TooLong(kProjectNameTooLong);

INSTANTIATE_TEST_SUITE_P(Table, RefusedProject,
    ::testing::Values(RefusalCase { "no_type", std::nullopt, "a", "project", NoType },
        RefusalCase { "no_type_and_no_name", std::nullopt, "", "project", NoType },
        RefusalCase { "type_outside_the_list", static_cast<DocumentKind>(2), "a", "project", NoType },
        RefusalCase { "empty_name", DocumentKind::Html, "", "project", NoName },
        RefusalCase { "spaces_only", DocumentKind::Html, " \t ", "project", NoName },
        RefusalCase { "ideographic_space_only", DocumentKind::StyleSheet, "\u3000\u3000", "project", NoName },
        RefusalCase { "slash", DocumentKind::Html, "a/b", "project", Unusable },
        RefusalCase { "climbing_out", DocumentKind::Html, "../../x", "project", Unusable },
        RefusalCase { "nul", DocumentKind::Html, std::string("a\0b", 3), "project", Unusable },
        RefusalCase { "dot", DocumentKind::Html, ".", "project", Unusable },
        RefusalCase { "dot_dot", DocumentKind::StyleSheet, "..", "project", Unusable },
        RefusalCase { "missing_parent", DocumentKind::Html, "a", "project/missing", NoFolder },
        RefusalCase { "file_in_the_way", DocumentKind::Html, "taken", "project", NoFolder },
        RefusalCase {
            "name_too_long_for_a_folder", DocumentKind::Html, std::string(300, 'n'), "project", TooLong },
        RefusalCase {
            "name_too_long_for_the_file", DocumentKind::Html, std::string(251, 'n'), "project", TooLong },
        RefusalCase { "name_too_long_in_characters", DocumentKind::StyleSheet, repeated("页", 84), "project",
            TooLong }),
    [](const auto& test) { return std::string(test.param.label); });

struct ExistingFileCase
{
    const char* label;
    void (*prepare)(const fs::path& folder); // folder: where the project "demo" would go
    bool exists;
};

class ProjectCheckFinds : public ::testing::TestWithParam<ExistingFileCase>
{
};

// What a first Save would replace: a file, or whatever a link there points to. A folder of the
// project's name, or one in place of its file, holds nothing a Save could overwrite.
TEST_P(ProjectCheckFinds, AnExistingDocumentFileAndTouchesNothing)
{
    TempFolder dir;
    const auto& run = dir.path();
    fs::create_directories(run / "system");
    fs::create_directories(run / "project");
    GetParam().prepare(run / "project" / "demo");
    std::vector<fs::path> before;
    for (const auto& e : fs::recursive_directory_iterator(run))
        before.push_back(e.path());

    const auto check
        = checkProject(RunFolder(run), { DocumentKind::Html, "demo", (run / "project").string() });
    ASSERT_TRUE(check.ok()) << check.error().message;
    EXPECT_EQ(check->document.filePath(), run / "project" / "demo" / "demo.html");
    EXPECT_EQ(check->documentFileExists, GetParam().exists);
    std::vector<fs::path> after;
    for (const auto& e : fs::recursive_directory_iterator(run))
        after.push_back(e.path());
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);
    EXPECT_FALSE(fs::exists(run / "system" / "工程记录.txt"));
}

INSTANTIATE_TEST_SUITE_P(Table, ProjectCheckFinds,
    ::testing::Values(ExistingFileCase { "new_name", [](const fs::path&) {}, false },
        ExistingFileCase {
            "folder_without_file", [](const fs::path& folder) { fs::create_directory(folder); }, false },
        ExistingFileCase { "file",
            [](const fs::path& folder) { writeFile(folder / "demo.html", "<p>earlier work</p>"); }, true },
        ExistingFileCase { "link_to_a_file",
            [](const fs::path& folder) {
                writeFile(folder.parent_path() / "elsewhere.html", "<p>earlier work</p>");
                fs::create_directory(folder);
                fs::create_symlink("../elsewhere.html", folder / "demo.html");
            },
            true },
        ExistingFileCase { "link_to_nothing",
            [](const fs::path& folder) {
                fs::create_directory(folder);
                fs::create_symlink("missing.html", folder / "demo.html");
            },
            false },
        ExistingFileCase { "folder_in_place_of_the_file",
            [](const fs::path& folder) { fs::create_directories(folder / "demo.html"); }, false }),
    [](const auto& test) { return std::string(test.param.label); });

TEST(ProjectNameRefusal, NamesTheFolderThatCouldNotBeCreated)
{
    TempFolder run;
    const auto folder = run.path() / "nowhere";
    const auto result = createProject(RunFolder(run.path()), { DocumentKind::Html, "a", folder.string() });
    ASSERT_FALSE(result.ok());
    // With the system's reason: the folder above it is missing.
    EXPECT_EQ(result.error().message, projectFolderNotCreated(Error { ENOENT, {} }, folder / "a"));
    EXPECT_NE(
        result.error().message.find(errorSentence(Error { ENOENT, {} }, FileAction::Use)), std::string::npos);
}

} // namespace
} // namespace inkwell
