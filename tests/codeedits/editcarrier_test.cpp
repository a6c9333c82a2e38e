// Carrying code-view edits back into the markup: single cases that show what stays the markup's own, and
// random edits over generated and real pages, each of which must read to the formatter as the edited
// text does while the markup outside the edit stays byte for byte.
#include "codeedits/editcarrier.h"
#include "codeedits/sourcemap.h"
#include "core/readfile.h"
#include "formatter/htmlformatter.h"
#include "tests/support/messymarkup.h"
#include "tests/support/textforms.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace inkwell {
namespace {

using testing::withoutWhiteSpace;

// Formats the markup, applies `edit` to the formatted text and carries the result back.
struct Trip
{
    std::string markup;
    std::string formatted;
    std::string edited;
    std::optional<CarriedEdits> carried;
};

Trip trip(std::string markup, std::string_view from, std::string_view to)
{
    Trip t;
    t.markup = std::move(markup);
    t.formatted = formatHtml(t.markup, IndentKind::Tab);
    t.edited = t.formatted;
    const std::size_t at = t.edited.find(from);
    EXPECT_NE(at, std::string::npos) << from << " not in\n" << t.formatted;
    if (at != std::string::npos)
        t.edited.replace(at, from.size(), to);
    t.carried = carryEdits(t.markup, t.formatted, t.edited);
    return t;
}

TEST(EditCarrier, KeepsTheMarkupOutsideTheEdit)
{
    struct Case
    {
        const char* name;
        std::string markup;
        std::string from; // in the formatted text
        std::string to;
        std::string expected;
    };
    const std::string chinese = "<p>中文<b>粗体</b>中文，<a href=\"x.html\">链接</a>。</p>";
    const std::vector<Case> cases {
        { "a word changed in another paragraph", "<body>" + chinese + "<p>one two three</p></body>", "two",
            "deux", "<body>" + chinese + "<p>one deux three</p></body>" },
        { "a word typed at the start of an element's text, where the formatter broke the line",
            "<p>中文<b>粗体</b></p>", "\t\t粗体", "\t\t新粗体", "<p>中文<b>新粗体</b></p>" },
        { "a word typed before the break after a tag starts its own text: that break is the formatter's",
            "<div><p>foo</p></div>", "<p>\n", "<p>x\n", "<div><p>xfoo</p></div>" },
        { "a word typed after the last word of a text", "<p>中文<b>粗体</b></p>", "粗体\n", "粗体新\n",
            "<p>中文<b>粗体新</b></p>" },
        { "the markup's own blanks around a changed word stay", "<p>\n   one   two  \n three</p>", "two", "2",
            "<p>\n   one   2  \n three</p>" },
        { "a word in a long text broken by the formatter",
            "<p>" + std::string(60, 'a') + " " + std::string(30, 'b') + " cc dd</p>", "cc", "CC",
            "<p>" + std::string(60, 'a') + " " + std::string(30, 'b') + " CC dd</p>" },
        { "an attribute typed into a tag", "<p   class=x>t</p>", "<p class=x>", "<p class=x id=y>",
            "<p   class=x id=y>t</p>" },
        { "a character typed right before the end of a tag keeps the blanks there", "<p  >t</p>", "<p>",
            "<px>", "<px  >t</p>" },
        { "the value of an attribute with blanks around its equals sign", "<a href = \"x\">t</a>", "\"x\"",
            "\"y\"", "<a href = \"y\">t</a>" },
        { "inside pre", "<div><pre>\n  a  b\n</pre></div>", "a  b", "a c b",
            "<div><pre>\n  a c b\n</pre></div>" },
        { "inside a script", "<script>\nif (a) {\n    b();\n}\n</script>", "b();", "c();",
            "<script>\nif (a) {\n    c();\n}\n</script>" },
        { "inside a comment", "<p>t</p><!-- note\n    here --><p>u</p>", "here", "there",
            "<p>t</p><!-- note\n    there --><p>u</p>" },
        { "a whole element deleted", "<ul><li>a</li><li>b</li></ul>", "\t<li>\n\t\tb\n\t</li>\n", "",
            "<ul><li>a</li></ul>" },
        { "a tag typed at the very start", "<p>t</p>", "<p>", "<div><p>", "<div><p>t</p>" },
        { "a tag typed at the very end", "<p>t</p>  ", "</p>", "</p><hr>", "<p>t</p><hr>  " },
        { "the whole text replaced", "<p>t</p>", "<p>\n\tt\n</p>", "<i>new</i>", "<i>new</i>" },
    };
    for (const Case& c : cases) {
        const Trip t = trip(c.markup, c.from, c.to);
        ASSERT_TRUE(t.carried) << c.name;
        EXPECT_EQ(t.carried->markup, c.expected) << c.name << "\nformatted:\n" << t.formatted;
    }
}

// An edit that changes how the rest of the page reads goes in where it was made, and the rest keeps
// its own white space: no line break or tab of the code view reaches the page.
TEST(EditCarrier, EditsThatChangeHowTheRestReadsKeepTheRestsWhiteSpace)
{
    struct Case
    {
        const char* name;
        std::string markup;
        std::string from; // in the formatted text
        std::string to;
        std::string expected;
    };
    const std::string rest = "<p>写代码的<b>程序员</b>，平时<a href=\"x\">请看</a>。</p></body>";
    const std::vector<Case> cases {
        { "a comment opened", "<body><p>one</p>" + rest, "<p>\n\t\tone", "<!--<p>\n\t\tone",
            "<body><!--<p>one</p>" + rest },
        { "a comment closed that was opened", "<body><!--<p>one</p>-->" + rest, "-->", "",
            "<body><!--<p>one</p>" + rest },
        { "a pre opened", "<body><p>one</p>" + rest, "<p>\n\t\tone", "<pre><p>\n\t\tone",
            "<body><pre><p>one</p>" + rest },
        { "a quote left open", "<body><p class=a>one</p>" + rest, "class=a", "class=\"a",
            "<body><p class=\"a>one</p>" + rest },
        { "a tag renamed", "<body><p>one</p>" + rest, "<p>\n\t\tone\n\t</p>", "<pre>\n\t\tone\n\t</pre>",
            "<body><pre>one</pre>" + rest },
        { "a script opened", "<body><p>one</p>" + rest, "<p>\n\t\tone", "<script><p>\n\t\tone",
            "<body><script><p>one</p>" + rest },
    };
    for (const Case& c : cases) {
        const Trip t = trip(c.markup, c.from, c.to);
        ASSERT_TRUE(t.carried) << c.name;
        EXPECT_EQ(t.carried->markup, c.expected) << c.name << "\nformatted:\n" << t.formatted;
    }
}

// A word typed at the end of a line, or at the start of one after its indentation, goes in next to the
// byte it was typed beside; the markup's white space stays on the other side. The line breaks of the
// code view are where the formatter put them (before a link, a code element), not where the markup
// has them.
TEST(EditCarrier, AWordTypedBesideALineBreakKeepsTheWhiteSpaceAfterIt)
{
    struct Case
    {
        const char* name;
        std::string markup;
        std::string from; // in the formatted text
        std::string to;
        std::string expected;
    };
    const std::vector<Case> cases {
        { "before a code element", "<p>A second purpose of <code>BZ2_bzCompress</code> is</p>", "of\n",
            "ofZQX\n", "<p>A second purpose ofZQX <code>BZ2_bzCompress</code> is</p>" },
        { "before a link", "<p>the <a href=\"i\">iterable</a></p>", "the\n", "theZQX\n",
            "<p>theZQX <a href=\"i\">iterable</a></p>" },
        { "Chinese before a link", "<p>自由软件是使用<a href=\"c\">C</a></p>", "使用\n", "使用ZQX\n",
            "<p>自由软件是使用ZQX<a href=\"c\">C</a></p>" },
        { "at the start of the line after", "<p>the <a href=\"i\">iterable</a></p>", "\t<a", "\tZQX<a",
            "<p>the ZQX<a href=\"i\">iterable</a></p>" },
        { "on a line of its own", "<p>the <a href=\"i\">iterable</a></p>", "the\n", "the\n\tZQX\n",
            "<p>the ZQX\n\t<a href=\"i\">iterable</a></p>" },
    };
    for (const Case& c : cases) {
        const Trip t = trip(c.markup, c.from, c.to);
        ASSERT_TRUE(t.carried) << c.name;
        EXPECT_EQ(t.carried->markup, c.expected) << c.name << "\nformatted:\n" << t.formatted;
    }
}

// A title is text alone: the code view shows it on lines of its own, and a word changed there, or the
// whole title typed anew, comes back without the code view's line breaks and indentation.
TEST(EditCarrier, ATitleEditedInTheCodeViewGetsNoWhiteSpaceFromIt)
{
    const std::string markup = "<html><head><title>我的主页</title></head><body><p>a</p></body></html>";
    struct Case
    {
        const char* from;
        const char* to;
        const char* title;
    };
    for (const Case& c : { Case { "主页", "新主页", "<title>我的新主页</title>" },
             Case { "我的主页", "张三的主页", "<title>张三的主页</title>" } }) {
        SCOPED_TRACE(c.to);
        const Trip t = trip(markup, c.from, c.to);
        ASSERT_TRUE(t.carried);
        EXPECT_NE(t.carried->markup.find(c.title), std::string::npos) << t.carried->markup;
    }
}

TEST(EditCarrier, NothingChangedGivesTheMarkupBack)
{
    const std::string markup = "<p>a <b>b</b></p>";
    const auto carried
        = carryEdits(markup, formatHtml(markup, IndentKind::Tab), formatHtml(markup, IndentKind::Tab));
    ASSERT_TRUE(carried);
    EXPECT_EQ(carried->markup, markup);
}

TEST(EditCarrier, RefusesTextNotFormattedFromTheMarkup)
{
    // Another page entirely, and one that differs from the markup in a byte the edit does not touch.
    EXPECT_FALSE(carryEdits("<p>a</p>", "<p>\n\tb\n</p>", "<p>\n\tbc\n</p>"));
    EXPECT_FALSE(
        carryEdits("<p>a</p><p>b</p>", "<p>\n\ta\n</p>\n<p>\n\tc\n</p>", "<p>\n\tX\n</p>\n<p>\n\tc\n</p>"));
    EXPECT_FALSE(carryEdits("<p>a</p>", "<p>\n\ta\n</p>\n<p>", "<p>\n\tX\n</p>\n<p>"));
}

TEST(SourceMap, MatchesOffsetsBothWays)
{
    const std::string markup = "<div><p class = x>one  two</p></div>";
    const std::string formatted = formatHtml(markup, IndentKind::Tab);
    for (const std::string_view word : { "<div>", "<p", "x>", "one", "two", "</p>", "</div>" }) {
        const std::size_t inFormatted = formatted.find(word);
        const std::size_t inMarkup = markup.find(word);
        EXPECT_EQ(markupOffsetOf(markup, formatted, inFormatted), inMarkup) << word;
        EXPECT_EQ(formattedOffsetOf(markup, formatted, inMarkup), inFormatted) << word;
    }
    // White space maps to the next byte that is not white space, the end to the end.
    EXPECT_EQ(markupOffsetOf(markup, formatted, formatted.find("\n")), markup.find("<p"));
    EXPECT_EQ(markupOffsetOf(markup, formatted, formatted.size()), markup.size());
    EXPECT_FALSE(markupOffsetOf("<p>a</p>", "<p>\n\tb\n</p>", 8));
}

// Random edits of a formatted page, of the kinds a user makes, at places chosen among the constructs the
// formatter treats specially and at both ends.
class EditMaker
{
public:
    explicit EditMaker(unsigned seed)
        : m_random(seed)
    {
    }

    std::string edit(const std::string& text)
    {
        std::string out = text;
        const std::size_t at = place(out);
        switch (pick(0, 5)) {
        case 0: // insert
            out.insert(at, piece());
            break;
        case 1: { // delete up to a word, tag or some bytes
            out.erase(at, std::min(out.size() - at, extent(out, at)));
            break;
        }
        case 2: // replace
            out.replace(at, std::min(out.size() - at, extent(out, at)), piece());
            break;
        case 3: // white space added or taken
            if (at < out.size() && (out[at] == ' ' || out[at] == '\t' || out[at] == '\n'))
                out.erase(at, 1);
            else
                out.insert(at, oneOf({ " ", "\n", "\t", "\n\t\t" }));
            break;
        case 4: // two edits far apart
            out.insert(at, piece());
            out.insert(place(out), piece());
            break;
        default: // an attribute into the nearest tag before
        {
            const std::size_t close = out.find('>', at);
            if (close != std::string::npos)
                out.insert(close, oneOf({ " id=new", " class=\"a b\"", " hidden", "=x" }));
            else
                out += piece();
            break;
        }
        }
        return out;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    std::string oneOf(const std::vector<std::string>& list)
    {
        return list[static_cast<std::size_t>(pick(0, static_cast<int>(list.size()) - 1))];
    }

    std::string piece()
    {
        return oneOf({ "word", " word ", "新词", "<b>", "</b>", "<i>x</i>", "\n", " ", "\t\t", "<!-- c -->",
            "<br>", "\"", "=", "a=\"b\"", "<p>", "</div>", "x y\nz", "<", ">", "-->" });
    }

    // Where an edit goes: the very start or end, inside a construct of its own, or anywhere, on a
    // character boundary.
    std::size_t place(const std::string& text)
    {
        std::size_t at = 0;
        const int kind = pick(0, 9);
        if (kind == 0) {
            at = 0;
        } else if (kind == 1) {
            at = text.size();
        } else if (kind <= 4) {
            static const std::vector<std::string> marks { "<pre", "<textarea", "<script", "<style", "<!--",
                "</pre", "-->" };
            const std::string& mark
                = marks[static_cast<std::size_t>(pick(0, static_cast<int>(marks.size()) - 1))];
            const std::size_t found
                = text.find(mark, static_cast<std::size_t>(pick(0, static_cast<int>(text.size()))));
            at = found == std::string::npos ? static_cast<std::size_t>(pick(0, static_cast<int>(text.size())))
                                            : found + static_cast<std::size_t>(pick(0, 12));
        } else {
            at = static_cast<std::size_t>(pick(0, static_cast<int>(text.size())));
        }
        at = std::min(at, text.size());
        while (at > 0 && at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            --at;
        return at;
    }

    std::size_t extent(const std::string& text, std::size_t at)
    {
        std::size_t end = at;
        if (pick(0, 1) == 0) {
            while (end < text.size() && text[end] != ' ' && text[end] != '\n' && text[end] != '>')
                ++end;
            if (end < text.size() && text[end] == '>')
                ++end;
        } else {
            end = at + static_cast<std::size_t>(pick(1, 40));
        }
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            ++end;
        return std::min(end, text.size()) - at;
    }

    std::mt19937 m_random;
};

// The markup that matches the formatted text's stretch [begin, end) with the white space next to it:
// from after the markup's n-th byte that is not white space, n being how many the formatted text has
// before `begin`, to its next such byte at or after `end`. Counted here on its own, apart from the
// carrier's walk.
std::pair<std::size_t, std::size_t> markupAround(
    const std::string& markup, const std::string& formatted, std::size_t begin, std::size_t end)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; };
    const auto count = [&](std::size_t upTo) {
        return static_cast<std::size_t>(std::count_if(formatted.begin(),
            formatted.begin() + static_cast<std::ptrdiff_t>(upTo), [&](char c) { return !isSpace(c); }));
    };
    const auto after = [&](std::size_t n) {
        std::size_t at = 0;
        for (std::size_t seen = 0; seen < n && at < markup.size(); ++at)
            seen += isSpace(markup[at]) ? 0 : 1;
        return at;
    };
    std::size_t to = after(count(end));
    while (to < markup.size() && isSpace(markup[to]))
        ++to;
    return { begin == 0 ? 0 : after(count(begin)), to };
}

// The promise for one edit: the page keeps every byte of the edited text that is not white space, and
// the markup outside the stretch the user changed (with the white space next to it) byte for byte.
void checkEdit(const std::string& markup, const std::string& edited, const std::string& label)
{
    const std::string formatted = formatHtml(markup, IndentKind::Tab);
    const auto carried = carryEdits(markup, formatted, edited);
    ASSERT_TRUE(carried) << label;
    ASSERT_EQ(withoutWhiteSpace(carried->markup), withoutWhiteSpace(edited)) << label << "\nmarkup:\n"
                                                                             << markup << "\nformatted:\n"
                                                                             << formatted << "\nedited:\n"
                                                                             << edited << "\ncarried:\n"
                                                                             << carried->markup;
    ASSERT_LE(carried->begin, carried->end) << label;
    ASSERT_EQ(carried->markup.substr(0, carried->begin), markup.substr(0, carried->begin)) << label;
    ASSERT_EQ(carried->markup.substr(carried->begin + carried->inserted), markup.substr(carried->end))
        << label;
    std::size_t prefix = 0;
    while (prefix < formatted.size() && prefix < edited.size() && formatted[prefix] == edited[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < std::min(formatted.size(), edited.size()) - prefix
        && formatted[formatted.size() - 1 - suffix] == edited[edited.size() - 1 - suffix])
        ++suffix;
    const auto [around, aroundEnd] = markupAround(markup, formatted, prefix, formatted.size() - suffix);
    const std::string& out = carried->markup;
    EXPECT_EQ(out.substr(0, around), markup.substr(0, around))
        << label << ": the markup changed before the stretch edited";
    ASSERT_GE(out.size(), around + (markup.size() - aroundEnd)) << label;
    EXPECT_EQ(out.substr(out.size() - (markup.size() - aroundEnd)), markup.substr(aroundEnd))
        << label << ": the markup changed after the stretch edited";
}

void checkRandomEdits(const std::string& markup, unsigned seed, int edits, const std::string& label)
{
    const std::string formatted = formatHtml(markup, IndentKind::Tab);
    EditMaker maker(seed);
    for (int i = 0; i < edits; ++i) {
        checkEdit(markup, maker.edit(formatted), label + " edit " + std::to_string(i));
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// An edit of the formatted text: [begin, end) becomes `text`.
struct Edit
{
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string text;
};

// The same edits made on the markup, each at the matching place: an edit that starts after a byte
// that is not white space starts after its match, one that starts after white space at the match of
// the byte it starts at; it ends after the match of its last byte. Counted apart from the carrier.
std::string madeOnMarkup(const std::string& markup, const std::string& formatted, std::vector<Edit> edits)
{
    const auto count = [&](std::size_t upTo) {
        return static_cast<std::size_t>(std::count_if(formatted.begin(),
            formatted.begin() + static_cast<std::ptrdiff_t>(upTo), [](char c) { return !isSpace(c); }));
    };
    const auto afterNth = [&](std::size_t n) {
        std::size_t at = 0;
        for (std::size_t seen = 0; seen < n; ++at)
            seen += isSpace(markup[at]) ? 0 : 1;
        return at;
    };
    const auto startOf = [&](std::size_t at) {
        std::size_t inMarkup = afterNth(count(at));
        if (at > 0 && !isSpace(formatted[at - 1]))
            return inMarkup;
        while (inMarkup < markup.size() && isSpace(markup[inMarkup]))
            ++inMarkup;
        return inMarkup;
    };
    std::string out = markup;
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.begin > b.begin; });
    for (const Edit& e : edits) {
        const std::size_t begin = startOf(e.begin);
        const std::size_t end = e.end == e.begin ? begin : afterNth(count(e.end));
        out.replace(begin, end - begin, e.text);
    }
    return out;
}

std::string madeOnFormatted(std::string formatted, std::vector<Edit> edits)
{
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.begin > b.begin; });
    for (const Edit& e : edits)
        formatted.replace(e.begin, e.end - e.begin, e.text);
    return formatted;
}

std::vector<std::string> realPages()
{
    std::vector<std::string> pages;
    for (const auto& entry :
        std::filesystem::directory_iterator(std::filesystem::path(INKWELL_TEST_DATA) / "pages")) {
        if (entry.path().extension() == ".html")
            pages.push_back(readFile(entry.path()).valueOr({}));
    }
    return pages;
}

// The shape of words glued to the next: a word typed at the end of a line, where the next line is an
// inline element the formatter put on a line of its own, and at the start of that element's line. The
// page gets the word beside the byte it was typed next to, and the markup's white space (a blank, or
// none at all) stays between it and the element. Also at the end of other lines, on real pages and
// generated ones.
TEST(EditCarrierProperties, AWordTypedBesideALineBreakGoesInBesideItsByte)
{
    std::vector<std::string> pages = realPages();
    for (unsigned seed = 1; seed <= 60; ++seed) {
        MessyMarkup generator(seed);
        std::vector<std::string> verbatim;
        pages.push_back(generator.page(verbatim));
    }
    int beforeInline = 0;
    int others = 0;
    for (const std::string& markup : pages) {
        const std::string formatted = formatHtml(markup, IndentKind::Tab);
        int ofThisPage = 0;
        for (std::size_t at = formatted.find('\n'); at != std::string::npos && ofThisPage < 40;
             at = formatted.find('\n', at + 1)) {
            if (at == 0 || isSpace(formatted[at - 1]))
                continue;
            std::size_t next = at + 1;
            while (next < formatted.size() && formatted[next] == '\t')
                ++next;
            std::string tag = formatted.substr(next, 7);
            std::transform(tag.begin(), tag.end(), tag.begin(), [](char c) { return std::tolower(c); });
            const bool inlineNext = tag.starts_with("<a ") || tag.starts_with("<code")
                || tag.starts_with("<tt") || tag.starts_with("<b>") || tag.starts_with("<em")
                || tag.starts_with("<span") || tag.starts_with("<i>") || tag.starts_with("<strong")
                || tag.starts_with("<kbd");
            if (!inlineNext && (others > 400 || at % 7 != 0))
                continue;
            ++ofThisPage;
            (inlineNext ? beforeInline : others) += 1;
            std::vector<std::vector<Edit>> trials { { { at, at, "ZQX" } } };
            if (next < formatted.size() && !isSpace(formatted[next]) && next > at + 1)
                trials.push_back({ { next, next, "ZQX" } });
            for (const std::vector<Edit>& edits : trials) {
                const std::string edited = madeOnFormatted(formatted, edits);
                const auto carried = carryEdits(markup, formatted, edited);
                ASSERT_TRUE(carried);
                ASSERT_EQ(carried->markup, madeOnMarkup(markup, formatted, edits))
                    << "typed at " << edits.front().begin << " of\n"
                    << formatted.substr(at > 200 ? at - 200 : 0, 400);
            }
        }
    }
    RecordProperty("typed before an inline element", beforeInline);
    RecordProperty("typed at the end of other lines", others);
    EXPECT_GT(beforeInline, 50);
    EXPECT_GT(others, 50);
}

// The kinds of edit a user makes, once each on every real page, past its middle: a word changed, a
// tag renamed at both ends, an attribute added, a comment opened and left open, an element put into a
// comment, a pre opened. Each comes out as the same edit made on the page's own markup: the rest of the
// page, and so its visible text, is as it was, even where the edit changes how the rest reads.
TEST(EditCarrierProperties, EachKindOfEditIsTheSameEditOnTheMarkup)
{
    int checked = 0;
    for (const std::string& markup : realPages()) {
        const std::string formatted = formatHtml(markup, IndentKind::Tab);
        const std::size_t middle = formatted.size() / 2;
        // An element on a line of its own: its start tag's '<', the end of its name, its end tag's end.
        std::size_t open = std::string::npos;
        std::size_t nameEnd = 0;
        std::size_t closeEnd = 0;
        for (const std::string name : { "p", "P", "li", "LI", "dd", "DD", "td", "TD", "div", "DIV" }) {
            for (std::size_t at = formatted.find("\t<" + name, middle); at != std::string::npos;
                 at = formatted.find("\t<" + name, at + 1)) {
                const char after = formatted[at + 2 + name.size()];
                const std::size_t close = formatted.find("</" + name + ">", at);
                if ((after != '>' && after != ' ') || close == std::string::npos)
                    continue;
                open = at + 1;
                nameEnd = at + 2 + name.size();
                closeEnd = close + name.size() + 3;
                break;
            }
            if (open != std::string::npos)
                break;
        }
        ASSERT_NE(open, std::string::npos);
        // A word of letters in the text past the middle.
        std::size_t word = middle;
        const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
        while (word < formatted.size() && !(isLetter(formatted[word]) && formatted[word - 1] == '\t'))
            ++word;
        std::size_t wordEnd = word;
        while (wordEnd < formatted.size() && isLetter(formatted[wordEnd]))
            ++wordEnd;
        ASSERT_LT(word, formatted.size());
        const std::size_t nameBegin = open + 1;
        const std::size_t closeName = closeEnd - (nameEnd - nameBegin) - 1;
        const std::vector<std::pair<const char*, std::vector<Edit>>> kinds {
            { "word", { { word, wordEnd, "changed" } } },
            { "tag renamed", { { nameBegin, nameEnd, "section" }, { closeName, closeEnd - 1, "section" } } },
            { "attribute", { { nameEnd, nameEnd, " id=\"new\"" } } },
            { "comment opened", { { open, open, "<!--" } } },
            { "comment opened and closed", { { open, open, "<!--" }, { closeEnd, closeEnd, "-->" } } },
            { "pre opened", { { open, open, "<pre>" } } },
        };
        for (const auto& [kind, edits] : kinds) {
            const std::string edited = madeOnFormatted(formatted, edits);
            const auto carried = carryEdits(markup, formatted, edited);
            ASSERT_TRUE(carried) << kind;
            EXPECT_EQ(carried->markup, madeOnMarkup(markup, formatted, edits))
                << kind << " at " << edits.front().begin << " of\n"
                << formatted.substr(edits.front().begin - 100, 300);
            ++checked;
        }
    }
    EXPECT_EQ(checked, 13 * 6);
}

TEST(EditCarrierProperties, GeneratedPages)
{
    for (unsigned seed = 1; seed <= 300; ++seed) {
        MessyMarkup generator(seed);
        std::vector<std::string> verbatim;
        checkRandomEdits(generator.page(verbatim), seed, 20, "seed " + std::to_string(seed));
        if (HasFatalFailure())
            return;
    }
}

TEST(EditCarrierProperties, FuzzCorpusAndRealPages)
{
    const std::filesystem::path data(INKWELL_TEST_DATA);
    int pages = 0;
    for (const auto& folder : { data / "formatter" / "fuzz", data / "pages" }) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().extension() == ".md")
                continue;
            const std::string markup = readFile(entry.path()).valueOr({});
            checkRandomEdits(
                markup, static_cast<unsigned>(markup.size()), 40, entry.path().filename().string());
            if (HasFatalFailure())
                return;
            ++pages;
        }
    }
    EXPECT_GE(pages, 15);
}

} // namespace
} // namespace inkwell
