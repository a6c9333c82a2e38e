// Carrying code-view edits back into the markup: single cases that show what stays the markup's own, and
// random edits over generated and real pages, each of which must read to the formatter as the edited
// text does while the markup outside the edit stays byte for byte.
#include "core/readfile.h"
#include "editing/editcarrier.h"
#include "editing/htmlformatter.h"
#include "editing/sourcemap.h"
#include "messymarkup.h"
#include "tests/support/textforms.h"

#include <cstdio>
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
        { "a word typed before the break after a tag starts its own text", "<div><p>foo</p></div>", "<p>\n",
            "<p>x\n", "<div><p>x foo</p></div>" },
        { "a word typed after the last word of a text", "<p>中文<b>粗体</b></p>", "粗体\n", "粗体新\n",
            "<p>中文<b>粗体新</b></p>" },
        { "the markup's own blanks around a changed word stay", "<p>\n   one   two  \n three</p>", "two", "2",
            "<p>\n   one   2  \n three</p>" },
        { "a word in a long text broken by the formatter",
            "<p>" + std::string(60, 'a') + " " + std::string(30, 'b') + " cc dd</p>", "cc", "CC",
            "<p>" + std::string(60, 'a') + " " + std::string(30, 'b') + " CC dd</p>" },
        { "an attribute typed into a tag", "<p   class=x>t</p>", "<p class=x>", "<p class=x id=y>",
            "<p   class=x id=y>t</p>" },
        { "a character typed right before the end of a tag", "<p  >t</p>", "<p>", "<px>", "<px>t</p>" },
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
        EXPECT_EQ(formatHtml(t.carried->markup, IndentKind::Tab), formatHtml(t.edited, IndentKind::Tab))
            << c.name;
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

// How often each reach came out, for the test's record; counted per test.
int reaches[3] = {};

// The promise for one edit: the markup carried back reads to the formatter as the edited text does, and
// the markup replaced holds exactly what the edit replaced in the formatted text, apart from white space.
void checkEdit(const std::string& markup, const std::string& edited, const std::string& label)
{
    const std::string formatted = formatHtml(markup, IndentKind::Tab);
    const auto carried = carryEdits(markup, formatted, edited);
    ASSERT_TRUE(carried) << label;
    ASSERT_EQ(formatHtml(carried->markup, IndentKind::Tab), formatHtml(edited, IndentKind::Tab))
        << label << " reach " << static_cast<int>(carried->reach) << "\nmarkup:\n"
        << markup << "\nformatted:\n"
        << formatted << "\nedited:\n"
        << edited << "\ncarried:\n"
        << carried->markup;
    ASSERT_LE(carried->begin, carried->end) << label;
    ASSERT_EQ(carried->markup.substr(0, carried->begin), markup.substr(0, carried->begin)) << label;
    ASSERT_EQ(carried->markup.substr(carried->begin + carried->inserted), markup.substr(carried->end))
        << label;
    ++reaches[static_cast<int>(carried->reach)];
    if (carried->reach != CarriedReach::Edit)
        return;
    std::size_t prefix = 0;
    while (prefix < formatted.size() && prefix < edited.size() && formatted[prefix] == edited[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < std::min(formatted.size(), edited.size()) - prefix
        && formatted[formatted.size() - 1 - suffix] == edited[edited.size() - 1 - suffix])
        ++suffix;
    std::size_t begin = prefix;
    while (begin > 0 && (static_cast<unsigned char>(formatted[begin]) & 0xC0) == 0x80)
        --begin;
    std::size_t end = formatted.size() - suffix;
    // Over white space too: a stray continuation byte (markup that is not UTF-8) is set apart by a blank.
    while (end < formatted.size()
        && ((static_cast<unsigned char>(formatted[end]) & 0xC0) == 0x80 || formatted[end] == ' '))
        ++end;
    EXPECT_EQ(withoutWhiteSpace(markup.substr(carried->begin, carried->end - carried->begin)),
        withoutWhiteSpace(formatted.substr(begin, end - begin)))
        << label << ": the markup replaced is not the stretch edited";
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

void recordReaches()
{
    ::testing::Test::RecordProperty("carried in place", reaches[0]);
    ::testing::Test::RecordProperty("carried from the edit on", reaches[1]);
    ::testing::Test::RecordProperty("carried whole", reaches[2]);
    std::printf("carried in place %d, from the edit on %d, whole %d\n", reaches[0], reaches[1], reaches[2]);
    reaches[0] = reaches[1] = reaches[2] = 0;
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
    recordReaches();
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
    recordReaches();
}

} // namespace
} // namespace inkwell
