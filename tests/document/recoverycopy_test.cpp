// The recovery copy on disk: what is written comes back with its document, damaged copies are told
// apart from missing ones, and a write decided on before a removal never lands after it.
#include "core/atomicfile.h"
#include "core/inifile.h"
#include "core/readfile.h"
#include "document/ownfolders.h"
#include "document/recoverycopy.h"
#include "tests/support/tempfolder.h"

#include <chrono>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace inkwell {
namespace {

namespace fs = std::filesystem;
using testing::fileBytes;
using testing::TempFolder;
using testing::writeFile;

// The run folder in dir with its "system" folder, as start-up leaves it.
RunFolder startedRunFolder(const TempFolder& dir)
{
    RunFolder run(dir.path());
    std::filesystem::create_directory(run.systemFolder());
    return run;
}

TEST(RecoveryCopy, WrittenPageComesBackWithItsDocument)
{
    TempFolder dir;
    RecoveryCopy copy(startedRunFolder(dir));
    EXPECT_EQ(copy.read().status, RecoveryReadResult::Status::None);
    EXPECT_FALSE(copy.exists());

    const DocumentLocation document { dir.path() / "project" / "我的 网页 (1)", "我的 网页 (1)",
        DocumentKind::StyleSheet };
    // The page declares gb2312 but the copy holds UTF-8: it must come back as UTF-8, not re-sniffed.
    const std::string html = "<html><head><meta charset=\"gb2312\"></head><body>未保存的页面 😀</body></html>";
    ASSERT_TRUE(copy.write(document, TextEncoding::Utf8, html).ok());
    EXPECT_TRUE(copy.exists());
    EXPECT_EQ(fileBytes(copy.pagePath()), html);

    const auto found = copy.read();
    ASSERT_EQ(found.status, RecoveryReadResult::Status::Found) << found.reason;
    EXPECT_EQ(found.page.document.folder, document.folder);
    EXPECT_EQ(found.page.document.name, document.name);
    EXPECT_EQ(found.page.document.kind, document.kind);
    EXPECT_EQ(found.page.encoding, TextEncoding::Utf8);
    EXPECT_EQ(found.page.html, html);

    // A newer copy replaces the older one whole.
    ASSERT_TRUE(copy.write(document, TextEncoding::Gb18030, "<p>newer</p>").ok());
    EXPECT_EQ(copy.read().page.html, "<p>newer</p>");
    EXPECT_EQ(copy.read().page.encoding, TextEncoding::Gb18030);

    copy.remove();
    EXPECT_FALSE(copy.exists());
    EXPECT_EQ(copy.read().status, RecoveryReadResult::Status::None);
}

// Runs work on a thread of its own and waits a bounded time: a read that blocks (on a named pipe) fails
// the test instead of holding it up until the test runner gives up.
void finishesWithin(std::chrono::seconds limit, const std::function<void()>& work)
{
    auto done = std::async(std::launch::async, work);
    if (done.wait_for(limit) != std::future_status::ready) {
        ADD_FAILURE() << "still blocked after " << limit.count() << " s";
        std::cerr.flush();
        ::_exit(1); // the blocked thread cannot be joined
    }
    done.get();
}

// Sets one key of the record as a hand or another program would have written it.
std::function<void(const RecoveryCopy&, const fs::path&)> recordKey(const char* key, std::string value)
{
    return [key, value](const RecoveryCopy& c, const fs::path&) {
        ASSERT_TRUE(IniFile(c.recordPath()).write("恢复", key, value));
    };
}

std::function<void(const RecoveryCopy&, const fs::path&)> recordFolder(
    std::function<fs::path(const fs::path&)> of)
{
    return [of](const RecoveryCopy& c, const fs::path& run) {
        ASSERT_TRUE(IniFile(c.recordPath()).write("恢复", "文件夹", of(run).string()));
    };
}

void makeFifo(const fs::path& path)
{
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
}

// Only a copy this program could have written is offered: any record that would send a Save somewhere
// else, whoever wrote it, and any file that is not a regular file make the copy damaged.
TEST(RecoveryCopy, DamagedCopiesAreToldApart)
{
    struct Case
    {
        const char* name;
        std::function<void(const RecoveryCopy&, const fs::path& run)> damage;
    };
    const Case cases[] = {
        { "page_missing", [](const RecoveryCopy& c, const fs::path&) { fs::remove(c.pagePath()); } },
        { "record_missing", [](const RecoveryCopy& c, const fs::path&) { fs::remove(c.recordPath()); } },
        { "page_not_utf8",
            [](const RecoveryCopy& c, const fs::path&) {
                writeFile(c.pagePath(), "<p>\xC4\xE3\xBA\xC3</p>");
            } },
        { "record_garbage",
            [](const RecoveryCopy& c, const fs::path&) {
                writeFile(c.recordPath(), "\x01\x02 not a record");
            } },
        { "page_named_pipe", [](const RecoveryCopy& c, const fs::path&) { makeFifo(c.pagePath()); } },
        { "record_named_pipe", [](const RecoveryCopy& c, const fs::path&) { makeFifo(c.recordPath()); } },
        { "kind_not_a_number", recordKey("类型", "html") },
        { "kind_unknown", recordKey("类型", "99") },
        { "kind_negative", recordKey("类型", "-1") },
        { "kind_padded", recordKey("类型", "01") },
        { "unknown_encoding", recordKey("编码", "ebcdic") },
        { "encoding_never_written", recordKey("编码", "latin1") },
        { "encoding_other_spelling", recordKey("编码", "UTF-8") },
        { "empty_name", recordKey("名称", "") },
        { "name_climbs_out", recordKey("名称", "../../victim/owned.conf") },
        { "name_with_folder", recordKey("名称", "sub/page") },
        { "name_dot_dot", recordKey("名称", "..") },
        { "name_dot", recordKey("名称", ".") },
        { "name_with_nul",
            [](const RecoveryCopy& c, const fs::path&) {
                // Written byte by byte: a NUL would end the name where the system opens it.
                std::string record = readFile(c.recordPath()).value();
                const std::string line = "名称=page\n";
                const auto at = record.find(line);
                ASSERT_NE(at, std::string::npos) << record;
                record.replace(at, line.size(), std::string("名称=page\0.conf\n", 18));
                ASSERT_TRUE(writeFileAtomically(c.recordPath(), record).ok());
            } },
        { "folder_empty", recordKey("文件夹", "") },
        { "folder_relative", recordKey("文件夹", "tmp") },
        { "folder_elsewhere", recordFolder([](const fs::path& run) { return run.parent_path(); }) },
        { "folder_system", recordFolder([](const fs::path& run) { return run / "system"; }) },
        { "folder_run", recordFolder([](const fs::path& run) { return run; }) },
        { "folder_below_tmp", recordFolder([](const fs::path& run) { return run / "tmp" / "inner"; }) },
        { "folder_projects_itself", recordFolder([](const fs::path& run) { return run / "project"; }) },
        { "folder_climbs_out_of_projects",
            recordFolder([](const fs::path& run) { return run / "project" / ".." / ".." / "victim"; }) },
        { "folder_link_out_of_projects",
            [](const RecoveryCopy& c, const fs::path& run) {
                fs::create_directories(run / "project");
                fs::create_directories(run.parent_path() / "victim");
                fs::create_directory_symlink(run.parent_path() / "victim", run / "project" / "link");
                ASSERT_TRUE(
                    IniFile(c.recordPath()).write("恢复", "文件夹", (run / "project" / "link").string()));
            } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder outer;
        const fs::path run = outer.path() / "run";
        fs::create_directories(run / "system");
        RecoveryCopy copy { RunFolder(run) };
        ASSERT_TRUE(
            copy.write({ run / "tmp", "page", DocumentKind::Html }, TextEncoding::Gb18030, "<p>x</p>").ok());
        ASSERT_EQ(copy.read().status, RecoveryReadResult::Status::Found) << "as written, the copy is sound";
        c.damage(copy, run);
        RecoveryReadResult found;
        finishesWithin(std::chrono::seconds(5), [&] { found = copy.read(); });
        EXPECT_EQ(found.status, RecoveryReadResult::Status::Damaged);
        EXPECT_FALSE(found.reason.empty());
        copy.remove();
        EXPECT_FALSE(copy.exists());
    }
}

// The folders a record may name: the run folder's "tmp", project folders below its "project" folder
// (also through links that stay inside) and the folder of a project the history lists, wherever the
// wizard made it.
TEST(RecoveryCopy, RecordsOfTheProgramsOwnFoldersAreTaken)
{
    TempFolder outer;
    const fs::path run = outer.path() / "run";
    fs::create_directories(run / "system");
    const fs::path madeElsewhere = outer.path() / "projects elsewhere" / "站点";
    fs::create_directories(madeElsewhere);
    writeFile(RunFolder(run).projectHistoryFile(),
        (run / "project" / "旧" / "旧.html").string() + "\r\n" + (madeElsewhere / "站点.html").string()
            + "\r\n");
    fs::create_directories(run / "project" / "real");
    fs::create_directory_symlink(run / "project" / "real", run / "project" / "alias");
    RecoveryCopy copy { RunFolder(run) };
    for (const fs::path& folder : { run / "tmp", run / "project" / "首页", run / "project" / "a" / "b",
             run / "project" / "alias", madeElsewhere }) {
        SCOPED_TRACE(folder);
        for (const DocumentKind kind : { DocumentKind::Html, DocumentKind::StyleSheet }) {
            ASSERT_TRUE(copy.write({ folder, "页 1", kind }, TextEncoding::Utf16Le, "<p>x</p>").ok());
            const auto found = copy.read();
            ASSERT_EQ(found.status, RecoveryReadResult::Status::Found) << found.reason;
            EXPECT_EQ(found.page.document.filePath(),
                folder / (std::string("页 1") + std::string(extensionOfKind(kind))));
        }
    }
}

// "prj.ini" only proposes where the wizard makes new projects: a record naming a folder below the one
// it names, say after "路径=/" was planted there, is not a document of this program, and Save must not
// be sent there. Neither a folder beside a listed project nor one below it is taken.
TEST(RecoveryCopy, TheProjectFolderSettingDoesNotWidenWhatARecordMayName)
{
    TempFolder outer;
    const fs::path run = outer.path() / "run";
    fs::create_directories(run / "system");
    const fs::path victim = outer.path() / "victim";
    const fs::path listed = outer.path() / "sites" / "站点";
    fs::create_directories(victim);
    fs::create_directories(listed / "inner");
    fs::create_directories(outer.path() / "sites" / "beside");
    writeFile(RunFolder(run).projectHistoryFile(), (listed / "站点.html").string() + "\r\n");
    RecoveryCopy copy { RunFolder(run) };
    for (const std::string& setting : { std::string("/"), outer.path().string(), std::string("..") }) {
        ASSERT_TRUE(IniFile(run / "prj.ini").write("工程目录", "路径", setting));
        for (const fs::path& folder : { victim, outer.path() / "sites" / "beside", listed / "inner" }) {
            SCOPED_TRACE(setting + " " + folder.string());
            ASSERT_TRUE(
                copy.write({ folder, "target.txt", DocumentKind::Html }, TextEncoding::Utf8, "<p>x</p>")
                    .ok());
            const auto found = copy.read();
            EXPECT_EQ(found.status, RecoveryReadResult::Status::Damaged) << found.page.document.filePath();
            EXPECT_FALSE(found.reason.empty());
        }
    }
    EXPECT_EQ(testing::namesIn(victim), std::vector<std::string> {});
}

// The copy holds unsaved work: whatever the umask and whatever an earlier copy's mode, only the owner
// may read it.
TEST(RecoveryCopy, FilesAreTheOwnersAlone)
{
    TempFolder dir;
    const RunFolder run = startedRunFolder(dir);
    RecoveryCopy copy(run);
    writeFile(copy.recordPath(), "[恢复]\n");
    fs::permissions(copy.recordPath(), fs::perms(0644));
    const mode_t saved = ::umask(0);
    const auto written
        = copy.write({ run.tmpFolder(), "page", DocumentKind::Html }, TextEncoding::Utf8, "<p>x</p>");
    ::umask(saved);
    ASSERT_TRUE(written.ok()) << written.error().message;
    for (const fs::path& file : { copy.pagePath(), copy.recordPath() }) {
        struct stat info
        {
        };
        ASSERT_EQ(::stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600u) << file;
    }
}

// What a save killed half-way leaves beside its target is removed at the next start, from the folders
// the program writes to, and nothing else is: not users' own hidden files, not links, not folders, not
// files deeper down.
TEST(LeftoverTemporaryFiles, OnlyTheWritersOwnNamesInItsOwnFoldersGo)
{
    TempFolder outer;
    const fs::path run = outer.path() / "run";
    const fs::path elsewhere = outer.path() / "sites";
    fs::create_directories(run / "system");
    ASSERT_TRUE(IniFile(run / "prj.ini").write("工程目录", "路径", elsewhere.string()));
    const std::vector<fs::path> leftovers { run / ".~Ab3", run / "system" / ".~x9Zk2LmQ0",
        run / "tmp" / ".~q", run / "project" / "首页" / ".~Page7", elsewhere / "站点" / ".~abcdefghij" };
    const std::vector<fs::path> kept { run / "project" / "首页" / ".htaccess",
        run / "system" / ".~lock.a.ini#", run / "system" / ".~toolongname", run / "tmp" / ".~",
        run / "project" / "首页" / "inner" / ".~deep", run / "tmp" / "~abc", outer.path() / ".~Ab3" };
    for (const auto& file : leftovers)
        writeFile(file, "half");
    for (const auto& file : kept)
        writeFile(file, "mine");
    fs::create_directories(run / "system" / ".~Dir");
    fs::create_symlink(outer.path() / ".~Ab3", run / "tmp" / ".~Link");

    EXPECT_EQ(removeLeftoverTemporaryFiles(RunFolder(run)), leftovers.size());
    for (const auto& file : leftovers)
        EXPECT_FALSE(fs::exists(file)) << file;
    for (const auto& file : kept)
        EXPECT_TRUE(fs::exists(file)) << file;
    EXPECT_TRUE(fs::is_directory(run / "system" / ".~Dir"));
    EXPECT_TRUE(fs::is_symlink(run / "tmp" / ".~Link"));
}

TEST(RecoveryCopy, WriteDecidedBeforeARemovalIsDropped)
{
    TempFolder dir;
    RecoveryCopy copy(startedRunFolder(dir));
    const auto generation = copy.generation();
    copy.remove(); // the page was saved while its copy was being prepared
    EXPECT_TRUE(copy.write({ dir.path() / "tmp", "page", DocumentKind::Html }, TextEncoding::Utf8,
                        "<p>stale</p>", generation)
                    .ok());
    EXPECT_FALSE(copy.exists());

    ASSERT_TRUE(copy.write({ dir.path() / "tmp", "page", DocumentKind::Html }, TextEncoding::Utf8,
                        "<p>fresh</p>", copy.generation())
                    .ok());
    EXPECT_EQ(copy.read().page.html, "<p>fresh</p>");
}

TEST(RecoveryCopy, UnwritableFolderIsReported)
{
    TempFolder dir;
    RecoveryCopy copy(RunFolder(dir.path())); // no "system" folder
    const auto result = copy.write({ "/tmp", "page", DocumentKind::Html }, TextEncoding::Utf8, "<p>x</p>");
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(copy.exists());
}

// A page on disk always has its record beside it: a copy that cannot be recorded leaves nothing, and a
// record that cannot be replaced keeps the page from being replaced with one that does not match it.
TEST(RecoveryCopy, PageIsNeverWrittenWithoutItsRecord)
{
    TempFolder dir;
    RecoveryCopy copy(startedRunFolder(dir));
    const auto unrecordable
        = copy.write({ "/tmp/two\nlines", "page", DocumentKind::Html }, TextEncoding::Utf8, "<p>lost?</p>");
    EXPECT_FALSE(unrecordable.ok());
    EXPECT_FALSE(copy.exists());

    ASSERT_TRUE(copy.write({ "/tmp", "page", DocumentKind::Html }, TextEncoding::Utf8, "<p>first</p>").ok());
    std::filesystem::remove(copy.recordPath());
    std::filesystem::create_directory(copy.recordPath()); // the record can no longer be replaced
    EXPECT_FALSE(
        copy.write({ "/tmp", "page", DocumentKind::Html }, TextEncoding::Utf8, "<p>second</p>").ok());
    EXPECT_EQ(fileBytes(copy.pagePath()), "<p>first</p>");
}

} // namespace
} // namespace inkwell
