#include "incoming/pastedhtml.h"

#include "core/ascii.h"
#include "html/elements.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace inkwell {
namespace {

struct Attribute
{
    std::string name; // lower case
    std::string value; // as written, without its quotes
    bool hasValue = false;
};

// One piece of markup as a browser's parser divides it: text, a start or end tag, or a comment or
// declaration (which shows nothing).
struct Piece
{
    enum class Kind
    {
        Text,
        StartTag,
        EndTag,
        Hidden, // a comment (conditional ones included, with what they hide), a declaration, "<?...>"
    };
    Kind kind = Kind::Text;
    std::string_view raw;
    std::string name; // lower case, for tags
    std::vector<Attribute> attributes;
    bool selfClosing = false;
};

// Reads a start tag's attributes from `at` (just after its name) to its ">"; returns the offset after it.
std::size_t readAttributes(std::string_view html, std::size_t at, Piece& tag)
{
    const std::size_t n = html.size();
    while (at < n) {
        while (at < n && (isAsciiBlank(html[at]) || html[at] == '/'))
            ++at;
        if (at >= n)
            break;
        if (html[at] == '>') {
            tag.selfClosing = html[at - 1] == '/';
            return at + 1;
        }
        const std::size_t nameStart = at;
        ++at; // a name may begin with "=", as a browser reads it
        while (at < n && !isAsciiBlank(html[at]) && html[at] != '/' && html[at] != '>' && html[at] != '=')
            ++at;
        Attribute attribute { asciiLower(html.substr(nameStart, at - nameStart)), {}, false };
        std::size_t look = at;
        while (look < n && isAsciiBlank(html[look]))
            ++look;
        if (look < n && html[look] == '=') {
            at = look + 1;
            while (at < n && isAsciiBlank(html[at]))
                ++at;
            attribute.hasValue = true;
            if (at < n && (html[at] == '"' || html[at] == '\'')) {
                const char quote = html[at];
                const std::size_t close = html.find(quote, at + 1);
                const std::size_t end = close == std::string_view::npos ? n : close;
                attribute.value = std::string(html.substr(at + 1, end - at - 1));
                at = end == n ? n : end + 1;
            } else {
                const std::size_t valueStart = at;
                while (at < n && !isAsciiBlank(html[at]) && html[at] != '>')
                    ++at;
                attribute.value = std::string(html.substr(valueStart, at - valueStart));
            }
        }
        tag.attributes.push_back(std::move(attribute));
    }
    return n;
}

std::vector<Piece> readPieces(std::string_view html)
{
    std::vector<Piece> pieces;
    const std::size_t n = html.size();
    std::size_t at = 0;
    const auto addText = [&](std::size_t from, std::size_t to) {
        if (to > from)
            pieces.push_back({ Piece::Kind::Text, html.substr(from, to - from), {}, {}, false });
    };
    std::size_t textStart = 0;
    while (at < n) {
        if (html[at] != '<' || at + 1 >= n) {
            ++at;
            continue;
        }
        const char next = html[at + 1];
        const bool opensTag = isAsciiAlpha(next) || next == '!' || next == '?' || next == '/';
        if (!opensTag) {
            ++at;
            continue;
        }
        addText(textStart, at);
        const std::size_t start = at;
        Piece piece;
        if (html.substr(at, 4) == "<!--") {
            // A comment ends at the first "-->"; "<!-->" and "<!--->" are empty ones.
            std::size_t end = std::string_view::npos;
            if (html.substr(at + 4, 1) == ">")
                end = at + 5;
            else if (html.substr(at + 4, 2) == "->")
                end = at + 6;
            else if (const auto close = html.find("-->", at + 4); close != std::string_view::npos)
                end = close + 3;
            at = end == std::string_view::npos ? n : end;
            piece.kind = Piece::Kind::Hidden;
        } else if (next == '!' || next == '?'
            || (next == '/' && (at + 2 >= n || !isAsciiAlpha(html[at + 2])))) {
            // Declarations, "<![if ...]>" and its "<![endif]>", and other bogus comments end at ">".
            const std::size_t close = html.find('>', at);
            at = close == std::string_view::npos ? n : close + 1;
            piece.kind = Piece::Kind::Hidden;
        } else {
            const bool end = next == '/';
            std::size_t nameEnd = at + (end ? 2 : 1);
            while (
                nameEnd < n && !isAsciiBlank(html[nameEnd]) && html[nameEnd] != '/' && html[nameEnd] != '>')
                ++nameEnd;
            piece.kind = end ? Piece::Kind::EndTag : Piece::Kind::StartTag;
            piece.name = asciiLower(html.substr(at + (end ? 2 : 1), nameEnd - at - (end ? 2 : 1)));
            if (end) {
                const std::size_t close = html.find('>', nameEnd);
                at = close == std::string_view::npos ? n : close + 1;
            } else {
                at = readAttributes(html, nameEnd, piece);
            }
        }
        piece.raw = html.substr(start, at - start);
        const bool rawText = piece.kind == Piece::Kind::StartTag && holdsTextUpToEndTag(piece.name);
        const std::string closing = "</" + piece.name;
        pieces.push_back(std::move(piece));
        textStart = at;
        if (rawText) {
            std::size_t close = findNoCase(html, closing, at);
            if (close == std::string_view::npos)
                close = n;
            addText(at, close);
            at = close;
            textStart = at;
        }
    }
    addText(textStart, n);
    return pieces;
}

// Elements dropped with everything inside them.
bool isDroppedWithContent(std::string_view name)
{
    return name == "head" || name == "style" || name == "script" || name == "title" || name == "xml"
        || name == "template" || name == "noscript";
}

// Elements whose tags are dropped and whose content stays: the document wrapper, and the word
// processor's prefixed elements (o:p holds a paragraph's blank, w:Sdt a content control's text).
bool isDroppedTagOnly(std::string_view name)
{
    return name == "html" || name == "body" || name == "meta" || name == "link" || name == "base"
        || name.find(':') != std::string_view::npos;
}

const Attribute* findAttribute(const Piece& tag, std::string_view name)
{
    for (const Attribute& attribute : tag.attributes) {
        if (attribute.name == name)
            return &attribute;
    }
    return nullptr;
}

// A style attribute's declarations, "&quot;" read as the quote it stands for.
struct Declaration
{
    std::string property; // lower case
    std::string text; // the whole declaration, trimmed
    std::string value; // trimmed
};

std::vector<Declaration> declarationsOf(std::string_view style)
{
    std::string decoded;
    for (std::size_t i = 0; i < style.size(); ++i) {
        if (startsWithNoCase(style, i, "&quot;")) {
            decoded += '"';
            i += 5;
        } else {
            decoded += style[i];
        }
    }
    std::vector<Declaration> out;
    std::size_t start = 0;
    char quote = 0;
    int parens = 0;
    for (std::size_t i = 0; i <= decoded.size(); ++i) {
        const char c = i < decoded.size() ? decoded[i] : ';';
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '"' || c == '\'')
            quote = c;
        else if (c == '(')
            ++parens;
        else if (c == ')' && parens > 0)
            --parens;
        else if (c == ';' && parens == 0) {
            const std::string_view text = trimBlanks(std::string_view(decoded).substr(start, i - start));
            start = i + 1;
            if (text.empty())
                continue;
            const auto colon = text.find(':');
            if (colon == std::string_view::npos) {
                out.push_back({ std::string(), std::string(text), std::string() });
                continue;
            }
            out.push_back({ asciiLower(trimBlanks(text.substr(0, colon))), std::string(text),
                std::string(trimBlanks(text.substr(colon + 1))) });
        }
    }
    return out;
}

// A font family or size as compared: lower case, without quotes, one blank at most and none around
// commas ("Times New Roman", serif == 'times new roman',serif).
std::string fontKey(std::string_view value)
{
    std::string out;
    for (const char c : trimBlanks(value)) {
        if (c == '"' || c == '\'')
            continue;
        if (isAsciiBlank(c)) {
            if (!out.empty() && out.back() != ' ' && out.back() != ',')
                out += ' ';
            continue;
        }
        if (c == ',' && !out.empty() && out.back() == ' ')
            out.pop_back();
        out += asciiLower(c);
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

// The font family and size a tag sets, as keys; empty where it sets none.
struct FontOfTag
{
    std::string family;
    std::string size;
};

FontOfTag fontOfTag(const Piece& tag)
{
    FontOfTag font;
    if (const Attribute* style = findAttribute(tag, "style")) {
        for (const Declaration& declaration : declarationsOf(style->value)) {
            if (declaration.property == "font-family")
                font.family = fontKey(declaration.value);
            else if (declaration.property == "font-size")
                font.size = fontKey(declaration.value);
        }
    }
    if (tag.name == "font") {
        const Attribute* face = findAttribute(tag, "face");
        if (font.family.empty() && face)
            font.family = fontKey(face->value);
        const Attribute* size = findAttribute(tag, "size");
        if (font.size.empty() && size)
            font.size = "size=" + fontKey(size->value);
    }
    return font;
}

// Characters a text shows, not counting white space (UTF-8 continuation bytes are part of one).
long shownCharacters(std::string_view text)
{
    long count = 0;
    for (const char c : text) {
        if (!isAsciiBlank(c) && (static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

// What the passage says of itself before it is written out: the classes its own style sheet defines
// and the font family and size most of its text is set in.
struct PassageFacts
{
    std::set<std::string> ownClasses;
    std::string defaultFamily; // empty: most text has none set
    std::string defaultSize;
};

void collectClasses(std::string_view css, std::set<std::string>& classes)
{
    for (std::size_t i = 0; i + 1 < css.size(); ++i) {
        if (css[i] != '.' || !(isAsciiAlpha(css[i + 1]) || css[i + 1] == '_' || css[i + 1] == '-'))
            continue;
        std::size_t end = i + 1;
        while (end < css.size()
            && (isAsciiAlpha(css[end]) || (css[end] >= '0' && css[end] <= '9') || css[end] == '_'
                || css[end] == '-'))
            ++end;
        classes.insert(std::string(css.substr(i + 1, end - i - 1)));
        i = end - 1;
    }
}

std::string mostCommon(const std::map<std::string, long>& counts)
{
    std::string best;
    long bestCount = -1;
    for (const auto& [key, count] : counts) {
        if (count > bestCount) {
            best = key;
            bestCount = count;
        }
    }
    return best;
}

PassageFacts factsOf(const std::vector<Piece>& pieces)
{
    PassageFacts facts;
    struct Frame
    {
        std::string name;
        FontOfTag font; // inherited where the tag sets none
    };
    std::vector<Frame> open;
    std::map<std::string, long> families;
    std::map<std::string, long> sizes;
    std::string skipping; // the element whose content is being passed over
    int skipDepth = 0;
    bool inStyleSheet = false;
    for (const Piece& piece : pieces) {
        // A style element's content is one text piece, right after its start tag, wherever it stands.
        if (inStyleSheet && piece.kind == Piece::Kind::Text)
            collectClasses(piece.raw, facts.ownClasses);
        inStyleSheet = piece.kind == Piece::Kind::StartTag && piece.name == "style";
        if (!skipping.empty()) {
            if (piece.name == skipping && piece.kind == Piece::Kind::StartTag && !piece.selfClosing)
                ++skipDepth;
            if (piece.name == skipping && piece.kind == Piece::Kind::EndTag && --skipDepth == 0)
                skipping.clear();
            continue;
        }
        switch (piece.kind) {
        case Piece::Kind::Hidden:
            break;
        case Piece::Kind::Text: {
            const FontOfTag inherited = open.empty() ? FontOfTag {} : open.back().font;
            const long count = shownCharacters(piece.raw);
            families[inherited.family] += count;
            sizes[inherited.size] += count;
            break;
        }
        case Piece::Kind::StartTag: {
            if (isDroppedWithContent(piece.name) && !piece.selfClosing) {
                skipping = piece.name;
                skipDepth = 1;
                break;
            }
            if (piece.selfClosing || isVoidElement(piece.name))
                break;
            Frame frame { piece.name, fontOfTag(piece) };
            if (!open.empty()) {
                if (frame.font.family.empty())
                    frame.font.family = open.back().font.family;
                if (frame.font.size.empty())
                    frame.font.size = open.back().font.size;
            }
            open.push_back(std::move(frame));
            break;
        }
        case Piece::Kind::EndTag: {
            const auto match = std::find_if(
                open.rbegin(), open.rend(), [&](const Frame& frame) { return frame.name == piece.name; });
            if (match != open.rend())
                open.erase(std::next(match).base(), open.end());
            break;
        }
        }
    }
    facts.defaultFamily = mostCommon(families);
    facts.defaultSize = mostCommon(sizes);
    return facts;
}

void appendAttribute(std::string& out, std::string_view name, std::string_view value, bool hasValue)
{
    out += ' ';
    out += name;
    if (!hasValue)
        return;
    out += "=\"";
    for (const char c : value) {
        if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    out += '"';
}

// The style attribute's value without the word processor's declarations and the default fonts;
// empty when nothing is left.
std::string cleanedStyle(std::string_view style, const PassageFacts& facts)
{
    std::string out;
    for (const Declaration& declaration : declarationsOf(style)) {
        if (declaration.property.starts_with("mso-"))
            continue;
        if (declaration.property == "font-family" && !facts.defaultFamily.empty()
            && fontKey(declaration.value) == facts.defaultFamily)
            continue;
        if (declaration.property == "font-size" && !facts.defaultSize.empty()
            && fontKey(declaration.value) == facts.defaultSize)
            continue;
        if (!out.empty())
            out += "; ";
        out += declaration.text;
    }
    return out;
}

std::string cleanedClasses(std::string_view classes, const PassageFacts& facts)
{
    std::string out;
    std::size_t at = 0;
    while (at < classes.size()) {
        while (at < classes.size() && isAsciiBlank(classes[at]))
            ++at;
        std::size_t end = at;
        while (end < classes.size() && !isAsciiBlank(classes[end]))
            ++end;
        const std::string name(classes.substr(at, end - at));
        at = end;
        if (name.empty() || startsWithNoCase(name, 0, "mso") || facts.ownClasses.contains(name))
            continue;
        if (!out.empty())
            out += ' ';
        out += name;
    }
    return out;
}

// The start tag as it is written out; nothing when the tag itself goes (a span or font element left
// without attributes).
std::optional<std::string> cleanedStartTag(
    const Piece& tag, const PassageFacts& facts, const PictureSourceMapper& pictureSource)
{
    const bool inline_ = tag.name == "span" || tag.name == "font";
    // The size a font element's size attribute gives, when it is the default one and goes with it.
    const FontOfTag own = fontOfTag(tag);
    std::string out = "<" + tag.name;
    std::size_t kept = 0;
    for (const Attribute& attribute : tag.attributes) {
        const std::string_view name = attribute.name;
        if (name.find(':') != std::string_view::npos || name == "xmlns" || name == "sdnum" || name == "sdval")
            continue;
        if (inline_ && name == "lang")
            continue;
        std::string value = attribute.value;
        if (name == "style") {
            value = cleanedStyle(attribute.value, facts);
            if (value.empty())
                continue;
        } else if (name == "class") {
            value = cleanedClasses(attribute.value, facts);
            if (value.empty())
                continue;
        } else if (tag.name == "font" && name == "face") {
            if (!facts.defaultFamily.empty() && fontKey(attribute.value) == facts.defaultFamily)
                continue;
        } else if (tag.name == "font" && name == "size") {
            if (!facts.defaultSize.empty() && own.size == facts.defaultSize)
                continue;
        } else if (tag.name == "img" && name == "src" && pictureSource) {
            value = pictureSource(attribute.value);
        }
        appendAttribute(out, name, value, attribute.hasValue);
        ++kept;
    }
    if (inline_ && kept == 0)
        return std::nullopt;
    out += tag.selfClosing && isVoidElement(tag.name) ? " />" : ">";
    return out;
}

} // namespace

bool isLoneImage(std::string_view html)
{
    int images = 0;
    std::string skipping;
    for (const Piece& piece : readPieces(html)) {
        if (!skipping.empty()) {
            if (piece.kind == Piece::Kind::EndTag && piece.name == skipping)
                skipping.clear();
            continue;
        }
        switch (piece.kind) {
        case Piece::Kind::Hidden:
            break;
        case Piece::Kind::Text:
            // A lone NUL ends some clipboards' HTML.
            for (const char c : piece.raw) {
                if (!isAsciiBlank(c) && c != '\0')
                    return false;
            }
            break;
        case Piece::Kind::StartTag:
            if (piece.name == "img") {
                ++images;
            } else if (isDroppedWithContent(piece.name)) {
                if (!piece.selfClosing)
                    skipping = piece.name;
            } else if (!isDroppedTagOnly(piece.name) || piece.name.find(':') != std::string::npos) {
                return false;
            }
            break;
        case Piece::Kind::EndTag:
            if (!isDroppedTagOnly(piece.name) || piece.name.find(':') != std::string::npos)
                return false;
            break;
        }
    }
    return images == 1;
}

bool isWordProcessorHtml(std::string_view html)
{
    static constexpr std::array<std::string_view, 9> kMarks = { "mso-", "class=mso", "class=\"mso",
        "class='mso", "<o:p", "<w:", "<xml", "<!--[if", "urn:schemas-microsoft-com:office" };
    for (const std::string_view mark : kMarks) {
        if (findNoCase(html, mark) != std::string_view::npos)
            return true;
    }
    // A whole document that names the program that wrote it, or its program id.
    for (const Piece& piece : readPieces(html)) {
        if (piece.kind != Piece::Kind::StartTag || piece.name != "meta")
            continue;
        const Attribute* name = findAttribute(piece, "name");
        if (name && (asciiLower(name->value) == "generator" || asciiLower(name->value) == "progid"))
            return true;
    }
    return false;
}

std::string cleanWordProcessorHtml(std::string_view html, const PictureSourceMapper& pictureSource)
{
    // Some clipboards end the text with a NUL.
    while (!html.empty() && html.back() == '\0')
        html.remove_suffix(1);
    const std::vector<Piece> pieces = readPieces(html);
    const PassageFacts facts = factsOf(pieces);

    struct OpenInline
    {
        std::string name;
        bool written = false;
        std::size_t tagStart = 0; // where its start tag begins in the output
        std::size_t contentStart = 0; // where its content begins
    };
    std::vector<OpenInline> inlines;
    std::string out;
    std::string skipping;
    int skipDepth = 0;
    for (const Piece& piece : pieces) {
        if (!skipping.empty()) {
            if (piece.name == skipping && piece.kind == Piece::Kind::StartTag && !piece.selfClosing)
                ++skipDepth;
            if (piece.name == skipping && piece.kind == Piece::Kind::EndTag && --skipDepth == 0)
                skipping.clear();
            // A document whose head is never closed has its body start here.
            if (skipping == "head" && piece.kind == Piece::Kind::StartTag && piece.name == "body")
                skipping.clear();
            continue;
        }
        switch (piece.kind) {
        case Piece::Kind::Hidden:
            break;
        case Piece::Kind::Text:
            out += piece.raw;
            break;
        case Piece::Kind::StartTag: {
            if (isDroppedWithContent(piece.name)) {
                if (!piece.selfClosing) {
                    skipping = piece.name;
                    skipDepth = 1;
                }
                break;
            }
            if (isDroppedTagOnly(piece.name))
                break;
            const std::size_t tagStart = out.size();
            const std::optional<std::string> tag = cleanedStartTag(piece, facts, pictureSource);
            if (tag)
                out += *tag;
            if ((piece.name == "span" || piece.name == "font") && !piece.selfClosing)
                inlines.push_back({ piece.name, tag.has_value(), tagStart, out.size() });
            break;
        }
        case Piece::Kind::EndTag: {
            if (isDroppedTagOnly(piece.name) || isDroppedWithContent(piece.name))
                break;
            if (piece.name == "span" || piece.name == "font") {
                const auto match = std::find_if(inlines.rbegin(), inlines.rend(),
                    [&](const OpenInline& open) { return open.name == piece.name; });
                if (match == inlines.rend())
                    break;
                const OpenInline open = *match;
                inlines.erase(std::next(match).base(), inlines.end());
                if (!open.written)
                    break;
                // A span around nothing shows nothing.
                if (open.contentStart == out.size() && open.tagStart <= out.size()) {
                    out.erase(open.tagStart);
                    break;
                }
            }
            out += "</" + piece.name + ">";
            break;
        }
        }
    }
    return std::string(trimBlanks(out));
}

} // namespace inkwell
