#include "document/blankpage.h"
#include "document/documentfile.h"
#include "document/documentfilestatus.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/tempfolder.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inkwell {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
using testing::fileBytes;
using testing::TempFolder;
namespace fs = std::filesystem;

const fs::path documents = fs::path(INKWELL_TEST_DATA) / "document";

struct FixtureCase
{
    const char* name;
    TextEncoding encoding;
    std::string_view declarationAdded = {}; // what Save puts after <head> of a page that declares nothing
};

class Fixtures : public ::testing::TestWithParam<FixtureCase>
{
};

// Open, then save the same text: every character is read, and the file written is the very same bytes,
// in the encoding the page declares (or was found in); a page that declares nothing but holds more than
// ASCII gains the declaration of the encoding it is written in, so that every reader sees its characters.
TEST_P(Fixtures, OpenAndSaveGiveBackTheSameBytes)
{
    const std::string name = GetParam().name;
    const auto read = readDocumentFile(documents / (name + ".html"));
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read->html, fileBytes(documents / "text" / (name + ".txt")));
    EXPECT_EQ(read->encoding, GetParam().encoding);

    TempFolder dir;
    const auto saved = dir.path() / "page.html";
    ASSERT_TRUE(writeDocumentFile(saved, read->html, read->encoding).ok());
    std::string expected = fileBytes(documents / (name + ".html"));
    if (!GetParam().declarationAdded.empty())
        expected.insert(expected.find("<head>") + 6, GetParam().declarationAdded);
    EXPECT_TRUE(fileBytes(saved) == expected) << name;
}

INSTANTIATE_TEST_SUITE_P(Documents, Fixtures,
    ::testing::Values(FixtureCase { "utf8-meta", TextEncoding::Utf8 },
        FixtureCase { "gbk-gb2312", TextEncoding::Gb18030 },
        FixtureCase { "undeclared-gbk", TextEncoding::Gb18030, "<meta charset=\"gb18030\">" },
        FixtureCase { "undeclared-utf8", TextEncoding::Utf8, "<meta charset=\"utf-8\">" },
        FixtureCase { "undeclared-latin2", TextEncoding::Windows1252, "<meta charset=\"windows-1252\">" },
        FixtureCase { "gb2312-emoji", TextEncoding::Gb18030 },
        FixtureCase { "undeclared-shiftjis", TextEncoding::ShiftJis, "<meta charset=\"shift_jis\">" },
        FixtureCase { "undeclared-big5", TextEncoding::Big5, "<meta charset=\"big5\">" },
        FixtureCase { "utf8-stray-byte", TextEncoding::Utf8, "<meta charset=\"utf-8\">" }),
    [](const auto& test) {
        std::string name = test.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// Bytes that are no text in the encoding a page is read in are kept, counted and written back as they
// were: the editor never puts U+FFFD into a file in place of bytes the user did not touch.
TEST(DocumentFile, BytesThatAreNoTextAreWrittenBackAsTheyWere)
{
    struct Case
    {
        const char* name;
        std::string_view bytes;
        TextEncoding encoding;
        std::size_t kept;
    };
    const Case cases[] = {
        { "utf8_declared_stray", "<meta charset=utf-8><p>\xE4\xB8\xAD\xFF\xE6\x96\x87\xC3</p>\xE4\xB8"sv,
            TextEncoding::Utf8, 4 },
        { "gb2312_declared_cut", "<meta charset=gb2312><p>\xD6\xD0\x81\x20\xCE\xC4</p>\xD6"sv,
            TextEncoding::Gb18030, 2 },
        { "shift_jis_declared", "<meta charset=shift_jis><p>\x82\xA0\x85\x40\x82\xA2</p>"sv,
            TextEncoding::ShiftJis, 1 },
        { "windows1252_unmapped", "<meta charset=windows-1252><p>Caf\xE9 \x81\x8D\x8F\x90\x9D</p>"sv,
            TextEncoding::Windows1252, 5 },
        // A character of the file among those that stand for kept bytes (U+10FECD) is kept as its own
        // four bytes, not written as the one byte it would stand for.
        { "utf8_kept_byte_lookalike", "<meta charset=utf-8><p>\xE4\xB8\xAD\xF4\x8F\xBB\x8D\xE6\x96\x87</p>"sv,
            TextEncoding::Utf8, 4 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedText read = decodeDocumentBytes(c.bytes);
        EXPECT_EQ(read.encoding, c.encoding);
        EXPECT_EQ(read.invalidSequences, c.kept);
        EXPECT_EQ(read.utf8.find("\xEF\xBF\xBD"), std::string::npos) << read.utf8;
        EXPECT_TRUE(isValidUtf8(read.utf8));
        TempFolder dir;
        ASSERT_TRUE(writeDocumentFile(dir.path() / "page.html", read.utf8, read.encoding).ok());
        EXPECT_TRUE(fileBytes(dir.path() / "page.html") == c.bytes) << fileBytes(dir.path() / "page.html");

        // A character typed beside them is written in the page's encoding; the kept bytes stay.
        const std::string edited = read.utf8 + "<p>中</p>";
        ASSERT_TRUE(writeDocumentFile(dir.path() / "edited.html", edited, read.encoding).ok());
        EXPECT_TRUE(fileBytes(dir.path() / "edited.html").starts_with(c.bytes));
    }
}

TEST(DocumentFile, Gb2312PageTypedWithEmojiIsSavedInFourByteGb18030)
{
    TempFolder dir;
    const auto path = dir.path() / "page.html";
    const std::string page = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />中😀";
    ASSERT_TRUE(writeDocumentFile(path, page, TextEncoding::Utf8).ok());
    EXPECT_EQ(fileBytes(path),
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />\xD6\xD0\x94\x39\xFC\x36");
}

struct TextCase
{
    const char* name;
    std::string_view bytes;
    std::string_view text;
    TextEncoding encoding;
};

class TextOfBytes : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(TextOfBytes, EndsAtTheFirstZero)
{
    const auto decoded = decodeDocumentBytes(GetParam().bytes);
    EXPECT_EQ(decoded.utf8, GetParam().text);
    EXPECT_EQ(decoded.encoding, GetParam().encoding);
}

INSTANTIATE_TEST_SUITE_P(Table, TextOfBytes,
    ::testing::Values(TextCase { "cut", "<p>ab\0cd"sv, "<p>ab", TextEncoding::Utf8 },
        TextCase { "zero_first", "\0<p>"sv, "", TextEncoding::Utf8 },
        TextCase { "no_zero", "<p>\xD6\xD0</p>", "<p>中</p>", TextEncoding::Gb18030 },
        // What follows the zero neither declares an encoding nor spoils valid UTF-8.
        TextCase {
            "declaration_after_zero", "<p>\xD6\xD0\0<meta charset=big5>"sv, "<p>中", TextEncoding::Gb18030 },
        TextCase { "garbage_after_zero", "<p>\xE4\xB8\xAD\0\xFF"sv, "<p>中", TextEncoding::Utf8 },
        // In UTF-16 the zero that ends the text is a whole zero character, not the first zero byte.
        TextCase { "utf16_zero_character", "\xFF\xFE<\0-N\0\0x\0"sv, "<中", TextEncoding::Utf16Le },
        TextCase { "utf8_mark_dropped", "\xEF\xBB\xBFok\0no"sv, "ok", TextEncoding::Utf8 },
        // Without a mark, UTF-16 is told by its zero bytes, so the text does not end at the first of them.
        TextCase {
            "utf16le_without_mark", "<\0p\0>\0-N<\0/\0p\0>\0\0\0x\0"sv, "<p>中</p>", TextEncoding::Utf16Le },
        TextCase { "utf16be_without_mark", "\0<\0p\0>N-"sv, "<p>中", TextEncoding::Utf16Be }),
    [](const auto& test) { return std::string(test.param.name); });

TEST(DocumentFile, ReadFailuresAreReportedAndEmptyFilesAreNot)
{
    TempFolder dir;
    const auto missing = readDocumentFile(dir.path() / "missing.html");
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error().message.find("missing.html"), std::string::npos) << missing.error().message;

    EXPECT_FALSE(readDocumentFile(dir.path()).ok()); // a folder

    testing::writeFile(dir.path() / "empty.html", "");
    const auto empty = readDocumentFile(dir.path() / "empty.html");
    ASSERT_TRUE(empty.ok()) << empty.error().message;
    EXPECT_EQ(empty->html, "");
}

// Open reads what it is given whatever its name: a picture or an archive by mistake is refused by its
// signature, while a text with a zero byte in it is still a page up to that zero.
TEST(DocumentFile, PicturesArchivesAndProgramsAreNoPagesWhateverTheirName)
{
    TempFolder dir;
    const std::filesystem::path data(INKWELL_TEST_DATA);
    const std::string png = testing::requiredFileBytes(data / "archive/outside/green.png");
    const std::string zip = "PK\3\4\x14\0\0\0\x08\0<html>"s;
    for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>> {
             { "西湖风景.png", png }, { "page.html", png }, { "site.zip", zip },
             { "inkwell",
                 "\x7F"
                 "ELF\2\1\1\0"s } }) {
        testing::writeFile(dir.path() / name, bytes);
        const auto read = readDocumentFile(dir.path() / name);
        ASSERT_FALSE(read.ok()) << name;
        EXPECT_EQ(read.error().code, kNotAWebPage) << name;
        EXPECT_NE(read.error().message.find(name), std::string::npos) << read.error().message;
    }
    testing::writeFile(dir.path() / "zero.html", "<p>PK</p>\0\x89PNG"s);
    const auto text = readDocumentFile(dir.path() / "zero.html");
    ASSERT_TRUE(text.ok()) << text.error().message;
    EXPECT_EQ(text->html, "<p>PK</p>");
}

TEST(DocumentFile, FailedWriteLeavesTheOldFileWhole)
{
    TempFolder dir;
    const auto path = dir.path() / "page.html";
    testing::writeFile(path, "old page");
    const std::string page = "<meta charset=utf-8>" + std::string(64 * 1024, 'x');

    Result<void> result;
    {
        testing::FileSizeLimit limit(4096); // the write fails after its first 4096 bytes
        result = writeDocumentFile(path, page, TextEncoding::Utf8);
    }
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(fileBytes(path), "old page");
    EXPECT_EQ(
        std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator {}), 1); // nothing beside

    EXPECT_FALSE(writeDocumentFile(dir.path() / "gone" / "page.html", page, TextEncoding::Utf8).ok());
    EXPECT_FALSE(fs::exists(dir.path() / "gone"));
}

using testing::namesIn;

mode_t modeOf(const fs::path& path)
{
    struct stat info
    {
    };
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Sets the process's file mode mask until the end of the scope.
class ScopedUmask
{
public:
    explicit ScopedUmask(mode_t mask)
        : m_old(::umask(mask))
    {
    }
    ~ScopedUmask() { ::umask(m_old); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_old;
};

enum class SavedThrough
{
    File, // the path is the page file itself
    RelativeLink, // page.html -> real/page.html
    AbsoluteLink, // page.html -> <folder>/real/page.html
    TwoLinks, // page.html -> middle.html -> real/page.html
};

struct KeepCase
{
    const char* label;
    mode_t umask;
    std::optional<mode_t> existingMode; // the page file's mode before the save; none: no file yet
    SavedThrough through;
    mode_t expectedMode;
    bool otherOwner = false; // the old file belongs to another user (needs root)
};

void PrintTo(const KeepCase& c, std::ostream* os)
{
    *os << c.label;
}

class SaveKeeps : public ::testing::TestWithParam<KeepCase>
{
};

// A save replaces the bytes and nothing else: the file's permissions (and owner) stay, a link stays a
// link and its target gets the page, a new file gets the usual mode the umask gives, and nothing is
// left beside either.
TEST_P(SaveKeeps, PermissionsAndLinks)
{
    const auto& c = GetParam();
    if (c.otherOwner && ::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    TempFolder dir;
    const auto real = dir.path() / "real" / "page.html";
    fs::create_directory(real.parent_path());
    if (c.existingMode) {
        testing::writeFile(real, "old page");
        ASSERT_EQ(::chmod(real.c_str(), *c.existingMode), 0);
        if (c.otherOwner) {
            ASSERT_EQ(::chown(real.c_str(), 65534, 65534), 0);
        }
    }
    const auto saved = c.through == SavedThrough::File ? real : dir.path() / "page.html";
    switch (c.through) {
    case SavedThrough::File:
        break;
    case SavedThrough::RelativeLink:
        fs::create_symlink("real/page.html", saved);
        break;
    case SavedThrough::AbsoluteLink:
        fs::create_symlink(real, saved);
        break;
    case SavedThrough::TwoLinks:
        fs::create_symlink("real/page.html", dir.path() / "middle.html");
        fs::create_symlink("middle.html", saved);
        break;
    }
    const auto linkBefore = c.through == SavedThrough::File ? fs::path() : fs::read_symlink(saved);

    Result<void> result;
    {
        ScopedUmask mask(c.umask);
        result = writeDocumentFile(saved, "<p>new</p>", TextEncoding::Utf8);
    }
    ASSERT_TRUE(result.ok()) << result.error().message;
    EXPECT_EQ(fileBytes(real), "<p>new</p>");
    EXPECT_EQ(modeOf(real), c.expectedMode) << std::oct << modeOf(real);
    if (c.through != SavedThrough::File) {
        EXPECT_TRUE(fs::is_symlink(saved));
        EXPECT_EQ(fs::read_symlink(saved), linkBefore);
    }
    if (c.otherOwner) {
        struct stat info
        {
        };
        ASSERT_EQ(::stat(real.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 65534u);
        EXPECT_EQ(info.st_gid, 65534u);
    }
    EXPECT_EQ(namesIn(real.parent_path()), std::vector<std::string> { "page.html" });
}

INSTANTIATE_TEST_SUITE_P(Table, SaveKeeps,
    ::testing::Values(KeepCase { "new_file_umask_022", 022, std::nullopt, SavedThrough::File, 0644 },
        KeepCase { "new_file_umask_077", 077, std::nullopt, SavedThrough::File, 0600 },
        KeepCase { "new_file_no_umask", 0, std::nullopt, SavedThrough::File, 0666 },
        KeepCase { "private_file", 022, 0600, SavedThrough::File, 0600 },
        KeepCase { "group_readable_file", 077, 0640, SavedThrough::File, 0640 },
        KeepCase { "executable_file", 077, 0755, SavedThrough::File, 0755 },
        KeepCase { "read_only_file", 022, 0444, SavedThrough::File, 0444 },
        KeepCase { "file_of_another_user", 022, 0664, SavedThrough::File, 0664, true },
        KeepCase { "relative_link", 022, 0640, SavedThrough::RelativeLink, 0640 },
        KeepCase { "absolute_link", 022, 0600, SavedThrough::AbsoluteLink, 0600 },
        KeepCase { "two_links", 022, 0604, SavedThrough::TwoLinks, 0604 },
        KeepCase { "link_to_a_missing_file", 027, std::nullopt, SavedThrough::RelativeLink, 0640 }),
    [](const auto& test) { return std::string(test.param.label); });

TEST(DocumentFile, LinkLoopIsReportedAndLeavesNothing)
{
    TempFolder dir;
    fs::create_symlink("b.html", dir.path() / "a.html");
    fs::create_symlink("a.html", dir.path() / "b.html");
    const auto result = writeDocumentFile(dir.path() / "a.html", "<p>new</p>", TextEncoding::Utf8);
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error().message.find("a.html"), std::string::npos) << result.error().message;
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string> { "a.html", "b.html" }));
}

struct NameCase
{
    const char* label;
    std::string name;
};

void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << c.label;
}

class SaveNamed : public ::testing::TestWithParam<NameCase>
{
};

// The temporary file of a save is never longer than the file's own name, so a name that fits the
// folder can always be saved, the longest included; and one as short as a letter still works.
TEST_P(SaveNamed, AnyNameThatFitsItsFolderCanBeSavedAndSavedAgain)
{
    TempFolder dir;
    const auto path = dir.path() / GetParam().name;
    ASSERT_TRUE(writeDocumentFile(path, "<p>first</p>", TextEncoding::Utf8).ok());
    const auto again = writeDocumentFile(path, "<p>second</p>", TextEncoding::Utf8);
    ASSERT_TRUE(again.ok()) << again.error().message;
    EXPECT_EQ(fileBytes(path), "<p>second</p>");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { GetParam().name });
}

std::string repeated(std::string_view part, std::size_t times)
{
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += part;
    return text;
}

INSTANTIATE_TEST_SUITE_P(Table, SaveNamed,
    ::testing::Values(NameCase { "one_letter", "a" }, NameCase { "two_letters", "ab" },
        NameCase { "short_page", "a.html" },
        NameCase { "longest_name", std::string(250, 'n') + ".html" }, // 255 bytes, the usual limit
        NameCase { "longest_chinese_name", repeated("页", 85) }), // 255 bytes in UTF-8
    [](const auto& test) { return std::string(test.param.label); });

TEST(DocumentFileStatus, AsksOnlyAfterEditsThatChangedThePage)
{
    DocumentFileStatus status;
    EXPECT_EQ(status.encoding(), TextEncoding::Gb18030); // a new page
    status.markLoaded("<p>a</p>");
    EXPECT_FALSE(status.hasUnsavedChanges("<p>a</p>"));
    EXPECT_FALSE(status.hasUnsavedChanges("<p>a</p>\n")) << "the view rewrote the markup, nobody edited it";

    status.markEdited();
    EXPECT_TRUE(status.hasUnsavedChanges("<p>ab</p>"));
    EXPECT_FALSE(status.hasUnsavedChanges("<p>a</p>")) << "an edit that was undone";

    status.markSaved("<p>ab</p>");
    EXPECT_FALSE(status.isEdited());
    EXPECT_FALSE(status.hasUnsavedChanges("<p>ab</p>"));
    status.markEdited();
    EXPECT_TRUE(status.hasUnsavedChanges("<p>a</p>")) << "back to what was loaded, but not to what was saved";

    status.markLoaded("<p>b</p>", TextEncoding::Utf8);
    EXPECT_EQ(status.encoding(), TextEncoding::Utf8);
    EXPECT_FALSE(status.hasUnsavedChanges("<p>c</p>"));
    status.markSaved("<p>b</p>");
    EXPECT_EQ(status.encoding(), TextEncoding::Utf8) << "a save keeps the encoding the page was read in";
}

TEST(BlankPage, TenCrLfLinesDeclaringGb2312)
{
    const std::string page(blankPage());
    EXPECT_EQ(page.rfind("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
                         "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n",
                  0),
        0u);
    EXPECT_NE(page.find("\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />\r\n"
                        "<title>无标题文档</title>\r\n</head>\r\n\r\n<body>\r\n</body>\r\n</html>"),
        std::string::npos);
    std::size_t lines = 1;
    for (std::size_t at = page.find("\r\n"); at != std::string::npos; at = page.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 10u);
    EXPECT_EQ(page.substr(page.size() - 7), "</html>");
}

} // namespace
} // namespace inkwell
