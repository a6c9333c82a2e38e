// The recovery copy on disk: what is written comes back with its document, damaged copies are told
// apart from missing ones, and a write decided on before a removal never lands after it.
#include "app/recoverycopy.h"
#include "platform/inifile.h"
#include "tests/support/tempfolder.h"

#include <gtest/gtest.h>

namespace inkwell {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

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

    const DocumentLocation document { "/home/用户/我的 网页 (1)", "我的 网页 (1)", DocumentKind::StyleSheet };
    // The page declares gb2312 but the copy holds UTF-8: it must come back as UTF-8, not re-sniffed.
    const std::string html = "<html><head><meta charset=\"gb2312\"></head><body>未保存的页面 😀</body></html>";
    ASSERT_TRUE(copy.write(document, TextEncoding::Utf8, html).ok());
    EXPECT_TRUE(copy.exists());
    EXPECT_EQ(ReadFile(copy.pagePath()), html);

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

TEST(RecoveryCopy, DamagedCopiesAreToldApart)
{
    struct Case
    {
        const char* name;
        std::function<void(const RecoveryCopy&)> damage;
    };
    const Case cases[] = {
        { "page_missing", [](const RecoveryCopy& c) { std::filesystem::remove(c.pagePath()); } },
        { "record_missing", [](const RecoveryCopy& c) { std::filesystem::remove(c.recordPath()); } },
        { "page_not_utf8",
            [](const RecoveryCopy& c) { WriteFile(c.pagePath(), "<p>\xC4\xE3\xBA\xC3</p>"); } },
        { "record_garbage",
            [](const RecoveryCopy& c) { WriteFile(c.recordPath(), "\x01\x02 not a record"); } },
        { "kind_not_a_number",
            [](const RecoveryCopy& c) {
                ASSERT_TRUE(IniFile(c.recordPath()).write("恢复", "类型", "html"));
            } },
        { "unknown_encoding",
            [](const RecoveryCopy& c) {
                ASSERT_TRUE(IniFile(c.recordPath()).write("恢复", "编码", "ebcdic"));
            } },
        { "empty_name",
            [](const RecoveryCopy& c) { ASSERT_TRUE(IniFile(c.recordPath()).write("恢复", "名称", "")); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        RecoveryCopy copy(startedRunFolder(dir));
        ASSERT_TRUE(
            copy.write({ "/tmp", "page", DocumentKind::Html }, TextEncoding::Gb18030, "<p>x</p>").ok());
        c.damage(copy);
        const auto found = copy.read();
        EXPECT_EQ(found.status, RecoveryReadResult::Status::Damaged);
        EXPECT_FALSE(found.reason.empty());
        copy.remove();
        EXPECT_FALSE(copy.exists());
    }
}

TEST(RecoveryCopy, WriteDecidedBeforeARemovalIsDropped)
{
    TempFolder dir;
    RecoveryCopy copy(startedRunFolder(dir));
    const auto generation = copy.generation();
    copy.remove(); // the page was saved while its copy was being prepared
    EXPECT_TRUE(
        copy.write({ "/tmp", "page", DocumentKind::Html }, TextEncoding::Utf8, "<p>stale</p>", generation)
            .ok());
    EXPECT_FALSE(copy.exists());

    ASSERT_TRUE(copy.write({ "/tmp", "page", DocumentKind::Html }, TextEncoding::Utf8, "<p>fresh</p>",
                        copy.generation())
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
    EXPECT_FALSE(copy.write({ "/tmp", "page", DocumentKind::Html }, TextEncoding::Utf8, "<p>second</p>").ok());
    EXPECT_EQ(ReadFile(copy.pagePath()), "<p>first</p>");
}

} // namespace
} // namespace inkwell
