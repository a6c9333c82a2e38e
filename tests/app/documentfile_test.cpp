#include "app/documentfile.h"
#include "app/documentfilestatus.h"
#include "tests/app/filesizelimit.h"
#include "tests/support/tempfolder.h"

#include <gtest/gtest.h>

namespace inkwell {
namespace {

using namespace std::string_view_literals;
using testing::ReadFile;
using testing::TempFolder;
namespace fs = std::filesystem;

const fs::path documents = fs::path(INKWELL_TEST_DATA) / "documents";

struct FixtureCase
{
    const char* name;
    TextEncoding encoding;
};

class Fixtures : public ::testing::TestWithParam<FixtureCase>
{
};

// Open, then save the same text: every character is read, and the file written is the very same bytes,
// in the encoding the page declares (or was found in).
TEST_P(Fixtures, OpenAndSaveGiveBackTheSameBytes)
{
    const std::string name = GetParam().name;
    const auto read = ReadDocumentFile(documents / (name + ".html"));
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_EQ(read.html, ReadFile(documents / "text" / (name + ".txt")));
    EXPECT_EQ(read.encoding, GetParam().encoding);

    TempFolder dir;
    const auto saved = dir.path() / "page.html";
    ASSERT_TRUE(WriteDocumentFile(saved, read.html, read.encoding).ok());
    EXPECT_TRUE(ReadFile(saved) == ReadFile(documents / (name + ".html"))) << name;
}

INSTANTIATE_TEST_SUITE_P(Documents, Fixtures,
    ::testing::Values(FixtureCase { "utf8-meta", TextEncoding::Utf8 },
        FixtureCase { "gbk-gb2312", TextEncoding::Gb18030 },
        FixtureCase { "undeclared-gbk", TextEncoding::Gb18030 },
        FixtureCase { "undeclared-utf8", TextEncoding::Utf8 },
        FixtureCase { "gb2312-emoji", TextEncoding::Gb18030 }),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST(DocumentFile, Gb2312PageTypedWithEmojiIsSavedInFourByteGb18030)
{
    TempFolder dir;
    const auto path = dir.path() / "page.html";
    const std::string page = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />中😀";
    ASSERT_TRUE(WriteDocumentFile(path, page, TextEncoding::Utf8).ok());
    EXPECT_EQ(ReadFile(path),
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
    const auto decoded = DecodeDocumentBytes(GetParam().bytes);
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
        TextCase { "utf8_mark_dropped", "\xEF\xBB\xBFok\0no"sv, "ok", TextEncoding::Utf8 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DocumentFile, ReadFailuresAreReportedAndEmptyFilesAreNot)
{
    TempFolder dir;
    const auto missing = ReadDocumentFile(dir.path() / "missing.html");
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error.find("missing.html"), std::string::npos) << missing.error;

    EXPECT_FALSE(ReadDocumentFile(dir.path()).ok()); // a folder

    testing::WriteFile(dir.path() / "empty.html", "");
    const auto empty = ReadDocumentFile(dir.path() / "empty.html");
    EXPECT_TRUE(empty.ok()) << empty.error;
    EXPECT_EQ(empty.html, "");
}

TEST(DocumentFile, FailedWriteLeavesTheOldFileWhole)
{
    TempFolder dir;
    const auto path = dir.path() / "page.html";
    testing::WriteFile(path, "old page");
    const std::string page = "<meta charset=utf-8>" + std::string(64 * 1024, 'x');

    FileWriteResult result;
    {
        testing::FileSizeLimit limit(4096); // the write fails after its first 4096 bytes
        result = WriteDocumentFile(path, page, TextEncoding::Utf8);
    }
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(ReadFile(path), "old page");
    EXPECT_EQ(
        std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator {}), 1); // nothing beside

    EXPECT_FALSE(WriteDocumentFile(dir.path() / "gone" / "page.html", page, TextEncoding::Utf8).ok());
    EXPECT_FALSE(fs::exists(dir.path() / "gone"));
}

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

} // namespace
} // namespace inkwell
