// What the formatter prints, case by case: golden folders of input, options and expected output, and the
// behaviours of the entry points around the routine.
#include "core/readfile.h"
#include "editing/htmlformatter.h"
#include "tests/support/testfiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace inkwell {
namespace {

using inkwell::testing::requiredFileBytes;

const HtmlStyle kTabs { 1, "\t", 80 };

// Shows both texts with their invisible characters spelled out, so a failure reads as a diff of lines.
std::string visible(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c == ' ')
            out += "\u00b7";
        else
            out += c;
    }
    return out;
}

// The style a golden folder's "options" file names, in the command-line tool's words:
// "--indent tab" or "--indent N" (N spaces) and "--width N".
std::optional<HtmlStyle> styleNamed(std::string_view options)
{
    std::istringstream words { std::string(options) };
    HtmlStyle style { 1, "\t", 80 };
    std::string name;
    std::string value;
    while (words >> name >> value) {
        if (name == "--indent" && value == "tab")
            style = { 1, "\t", style.maxChar };
        else if (name == "--indent")
            style = { std::stoi(value), " ", style.maxChar };
        else if (name == "--width")
            style.maxChar = std::stoi(value);
        else
            return std::nullopt;
    }
    if (!name.empty() && value.empty())
        return std::nullopt;
    return style;
}

// One folder per case under tests/data/formatter/golden: input.html, the options it is formatted with
// (line width included) and expected.html, the output worked out by hand from the formatting rules.
class FormatterGolden : public ::testing::TestWithParam<std::filesystem::path>
{
};

TEST_P(FormatterGolden, PrintsExactly)
{
    const std::filesystem::path& folder = GetParam();
    const std::optional<HtmlStyle> style = styleNamed(requiredFileBytes(folder / "options"));
    ASSERT_TRUE(style) << folder << ": unreadable options";
    const std::string out = styleHtml(requiredFileBytes(folder / "input.html"), *style);
    EXPECT_EQ(visible(out), visible(requiredFileBytes(folder / "expected.html"))) << folder;
}

std::vector<std::filesystem::path> goldenFolders()
{
    std::vector<std::filesystem::path> folders;
    const std::filesystem::path root = std::filesystem::path(INKWELL_TEST_DATA) / "formatter" / "golden";
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (entry.is_directory())
            folders.push_back(entry.path());
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

INSTANTIATE_TEST_SUITE_P(
    Folders, FormatterGolden, ::testing::ValuesIn(goldenFolders()), [](const auto& test) {
        std::string name = test.param.filename().string();
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

// Zero sizes and an empty indentation character stand for the defaults: two spaces, 70 characters.
TEST(StyleHtml, ZeroAndEmptyParametersTakeTheDefaults)
{
    EXPECT_EQ(styleHtml("<p>x</p>", { 0, "", 0 }), "<p>\n  x\n</p>");
    const std::string words = "<p>" + std::string(40, 'a') + " " + std::string(40, 'b') + "</p>";
    EXPECT_EQ(styleHtml(words, { 0, "", 0 }), styleHtml(words, { 2, " ", 70 }));
}

// Text that follows content kept as it stands is broken exactly as it would be after any other element,
// whatever that content holds: line breaks or none, a long last line, a script passed through.
TEST(StyleHtml, TextAfterKeptContentBreaksAsAfterAnyElement)
{
    const std::string text
        = " Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor "
          "incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam.";
    const std::string longLine(120, 'x');
    const auto linesAfter = [&](const std::string& element) {
        const std::string out = styleHtml("<div>" + element + text + "</div>", kTabs);
        const std::size_t at = out.find("Lorem");
        return at == std::string::npos ? out : out.substr(out.rfind('\n', at));
    };
    const std::string expected = linesAfter("<p>x</p>");
    ASSERT_NE(expected.find("\n\t"), expected.rfind("\n\t")) << "the text must need more than one line";
    for (const std::string& element : std::vector<std::string> { "<pre>" + longLine + "</pre>",
             "<pre>a\n" + longLine + "</pre>", "<pre>\n  a\n</pre>", "<textarea>" + longLine + "</textarea>",
             "<textarea>a\r\n" + longLine + "</textarea>",
             "<script type=\"text/x-template\">" + longLine + "</script>",
             "<script>s = `" + longLine + "</script>" }) {
        EXPECT_EQ(visible(linesAfter(element)), visible(expected)) << element;
    }
}

TEST(FormatHtml, ChoosesTheIndentation)
{
    struct Row
    {
        IndentKind kind;
        int size;
        std::string_view character;
        std::string_view paragraph; // "<p>x</p>" formatted
    };
    for (const Row row : { Row { IndentKind::Tab, 1, "\t", "<p>\n\tx\n</p>" },
             Row { IndentKind::TwoSpaces, 2, " ", "<p>\n  x\n</p>" } }) {
        const HtmlStyle style = styleForIndentKind(row.kind);
        EXPECT_EQ(style.indentSize, row.size) << row.character.size();
        EXPECT_EQ(style.indentCharacter, row.character);
        EXPECT_EQ(style.maxChar, 80);
        EXPECT_EQ(formatHtml("<p>x</p>", row.kind), row.paragraph);
    }
}

TEST(FormatHtml, NeverEmptyForMarkupThatIsNot)
{
    for (const std::string_view markup : { " ", "\r\n\r\n", "\t \n" }) {
        ASSERT_EQ(styleHtml(markup, styleForIndentKind(IndentKind::Tab)), "");
        EXPECT_EQ(formatHtml(markup, IndentKind::Tab), markup);
        std::string pieces;
        formatHtmlInto(
            markup, styleForIndentKind(IndentKind::Tab), [&](std::string_view piece) { pieces += piece; });
        EXPECT_EQ(pieces, markup);
    }
    EXPECT_EQ(formatHtml("", IndentKind::Tab), "");
}

TEST(FormatHtml, BytesThatAreNotUtf8PassThrough)
{
    const std::string markup = "<p>\xff\xfe a\x80 \xc3</p><b \xe4\xb8>x</b>";
    EXPECT_EQ(
        formatHtml(markup, IndentKind::Tab), "<p>\n\t\xff\xfe a\x80 \xc3\n</p>\n<b \xe4\xb8>\n\tx\n</b>");
    // A stray continuation byte is a character of its own, never part of the "=" before it.
    EXPECT_EQ(formatHtml("<a x=\x99 \x96=y>", IndentKind::Tab), "<a x=\x99 \x96=y>");
    const std::string withNul("<p>a\0b</p>", 10);
    EXPECT_EQ(formatHtml(withNul, IndentKind::Tab), std::string("<p>\n\ta\0b\n</p>", 13));
}

} // namespace
} // namespace inkwell
