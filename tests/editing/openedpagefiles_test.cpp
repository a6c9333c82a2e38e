// The files an opened page brings into the document folder: which are copied, where they go, how the
// page's references follow them, and what is refused, with nothing written outside the document folder
// and the opened page left as it was.
#include "editing/openedpagefiles.h"
#include "tests/support/namedpipe.h"
#include "tests/support/tempfolder.h"
#include "tests/support/testfiles.h"

#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sys/fsuid.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace inkwell {
namespace {

using testing::fileBytes;
using testing::TempFolder;
using testing::writeFile;
using Refusal = texts::PageFileRefusal;

// Pictures by their bytes: a PNG signature and a text that tells them apart.
std::string png(std::string_view tag)
{
    return "\x89PNG\r\n\x1A\n" + std::string(tag);
}

// Something that lies in the test's folder before the page is opened. Paths are relative to that
// folder; the page is "site/page/index.html" and the document folder "doc".
struct Existing
{
    enum class Kind
    {
        File,
        Pipe,
        Link, // `bytes` is the link's target
        Folder,
    };
    std::string path;
    std::string bytes;
    Kind kind = Kind::File;
};

struct Case
{
    const char* name;
    std::vector<Existing> setup;
    std::string page;
    std::string loaded; // the page as it is to be loaded; empty: unchanged
    std::map<std::string, std::string> inDocument; // path below the document folder -> bytes
    std::vector<std::pair<std::string, Refusal>> uncopied;
    std::size_t copied = 0;
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.name;
}

// Every regular file below folder with its bytes, and every other entry by kind, for telling that
// nothing changed outside the document folder.
std::map<std::string, std::string> snapshot(const fs::path& folder, const fs::path& leaveOut)
{
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == leaveOut) {
            it.disable_recursion_pending();
            continue;
        }
        const auto status = it->symlink_status();
        const std::string key = fs::relative(it->path(), folder).string();
        if (fs::is_symlink(status))
            entries[key] = "link to " + fs::read_symlink(it->path()).string();
        else if (fs::is_regular_file(status))
            entries[key] = fileBytes(it->path());
        else
            entries[key] = fs::is_directory(status) ? "folder" : "other";
    }
    return entries;
}

// The files below the document folder with their bytes; folders by name.
std::map<std::string, std::string> documentFiles(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (fs::is_regular_file(entry.symlink_status()))
            files[fs::relative(entry.path(), folder).string()] = fileBytes(entry.path());
    }
    return files;
}

class OpenedPage : public ::testing::TestWithParam<Case>
{
protected:
    void make(const std::vector<Existing>& setup)
    {
        fs::create_directories(m_document);
        for (const Existing& item : setup) {
            const fs::path path = m_root.path() / item.path;
            fs::create_directories(path.parent_path());
            switch (item.kind) {
            case Existing::Kind::File:
                writeFile(path, item.bytes);
                break;
            case Existing::Kind::Pipe:
                ASSERT_TRUE(testing::makeNamedPipe(path));
                break;
            case Existing::Kind::Link:
                fs::create_symlink(item.bytes, path);
                break;
            case Existing::Kind::Folder:
                fs::create_directories(path);
                break;
            }
        }
    }

    TempFolder m_root;
    const fs::path m_page = m_root.path() / "site/page/index.html";
    const fs::path m_document = m_root.path() / "doc";
};

TEST_P(OpenedPage, CopiesWhatTheRulesAllowAndRewritesOnlyWhatMoved)
{
    const Case& c = GetParam();
    make(c.setup);
    writeFile(m_page, c.page);
    const auto before = snapshot(m_root.path(), m_document);
    const auto documentBefore = documentFiles(m_document);

    OpenedPageFiles::Outcome outcome;
    {
        // A named pipe that is waited on is opened from the other side after a while, so that the
        // fault shows as a failure rather than a test that never ends.
        std::vector<std::unique_ptr<testing::PipeWaitGuard>> guards;
        for (const Existing& item : c.setup) {
            if (item.kind == Existing::Kind::Pipe)
                guards.push_back(std::make_unique<testing::PipeWaitGuard>(
                    m_root.path() / item.path, std::chrono::milliseconds(2000)));
        }
        const auto start = std::chrono::steady_clock::now();
        OpenedPageFiles files(m_page, c.page, m_document);
        outcome = files.copy();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500))
            << "no named pipe is waited on";
    }

    EXPECT_EQ(outcome.html, c.loaded.empty() ? c.page : c.loaded);
    std::map<std::string, std::string> expected = documentBefore;
    for (const auto& [path, bytes] : c.inDocument)
        expected[path] = bytes;
    EXPECT_EQ(documentFiles(m_document), expected);
    std::vector<std::pair<std::string, Refusal>> uncopied;
    for (const auto& file : outcome.uncopied)
        uncopied.emplace_back(file.address, file.refusal);
    EXPECT_EQ(uncopied, c.uncopied);
    EXPECT_EQ(outcome.copied, c.copied);
    EXPECT_EQ(snapshot(m_root.path(), m_document), before) << "nothing outside the document folder changes";
}

const std::string kA = png("a");
const std::string kOther = png("other");
const std::string kShared = png("shared");
const std::string kTile = png("tile");
const std::string kIcon("\0\0\1\0\1\0x", 7);

// A page with the markup around its references written every way the page may write it, whose bytes
// must come back unchanged outside the addresses that moved.
const std::string kMessyPage = "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\">\r\n"
                               "<!-- img/a.png in a comment -->\n"
                               "<link REL=\"stylesheet\"   href = 'css/s.css' >\n"
                               "</head><body background=../shared/b.png>\n"
                               "<p>中文 &amp; text</p>\t<IMG src=\"img/a.png?v=2#x\" alt='img/a.png'>\n"
                               "<img srcset=\"img/a.png 1x, ../shared/b.png 2x\">\n"
                               "<div style=\"background:url( '../shared/b.png' )\">x</div></body></html>";
const std::string kMessyLoaded = "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\">\r\n"
                                 "<!-- img/a.png in a comment -->\n"
                                 "<link REL=\"stylesheet\"   href = 'css/s.css' >\n"
                                 "</head><body background=shared/b.png>\n"
                                 "<p>中文 &amp; text</p>\t<IMG src=\"img/a-2.png?v=2#x\" alt='img/a.png'>\n"
                                 "<img srcset=\"img/a-2.png 1x, shared/b.png 2x\">\n"
                                 "<div style=\"background:url( 'shared/b.png' )\">x</div></body></html>";

INSTANTIATE_TEST_SUITE_P(Table, OpenedPage,
    ::testing::Values(
        Case { "pictures_and_style_sheets_in_sub_folders",
            { { "site/page/img/a.png", kA }, { "site/page/img/bg.png", kTile },
                { "site/page/css/s.css", "@import \"more.css\";\nbody { background: url(../img/bg.png) }" },
                { "site/page/css/more.css", "p { color: red }" }, { "site/page/fav.ico", kIcon } },
            "<link rel=stylesheet href=css/s.css><link rel=icon href=fav.ico><img src=img/a.png>", "",
            { { "img/a.png", kA }, { "img/bg.png", kTile },
                { "css/s.css", "@import \"more.css\";\nbody { background: url(../img/bg.png) }" },
                { "css/more.css", "p { color: red }" }, { "fav.ico", kIcon } },
            {}, 5 },
        Case { "a_different_file_of_the_same_name_gets_a_free_name",
            { { "site/page/img/a.png", kA }, { "doc/img/a.png", kOther } }, "<img src=\"img/a.png\">",
            "<img src=\"img/a-2.png\">", { { "img/a-2.png", kA } }, {}, 1 },
        Case { "an_identical_file_is_used_as_it_is",
            { { "site/page/img/a.png", kA }, { "doc/img/a.png", kA } },
            "<img src=\"img/a.png\"><img src='img/./a.png'>", "", {}, {}, 0 },
        Case { "an_address_above_the_page_gets_a_place_inside", { { "site/shared/b.png", kShared } },
            "<img src=\"../shared/b.png\">", "<img src=\"shared/b.png\">", { { "shared/b.png", kShared } },
            {}, 1 },
        Case { "a_place_taken_by_a_file_from_the_page_folder_is_shared_out_by_free_names",
            { { "site/page/img/a.png", kA }, { "site/img/a.png", kOther } },
            "<img src=img/a.png><img src=../img/a.png>", "<img src=img/a.png><img src=img/a-2.png>",
            { { "img/a.png", kA }, { "img/a-2.png", kOther } }, {}, 2 },
        Case { "every_other_byte_of_the_markup_stays",
            { { "site/page/img/a.png", kA }, { "doc/img/a.png", kOther }, { "site/shared/b.png", kShared },
                { "site/page/css/s.css", "p{}" } },
            kMessyPage, kMessyLoaded,
            { { "img/a-2.png", kA }, { "shared/b.png", kShared }, { "css/s.css", "p{}" } }, {}, 3 },
        Case { "a_style_sheet_follows_the_files_it_names",
            { { "site/css/s.css", "/* ../img/bg.png */ body{background:url(\"../img/bg.png\") no-repeat}" },
                { "site/img/bg.png", kTile }, { "doc/img/bg.png", kOther } },
            "<link rel=stylesheet href=../css/s.css>", "<link rel=stylesheet href=css/s.css>",
            { { "css/s.css", "/* ../img/bg.png */ body{background:url(\"../img/bg-2.png\") no-repeat}" },
                { "img/bg-2.png", kTile } },
            {}, 2 },
        Case { "style_sheets_that_import_each_other",
            { { "site/page/css/a.css", "@import url(b.css); a{}" },
                { "site/page/css/b.css", "@import 'a.css'; b{}" },
                { "site/page/frame.html", "<img src=img/x.png>" }, { "site/page/img/x.png", kA } },
            "<link rel=stylesheet href=css/a.css><iframe src=frame.html></iframe>", "",
            { { "css/a.css", "@import url(b.css); a{}" }, { "css/b.css", "@import 'a.css'; b{}" } }, {}, 2 },
        Case { "a_symbolic_link_out_of_the_site_is_refused",
            { { "outside/secret.png", kA },
                { "site/page/img/a.png", "../../../outside/secret.png", Existing::Kind::Link },
                { "site/page/img/b.png", png("b") } },
            "<img src=img/a.png><img src=img/b.png>", "", { { "img/b.png", png("b") } },
            { { "img/a.png", Refusal::LinkOutside } }, 1 },
        Case { "a_named_pipe_named_like_a_picture_is_refused_at_once",
            { { "site/page/img/pipe.png", "", Existing::Kind::Pipe },
                { "site/page/css/pipe.css", "", Existing::Kind::Pipe } },
            "<img src=img/pipe.png><link rel=stylesheet href=css/pipe.css>", "", {},
            { { "img/pipe.png", Refusal::NotAFile }, { "css/pipe.css", Refusal::NotAFile } }, 0 },
        Case { "absolute_remote_and_own_addresses_stay_as_they_are", { { "site/page/img/a.png", kA } },
            "<img src=\"/etc/passwd\"><img src=\"file:///etc/hosts\"><img "
            "src=\"http://example.com/img/a.png\">"
            "<img src=\"//example.com/a.png\"><img src=\"data:image/png;base64,AAAA\"><img src=\"#top\">"
            "<link rel=icon href=\"C:\\img\\a.png\"><link rel=stylesheet href=\"index.html\">",
            "", {}, {}, 0 },
        Case { "nothing_above_the_site_folder", { { "site/page/img/a.png", kA } },
            "<img src=\"../../../../../../../../../etc/passwd\"><link rel=icon "
            "href=\"../../../../../../../../../etc/hostname\">"
            "<img src=img/a.png>",
            "", { { "img/a.png", kA } },
            { { "../../../../../../../../../etc/passwd", Refusal::OutsideSite },
                { "../../../../../../../../../etc/hostname", Refusal::OutsideSite } },
            1 },
        Case { "a_picture_place_takes_only_pictures_and_fonts_stay_fonts",
            { { "site/page/img/notes.png", "not a picture" }, { "site/page/f.woff2", "wOF2font" },
                { "site/page/s.css", "@font-face{src:url(f.woff2)}" } },
            "<img src=img/notes.png><img src=img/gone.png><img src=img><link rel=stylesheet href=s.css>", "",
            { { "f.woff2", "wOF2font" }, { "s.css", "@font-face{src:url(f.woff2)}" } },
            { { "img/notes.png", Refusal::NotAPicture }, { "img/gone.png", Refusal::Missing },
                { "img", Refusal::Folder } },
            2 },
        Case { "names_as_a_browser_reads_them",
            { { "site/page/图片/猫 1.png", kA }, { "site/page/img/b.png", png("b") } },
            "<img src=\"%E5%9B%BE%E7%89%87/%E7%8C%AB%201.png\"><img src=\"图片/猫 1.png\"><img "
            "src=\"img\\b.png\">",
            "", { { "图片/猫 1.png", kA }, { "img/b.png", png("b") } }, {}, 2 },
        Case { "a_rewritten_address_is_percent_encoded_and_keeps_its_query",
            { { "site/page/图/a b.png", kA }, { "doc/图/a b.png", kOther } }, "<img src='图/a b.png?v=1'>",
            "<img src='%E5%9B%BE/a%20b-2.png?v=1'>", { { "图/a b-2.png", kA } }, {}, 1 },
        Case { "a_folder_name_taken_by_a_file_or_a_link_gives_the_folder_a_free_name",
            { { "site/page/img/a.png", kA }, { "site/page/pic/c.png", png("c") }, { "doc/img", "a file" },
                { "elsewhere/keep.txt", "x" }, { "doc/pic", "../elsewhere", Existing::Kind::Link } },
            "<img src=img/a.png><img src=pic/c.png>", "<img src=img-2/a.png><img src=pic-2/c.png>",
            { { "img-2/a.png", kA }, { "pic-2/c.png", png("c") } }, {}, 2 },
        Case { "a_page_with_a_base_address_brings_nothing", { { "site/page/img/a.png", kA } },
            "<base href=\"http://example.com/\"><img src=img/a.png>", "", {}, {}, 0 }),
    [](const auto& test) { return std::string(test.param.name); });

// A page opened from the document folder itself needs nothing copied, and nothing is.
TEST(OpenedPageInTheDocumentFolder, BringsNothing)
{
    TempFolder folder;
    writeFile(folder.path() / "img/a.png", kA);
    OpenedPageFiles files(
        folder.path() / "page.html", "<img src=img/gone.png><img src=img/a.png>", folder.path());
    EXPECT_EQ(files.fileCount(), 0u);
    const auto outcome = files.copy();
    EXPECT_EQ(outcome.html, "<img src=img/gone.png><img src=img/a.png>");
    EXPECT_TRUE(outcome.uncopied.empty());
    EXPECT_EQ(outcome.copied, 0u);
}

// Opening the same page again finds its copies, the renamed ones too, and writes nothing.
TEST(OpenedPageAgain, FindsItsCopiesAndWritesNothing)
{
    TempFolder root;
    writeFile(root.path() / "site/img/a.png", kA);
    writeFile(root.path() / "site/css/s.css", "b{background:url(../img/a.png)}");
    writeFile(root.path() / "doc/img/a.png", kOther);
    const std::string page = "<link rel=stylesheet href=css/s.css><img src=img/a.png>";
    const auto first = OpenedPageFiles(root.path() / "site/p.html", page, root.path() / "doc").copy();
    const auto second = OpenedPageFiles(root.path() / "site/p.html", page, root.path() / "doc").copy();
    EXPECT_EQ(first.html, "<link rel=stylesheet href=css/s.css><img src=img/a-2.png>");
    EXPECT_EQ(second.html, first.html);
    EXPECT_EQ(first.copied, 2u);
    EXPECT_EQ(second.copied, 0u);
    EXPECT_EQ(fileBytes(root.path() / "doc/css/s.css"), "b{background:url(../img/a-2.png)}");
    EXPECT_FALSE(fs::exists(root.path() / "doc/img/a-3.png"));
}

// The question comes above 200 files or above 100 MB, counted before anything is copied.
TEST(LargeSite, IsCountedBeforeCopying)
{
    TempFolder root;
    std::string many;
    for (int i = 0; i < 201; ++i) {
        writeFile(root.path() / "site/img" / (std::to_string(i) + ".png"), png(std::to_string(i)));
        many += "<img src=img/" + std::to_string(i) + ".png>";
    }
    fs::create_directories(root.path() / "doc");
    const OpenedPageFiles manyFiles(root.path() / "site/p.html", many, root.path() / "doc");
    EXPECT_EQ(manyFiles.fileCount(), 201u);
    EXPECT_TRUE(manyFiles.isLarge());
    const OpenedPageFiles fewFiles(
        root.path() / "site/p.html", "<img src=img/1.png><img src=img/2.png>", root.path() / "doc");
    EXPECT_EQ(fewFiles.fileCount(), 2u);
    EXPECT_EQ(fewFiles.byteCount(), png("1").size() + png("2").size());
    EXPECT_FALSE(fewFiles.isLarge());

    const fs::path film = root.path() / "site/film.webm";
    writeFile(film, "");
    fs::resize_file(film, OpenedPageFiles::kAskAboveBytes + 1); // sparse: no disk is spent
    const OpenedPageFiles bigFile(
        root.path() / "site/p.html", "<video src=film.webm></video>", root.path() / "doc");
    EXPECT_EQ(bigFile.fileCount(), 1u);
    EXPECT_EQ(bigFile.byteCount(), OpenedPageFiles::kAskAboveBytes + 1);
    EXPECT_TRUE(bigFile.isLarge());
    EXPECT_TRUE(testing::namesIn(root.path() / "doc").empty()) << "planning writes nothing";
}

// A document folder that cannot be written: every file is named with the reason, and the page keeps its
// addresses.
TEST(ReadOnlyDocumentFolder, SaysWhyForEachFile)
{
    TempFolder root;
    writeFile(root.path() / "site/img/a.png", kA);
    fs::create_directories(root.path() / "doc");
    fs::permissions(root.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(root.path() / "doc",
        fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
    OpenedPageFiles::Outcome outcome;
    {
        // The superuser writes into any folder: the copy runs with an ordinary user's file access.
        const bool superuser = ::geteuid() == 0;
        if (superuser) {
            ::setfsgid(65534);
            ::setfsuid(65534);
        }
        outcome
            = OpenedPageFiles(root.path() / "site/p.html", "<img src=img/a.png>", root.path() / "doc").copy();
        if (superuser) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    fs::permissions(root.path() / "doc", fs::perms::owner_all);
    EXPECT_EQ(outcome.html, "<img src=img/a.png>");
    ASSERT_EQ(outcome.uncopied.size(), 1u);
    EXPECT_EQ(outcome.uncopied[0].refusal, Refusal::NotWritten);
    EXPECT_EQ(outcome.uncopied[0].error.code, EACCES);
    EXPECT_TRUE(testing::namesIn(root.path() / "doc").empty());
}

} // namespace
} // namespace inkwell
