// The script re-indenter: lines are moved to their bracket depth and nothing inside a literal or a
// comment is touched, whatever the lexical trap.
#include "formatter/scriptreindent.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace inkwell {
namespace {

struct Case
{
    const char* name;
    std::string_view script;
    int baseLevel;
    std::string_view expected;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

class ReindentTable : public ::testing::TestWithParam<Case>
{
};

TEST_P(ReindentTable, ChangesOnlyIndentationOfCodeLines)
{
    const Case& c = GetParam();
    EXPECT_EQ(reindentScript(c.script, "\t", c.baseLevel, 100).text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReindentTable,
    ::testing::Values(
        Case { "bracket_depth", "\n  if (a) {\n  b();\n      }\n", 1, "if (a) {\n\t\tb();\n\t}" },
        Case { "several_openers_on_a_line_indent_once", "foo(function () {\nx;\n});", 0,
            "foo(function () {\n\tx;\n});" },
        Case { "template_lines_keep_their_white_space", "a = `x\n   y ${b}\n  z`;\n    c();", 0,
            "a = `x\n   y ${b}\n  z`;\nc();" },
        Case { "template_expression_across_lines", "a = `${f(\n   1)}`;\n  g();", 0,
            "a = `${f(\n   1)}`;\ng();" },
        Case { "nested_template_in_expression", "a = `${`in\n  ner`}`\n  b;", 0, "a = `${`in\n  ner`}`\nb;" },
        Case { "block_comment_lines_kept", "/* a\n      b */\n   c();", 0, "/* a\n      b */\nc();" },
        Case { "string_continued_across_lines", "s = 'a\\\n    b';\n   t();", 0, "s = 'a\\\n    b';\nt();" },
        Case { "regex_holding_quote_and_backtick", "r = /['`]/g;\n    s = 1;", 0, "r = /['`]/g;\ns = 1;" },
        Case { "regex_holding_slash_in_class", "r = /[/]`/;\n    s = 1;", 0, "r = /[/]`/;\ns = 1;" },
        Case { "division_is_not_a_regex", "a = b / c; d = `x\n  y`;\n    e();", 0,
            "a = b / c; d = `x\n  y`;\ne();" },
        Case { "regex_guess_without_end_falls_back_to_division", "i++ / 2; s = `q\n   r`;\n  z();", 0,
            "i++ / 2; s = `q\n   r`;\nz();" },
        Case { "html_comment_markers", "<!--\n  a('it\\'s');\n  //-->", 0, "<!--\na('it\\'s');\n//-->" },
        Case { "line_comment_with_quote", "a(); // don't\n   b();", 0, "a(); // don't\nb();" },
        Case { "line_terminators_kept", "a {\r\n  b;\r\n}\rc", 0, "a {\r\n\tb;\r\n}\rc" },
        Case { "blank_inner_lines_become_empty", "a;\n   \n b;", 1, "a;\n\n\tb;" },
        Case { "unterminated_template_keeps_trailing_lines", "a = `x\n   ", 0, "a = `x\n   " },
        Case { "unmatched_closers_stay_at_base", "}\n}\n a;", 1, "}\n\t}\n\ta;" },
        Case { "form_feed_is_not_indentation", "a;\n\f  b;", 0, "a;\n\f  b;" },
        Case { "white_space_only", " \n\t\r\n ", 3, "" }),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ReindentScript, IndentationStopsAtTheCap)
{
    EXPECT_EQ(reindentScript("a(\nb(\nc(\nd", "\t", 2, 4).text, "a(\n\t\t\tb(\n\t\t\t\tc(\n\t\t\t\td");
    EXPECT_EQ(reindentScript("{\nx", "  ", 1, 100).text, "{\n    x");
}

std::string_view withoutIndentation(std::string_view line)
{
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    return line;
}

// The property the formatter relies on: line for line, input and output differ only in the leading white
// space of lines that start outside literals (blank lines at both ends aside).
void checkOnlyIndentationChanged(std::string_view script, const std::string& label)
{
    const std::string out = reindentScript(script, "  ", 3, 100).text;
    const std::vector<ScriptLine> lines = scanScript(script).lines;
    std::size_t first = 0;
    std::size_t last = lines.size();
    const auto blank = [&](const ScriptLine& l) {
        return !l.insideLiteral && withoutIndentation(script.substr(l.begin, l.end - l.begin)).empty();
    };
    while (first < last && blank(lines[first]))
        ++first;
    while (last > first && blank(lines[last - 1]))
        --last;
    if (first == last) {
        EXPECT_EQ(out, "") << label;
        return;
    }
    // The output's lines are found by its own line terminators, which must be the input's.
    std::vector<std::string_view> outLines;
    std::size_t start = 0;
    for (std::size_t i = first; i + 1 < last; ++i) {
        const std::string_view terminator = script.substr(lines[i].end, lines[i].next - lines[i].end);
        const std::size_t at = out.find(terminator, start);
        ASSERT_NE(at, std::string::npos) << label;
        outLines.push_back(std::string_view(out).substr(start, at - start));
        start = at + terminator.size();
    }
    outLines.push_back(std::string_view(out).substr(start));
    ASSERT_EQ(outLines.size(), last - first) << label;
    for (std::size_t i = first; i < last; ++i) {
        const std::string_view in = script.substr(lines[i].begin, lines[i].end - lines[i].begin);
        const std::string_view got = outLines[i - first];
        if (lines[i].insideLiteral)
            EXPECT_EQ(got, in) << label << " line " << i;
        else
            EXPECT_EQ(withoutIndentation(got), withoutIndentation(in)) << label << " line " << i;
    }
}

TEST(ReindentScript, OnlyIndentationOfCodeLinesChangesInGeneratedScripts)
{
    static const std::vector<std::string> fragments { "if (a) {", "}", "x = `multi", "line ${ y + `in${z}` }",
        "`;", "s = 'it\\'s';", "s = \"a\\", "b\";", "/* open", "close */", "r = /[`'\"]+\\//g;",
        "q = a / b / c;", "// comment with ` and '", "f(function () {", "});", "arr = [", "1, 2,", "];",
        "<!--", "-->", "return /x/;", "t = `a\\`b`;", "{", ")", "]" };
    std::mt19937 random(7);
    for (int round = 0; round < 500; ++round) {
        std::string script;
        const int count = std::uniform_int_distribution<int>(0, 30)(random);
        for (int i = 0; i < count; ++i) {
            script += std::string(std::uniform_int_distribution<std::size_t>(0, 6)(random), ' ');
            script += fragments[std::uniform_int_distribution<std::size_t>(0, fragments.size() - 1)(random)];
            static const std::vector<std::string> breaks { "\n", "\r\n", "\n\t", " ", "\n\n" };
            script += breaks[std::uniform_int_distribution<std::size_t>(0, breaks.size() - 1)(random)];
        }
        checkOnlyIndentationChanged(script, "round " + std::to_string(round));
    }
}

TEST(ReindentScript, OnlyIndentationOfCodeLinesChangesInScriptsOfRealPages)
{
    int scripts = 0;
    for (const auto& entry :
        std::filesystem::directory_iterator(std::filesystem::path(INKWELL_TEST_DATA) / "pages")) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        const std::string html = text.str();
        for (std::size_t at = html.find("<script"); at != std::string::npos;
             at = html.find("<script", at + 1)) {
            const std::size_t start = html.find('>', at);
            const std::size_t end = html.find("</script>", start);
            if (start == std::string::npos || end == std::string::npos)
                break;
            checkOnlyIndentationChanged(std::string_view(html).substr(start + 1, end - start - 1),
                entry.path().filename().string() + " at " + std::to_string(at));
            ++scripts;
        }
    }
    EXPECT_GT(scripts, 0);
}

} // namespace
} // namespace inkwell
