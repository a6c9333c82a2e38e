// Properties that must hold for any markup: nothing but white space changes, pre and textarea content is
// kept byte for byte, formatting twice changes nothing more, the text handed on in pieces is the same, and
// time grows linearly with the input.
#include "core/readfile.h"
#include "editing/htmlformatter.h"
#include "messymarkup.h"
#include "tests/support/testfiles.h"
#include "tests/support/textforms.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace inkwell {
namespace {

using testing::withoutWhiteSpace;

using inkwell::testing::requiredFileBytes;

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t findNoCase(std::string_view text, std::string_view lowerNeedle, std::size_t from)
{
    for (std::size_t i = from; i + lowerNeedle.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < lowerNeedle.size() && lower(text[i + k]) == lowerNeedle[k])
            ++k;
        if (k == lowerNeedle.size())
            return i;
    }
    return std::string_view::npos;
}

// The content of every textarea, and of every pre that holds no other pre or comment, found by a plain
// search that knows nothing of the formatter.
std::vector<std::string> verbatimContents(std::string_view html)
{
    std::vector<std::string> contents;
    for (const std::string_view name : { "pre", "textarea" }) {
        const std::string open = "<" + std::string(name);
        const std::string close = "</" + std::string(name) + ">";
        std::size_t at = 0;
        while ((at = findNoCase(html, open, at)) != std::string_view::npos) {
            const std::size_t after = at + open.size();
            if (after >= html.size() || (html[after] != '>' && html[after] != ' ')) {
                at = after;
                continue;
            }
            const std::size_t start = html.find('>', after);
            const std::size_t end
                = findNoCase(html, close, start == std::string_view::npos ? html.size() : start);
            if (start == std::string_view::npos || end == std::string_view::npos)
                break;
            const std::string_view content = html.substr(start + 1, end - start - 1);
            if (name == "textarea"
                || (findNoCase(content, "<pre", 0) == std::string_view::npos
                    && content.find("<!--") == std::string_view::npos))
                contents.emplace_back(content);
            at = end;
        }
    }
    return contents;
}

void checkProperties(std::string_view html, const HtmlStyle& style, const std::string& label,
    const std::vector<std::string>& verbatim)
{
    const std::string once = formatHtmlWithStyle(html, style);
    ASSERT_EQ(withoutWhiteSpace(once), withoutWhiteSpace(html)) << label
                                                                << ": a character other than white space "
                                                                   "changed";
    if (!html.empty()) {
        ASSERT_FALSE(once.empty()) << label;
    }
    for (const std::string& content : verbatim)
        EXPECT_NE(once.find(content), std::string::npos) << label << ": lost pre/textarea content\n"
                                                         << content << "\nin\n"
                                                         << html.substr(0, 3000);
    const std::string twice = formatHtmlWithStyle(once, style);
    EXPECT_EQ(twice, once) << label << ": formatting the output again changed it";
    // Handed on in pieces, down to a byte at a time, it is the same text: a piece never takes what pruning
    // would still remove.
    for (const std::size_t pieceBytes : { std::size_t { 1 }, std::size_t { 97 } }) {
        std::string pieces;
        formatHtmlInto(
            html, style, [&](std::string_view piece) { pieces += piece; }, pieceBytes);
        EXPECT_EQ(pieces, once) << label << ": in pieces of " << pieceBytes << " bytes";
    }
}

const std::vector<HtmlStyle>& styles()
{
    static const std::vector<HtmlStyle> all { styleForIndentKind(IndentKind::Tab),
        styleForIndentKind(IndentKind::TwoSpaces), { 4, " ", 30 } };
    return all;
}

TEST(FormatterProperties, RealPages)
{
    const std::filesystem::path root = std::filesystem::path(INKWELL_TEST_DATA) / "pages";
    int pages = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (entry.path().extension() != ".html")
            continue;
        const std::string html = requiredFileBytes(entry.path());
        for (std::size_t s = 0; s < styles().size(); ++s)
            checkProperties(html, styles()[s],
                entry.path().filename().string() + " style " + std::to_string(s), verbatimContents(html));
        ++pages;
    }
    EXPECT_GE(pages, 10) << "the real-page fixture set is missing from " << root;
}

TEST(FormatterProperties, GeneratedMessyMarkup)
{
    for (unsigned seed = 1; seed <= 400; ++seed) {
        MessyMarkup generator(seed);
        std::vector<std::string> verbatim;
        const std::string html = generator.page(verbatim);
        for (std::size_t s = 0; s < styles().size(); ++s)
            checkProperties(
                html, styles()[s], "seed " + std::to_string(seed) + " style " + std::to_string(s), verbatim);
    }
}

// The four shapes that used to make formatters rescan what they had read. Linear work takes well under a
// second for each of them; quadratic work takes minutes, so the generous bound still catches it.
TEST(FormatterProperties, PathologicalShapesTakeLinearTime)
{
    const std::size_t fiveMegabytes = 5 * 1024 * 1024;
    struct Shape
    {
        const char* name;
        std::string html;
    };
    std::vector<Shape> shapes;
    shapes.push_back({ "5 MB comment", "<p><!-- a>" + std::string(fiveMegabytes, 'c') + " -->x</p>" });
    shapes.push_back(
        { "5 MB comment without >", "<p><!-- " + std::string(fiveMegabytes, 'c') + " -->x</p>" });
    shapes.push_back(
        { "5 MB attribute value", "<a title=\"" + std::string(fiveMegabytes, 'v') + "\">x</a>" });
    shapes.push_back(
        { "5 MB unquoted attribute value", "<a title=" + std::string(fiveMegabytes, 'v') + ">x</a>" });
    shapes.push_back({ "5 MB word", "<p>" + std::string(fiveMegabytes, 'w') + "</p>" });
    std::string nested;
    for (int i = 0; i < 100000; ++i)
        nested += "<div>";
    for (int i = 0; i < 100000; ++i)
        nested += "</div>";
    shapes.push_back({ "100,000 nested elements", nested });
    std::string unclosed;
    for (int i = 0; i < 100000; ++i)
        unclosed += "<p>t";
    unclosed += "</p>";
    shapes.push_back({ "100,000 unclosed tags", unclosed });
    // End tags whose start tag was orphaned, looked up under a deep chain of open elements.
    std::string orphans;
    for (int i = 0; i < 100000; ++i)
        orphans += "<a><b></a>";
    for (int i = 0; i < 100000; ++i)
        orphans += "<i>";
    for (int i = 0; i < 100000; ++i)
        orphans += "</b>";
    shapes.push_back({ "100,000 end tags of orphans under 100,000 open elements", orphans });
    std::string script = "<script>";
    for (int i = 0; i < 200000; ++i)
        script += "a = (b / c) + `x${d}y`; // z\n";
    shapes.push_back({ "5 MB script", script + "</script>" });

    for (const Shape& shape : shapes) {
        const auto start = std::chrono::steady_clock::now();
        const std::string out = formatHtml(shape.html, IndentKind::Tab);
        const double seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 20.0) << shape.name;
        EXPECT_EQ(withoutWhiteSpace(out), withoutWhiteSpace(shape.html)) << shape.name;
        // Indentation stops growing at kMaxIndentLevels, so even the deepest nesting gives output linear in
        // size: every line is at least one character of input, a line break and at most that many tabs.
        EXPECT_LE(out.size(), (kMaxIndentLevels + 2) * shape.html.size()) << shape.name;
        ::testing::Test::RecordProperty(shape.name, std::to_string(seconds));
    }
}

TEST(FormatterProperties, IndentationStopsGrowingAtTheCap)
{
    std::string html;
    for (int i = 0; i < kMaxIndentLevels + 5; ++i)
        html += "<div>";
    html += "x";
    const std::string out = formatHtml(html, IndentKind::Tab);
    EXPECT_EQ(
        out.substr(out.size() - kMaxIndentLevels - 2), "\n" + std::string(kMaxIndentLevels, '\t') + "x");
    EXPECT_NE(out.find("\n" + std::string(kMaxIndentLevels - 1, '\t') + "<div>"), std::string::npos);
}

} // namespace
} // namespace inkwell
