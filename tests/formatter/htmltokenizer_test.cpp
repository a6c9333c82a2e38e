// The tokenizer on its own: the kind of each token, the names of tags, and the content it hands over
// as written, for the markup whose reading differs (kept content, script text, comments, cut-off tags).
#include "formatter/htmltokenizer.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace inkwell {
namespace {

// A token as the test compares it: kind, name as written after "<" (lower case), and the text (for Text
// tokens what readText prints).
struct Seen
{
    HtmlTokenKind kind;
    std::string name;
    std::string text;
    bool complete = true;

    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen)
{
    return out << static_cast<int>(seen.kind) << " [" << seen.name << "] \"" << seen.text << "\""
               << (seen.complete ? "" : " (cut off)");
}

std::vector<Seen> tokensOf(std::string_view input)
{
    HtmlTokenizer tokenizer(input);
    LineFill fill;
    fill.width = 1000; // wide enough that no separator becomes a line break
    std::vector<Seen> seen;
    for (;;) {
        const HtmlToken token = tokenizer.next(fill);
        if (token.kind == HtmlTokenKind::Eof)
            break;
        if (token.kind == HtmlTokenKind::Text) {
            std::string text;
            tokenizer.readText(text, fill);
            seen.push_back({ token.kind, {}, text });
        } else {
            seen.push_back({ token.kind, std::string(token.name), std::string(token.text), token.complete });
        }
        if (seen.size() > 100)
            break; // a tokenizer that stops advancing fails the comparison instead of hanging
    }
    return seen;
}

using K = HtmlTokenKind;

TEST(HtmlTokenizer, ReadsEachKindOfToken)
{
    struct Case
    {
        const char* name;
        std::string_view input;
        std::vector<Seen> tokens;
    };
    const Case cases[] = {
        { "element_with_text", "<P Class=a>x  \n y</p>",
            { { K::StartTag, "p", "<P Class=a>" }, { K::Text, "", "x y" }, { K::EndTag, "/p", "</p>" } } },
        { "void_elements_are_single_tags", "<br><source src=a><col><track>",
            { { K::SingleTag, "br", "<br>" }, { K::SingleTag, "source", "<source src=a>" },
                { K::SingleTag, "col", "<col>" }, { K::SingleTag, "track", "<track>" } } },
        { "slash_tag_is_single", "<x-y/>", { { K::SingleTag, "x-y/", "<x-y/>" } } },
        { "comment_and_doctype_are_single", "<!-- c --><!DOCTYPE html>",
            { { K::SingleTag, "!--", "<!-- c -->" }, { K::SingleTag, "!doctype", "<!DOCTYPE html>" } } },
        { "script_text_as_written", "<script>if (a<b) x();</script>",
            { { K::ScriptTag, "script", "<script>" }, { K::ScriptText, "", "if (a<b) x();" },
                { K::EndTag, "/script", "</script>" } } },
        { "pre_content_kept", "<pre> a  <b> </pre>",
            { { K::StartTag, "pre", "<pre>" }, { K::Verbatim, "", " a  <b> " },
                { K::EndTag, "/pre", "</pre>" } } },
        { "textarea_content_kept", "<textarea>a\n<p></textarea>",
            { { K::StartTag, "textarea", "<textarea>" }, { K::Verbatim, "", "a\n<p>" },
                { K::EndTag, "/textarea", "</textarea>" } } },
        { "style_content_is_text", "<style>a { b }</style>",
            { { K::StyleTag, "style", "<style>" }, { K::Text, "", "a { b }" },
                { K::EndTag, "/style", "</style>" } } },
        { "conditional_comment", "<!--[if IE]>x<![endif]-->",
            { { K::ConditionalStart, "!--[if", "<!--[if IE]>" }, { K::Text, "", "x" },
                { K::ConditionalEnd, "![endif]--", "<![endif]-->" } } },
        // A tag cut off by the end is handed over unclassified, with the kind of the tag before it.
        { "tag_cut_off_by_the_end", "<p>x<b",
            { { K::StartTag, "p", "<p>" }, { K::Text, "", "x" }, { K::StartTag, "", "<b", false } } },
        { "only_white_space", " \n\t ", {} },
        { "empty", "", {} },
    };
    for (const Case& c : cases)
        EXPECT_EQ(tokensOf(c.input), c.tokens) << c.name;
}

} // namespace
} // namespace inkwell
