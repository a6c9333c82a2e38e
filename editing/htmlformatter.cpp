#include "editing/htmlformatter.h"

#include "editing/scriptreindent.h"
#include "platform/ascii.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace inkwell {
namespace {

constexpr bool isSpace(char c)
{
    return c == '\n' || c == '\r' || c == '\t' || c == ' ';
}

// UTF-8 continuation bytes do not start a character, so they are not counted.
constexpr bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

using inkwell::asciiLower;
using inkwell::startsWithNoCase;

// Whether a "<" + lowerName stands at `at`, followed by white space, "/", ">" or the end of the text,
// compared without regard to ASCII case.
bool isTagNamedAt(std::string_view text, std::size_t at, std::string_view lowerName)
{
    if (at >= text.size() || text[at] != '<' || !startsWithNoCase(text, at + 1, lowerName))
        return false;
    const std::size_t after = at + 1 + lowerName.size();
    return after >= text.size() || isSpace(text[after]) || text[after] == '/' || text[after] == '>';
}

// Offset of the first tag named lowerName at or after `from`; the size of the text when there is none.
std::size_t findTagNamed(std::string_view text, std::size_t from, std::string_view lowerName)
{
    while (from < text.size()) {
        const void* hit = std::memchr(text.data() + from, '<', text.size() - from);
        if (!hit)
            break;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (isTagNamedAt(text, at, lowerName))
            return at;
        from = at + 1;
    }
    return text.size();
}

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

// The value of the type attribute of a start tag's text, lower-cased and trimmed; empty when absent.
std::string scriptTypeOf(std::string_view tag)
{
    std::size_t i = 1;
    while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '>' && tag[i] != '/')
        ++i;
    while (i < tag.size()) {
        while (i < tag.size() && (isSpace(tag[i]) || tag[i] == '/'))
            ++i;
        const std::size_t nameStart = i;
        while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '=' && tag[i] != '>' && tag[i] != '/')
            ++i;
        const std::string name = asciiLower(tag.substr(nameStart, i - nameStart));
        if (name.empty() && (i >= tag.size() || tag[i] == '>'))
            break;
        while (i < tag.size() && isSpace(tag[i]))
            ++i;
        std::string_view value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && isSpace(tag[i]))
                ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const char quote = tag[i];
                const std::size_t close = tag.find(quote, i + 1);
                const std::size_t stop = close == std::string_view::npos ? tag.size() : close;
                value = tag.substr(i + 1, stop - i - 1);
                i = stop + 1;
            } else {
                const std::size_t valueStart = i;
                while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '>')
                    ++i;
                value = tag.substr(valueStart, i - valueStart);
            }
        } else if (name.empty()) {
            ++i;
        }
        if (name == "type") {
            while (!value.empty() && isSpace(value.front()))
                value.remove_prefix(1);
            while (!value.empty() && isSpace(value.back()))
                value.remove_suffix(1);
            return asciiLower(value);
        }
    }
    return {};
}

enum class Mode
{
    Content,
    Tag
};
enum class TagType
{
    None,
    Single,
    Script,
    Style,
    Start,
    End
};
enum class TokenKind
{
    None,
    Content,
    TagStart,
    TagEnd,
    TagSingle,
    TagScript,
    TagStyle,
    Verbatim,
    Eof
};

// Elements whose content is copied byte for byte instead of being formatted.
enum class Verbatim
{
    None,
    Pre,
    Textarea,
    Script
};

// A token's text lives in the run's token buffer, or in the input itself for verbatim content; it is
// printed before the next token is read.
struct Token
{
    std::string_view text;
    TokenKind kind = TokenKind::Eof;
};

// Bytes that end a word of text: the four white-space characters and "<".
constexpr std::array<bool, 256> kEndsWord = [] {
    std::array<bool, 256> table {};
    for (const char c : { '\n', '\r', '\t', ' ', '<' })
        table[static_cast<unsigned char>(c)] = true;
    return table;
}();

// Bytes a tag reader treats one by one: white space and the characters with a rule of their own.
constexpr std::array<bool, 256> kSpecialInTag = [] {
    std::array<bool, 256> table {};
    for (const char c : { '\n', '\r', '\t', ' ', '\'', '"', '=', '>' })
        table[static_cast<unsigned char>(c)] = true;
    return table;
}();

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

#if defined(__SSE2__)

// Where the block scan of plainTextEnd stops: at or before the first byte that ends a stretch, or where
// fewer than seventeen bytes are left. Sixteen bytes at a time, each also seen with its successor.
std::size_t plainTextBlocksEnd(const char* data, std::size_t at, std::size_t n)
{
    const __m128i less = _mm_set1_epi8('<');
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i control = _mm_set1_epi8(0x20);
    const __m128i spaceOrBelow = _mm_set1_epi8(0x21);
    while (at + 16 < n) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + 1));
        // The comparisons are signed: bytes above 0x7F count as negative, so they are "below 0x20" too.
        // A space before such a byte ends a stretch one byte early, which is allowed.
        const __m128i stops
            = _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(block, control), _mm_cmpeq_epi8(block, less)),
                _mm_and_si128(_mm_cmpeq_epi8(block, space), _mm_cmplt_epi8(next, spaceOrBelow)));
        const auto marks = static_cast<unsigned>(_mm_movemask_epi8(stops));
        if (marks != 0)
            return at + static_cast<unsigned>(std::countr_zero(marks));
        at += 16;
    }
    return at;
}

#else

// Eight bytes at once, as one little- or big-endian number.
std::uint64_t loadBlock(const char* at)
{
    std::uint64_t block = 0;
    std::memcpy(&block, at, sizeof block);
    return block;
}

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// The high bit of a byte of the result is set where the block holds a byte below `limit` (at most 0x80).
// A byte just above such a byte can be marked too (the borrow runs on), never one below the first true
// mark: the first mark is exact, and a mark too many only ends a stretch early.
constexpr std::uint64_t bytesBelow(std::uint64_t block, unsigned limit)
{
    return (block - kOnes * limit) & ~block & kHighBits;
}

constexpr std::uint64_t bytesEqual(std::uint64_t block, unsigned char value)
{
    return bytesBelow(block ^ (kOnes * value), 1);
}

// The same scan without vector instructions: eight bytes at a time in one 64-bit number.
std::size_t plainTextBlocksEnd(const char* data, std::size_t at, std::size_t n)
{
    if constexpr (std::endian::native != std::endian::little && std::endian::native != std::endian::big)
        return at;
    while (at + sizeof(std::uint64_t) < n) {
        const std::uint64_t block = loadBlock(data + at);
        const std::uint64_t next = loadBlock(data + at + 1);
        const std::uint64_t stops = bytesBelow(block, 0x20) | (block & kHighBits) | bytesEqual(block, '<')
            | (bytesEqual(block, ' ') & bytesBelow(next, 0x21));
        if (stops != 0) {
            const int zeros = std::endian::native == std::endian::little ? std::countr_zero(stops)
                                                                         : std::countl_zero(stops);
            return at + static_cast<unsigned>(zeros) / 8;
        }
        at += sizeof(std::uint64_t);
    }
    return at;
}

#endif

// Where a stretch of plain text that starts at `from` ends: at the first "<", byte below 0x20 (the white
// space other than the space is among them), byte above 0x7F, or space followed by white space. In such a
// stretch every byte is one character and every space separates two words, so it prints as it stands
// except where a line is broken. It may end early, never late; a stretch that would end with a space
// ends before it.
std::size_t plainTextEnd(std::string_view text, std::size_t from)
{
    const char* const data = text.data();
    const std::size_t n = text.size();
    std::size_t at = plainTextBlocksEnd(data, from, n);
    while (at < n) {
        const auto c = static_cast<unsigned char>(data[at]);
        if (c < 0x20 || c > 0x7F || c == '<'
            || (c == ' ' && (at + 1 >= n || static_cast<unsigned char>(data[at + 1]) <= 0x20)))
            break;
        ++at;
    }
    if (at > from && data[at - 1] == ' ')
        --at;
    return at;
}

// The open instances of each tag name, the newest last. Names are few and short and looked up once per
// tag, so they sit in one open-addressed table (FNV-1a, linear probing) rather than in a node per name.
class InstancesByName
{
public:
    // The list for `name`, created empty when the name is new.
    std::vector<int>& operator[](std::string_view name)
    {
        if ((m_used + 1) * 2 > m_slots.size())
            grow();
        const std::uint64_t hash = hashOf(name);
        Slot& slot = m_slots[find(m_slots, name, hash)];
        if (!slot.used) {
            slot.used = true;
            slot.name.assign(name);
            slot.hash = hash;
            ++m_used;
        }
        return slot.instances;
    }

    // The list for `name`, or null when the name was never recorded.
    std::vector<int>* find(std::string_view name)
    {
        if (m_slots.empty())
            return nullptr;
        Slot& slot = m_slots[find(m_slots, name, hashOf(name))];
        return slot.used ? &slot.instances : nullptr;
    }

private:
    struct Slot
    {
        std::string name;
        std::vector<int> instances;
        std::uint64_t hash = 0;
        bool used = false;
    };

    static std::uint64_t hashOf(std::string_view name)
    {
        std::uint64_t hash = 0xcbf29ce484222325ULL;
        for (const char c : name)
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
        return hash;
    }

    // The slot holding `name`, or the free slot where it belongs.
    static std::size_t find(const std::vector<Slot>& slots, std::string_view name, std::uint64_t hash)
    {
        const std::size_t mask = slots.size() - 1;
        std::size_t at = static_cast<std::size_t>(hash) & mask;
        while (slots[at].used && (slots[at].hash != hash || slots[at].name != name))
            at = (at + 1) & mask;
        return at;
    }

    void grow()
    {
        std::vector<Slot> bigger(m_slots.empty() ? 64 : m_slots.size() * 2);
        for (Slot& slot : m_slots) {
            if (slot.used)
                bigger[find(bigger, slot.name, slot.hash)] = std::move(slot);
        }
        m_slots = std::move(bigger);
    }

    std::vector<Slot> m_slots; // a power of two in size, at most half used
    std::size_t m_used = 0;
};

// One run of the formatter over one text. The output is kept as one string; since pruning only ever
// removes the single-white-space chunks at its end, it is enough to remember where the last chunk that
// is not one ends.
class StyleHtmlRun
{
public:
    StyleHtmlRun(std::string_view input, const HtmlStyle& style)
        : m_input(input)
        , m_maxChar(style.maxChar == 0 ? 70 : style.maxChar)
    {
        const int size = style.indentSize == 0 ? 2 : style.indentSize;
        const std::string character
            = style.indentCharacter.empty() ? std::string(" ") : style.indentCharacter;
        for (int i = 0; i < size; ++i)
            m_indentString += character;
        m_indentIsPrunable = m_indentString.size() == 1 && isSpace(m_indentString[0]);
        m_indentBlock.reserve(m_indentString.size() * kMaxIndentLevels);
        for (int i = 0; i < kMaxIndentLevels; ++i)
            m_indentBlock += m_indentString;
        m_instances.push_back({ 0, -1, true });
        m_chain.push_back(0);
    }

    // The whole output as one text.
    std::string run()
    {
        // Real pages come out 1.0 to 1.7 times their size; reserving half as much again avoids the copy of a
        // late reallocation, which would briefly hold the output twice.
        m_output.reserve(m_input.size() + m_input.size() / 2 + 4096);
        runTokens();
        return std::move(m_output);
    }

    // The output handed to `sink` in pieces of at least pieceBytes (but the last), each as it is made.
    void runInto(const HtmlPieceSink& sink, std::size_t pieceBytes)
    {
        m_sink = &sink;
        m_pieceBytes = std::max<std::size_t>(pieceBytes, 1);
        m_output.reserve(2 * m_pieceBytes);
        runTokens();
        if (!m_output.empty())
            sink(m_output);
    }

private:
    void runTokens()
    {
        while (true) {
            Token token = nextToken();
            if (token.kind == TokenKind::Eof)
                break;
            const bool glued = m_glueNext;
            m_glueNext = false;
            switch (token.kind) {
            case TokenKind::TagStart:
            case TokenKind::TagScript:
            case TokenKind::TagStyle:
                if (!glued)
                    printNewline(Prune::Yes);
                appendOutput(token.text);
                ++m_indentLevel;
                m_mode = Mode::Content;
                break;
            case TokenKind::TagEnd:
                if (!glued)
                    printNewline(Prune::No);
                appendOutput(token.text);
                m_mode = Mode::Content;
                break;
            case TokenKind::TagSingle:
            case TokenKind::None:
                // A tag cut off by the end of the input before any tag was classified has no class;
                // it is printed like a single tag rather than dropped.
                if (!glued)
                    printNewline(Prune::Yes);
                appendOutput(token.text);
                m_mode = Mode::Content;
                break;
            case TokenKind::Content:
                if (!token.text.empty()) {
                    printNewline(Prune::Yes);
                    appendOutput(token.text);
                }
                m_mode = Mode::Tag;
                m_glueNext = std::exchange(m_glueScriptEnd, false);
                break;
            case TokenKind::Verbatim:
                appendOutput(token.text, Chunk::Kept);
                m_mode = Mode::Tag;
                m_glueNext = true;
                break;
            case TokenKind::Eof:
                break;
            }
            if (glued) {
                // The end tag of content kept as it stands shares the line of that content's last line;
                // whatever comes next starts a line of its own and so counts from nothing, as after any
                // other tag. Carrying the content's count (all of it when it has no line break) over
                // would break the next text early.
                m_lineCharCount = 0;
            }
            m_lastToken = token.kind;
            if (m_sink && m_prunableFrom >= m_pieceBytes)
                handOnPiece();
        }
    }

    // Hands on the output up to where pruning could reach back; the rest stays to be pruned or printed.
    void handOnPiece()
    {
        (*m_sink)(std::string_view(m_output).substr(0, m_prunableFrom));
        m_handedOn += m_prunableFrom;
        m_output.erase(0, m_prunableFrom);
        m_prunableFrom = 0;
    }

    enum class Prune
    {
        No,
        Yes
    };
    enum class Chunk
    {
        Normal,
        Kept
    };

    int printedLevels() const { return std::clamp(m_indentLevel, 0, kMaxIndentLevels); }

    void appendIndentation(std::string& to) const
    {
        to.append(m_indentBlock, 0, static_cast<std::size_t>(printedLevels()) * m_indentString.size());
    }

    // Appends one chunk to the output; only a chunk of exactly one white-space character may be pruned.
    void appendOutput(std::string_view chunk, Chunk kind = Chunk::Normal)
    {
        m_output.append(chunk);
        if (kind == Chunk::Kept || chunk.size() != 1 || !isSpace(chunk[0]))
            m_prunableFrom = m_output.size();
    }

    void printNewline(Prune prune)
    {
        m_lineCharCount = 0;
        if (m_output.empty() && m_handedOn == 0)
            return;
        if (prune == Prune::Yes)
            m_output.resize(m_prunableFrom);
        m_output += '\n';
        if (printedLevels() > 0) {
            appendIndentation(m_output);
            if (!m_indentIsPrunable)
                m_prunableFrom = m_output.size();
        }
    }

    Token nextToken()
    {
        if (m_verbatim != Verbatim::None)
            return readVerbatim();
        if (m_lastToken == TokenKind::TagScript) {
            const std::string_view script = readScript();
            // Script content goes to the re-indenter, with the run's own indentation unit.
            ReindentedScript reindented
                = reindentScript(script, m_indentString, m_indentLevel, kMaxIndentLevels);
            m_token = std::move(reindented.text);
            // A script that stops inside a literal or comment is closed by its end tag; a line break put
            // before that tag would become part of the literal, one more on every formatting.
            m_glueScriptEnd = reindented.endsInsideLiteral;
            return { m_token, TokenKind::Content };
        }
        if (m_mode == Mode::Content) {
            if (!readContentIntoOutput())
                return {};
            return { {}, TokenKind::Content };
        }
        const std::size_t start = m_pos;
        if (!readTag(m_token))
            return {};
        if (m_glueNext) {
            // The end tag of content kept as it stands is kept as it stands too: rewritten ("</pre\n=x>"
            // would become "</pre=x>"), it might no longer end the element for a browser.
            m_token.assign(m_input, start, m_pos - start);
        }
        return { m_token, tokenKindOf(m_tagType) };
    }

    static TokenKind tokenKindOf(TagType type)
    {
        switch (type) {
        case TagType::Single:
            return TokenKind::TagSingle;
        case TagType::Script:
            return TokenKind::TagScript;
        case TagType::Style:
            return TokenKind::TagStyle;
        case TagType::Start:
            return TokenKind::TagStart;
        case TagType::End:
            return TokenKind::TagEnd;
        case TagType::None:
            break;
        }
        return TokenKind::None;
    }

    // Text up to the next "<": white space collapsed, broken before the word that reaches maxChar. False at
    // the end of the input with nothing read. Text that is not empty is printed as it is read, after the
    // line break the main loop would print before it: that saves copying every text twice, and leaves the
    // count of characters as the main loop would (it counts on while reading, and is zero after printing).
    bool readContentIntoOutput()
    {
        bool any = false;
        bool space = false;
        const std::string_view input = m_input;
        const std::size_t n = input.size();
        std::size_t pos = m_pos;
        long count = m_lineCharCount;
        std::string& out = m_output;
        while (pos < n) {
            const char c = input[pos];
            if (c == '<')
                break;
            if (isSpace(c)) {
                ++pos;
                while (pos < n && isSpace(input[pos]))
                    ++pos;
                if (any)
                    space = true;
                continue;
            }
            if (!any) {
                printNewline(Prune::Yes);
                any = true;
            }
            const std::size_t plainEnd = plainTextEnd(input, pos);
            if (plainEnd > pos) {
                count = printPlainText(pos, plainEnd, count, space);
                pos = plainEnd;
                space = false;
                continue;
            }
            std::size_t wordEnd = pos + 1;
            long characters = isContinuation(c) ? 0 : 1;
            while (wordEnd < n && !kEndsWord[static_cast<unsigned char>(input[wordEnd])]) {
                characters += isContinuation(input[wordEnd]) ? 0 : 1;
                ++wordEnd;
            }
            // The count includes the word's first character when the break is decided.
            count += isContinuation(c) ? 0 : 1;
            if (space) {
                if (count >= m_maxChar) {
                    out += '\n';
                    appendIndentation(out);
                    count = 0;
                } else {
                    out += ' ';
                    ++count;
                }
                space = false;
            }
            count += characters - (isContinuation(c) ? 0 : 1);
            out.append(input, pos, wordEnd - pos);
            pos = wordEnd;
        }
        m_pos = pos;
        if (any) {
            m_prunableFrom = out.size();
            count = 0;
        }
        m_lineCharCount = count;
        return any || pos < n;
    }

    // Prints the plain text [from, to) (see plainTextEnd) with the rules for words applied all at once: a
    // line is broken at the first space whose next word's first character brings the count to maxChar, the
    // count being one per byte in between. Returns the count after the stretch.
    long printPlainText(std::size_t from, std::size_t to, long count, bool spaceBefore)
    {
        std::string& out = m_output;
        const char* const data = m_input.data();
        // The first word's first character, with the separator that was pending before it.
        ++count;
        if (spaceBefore) {
            if (count >= m_maxChar) {
                out += '\n';
                appendIndentation(out);
                count = 0;
            } else {
                out += ' ';
                ++count;
            }
        }
        // From here the count after the byte at i is anchorCount + (i - anchor); a space at q breaks the
        // line when the count after the byte before it, plus the next word's first character, reaches
        // maxChar, i.e. when anchorCount + (q - anchor) >= maxChar.
        std::size_t anchor = from;
        long anchorCount = count;
        std::size_t copied = from;
        while (true) {
            const long distance = std::max(m_maxChar - anchorCount, 1L);
            if (static_cast<std::size_t>(distance) >= to - anchor)
                break;
            const std::size_t searchFrom = anchor + static_cast<std::size_t>(distance);
            const void* hit = std::memchr(data + searchFrom, ' ', to - searchFrom);
            if (!hit)
                break;
            const auto space = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
            out.append(data + copied, space - copied);
            out += '\n';
            appendIndentation(out);
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
    void readUnformatted(
        std::string& out, std::string_view delimiter, std::optional<std::string_view> reference)
    {
        if (reference && reference->find(delimiter) != std::string_view::npos)
            return;
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
                    characters += isContinuation(m_input[end]) ? 0 : 1;
                    ++end;
                }
                out.append(m_input, m_pos, end - m_pos);
                m_lineCharCount += characters;
                m_pos = end;
                if (m_pos >= n)
                    return;
            }
            const char c = m_input[m_pos++];
            if (isSpace(c) && !keepSpace)
                continue;
            if ((c == '\n' || c == '\r') && keepSpace) {
                const std::size_t before = out.size();
                out += '\n';
                appendIndentation(out);
                keepSpace = false;
                m_lineCharCount = 0;
                // The indentation text itself could complete the delimiter when it is made of such
                // characters.
                const std::size_t from
                    = std::max(runStart, before >= d - 1 ? before - (d - 1) : std::size_t { 0 });
                if (out.find(delimiter, from) != std::string::npos)
                    return;
                continue;
            }
            out += c;
            if (!isContinuation(c))
                ++m_lineCharCount;
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
    bool readPlainTag(std::string& tag)
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
                characters += isContinuation(c) ? 0 : 1;
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
                    characters += isContinuation(input[close]) ? 0 : 1;
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
        if (m_lineCharCount + characters >= m_maxChar)
            return false;
        m_lineCharCount += characters;
        m_pos = i + 1;
        tag.assign(input, start, m_pos - start);
        return true;
    }

    // A tag, classified; false at the end of the input with nothing read.
    bool readTag(std::string& tag)
    {
        if (readPlainTag(tag)) {
            classifyTag(tag);
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
                    characters += isContinuation(m_input[end]) ? 0 : 1;
                    ++end;
                }
                if (end > m_pos) {
                    tag.append(m_input, m_pos, end - m_pos);
                    m_lineCharCount += characters;
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
            if (!isContinuation(c))
                ++m_lineCharCount;
            if (isSpace(c)) {
                space = true;
                spaceCarried = false;
                --m_lineCharCount;
                continue;
            }
            // A character is a lead byte and its continuation bytes; a stray continuation byte (text that is
            // not UTF-8) stands alone, so that it never joins the character before it.
            if (static_cast<unsigned char>(c) >= 0xC0) {
                while (m_pos < n && isContinuation(m_input[m_pos]))
                    ++m_pos;
            }
            const std::string_view character = m_input.substr(start, m_pos - start);
            bool isQuoted = false;
            if ((c == '\'' || c == '"') && !secondChunkIsBang) {
                quoted.clear();
                readUnformatted(quoted, std::string_view(&c, 1), std::nullopt);
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
                if (m_lineCharCount >= m_maxChar) {
                    tag += '\n';
                    appendIndentation(tag);
                    m_lineCharCount = 0;
                } else {
                    tag += ' ';
                    ++m_lineCharCount;
                }
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
        classifyTag(tag);
        return true;
    }

    bool nextNonSpaceIs(char wanted) const
    {
        std::size_t i = m_pos;
        while (i < m_input.size() && isSpace(m_input[i]))
            ++i;
        return i < m_input.size() && m_input[i] == wanted;
    }

    // The tag names without an end tag, and those that get an extra line break before them.
    static bool isSingleToken(std::string_view name)
    {
        switch (name.size()) {
        case 2:
            return name == "br" || name == "hr";
        case 3:
            return name == "wbr" || name == "img";
        case 4:
            return name == "link" || name == "meta" || name == "base" || name == "area" || name == "?xml";
        case 5:
            return name == "input" || name == "param" || name == "embed";
        case 7:
            return name == "isindex";
        case 8:
            return name == "!doctype" || name == "basefont";
        default:
            return false;
        }
    }

    static bool isExtraLiner(std::string_view name)
    {
        return name == "head" || name == "body" || name == "/html";
    }

    void classifyTag(std::string& tag)
    {
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
        // The name is kept in a buffer of the run's own: it outlives changes to the tag's text below.
        if (nameEnd > 1)
            m_name.assign(tag, 1, nameEnd - 1);
        else
            m_name.clear();
        for (char& c : m_name)
            c = asciiLower(c);
        const std::string_view name = m_name;

        if (nextToLastIsSlash(tag) || isSingleToken(name)) {
            m_tagType = TagType::Single;
        } else if (name == "script") {
            recordTag(name);
            m_tagType = TagType::Script;
            if (!isScriptType(scriptTypeOf(tag)))
                m_verbatim = Verbatim::Script;
        } else if (name == "style") {
            recordTag(name);
            m_tagType = TagType::Style;
        } else if (!name.empty() && name[0] == '!') {
            if (name.find("[if") != std::string::npos) {
                if (tag.find("!IE") != std::string::npos) {
                    const std::string reference = tag;
                    readUnformatted(tag, "-->", reference);
                }
                m_tagType = TagType::Start;
            } else if (name.find("[endif") != std::string::npos) {
                m_tagType = TagType::End;
                m_indentLevel = std::max(m_indentLevel - 1, 0);
            } else if (name.find("[cdata[") != std::string::npos) {
                appendRunUnlessPresent(tag, "]]>");
                m_tagType = TagType::Single;
            } else {
                appendRunUnlessPresent(tag, "-->");
                m_tagType = TagType::Single;
            }
        } else {
            if (!name.empty() && name[0] == '/') {
                retrieveTag(name.substr(1));
                m_tagType = TagType::End;
            } else {
                recordTag(name);
                m_tagType = TagType::Start;
                // The element as a browser names it: the formatter's own name stops only at a space, which a
                // line break inside a long tag would hide.
                if (isTagNamedAt(tag, 0, "pre"))
                    m_verbatim = Verbatim::Pre;
                else if (isTagNamedAt(tag, 0, "textarea"))
                    m_verbatim = Verbatim::Textarea;
            }
            if (isExtraLiner(name))
                printNewline(Prune::No);
        }
    }

    void appendRunUnlessPresent(std::string& tag, std::string_view delimiter)
    {
        if (tag.find(delimiter) != std::string::npos)
            return;
        readUnformatted(tag, delimiter, std::nullopt);
    }

    static bool nextToLastIsSlash(std::string_view tag)
    {
        if (tag.empty())
            return false;
        std::size_t last = tag.size() - 1;
        while (last > 0 && isContinuation(tag[last]))
            --last;
        if (last == 0)
            return false;
        return tag[last - 1] == '/';
    }

    // Script content: up to the first "</script>" in any case, or to the end of the input.
    std::string_view readScript()
    {
        std::size_t from = m_pos;
        std::size_t end = m_input.size();
        while (from < m_input.size()) {
            const void* hit = std::memchr(m_input.data() + from, '<', m_input.size() - from);
            if (!hit)
                break;
            const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - m_input.data());
            if (startsWithNoCase(m_input, at, "</script>")) {
                end = at;
                break;
            }
            from = at + 1;
        }
        const std::string_view script = m_input.substr(m_pos, end - m_pos);
        m_pos = end;
        return script;
    }

    Token readVerbatim()
    {
        const Verbatim kind = m_verbatim;
        m_verbatim = Verbatim::None;
        std::size_t end = m_input.size();
        if (kind == Verbatim::Script) {
            const std::string_view script = readScript();
            m_pos -= script.size();
            end = m_pos + script.size();
        } else if (kind == Verbatim::Textarea) {
            end = findTagNamed(m_input, m_pos, "/textarea");
        } else {
            end = endOfPre(m_pos);
        }
        const std::string_view text = m_input.substr(m_pos, end - m_pos);
        m_pos = end;
        return { text, TokenKind::Verbatim };
    }

    // Where the content of a pre element opened just before `from` ends: at its matching end tag, counting
    // nested pre elements and skipping comments, as a browser reads it.
    std::size_t endOfPre(std::size_t from) const
    {
        int depth = 1;
        std::size_t i = from;
        const std::size_t n = m_input.size();
        while (i < n) {
            const void* hit = std::memchr(m_input.data() + i, '<', n - i);
            if (!hit)
                return n;
            const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - m_input.data());
            if (m_input.substr(at, 4) == "<!--") {
                const std::size_t close = m_input.find("-->", at + 4);
                if (close == std::string_view::npos)
                    return n;
                i = close + 3;
                continue;
            }
            if (isTagNamedAt(m_input, at, "/pre")) {
                if (--depth == 0)
                    return at;
            } else if (isTagNamedAt(m_input, at, "pre")) {
                ++depth;
            }
            i = at + 1;
        }
        return n;
    }

    void recordTag(std::string_view name)
    {
        const Instance instance { m_indentLevel, m_chain.back(), true };
        int id = 0;
        if (m_freeInstances.empty()) {
            id = static_cast<int>(m_instances.size());
            m_instances.push_back(instance);
        } else {
            id = m_freeInstances.back();
            m_freeInstances.pop_back();
            m_instances[static_cast<std::size_t>(id)] = instance;
        }
        m_byName[name].push_back(id);
        m_chain.push_back(id);
    }

    // The parent chain from the current parent to the root is kept as a stack, and every instance knows
    // whether it is on it; so finding the target costs nothing, and the instances popped to reach it are
    // each popped once in the whole run.
    void retrieveTag(std::string_view name)
    {
        std::vector<int>* const open = m_byName.find(name);
        if (!open || open->empty())
            return;
        const int target = open->back();
        open->pop_back();
        // Nothing refers to a deleted instance any more (only the chain and the per-name lists are
        // followed), so its slot is reused.
        m_freeInstances.push_back(target);
        Instance& instance = m_instances[static_cast<std::size_t>(target)];
        if (!instance.onChain)
            return;
        while (m_chain.back() != target) {
            m_instances[static_cast<std::size_t>(m_chain.back())].onChain = false;
            m_chain.pop_back();
        }
        m_chain.pop_back();
        instance.onChain = false;
        m_indentLevel = instance.level;
    }

    struct Instance
    {
        int level = 0;
        int parent = -1;
        bool onChain = false;
    };

    std::string_view m_input;
    std::size_t m_pos = 0;
    long m_maxChar = 70;
    std::string m_indentString;
    std::string m_indentBlock; // m_indentString repeated kMaxIndentLevels times
    bool m_indentIsPrunable = false;
    Mode m_mode = Mode::Content;
    std::string m_output; // the output not yet handed on
    const HtmlPieceSink* m_sink = nullptr;
    std::size_t m_pieceBytes = 0;
    std::size_t m_handedOn = 0; // bytes of output already given to the sink
    std::string m_token; // the text of the token being read, reused from token to token
    std::string m_quoted; // a quoted attribute value being read
    std::string m_name; // the lower-case name of the tag being classified
    std::size_t m_prunableFrom = 0;
    int m_indentLevel = 0;
    long m_lineCharCount = 0;
    TokenKind m_lastToken = TokenKind::None;
    TagType m_tagType = TagType::None;
    Verbatim m_verbatim = Verbatim::None;
    bool m_glueNext = false;
    bool m_glueScriptEnd = false;

    std::vector<Instance> m_instances; // index 0 is the root
    std::vector<int> m_freeInstances; // slots of deleted instances
    InstancesByName m_byName;
    std::vector<int> m_chain; // the root, then each parent down to the current one
};

} // namespace

std::string styleHtml(std::string_view html, const HtmlStyle& style)
{
    return StyleHtmlRun(html, style).run();
}

void formatHtmlInto(
    std::string_view html, const HtmlStyle& style, const HtmlPieceSink& sink, std::size_t pieceBytes)
{
    bool handedOn = false;
    const HtmlPieceSink counting = [&](std::string_view piece) {
        handedOn = handedOn || !piece.empty();
        sink(piece);
    };
    try {
        StyleHtmlRun(html, style).runInto(counting, pieceBytes);
    } catch (const std::exception&) {
        if (handedOn)
            throw;
    }
    if (!handedOn && !html.empty())
        sink(html);
}

HtmlStyle styleForIndentKind(IndentKind kind)
{
    if (kind == IndentKind::TwoSpaces)
        return HtmlStyle { 2, " ", 80 };
    return HtmlStyle { 1, "\t", 80 };
}

std::string formatHtmlWithStyle(std::string_view html, const HtmlStyle& style)
{
    try {
        std::string formatted = styleHtml(html, style);
        if (formatted.empty() && !html.empty())
            return std::string(html);
        return formatted;
    } catch (const std::exception&) {
        return std::string(html);
    }
}

std::string formatHtml(std::string_view html, IndentKind kind)
{
    return formatHtmlWithStyle(html, styleForIndentKind(kind));
}

} // namespace inkwell
