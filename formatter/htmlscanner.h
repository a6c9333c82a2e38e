// The byte scanner under the HTML tokenizer: classes of bytes and the searches over markup that find where
// text, tags and kept content end. Each search looks at a byte at most a fixed number of times, so scanning
// stays linear in the input at any nesting depth.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace inkwell {

// The four white-space characters the tokenizer collapses.
[[nodiscard]] constexpr bool isHtmlSpace(char c)
{
    return c == '\n' || c == '\r' || c == '\t' || c == ' ';
}

// UTF-8 continuation bytes do not start a character, so they are not counted.
[[nodiscard]] constexpr bool isUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Bytes that end a word of text: the four white-space characters and "<".
inline constexpr std::array<bool, 256> kEndsWord = [] {
    std::array<bool, 256> table {};
    for (const char c : { '\n', '\r', '\t', ' ', '<' })
        table[static_cast<unsigned char>(c)] = true;
    return table;
}();

// Bytes a tag reader treats one by one: white space and the characters with a rule of their own.
inline constexpr std::array<bool, 256> kSpecialInTag = [] {
    std::array<bool, 256> table {};
    for (const char c : { '\n', '\r', '\t', ' ', '\'', '"', '=', '>' })
        table[static_cast<unsigned char>(c)] = true;
    return table;
}();

namespace detail {

#if defined(__SSE2__)

// Where the block scan of plainTextEnd stops: at or before the first byte that ends a stretch, or where
// fewer than seventeen bytes are left. Sixteen bytes at a time, each also seen with its successor.
inline std::size_t plainTextBlocksEnd(const char* data, std::size_t at, std::size_t n)
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
inline std::uint64_t loadBlock(const char* at)
{
    std::uint64_t block = 0;
    std::memcpy(&block, at, sizeof block);
    return block;
}

inline constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

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
inline std::size_t plainTextBlocksEnd(const char* data, std::size_t at, std::size_t n)
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

} // namespace detail

// Where a stretch of plain text that starts at `from` ends: at the first "<", byte below 0x20 (the white
// space other than the space is among them), byte above 0x7F, or space followed by white space. In such a
// stretch every byte is one character and every space separates two words, so it prints as it stands
// except where a line is broken. It may end early, never late; a stretch that would end with a space
// ends before it.
// Inline: it runs once for every stretch of text.
inline std::size_t plainTextEnd(std::string_view text, std::size_t from)
{
    const char* const data = text.data();
    const std::size_t n = text.size();
    std::size_t at = detail::plainTextBlocksEnd(data, from, n);
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

// Whether a "<" + lowerName stands at `at`, followed by white space, "/", ">" or the end of the text,
// compared without regard to ASCII case.
[[nodiscard]] bool isTagNamedAt(std::string_view text, std::size_t at, std::string_view lowerName);

// Offset of the first tag named lowerName at or after `from`; the size of the text when there is none.
[[nodiscard]] std::size_t findTagNamed(std::string_view text, std::size_t from, std::string_view lowerName);

// Offset of the first "</script>", in any case, at or after `from`; the size of the text when there is none.
[[nodiscard]] std::size_t findScriptEnd(std::string_view text, std::size_t from);

// Where the content of a pre element opened just before `from` ends: at its matching end tag, counting
// nested pre elements and skipping comments, as a browser reads it; the size of the text when it has none.
[[nodiscard]] std::size_t endOfPre(std::string_view text, std::size_t from);

// The value of the first attribute named lowerName (ASCII, lower case) in the text of a start tag, without
// its quotes; empty for an attribute without a value, nothing when the tag has no such attribute.
[[nodiscard]] std::optional<std::string_view> attributeValue(
    std::string_view tag, std::string_view lowerName);

} // namespace inkwell
