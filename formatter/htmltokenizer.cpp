#include "formatter/htmltokenizer.h"

#include "core/ascii.h"
#include "formatter/htmlscanner.h"
#include "html/elements.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace inkwell {
namespace {

bool isScriptType(std::string_view type)
{
    // Only these are read by a script engine line-blind; anything else (templates, shader sources, other
    // languages) may care about its indentation and is kept as it stands.
    static constexpr std::array<std::string_view, 17> kScriptTypes = { "", "text/javascript",
        "application/javascript", "module", "text/ecmascript", "application/ecmascript",
        "application/x-javascript", "application/x-ecmascript", "text/x-javascript", "text/x-ecmascript",
        "text/jscript", "text/livescript", "text/javascript1.5", "application/json", "application/ld+json",
        "importmap", "speculationrules" };
    return std::find(kScriptTypes.begin(), kScriptTypes.end(), type) != kScriptTypes.end();
}

// The value of a start tag's type attribute, lower-cased and trimmed; empty when absent.
std::string scriptTypeOf(std::string_view tag)
{
    std::string_view value = attributeValue(tag, "type").value_or(std::string_view {});
    while (!value.empty() && isHtmlSpace(value.front()))
        value.remove_prefix(1);
    while (!value.empty() && isHtmlSpace(value.back()))
        value.remove_suffix(1);
    return asciiLower(value);
}

// How the scan for a tag that prints as it stands sees each byte.
enum class TagByte : unsigned char
{
    Plain,
    Space,
    Quote,
    Equals,
    End,
    Other // white space other than the space: the tag is left to the full reader
};

constexpr std::array<TagByte, 256> kTagBytes = [] {
    std::array<TagByte, 256> table {};
    table.fill(TagByte::Plain);
    table[' '] = TagByte::Space;
    table['"'] = TagByte::Quote;
    table['\''] = TagByte::Quote;
    table['='] = TagByte::Equals;
    table['>'] = TagByte::End;
    for (const char c : { '\n', '\r', '\t' })
        table[static_cast<unsigned char>(c)] = TagByte::Other;
    return table;
}();

// The tags without an end tag: the void elements, the XML declaration and the document type.
bool isSingleTagName(std::string_view name)
{
    return isVoidElement(name) || name == "?xml" || name == "!doctype";
}

bool nextToLastIsSlash(std::string_view tag)
{
    if (tag.empty())
        return false;
    std::size_t last = tag.size() - 1;
    while (last > 0 && isUtf8Continuation(tag[last]))
        --last;
    if (last == 0)
        return false;
    return tag[last - 1] == '/';
}

} // namespace

HtmlToken HtmlTokenizer::next(LineFill& fill)
{
    if (m_pending == Pending::ScriptText) {
        m_pending = Pending::None;
        m_inTag = true;
        const std::size_t end = findScriptEnd(m_input, m_pos);
        const std::string_view script = m_input.substr(m_pos, end - m_pos);
        m_pos = end;
        return { HtmlTokenKind::ScriptText, script, {} };
    }
    if (m_pending != Pending::None)
        return readVerbatim();
    if (!m_inTag) {
        while (m_pos < m_input.size() && isHtmlSpace(m_input[m_pos]))
            ++m_pos;
        if (m_pos >= m_input.size())
            return {};
        m_inTag = true;
        if (m_input[m_pos] != '<')
            return { HtmlTokenKind::Text, {}, {} };
    }
    const std::size_t start = m_pos;
    m_classified = false;
    if (!readTag(m_token, fill))
        return {};
    m_inTag = false;
    if (std::exchange(m_keepNextTag, false))
        m_token.assign(m_input, start, m_pos - start);
    // A tag cut off by the end of the input is not classified and keeps the kind of the one before.
    if (!m_classified)
        return { m_tagKind, m_token, {}, false };
    return { m_tagKind, m_token, m_name, true };
}

HtmlToken HtmlTokenizer::readVerbatim()
{
    const Pending kind = std::exchange(m_pending, Pending::None);
    std::size_t end = m_input.size();
    if (kind == Pending::Script)
        end = findScriptEnd(m_input, m_pos);
    else if (kind == Pending::Textarea)
        end = findTagNamed(m_input, m_pos, "/textarea");
    else
        end = endOfPre(m_input, m_pos);
    const std::string_view text = m_input.substr(m_pos, end - m_pos);
    m_pos = end;
    m_inTag = true;
    return { HtmlTokenKind::Verbatim, text, {} };
}

void HtmlTokenizer::classifyTag(std::string& tag, LineFill& fill)
{
    m_classified = true;
    // The name ends at the first space, or at the first ">" when there is none; tags are short, so a
    // plain loop beats two searches.
    std::size_t nameEnd = tag.size();
    for (std::size_t i = 0; i < tag.size(); ++i) {
        if (tag[i] == ' ') {
            nameEnd = i;
            break;
        }
        if (tag[i] == '>' && nameEnd == tag.size())
            nameEnd = i;
    }
    // The name is kept in a buffer of its own: it outlives changes to the tag's text below.
    if (nameEnd > 1)
        m_name.assign(tag, 1, nameEnd - 1);
    else
        m_name.clear();
    for (char& c : m_name)
        c = asciiLower(c);
    const std::string_view name = m_name;

    if (nextToLastIsSlash(tag) || isSingleTagName(name)) {
        m_tagKind = HtmlTokenKind::SingleTag;
    } else if (name == "script") {
        m_tagKind = HtmlTokenKind::ScriptTag;
        m_pending = isScriptType(scriptTypeOf(tag)) ? Pending::ScriptText : Pending::Script;
    } else if (name == "style") {
        m_tagKind = HtmlTokenKind::StyleTag;
    } else if (!name.empty() && name[0] == '!') {
        if (name.find("[if") != std::string::npos) {
            if (tag.find("!IE") != std::string::npos)
                appendRunUnlessPresent(tag, "-->", fill);
            m_tagKind = HtmlTokenKind::ConditionalStart;
        } else if (name.find("[endif") != std::string::npos) {
            m_tagKind = HtmlTokenKind::ConditionalEnd;
        } else if (name.find("[cdata[") != std::string::npos) {
            appendRunUnlessPresent(tag, "]]>", fill);
            m_tagKind = HtmlTokenKind::SingleTag;
        } else {
            appendRunUnlessPresent(tag, "-->", fill);
            m_tagKind = HtmlTokenKind::SingleTag;
        }
    } else if (!name.empty() && name[0] == '/') {
        m_tagKind = HtmlTokenKind::EndTag;
    } else {
        m_tagKind = HtmlTokenKind::StartTag;
        // The element as a browser names it: the name above stops only at a space, which a line break
        // inside a long tag would hide.
        if (isTagNamedAt(tag, 0, "pre"))
            m_pending = Pending::Pre;
        else if (isTagNamedAt(tag, 0, "textarea"))
            m_pending = Pending::Textarea;
    }
}

void HtmlTokenizer::appendRunUnlessPresent(std::string& tag, std::string_view delimiter, LineFill& fill)
{
    if (tag.find(delimiter) != std::string::npos)
        return;
    readUnformatted(tag, delimiter, fill);
}

void HtmlTokenizer::readText(std::string& out, LineFill& fill)
{
    bool space = false;
    const std::string_view input = m_input;
    const std::size_t n = input.size();
    std::size_t pos = m_pos;
    long count = fill.count;
    const long width = fill.width;
    while (pos < n) {
        const char c = input[pos];
        if (c == '<')
            break;
        if (isHtmlSpace(c)) {
            ++pos;
            while (pos < n && isHtmlSpace(input[pos]))
                ++pos;
            space = true;
            continue;
        }
        const std::size_t plainEnd = plainTextEnd(input, pos);
        if (plainEnd > pos) {
            count = printPlainText(out, pos, plainEnd, count, space, fill);
            pos = plainEnd;
            space = false;
            continue;
        }
        std::size_t wordEnd = pos + 1;
        long characters = isUtf8Continuation(c) ? 0 : 1;
        while (wordEnd < n && !kEndsWord[static_cast<unsigned char>(input[wordEnd])]) {
            characters += isUtf8Continuation(input[wordEnd]) ? 0 : 1;
            ++wordEnd;
        }
        // The count includes the word's first character when the break is decided.
        count += isUtf8Continuation(c) ? 0 : 1;
        if (space) {
            if (count >= width) {
                out += '\n';
                out.append(fill.indentation);
                count = 0;
            } else {
                out += ' ';
                ++count;
            }
            space = false;
        }
        count += characters - (isUtf8Continuation(c) ? 0 : 1);
        out.append(input, pos, wordEnd - pos);
        pos = wordEnd;
    }
    m_pos = pos;
    fill.count = count;
}

// Prints the plain text [from, to) (see plainTextEnd) with the rules for words applied all at once: a
// line is broken at the first space whose next word's first character brings the count to maxChar, the
// count being one per byte in between. Returns the count after the stretch.
long HtmlTokenizer::printPlainText(
    std::string& out, std::size_t from, std::size_t to, long count, bool spaceBefore, LineFill& fill) const
{
    const char* const data = m_input.data();
    // The first word's first character, with the separator that was pending before it.
    ++count;
    if (spaceBefore) {
        fill.count = count;
        fill.separate(out);
        count = fill.count;
    }
    // From here the count after the byte at i is anchorCount + (i - anchor); a space at q breaks the
    // line when the count after the byte before it, plus the next word's first character, reaches
    // maxChar, i.e. when anchorCount + (q - anchor) >= maxChar.
    std::size_t anchor = from;
    long anchorCount = count;
    std::size_t copied = from;
    while (true) {
        const long distance = std::max(fill.width - anchorCount, 1L);
        if (static_cast<std::size_t>(distance) >= to - anchor)
            break;
        const std::size_t searchFrom = anchor + static_cast<std::size_t>(distance);
        const void* hit = std::memchr(data + searchFrom, ' ', to - searchFrom);
        if (!hit)
            break;
        const auto space = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        out.append(data + copied, space - copied);
        out += '\n';
        out.append(fill.indentation);
        // The next word's first character is the first of the new line, and is not counted.
        anchor = space + 1;
        anchorCount = 0;
        copied = anchor;
    }
    out.append(data + copied, to - copied);
    return anchorCount + static_cast<long>(to - 1 - anchor);
}

// Appends to `out` the input up to and including `delimiter` (or to the end of the input). Line breaks
// become a break with the current indentation, and the white space after one is dropped.
void HtmlTokenizer::readUnformatted(std::string& out, std::string_view delimiter, LineFill& fill)
{
    const std::size_t runStart = out.size();
    const std::size_t d = delimiter.size();
    const char last = delimiter.back();
    bool keepSpace = true;
    const std::size_t n = m_input.size();
    while (m_pos < n) {
        if (keepSpace) {
            // Everything up to the delimiter's last character or a line break is copied as it stands.
            std::size_t end = m_pos;
            long characters = 0;
            while (end < n && m_input[end] != last && m_input[end] != '\n' && m_input[end] != '\r') {
                characters += isUtf8Continuation(m_input[end]) ? 0 : 1;
                ++end;
            }
            out.append(m_input, m_pos, end - m_pos);
            fill.count += characters;
            m_pos = end;
            if (m_pos >= n)
                return;
        }
        const char c = m_input[m_pos++];
        if (isHtmlSpace(c) && !keepSpace)
            continue;
        if ((c == '\n' || c == '\r') && keepSpace) {
            const std::size_t before = out.size();
            fill.breakLine(out);
            keepSpace = false;
            // The indentation text itself could complete the delimiter when it is made of such
            // characters.
            const std::size_t from
                = std::max(runStart, before >= d - 1 ? before - (d - 1) : std::size_t { 0 });
            if (out.find(delimiter, from) != std::string::npos)
                return;
            continue;
        }
        out += c;
        if (!isUtf8Continuation(c))
            ++fill.count;
        keepSpace = true;
        if (c == last && out.size() - runStart >= d
            && std::string_view(out).substr(out.size() - d) == delimiter)
            return;
    }
}

// A tag that the reader below would print exactly as it stands, read in one pass: "<", a name, and
// attributes separated by single spaces, with no space around "=" or before ">", a quoted value after
// "=" or a space, on one line and followed by a space or ">", and too short to reach maxChar. Most tags
// of real pages are like that. False, with nothing read, for any other tag.
bool HtmlTokenizer::readPlainTag(std::string& tag, LineFill& fill)
{
    const std::string_view input = m_input;
    const std::size_t n = input.size();
    const std::size_t start = m_pos;
    const auto byteAt = [&](std::size_t i) { return kTagBytes[static_cast<unsigned char>(input[i])]; };
    // The second character decides whether quotes count (not after "<!") and must not be a separator.
    if (start + 2 >= n || input[start] != '<' || input[start + 1] == '!'
        || byteAt(start + 1) != TagByte::Plain)
        return false;
    long characters = 2;
    std::size_t i = start + 2;
    while (true) {
        if (i >= n)
            return false;
        const char c = input[i];
        switch (byteAt(i)) {
        case TagByte::Plain:
            characters += isUtf8Continuation(c) ? 0 : 1;
            ++i;
            continue;
        case TagByte::Equals:
            if (input[i - 1] == ' ')
                return false;
            ++characters;
            ++i;
            continue;
        case TagByte::Space: {
            if (input[i - 1] == '=' || i + 1 >= n)
                return false;
            const TagByte next = byteAt(i + 1);
            if (next != TagByte::Plain && next != TagByte::Quote)
                return false;
            ++characters;
            ++i;
            continue;
        }
        case TagByte::Quote: {
            // A quoted value gets a separator before it unless it follows "=".
            if (input[i - 1] != '=' && input[i - 1] != ' ')
                return false;
            std::size_t close = i + 1;
            while (close < n && input[close] != c) {
                if (input[close] == '\n' || input[close] == '\r')
                    return false;
                characters += isUtf8Continuation(input[close]) ? 0 : 1;
                ++close;
            }
            if (close + 1 >= n || (input[close + 1] != ' ' && input[close + 1] != '>'))
                return false;
            characters += 2;
            i = close + 1;
            continue;
        }
        case TagByte::End:
            break;
        case TagByte::Other:
            return false;
        }
        break;
    }
    ++characters;
    // A separator is where a long tag may be broken, when the count has reached maxChar there; the
    // count never exceeds this total within the tag.
    if (fill.count + characters >= fill.width)
        return false;
    fill.count += characters;
    m_pos = i + 1;
    tag.assign(input, start, m_pos - start);
    return true;
}

// A tag, classified; false at the end of the input with nothing read.
bool HtmlTokenizer::readTag(std::string& tag, LineFill& fill)
{
    if (readPlainTag(tag, fill)) {
        classifyTag(tag, fill);
        return true;
    }
    tag.clear();
    std::size_t chunks = 0;
    bool secondChunkIsBang = false;
    bool lastChunkIsEquals = false;
    char lastChunk = 0; // the last chunk when it is one ASCII character
    bool spaceCarried = false; // the pending space came from before the last chunk (kept over an "=")
    bool space = false;
    const std::size_t n = m_input.size();
    std::string& quoted = m_quoted;
    while (true) {
        if (m_pos >= n) {
            // Cut off by the end of the input: returned before classification, so it keeps the class of
            // the tag read before it.
            return chunks > 0;
        }
        if (!space && chunks >= 2) {
            // A run of characters without a rule of their own, and no separator pending before it: each
            // is a chunk of its own that is simply appended.
            std::size_t end = m_pos;
            long characters = 0;
            while (end < n && !kSpecialInTag[static_cast<unsigned char>(m_input[end])]) {
                characters += isUtf8Continuation(m_input[end]) ? 0 : 1;
                ++end;
            }
            if (end > m_pos) {
                tag.append(m_input, m_pos, end - m_pos);
                fill.count += characters;
                chunks += end - m_pos;
                const auto last = static_cast<unsigned char>(m_input[end - 1]);
                lastChunk = last < 0x80 ? static_cast<char>(last) : 0;
                lastChunkIsEquals = false;
                m_pos = end;
                continue;
            }
        }
        const std::size_t start = m_pos;
        const char c = m_input[m_pos++];
        if (!isUtf8Continuation(c))
            ++fill.count;
        if (isHtmlSpace(c)) {
            space = true;
            spaceCarried = false;
            --fill.count;
            continue;
        }
        // A character is a lead byte and its continuation bytes; a stray continuation byte (text that is
        // not UTF-8) stands alone, so that it never joins the character before it.
        if (static_cast<unsigned char>(c) >= 0xC0) {
            while (m_pos < n && isUtf8Continuation(m_input[m_pos]))
                ++m_pos;
        }
        const std::string_view character = m_input.substr(start, m_pos - start);
        bool isQuoted = false;
        if ((c == '\'' || c == '"') && !secondChunkIsBang) {
            quoted.clear();
            readUnformatted(quoted, std::string_view(&c, 1), fill);
            isQuoted = true;
            space = true;
            spaceCarried = false;
        }
        if (c == '=' && !isQuoted)
            space = false;
        // A separator carried over an "=" must not split the end marker of a comment or CDATA section
        // ("a= -->" would become "a=- ->"): the comment would then run on over the rest of the page.
        // Only a carried one: white space between the two characters in the markup still separates them.
        const bool splitsEndMarker = secondChunkIsBang && spaceCarried
            && ((c == '-' && lastChunk == '-') || (c == ']' && lastChunk == ']')) && nextNonSpaceIs('>');
        if (chunks > 0 && !lastChunkIsEquals && c != '>' && space && !splitsEndMarker) {
            fill.separate(tag);
            ++chunks;
            space = false;
        }
        if (chunks == 1)
            secondChunkIsBang = character == "!" && !isQuoted;
        tag.append(character);
        if (isQuoted)
            tag.append(quoted);
        ++chunks;
        lastChunkIsEquals = c == '=' && !isQuoted;
        lastChunk = (character.size() == 1 && !isQuoted) ? c : 0;
        spaceCarried = space;
        if (c == '>' && !isQuoted)
            break;
    }
    classifyTag(tag, fill);
    return true;
}

bool HtmlTokenizer::nextNonSpaceIs(char wanted) const
{
    std::size_t i = m_pos;
    while (i < m_input.size() && isHtmlSpace(m_input[i]))
        ++i;
    return i < m_input.size() && m_input[i] == wanted;
}
} // namespace inkwell
