// Clipboard HTML without a display: the lone picture a browser copies, the marks of a word
// processor, its passage reduced to what a page shows, and new picture files that never replace one.
#include "core/readfile.h"
#include "editing/newpicturefile.h"
#include "editing/pastedhtml.h"
#include "tests/support/tempfolder.h"
#include "tests/support/testfiles.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace inkwell {
namespace {

using testing::TempFolder;

struct FlagCase
{
    const char* name;
    std::string_view html;
    bool expected;
};

void PrintTo(const FlagCase& c, std::ostream* out)
{
    *out << c.name;
}

class LoneImage : public ::testing::TestWithParam<FlagCase>
{
};

TEST_P(LoneImage, OnlyAnImgAndTheDocumentAroundIt)
{
    EXPECT_EQ(isLoneImage(GetParam().html), GetParam().expected) << GetParam().html;
}

INSTANTIATE_TEST_SUITE_P(Table, LoneImage,
    ::testing::Values(FlagCase { "browser_copy_image",
                          "<meta charset='utf-8'><img src=\"https://example.org/a.png\" alt=\"猫\">", true },
        FlagCase { "wrapped_in_a_document",
            "<html>\n<body>\n<!--StartFragment--><img src=\"a.png\"/><!--EndFragment-->\n</body>\n</html>\0",
            true },
        FlagCase { "with_a_title_in_the_head",
            "<html><head><title>x</title></head><body><img src=a.png></body>", true },
        FlagCase { "text_beside_it", "<img src=\"a.png\"> caption", false },
        FlagCase { "two_pictures", "<img src=\"a.png\"><img src=\"b.png\">", false },
        FlagCase { "inside_a_link", "<a href=\"x\"><img src=\"a.png\"></a>", false },
        FlagCase { "in_a_paragraph", "<p><img src=\"a.png\"></p>", false },
        FlagCase { "no_picture", "<meta charset='utf-8'>", false }),
    [](const auto& test) { return std::string(test.param.name); });

class WordProcessorMarks : public ::testing::TestWithParam<FlagCase>
{
};

TEST_P(WordProcessorMarks, AnyOneMarkSuffices)
{
    EXPECT_EQ(isWordProcessorHtml(GetParam().html), GetParam().expected) << GetParam().html;
}

INSTANTIATE_TEST_SUITE_P(Table, WordProcessorMarks,
    ::testing::Values(FlagCase { "mso_style", "<p style='mso-line-height-alt:12pt'>a</p>", true },
        FlagCase { "mso_class_unquoted", "<p class=MsoNormal>a</p>", true },
        FlagCase { "mso_class_quoted", "<p class=\"MsoListParagraph\">a</p>", true },
        FlagCase { "office_paragraph_mark", "<p>a<o:p></o:p></p>", true },
        FlagCase { "word_element", "<w:Sdt>a</w:Sdt>", true },
        FlagCase { "xml_island", "<xml><x>1</x></xml><p>a</p>", true },
        FlagCase { "conditional_comment", "<!--[if gte mso 9]><x/><![endif]--><p>a</p>", true },
        FlagCase { "generator_meta",
            "<html><head><meta name=\"generator\" content=\"Writer\"/></head><p>a</p>", true },
        FlagCase {
            "browser_fragment", "<meta charset='utf-8'><p style=\"color: red\">a <b>b</b></p>", false },
        FlagCase { "plain_comment", "<!--StartFragment--><span class=\"mine\">a</span>", false }),
    [](const auto& test) { return std::string(test.param.name); });

struct CleanCase
{
    const char* name;
    std::string_view html;
    std::string_view expected;
};

void PrintTo(const CleanCase& c, std::ostream* out)
{
    *out << c.name;
}

class CleanPassage : public ::testing::TestWithParam<CleanCase>
{
};

TEST_P(CleanPassage, KeepsWhatShowsDropsTheWordProcessorsMarkup)
{
    const auto mapped = [](std::string_view source) {
        return "copied/" + std::string(source.substr(source.rfind('/') + 1));
    };
    EXPECT_EQ(cleanWordProcessorHtml(GetParam().html, mapped), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, CleanPassage,
    ::testing::Values(CleanCase { "blanks_around_inline_elements_stay",
                          "<p class=MsoNormal>one <b>two</b> three</p>", "<p>one <b>two</b> three</p>" },
        CleanCase { "head_and_style_sheet_go",
            "<html><head><style>p.MsoNormal{font-size:10pt}</style><title>t</title></head><body><p>a</p></"
            "body></html>",
            "<p>a</p>" },
        CleanCase { "hidden_conditional_goes_with_what_it_hides",
            "<p>a<!--[if gte vml 1]><v:shape><v:imagedata src=\"x.png\"/></v:shape><![endif]--></p>",
            "<p>a</p>" },
        CleanCase { "revealed_conditional_keeps_its_content",
            "<p><![if !supportLists]>1.&nbsp;<![endif]>item</p>", "<p>1.&nbsp;item</p>" },
        CleanCase { "office_elements_lose_their_tags_keep_their_text",
            "<p>a<o:p>&nbsp;</o:p></p><w:Sdt ShowingPlcHdr=\"t\">kept</w:Sdt>", "<p>a&nbsp;</p>kept" },
        CleanCase { "xml_island_goes_whole",
            "<xml><w:WordDocument><w:View>Normal</w:View></w:WordDocument></xml><p>a</p>", "<p>a</p>" },
        CleanCase { "mso_declarations_and_classes_go",
            "<p class='MsoNormal keep' style='margin:0cm;mso-pagination:none;color:red'>a</p>",
            "<p class=\"keep\" style=\"margin:0cm; color:red\">a</p>" },
        CleanCase { "default_font_goes_other_fonts_stay",
            "<p><span style='font-family:等线'>most of the text</span><span style='font-family:\"Courier "
            "New\"'>x()</span>"
            "<span style='font-family:\"等线\"'>more</span></p>",
            "<p>most of the text<span style=\"font-family:&quot;Courier New&quot;\">x()</span>more</p>" },
        CleanCase { "no_default_when_most_text_has_no_font",
            "<p>plain text in the default font <span style='font-size:16pt'>big</span></p>",
            "<p>plain text in the default font <span style=\"font-size:16pt\">big</span></p>" },
        CleanCase { "font_elements_of_the_default_unwrap",
            "<p><font face=\"Serif CJK\"><font size=\"2\" style=\"font-size: 10pt\"><span "
            "lang=\"zh-CN\">正文正文</span></font></font>"
            "<font face=\"Sans\">标题</font></p>",
            "<p>正文正文<font face=\"Sans\">标题</font></p>" },
        CleanCase { "empty_and_bare_spans_unwrap",
            "<p>a<span style='mso-spacerun:yes'> </span>b<span style=\"color:red\"></span>c<span "
            "lang=EN-US>d</span></p>",
            "<p>a bcd</p>" },
        CleanCase { "tables_keep_their_spans_lose_cell_formats",
            "<table class=MsoTableGrid border=1><tr style='mso-yfti-irow:0'><td colspan=2 "
            "sdnum=\"1033;0;@\">a</td></tr>"
            "<tr><td rowspan=\"2\">b</td></tr></table>",
            "<table border=\"1\"><tr><td colspan=\"2\">a</td></tr><tr><td "
            "rowspan=\"2\">b</td></tr></table>" },
        CleanCase { "links_lists_and_pictures_stay",
            "<ul><li><a href=\"https://example.org/?a=1&amp;b=2\">link</a></li></ul>"
            "<img width=40 src=\"file:///tmp/clip/image002.png\" v:shapes=\"Picture_1\">",
            "<ul><li><a href=\"https://example.org/?a=1&amp;b=2\">link</a></li></ul>"
            "<img width=\"40\" src=\"copied/image002.png\">" },
        CleanCase { "a_trailing_nul_goes", std::string_view("<p>a</p>\0", 9), "<p>a</p>" }),
    [](const auto& test) { return std::string(test.param.name); });

// The real clipboards in tests/data: a word processor's whole passage gives markup without any of its
// marks, and its picture is handed over once, by the path it lay at.
TEST(CleanPassage, RealClipboardsLoseEveryMark)
{
    for (const char* file : { "wordprocessor/writer-clipboard.html", "wordprocessor/word-fragment.html" }) {
        SCOPED_TRACE(file);
        const auto html = readFile(fs::path(INKWELL_TEST_DATA) / file);
        ASSERT_TRUE(html.ok());
        ASSERT_TRUE(isWordProcessorHtml(*html));
        std::vector<std::string> pictures;
        const std::string cleaned = cleanWordProcessorHtml(*html, [&](std::string_view source) {
            pictures.emplace_back(source);
            return std::string("copied.png");
        });
        for (const char* mark : { "mso-", "Mso", "<o:", "<w:", "<v:", "<xml", "<!--", "<![", "<style",
                 "<meta", "<body", "lang=", "sdnum", "class=", "xmlns" })
            EXPECT_EQ(cleaned.find(mark), std::string::npos) << mark << " in:\n" << cleaned;
        ASSERT_EQ(pictures.size(), 1u);
        EXPECT_TRUE(pictures[0].starts_with("file:///tmp/")) << pictures[0];
        EXPECT_NE(cleaned.find("src=\"copied.png\""), std::string::npos) << cleaned;
        EXPECT_NE(cleaned.find("colspan=\"2\""), std::string::npos);
        EXPECT_NE(cleaned.find("<a href=\"https://example.org/"), std::string::npos);
    }
}

TEST(NewPictureFile, NamesCountUpAndNeverReplaceAFile)
{
    TempFolder folder;
    testing::writeFile(folder.path() / "1765432100123.png", "older picture");
    testing::writeFile(folder.path() / "1765432100124.png", "another");
    const auto written = writeNewPictureFile(folder.path(), "1765432100123", ".png", "new bytes");
    ASSERT_TRUE(written.ok()) << written.error().message;
    EXPECT_EQ(*written, folder.path() / "1765432100125.png");
    EXPECT_EQ(testing::fileBytes(*written), "new bytes");
    EXPECT_EQ(testing::fileBytes(folder.path() / "1765432100123.png"), "older picture");
    EXPECT_EQ(testing::fileBytes(folder.path() / "1765432100124.png"), "another");

    EXPECT_EQ(nextFreeName("clip", 0), "clip");
    EXPECT_EQ(nextFreeName("clip", 1), "clip-2");
    EXPECT_EQ(nextFreeName("0999", 1), "1000");
}

TEST(NewPictureFile, AFolderThatCannotTakeItSaysWhyAndLeavesNothing)
{
    TempFolder folder;
    const auto missing = writeNewPictureFile(folder.path() / "gone", "1", ".png", "bytes");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, ENOENT);
    // A name that is a folder already is passed over like any taken name.
    fs::create_directory(folder.path() / "7.png");
    const auto beside = writeNewPictureFile(folder.path(), "7", ".png", "bytes");
    ASSERT_TRUE(beside.ok());
    EXPECT_EQ(beside->filename(), "8.png");
}

} // namespace
} // namespace inkwell
