#include "editing/htmlscanner.h"

#include "platform/ascii.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace inkwell {
namespace {

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

} // namespace

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

bool isTagNamedAt(std::string_view text, std::size_t at, std::string_view lowerName)
{
    if (at >= text.size() || text[at] != '<' || !startsWithNoCase(text, at + 1, lowerName))
        return false;
    const std::size_t after = at + 1 + lowerName.size();
    return after >= text.size() || isHtmlSpace(text[after]) || text[after] == '/' || text[after] == '>';
}

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

std::size_t findScriptEnd(std::string_view text, std::size_t from)
{
    while (from < text.size()) {
        const void* hit = std::memchr(text.data() + from, '<', text.size() - from);
        if (!hit)
            break;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (startsWithNoCase(text, at, "</script>"))
            return at;
        from = at + 1;
    }
    return text.size();
}

std::size_t endOfPre(std::string_view text, std::size_t from)
{
    int depth = 1;
    std::size_t i = from;
    const std::size_t n = text.size();
    while (i < n) {
        const void* hit = std::memchr(text.data() + i, '<', n - i);
        if (!hit)
            return n;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (text.substr(at, 4) == "<!--") {
            const std::size_t close = text.find("-->", at + 4);
            if (close == std::string_view::npos)
                return n;
            i = close + 3;
            continue;
        }
        if (isTagNamedAt(text, at, "/pre")) {
            if (--depth == 0)
                return at;
        } else if (isTagNamedAt(text, at, "pre")) {
            ++depth;
        }
        i = at + 1;
    }
    return n;
}

std::optional<std::string_view> attributeValue(std::string_view tag, std::string_view lowerName)
{
    std::size_t i = 1;
    while (i < tag.size() && !isHtmlSpace(tag[i]) && tag[i] != '>' && tag[i] != '/')
        ++i;
    while (i < tag.size()) {
        while (i < tag.size() && (isHtmlSpace(tag[i]) || tag[i] == '/'))
            ++i;
        const std::size_t nameStart = i;
        while (i < tag.size() && !isHtmlSpace(tag[i]) && tag[i] != '=' && tag[i] != '>' && tag[i] != '/')
            ++i;
        const std::string_view name = tag.substr(nameStart, i - nameStart);
        if (name.empty() && (i >= tag.size() || tag[i] == '>'))
            break;
        while (i < tag.size() && isHtmlSpace(tag[i]))
            ++i;
        std::string_view value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && isHtmlSpace(tag[i]))
                ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const char quote = tag[i];
                const std::size_t close = tag.find(quote, i + 1);
                const std::size_t stop = close == std::string_view::npos ? tag.size() : close;
                value = tag.substr(i + 1, stop - i - 1);
                i = stop + 1;
            } else {
                const std::size_t valueStart = i;
                while (i < tag.size() && !isHtmlSpace(tag[i]) && tag[i] != '>')
                    ++i;
                value = tag.substr(valueStart, i - valueStart);
            }
        } else if (name.empty()) {
            ++i;
        }
        if (!name.empty() && equalsNoCase(name, lowerName))
            return value;
    }
    return std::nullopt;
}

} // namespace inkwell
