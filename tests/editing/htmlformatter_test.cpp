// What the formatter prints, case by case: expected outputs worked out by hand from the formatting rules.
#include "editing/htmlformatter.h"
#include "platform/readfile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace inkwell {
namespace {

const HtmlStyle kTabs { 1, "\t", 80 };

struct Case
{
    const char* name;
    std::string_view input;
    HtmlStyle style;
    std::string_view expected;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

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

class StyleHtmlTable : public ::testing::TestWithParam<Case>
{
};

TEST_P(StyleHtmlTable, PrintsExactly)
{
    const Case& c = GetParam();
    const std::string out = styleHtml(c.input, c.style);
    EXPECT_EQ(visible(out), visible(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Rules, StyleHtmlTable,
    ::testing::Values(Case { "empty", "", kTabs, "" },
        Case { "white_space_only_gives_empty", " \r\n\t ", kTabs, "" },
        Case { "nesting", "<div><p>Hi <b>there</b></p></div>", kTabs,
            "<div>\n\t<p>\n\t\tHi\n\t\t<b>\n\t\t\tthere\n\t\t</b>\n\t</p>\n</div>" },
        Case { "text_collapsed_and_broken_at_max_char", "<p>  aaa \n bbb\tccc ddd   eee </p>", { 2, " ", 10 },
            "<p>\n  aaa bbb ccc\n  ddd eee\n</p>" },
        Case { "line_length_counts_characters_not_bytes", "<p>ééé ééé ééé ééé</p>", { 2, " ", 10 },
            "<p>\n  ééé ééé ééé\n  ééé\n</p>" },
        Case { "tag_attributes_past_max_char_continue_at_current_level",
            "<div><a href=\"x\" title=\"abcdefgh\" class=\"c\">t</a></div>", { 2, " ", 20 },
            "<div>\n  <a href=\"x\" title=\"abcdefgh\"\n  class=\"c\">\n    t\n  </a>\n</div>" },
        Case { "single_tags_and_slash_tags_keep_the_level",
            "<div><br><IMG src=\"a.png\"><x-y/><span>s</span></div>", kTabs,
            "<div>\n\t<br>\n\t<IMG src=\"a.png\">\n\t<x-y/>\n\t<span>\n\t\ts\n\t</span>\n</div>" },
        Case { "conditional_comment_indents_until_endif",
            "<head><!--[if IE]><link href=\"ie.css\"><![endif]--><title>t</title></head>", kTabs,
            "<head>\n\t<!--[if IE]>\n\t\t<link "
            "href=\"ie.css\">\n\t<![endif]-->\n\t<title>\n\t\tt\n\t</title>\n</head>" },
        Case { "conditional_comment_with_not_ie_takes_the_run_to_its_end",
            "<!--[if !IE]><!--><p>x</p><!--<![endif]-->", kTabs,
            "<!--[if !IE]><!-->\n\t<p>\n\t\tx\n\t</p>\n<!--<![endif]-->" },
        Case { "comment_read_by_the_tag_reader_collapses", "<div><!-- one\n     two --></div>", kTabs,
            "<div>\n\t<!-- one two -->\n</div>" },
        Case { "comment_line_breaks_after_a_gt_are_reindented", "<div><!-- a>b\n     c --></div>", kTabs,
            "<div>\n\t<!-- a>b\n\tc -->\n</div>" },
        Case { "cdata_is_a_single_tag", "<div><![CDATA[a > b]]></div>", kTabs,
            "<div>\n\t<![CDATA[a> b]]>\n</div>" },
        Case { "quoted_value_is_always_followed_by_a_separator", "<a href=\"x\"title='y' id=z>t</a>", kTabs,
            "<a href=\"x\" title='y' id=z>\n\tt\n</a>" },
        Case { "space_around_equals", "<a href = \"x\" id= yz>t</a>", kTabs,
            "<a href=\"x\" id=y z>\n\tt\n</a>" },
        Case { "line_breaks_inside_a_quoted_value_are_reindented",
            "<div><a title=\"one\n      two\">t</a></div>", kTabs,
            "<div>\n\t<a title=\"one\n\ttwo\">\n\t\tt\n\t</a>\n</div>" },
        Case { "end_tag_without_start_tag_at_content_level", "<div>a</span>b</div>", kTabs,
            "<div>\n\ta\n\t</span>\n\tb\n</div>" },
        Case { "elements_left_open_inside_a_closed_one_lose_their_effect", "<div><p>a<li>b</div>c</p>d",
            kTabs, "<div>\n\t<p>\n\t\ta\n\t\t<li>\n\t\t\tb\n</div>\nc\n</p>\nd" },
        Case { "style_content_is_text", "<style>\n  body {\n    color: red;\n  }\n</style>", kTabs,
            "<style>\n\tbody { color: red; }\n</style>" },
        Case { "two_space_blank_lines_keep_their_indentation", "<html><head></head><body></body></html>",
            { 2, " ", 80 }, "<html>\n  \n  <head>\n  </head>\n  \n  <body>\n  </body>\n\n</html>" },
        Case { "tag_cut_off_by_the_end_keeps_the_class_of_the_tag_before", "<p>x</p><b", kTabs,
            "<p>\n\tx\n</p>\n<b" },
        Case { "tag_cut_off_before_any_tag_is_kept", "text <", kTabs, "text\n<" },
        Case { "unformatted_run_without_delimiter_ends_at_the_end", "<p><!-- a>b  c", kTabs,
            "<p>\n\t<!-- a>b  c" },
        Case { "defaults_for_zero_and_empty_parameters", "<p>x</p>", { 0, "", 0 }, "<p>\n  x\n</p>" }),
    [](const auto& test) { return std::string(test.param.name); });

// Content a re-indented page must keep whole: comment and CDATA end markers, kept text, cut-off tags.
INSTANTIATE_TEST_SUITE_P(KeptWhole, StyleHtmlTable,
    ::testing::Values(Case { "comment_and_cdata_end_markers_are_never_split",
                          "<p><!-- a= --><!-- ==== --><![CDATA[b= ]] >\n</p>", kTabs,
                          "<p>\n\t<!-- a=-->\n\t<!--====-->\n\t<![CDATA[b=]]>\n</p>" },
        Case { "dashes_apart_in_the_markup_stay_apart", "<p><!-- a - - > b --></p>", kTabs,
            "<p>\n\t<!-- a - -> b -->\n</p>" },
        Case { "pre_and_textarea_content_exact",
            "<div><pre>\n  a  b\n\t</pre><textarea>  x\n y </textarea></div>", kTabs,
            "<div>\n\t<pre>\n  a  b\n\t</pre>\n\t<textarea>  x\n y </textarea>\n</div>" },
        Case { "pre_nested_and_commented_end_tags", "<PRE class=x>a<pre>b</pre>c<!-- </pre> -->d</Pre >e",
            kTabs, "<PRE class=x>a<pre>b</pre>c<!-- </pre> -->d</Pre >\ne" },
        Case { "end_tag_after_kept_content_is_kept_too", "<pre>x</pre\n  =a >y", kTabs,
            "<pre>x</pre\n  =a >\n\ty" },
        Case {
            "empty_pre_stays_on_its_line", "<div><pre></pre></div>", kTabs, "<div>\n\t<pre></pre>\n</div>" },
        Case { "pre_without_end_tag_keeps_the_rest", "<pre> a\n  b", kTabs, "<pre> a\n  b" },
        Case { "script_lines_reindented_template_kept",
            "<body><script>\n  if (a) {\n  b = `x\n    y`;\n  }\n</script></body>", kTabs,
            "<body>\n\t<script>\n\t\tif (a) {\n\t\t\tb = `x\n    y`;\n\t\t}\n\t</script>\n</body>" },
        Case { "script_ending_inside_a_template_is_closed_by_its_end_tag",
            "<div><script>a = `x\n  </script></div>", kTabs,
            "<div>\n\t<script>\n\t\ta = `x\n  </script>\n</div>" },
        Case { "empty_script", "<div><script src=\"a.js\"></script></div>", kTabs,
            "<div>\n\t<script src=\"a.js\">\n\t</script>\n</div>" },
        Case { "script_of_another_language_kept_exactly",
            "<div><script type=\"text/x-python\">\n  if x:\n      y()\n</script></div>", kTabs,
            "<div>\n\t<script type=\"text/x-python\">\n  if x:\n      y()\n</script>\n</div>" },
        Case { "script_without_end_tag_keeps_the_rest", "<script>a = 1;\n   b = '<p>  x';", kTabs,
            "<script>\n\ta = 1;\n\tb = '<p>  x';" },
        // The text after kept content stands on a line of its own and gets the whole width: the content's
        // last line and its end tag are on the line before.
        Case { "text_after_pre_counts_from_its_own_line", "<pre>\nabcd</pre>one two three four five six",
            { 2, " ", 20 }, "<pre>\nabcd</pre>\none two three four five\nsix" },
        Case { "text_after_pre_without_line_break_counts_from_its_own_line",
            "<pre>abcdefghijklmnopqrstuvwxyz</pre>one two three four five six", { 2, " ", 20 },
            "<pre>abcdefghijklmnopqrstuvwxyz</pre>\none two three four five\nsix" },
        Case { "tag_after_textarea_breaks_its_attributes_from_its_own_line",
            "<textarea>abcdefghijklmnopqrstuvwxyz</textarea><a href=\"x\" title=\"abcdefgh\" class=\"c\">",
            { 2, " ", 20 },
            "<textarea>abcdefghijklmnopqrstuvwxyz</textarea>\n<a href=\"x\" "
            "title=\"abcdefgh\"\nclass=\"c\">" },
        Case { "text_after_a_script_ending_inside_a_literal_counts_from_its_own_line",
            "<script>a = `x\n</script>one two three four five six", { 2, " ", 20 },
            "<script>\n  a = `x\n</script>\none two three four five\nsix" }),
    [](const auto& test) { return std::string(test.param.name); });

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

std::string readFile(const std::filesystem::path& path)
{
    return inkwell::readFile(path).valueOr({});
}

// The indent kind a golden folder's "call" file names: "tab" or "two-spaces".
std::optional<IndentKind> indentKindNamed(std::string_view name)
{
    if (name == "tab")
        return IndentKind::Tab;
    if (name == "two-spaces")
        return IndentKind::TwoSpaces;
    return std::nullopt;
}

// Golden folders: input.html, expected.html and a file "call" naming the indent kind passed to formatHtml.
TEST(FormatHtmlGolden, EveryFolderMatches)
{
    const std::filesystem::path root = std::filesystem::path(INKWELL_TEST_DATA) / "formatter" / "golden";
    int cases = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (!entry.is_directory())
            continue;
        std::istringstream call(readFile(entry.path() / "call"));
        std::string kindName;
        call >> kindName;
        const std::optional<IndentKind> kind = indentKindNamed(kindName);
        ASSERT_TRUE(kind) << entry.path() << ": " << kindName;
        const std::string out = formatHtml(readFile(entry.path() / "input.html"), *kind);
        EXPECT_EQ(visible(out), visible(readFile(entry.path() / "expected.html"))) << entry.path();
        ++cases;
    }
    EXPECT_GT(cases, 0) << "no golden folders under " << root;
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
