// The HTML tokenizer: reads markup token by token (text, tags, script text, content kept as it stands) in
// the normal form the formatter prints, white space collapsed to single separators. Qt-free, and linear in
// the input at any nesting depth: it keeps no record of open elements.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace inkwell {

// How a separator inside one token is written: a space, or a line break once the current line holds
// `width` characters (Unicode code points). A broken line starts with `indentation`.
struct LineFill
{
    long width = 70;
    long count = 0; // characters on the current line since the token began or the line was broken
    std::string_view indentation;

    void breakLine(std::string& out)
    {
        out += '\n';
        out.append(indentation);
        count = 0;
    }

    void separate(std::string& out)
    {
        if (count >= width) {
            breakLine(out);
        } else {
            out += ' ';
            ++count;
        }
    }
};

enum class HtmlTokenKind
{
    Eof,
    Text, // text up to the next tag, not read yet: readText prints it
    ScriptText, // the content of a script element the formatter re-indents, as it stands
    Verbatim, // the content of pre, textarea or a script of another language, as it stands
    StartTag,
    EndTag,
    SingleTag, // an element without an end tag, a comment, a declaration, a CDATA section, "<x/>"
    ScriptTag,
    StyleTag,
    ConditionalStart, // "<!--[if ...]>"
    ConditionalEnd, // "<![endif]-->"
};

// A token; its text and name stay valid until the next call on the tokenizer.
struct HtmlToken
{
    HtmlTokenKind kind = HtmlTokenKind::Eof;
    std::string_view text;
    // The lower-case name of a tag as written after "<" ("/html" for an end tag); empty for the rest.
    std::string_view name;
    // False for a tag cut off by the end of the input: it is not classified, and carries the kind of the
    // tag read before it (SingleTag when there was none).
    bool complete = true;
};

class HtmlTokenizer
{
public:
    explicit HtmlTokenizer(std::string_view input)
        : m_input(input)
    {
    }

    // The next token. A tag's separators are written as `fill` decides, counting on from its count.
    [[nodiscard]] HtmlToken next(LineFill& fill);

    // Appends the text of the Text token just returned to `out`: white space collapsed to separators
    // that `fill` writes, a "<" or the end of the input ending it.
    void readText(std::string& out, LineFill& fill);

    // The next tag comes back byte for byte as written rather than in normal form (the end tag of content
    // kept as it stands, which rewritten might no longer end it for a browser).
    void keepNextTagAsWritten() { m_keepNextTag = true; }

private:
    enum class Pending
    {
        None,
        ScriptText,
        Pre,
        Textarea,
        Script,
    };

    HtmlToken readVerbatim();
    bool readPlainTag(std::string& tag, LineFill& fill);
    bool readTag(std::string& tag, LineFill& fill);
    void classifyTag(std::string& tag, LineFill& fill);
    void readUnformatted(std::string& out, std::string_view delimiter, LineFill& fill);
    void appendRunUnlessPresent(std::string& tag, std::string_view delimiter, LineFill& fill);
    long printPlainText(std::string& out, std::size_t from, std::size_t to, long count, bool spaceBefore,
        LineFill& fill) const;
    [[nodiscard]] bool nextNonSpaceIs(char wanted) const;

    std::string_view m_input;
    std::size_t m_pos = 0;
    bool m_inTag = false; // text was read last, so a tag comes next
    Pending m_pending = Pending::None;
    HtmlTokenKind m_tagKind = HtmlTokenKind::SingleTag; // the class of the last tag classified
    bool m_keepNextTag = false;
    bool m_classified = false; // the tag being read was classified, not cut off by the end of the input
    std::string m_token; // the text of the tag being read, reused from tag to tag
    std::string m_quoted; // a quoted attribute value being read
    std::string m_name; // the lower-case name of the tag being classified
};

} // namespace inkwell
