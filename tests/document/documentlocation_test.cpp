// The document location's file: its folder, its name and the extension of its kind.
#include "document/documentlocation.h"

#include <gtest/gtest.h>

namespace inkwell {
namespace {

struct FileNameCase
{
    const char* label;
    DocumentLocation document;
    std::filesystem::path file;
};

class DocumentFileName : public ::testing::TestWithParam<FileNameCase>
{
};

TEST_P(DocumentFileName, JoinsFolderNameAndTheExtensionOfTheKind)
{
    EXPECT_EQ(GetParam().document.filePath(), GetParam().file);
}

// A kind outside the named ones comes only from a recovery record written by hand; it keeps its number
// and has no extension.
INSTANTIATE_TEST_SUITE_P(Table, DocumentFileName,
    ::testing::Values(FileNameCase { "html_page", { "/r/tmp", "1700000000000", DocumentKind::Html },
                          "/r/tmp/1700000000000.html" },
        FileNameCase {
            "style_sheet", { "/r/project/a", "a", DocumentKind::StyleSheet }, "/r/project/a/a.css" },
        FileNameCase {
            "unnamed_kind", { "/r/project/a", "a", static_cast<DocumentKind>(7) }, "/r/project/a/a" },
        FileNameCase {
            "negative_kind", { "/r/project/a", "a", static_cast<DocumentKind>(-1) }, "/r/project/a/a" },
        FileNameCase { "chinese_name_with_blanks",
            { "/r/project/我的 网页 (1)", "我的 网页 (1)", DocumentKind::Html },
            "/r/project/我的 网页 (1)/我的 网页 (1).html" }),
    [](const auto& test) { return std::string(test.param.label); });

} // namespace
} // namespace inkwell
