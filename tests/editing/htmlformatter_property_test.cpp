// Properties that must hold for any markup: nothing but white space changes, pre and textarea content is
// kept byte for byte, formatting twice changes nothing more, the text handed on in pieces is the same, and
// time grows linearly with the input.
#include "editing/htmlformatter.h"
#include "core/readfile.h"

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

std::string readFile(const std::filesystem::path& path)
{
    return inkwell::readFile(path).valueOr({});
}

std::string withoutWhiteSpace(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            out += c;
    }
    return out;
}

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
        const std::string html = readFile(entry.path());
        for (std::size_t s = 0; s < styles().size(); ++s)
            checkProperties(html, styles()[s],
                entry.path().filename().string() + " style " + std::to_string(s), verbatimContents(html));
        ++pages;
    }
    EXPECT_GE(pages, 10) << "the real-page fixture set is missing from " << root;
}

// Messy markup: every construct the formatter treats specially, in random order and nesting, with
// random white space, unclosed and stray tags, and sometimes cut off at a random point.
class MessyMarkup
{
public:
    explicit MessyMarkup(unsigned seed)
        : m_random(seed)
    {
    }

    // A page, and the content of every pre and textarea element in it that the cut left whole.
    std::string page(std::vector<std::string>& verbatim)
    {
        std::string html;
        std::vector<std::pair<std::size_t, std::string>> contents;
        const int pieces = pick(1, 60);
        for (int i = 0; i < pieces; ++i) {
            m_verbatim.clear();
            const std::string next = piece();
            if (!m_verbatim.empty())
                contents.emplace_back(html.size() + next.size(), m_verbatim);
            html += next;
        }
        if (pick(0, 4) == 0)
            html.resize(static_cast<std::size_t>(pick(0, static_cast<int>(html.size()))));
        for (const auto& [end, content] : contents) {
            if (end <= html.size())
                verbatim.push_back(content);
        }
        return html;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    template <typename T> const T& oneOf(const std::vector<T>& list)
    {
        return list[static_cast<std::size_t>(pick(0, static_cast<int>(list.size()) - 1))];
    }

    std::string space()
    {
        static const std::vector<std::string> spaces { "", " ", "  ", "\n", "\r\n", "\t", "\n\t\t  ",
            " \n " };
        return oneOf(spaces);
    }

    std::string words(int most)
    {
        static const std::vector<std::string> list { "a", "word", "longerwordthanusual", "日本語", "é", "x=y",
            "&amp;", "'quoted'", "\"dq\"", "-->", "]]>",
            "supercalifragilisticexpialidocious-and-then-some-more-text" };
        std::string text;
        const int count = pick(0, most);
        for (int i = 0; i < count; ++i)
            text += space() + oneOf(list);
        return text + space();
    }

    std::string name()
    {
        static const std::vector<std::string> names { "div", "p", "span", "a", "b", "li", "ul", "td", "tr",
            "DIV", "Span", "html", "head", "body", "title", "x-y", "style" };
        return oneOf(names);
    }

    std::string attributes()
    {
        std::string text;
        const int count = pick(0, 4);
        for (int i = 0; i < count; ++i) {
            text += (i > 0 && pick(0, 3) == 0) ? "" : " ";
            text += oneOf(std::vector<std::string> { "href", "class", "id", "title", "data-x" });
            switch (pick(0, 5)) {
            case 0:
                break;
            case 1:
                text += "=\"" + words(3) + "\"";
                break;
            case 2:
                text += space() + "=" + space() + "'" + words(2) + ">'";
                break;
            case 3:
                text += "=" + space() + "unquoted" + space();
                break;
            case 4:
                text += "=\"line one\n      line two\"";
                break;
            default:
                text += "=\"" + words(20) + "\"";
                break;
            }
        }
        return text;
    }

    std::string piece()
    {
        switch (pick(0, 17)) {
        case 0:
        case 1:
        case 2:
            return "<" + name() + attributes() + space() + ">";
        case 3:
        case 4:
            return "</" + name() + space() + ">";
        case 5:
        case 6:
            return words(12);
        case 7:
            return oneOf(std::vector<std::string> { "<br>", "<img src=x>", "<hr/>", "<x-y />",
                "<meta charset=utf-8>", "<!DOCTYPE html>", "<?xml version=\"1.0\"?>" });
        case 8:
            return "<!--" + words(6) + "-->";
        case 9:
            return "<!-- a > b" + words(3) + "\n   c -->";
        case 10:
            return oneOf(std::vector<std::string> { "<!--[if IE]>", "<![endif]-->", "<!--[if !IE]><!-->",
                "<!--<![endif]-->", "<!--[if lt IE 9]>" });
        case 11:
            return "<![CDATA[" + words(4) + "]]>";
        case 12:
            m_verbatim = words(5) + "<b>" + words(3) + "</b>\n   end";
            return "<pre" + attributes() + ">" + m_verbatim + "</pre>";
        case 13:
            m_verbatim = words(5) + "<p>\n\t  raw";
            return "<textarea>" + m_verbatim + "</textarea>";
        case 14:
            return "<script>"
                + oneOf(
                    std::vector<std::string> { "", "\n  var a = 1;\n", "\n if (x) {\n   y(`a\n   b`);\n }\n",
                        "a = /'/.test(b) // '\n  c = \"d\"", "\n/* keep\n     this */\n    f();\n" })
                + "</script>";
        case 15:
            return "<style>" + words(6) + "</style>";
        case 16:
            return "<script type=\"text/template\">\n   <p>" + words(3) + "</p>\n</script>";
        default:
            return "<" + name() + " title=\"" + words(30) + "\" class=x>";
        }
    }

    std::mt19937 m_random;
    std::string m_verbatim;
};

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
