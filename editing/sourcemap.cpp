#include "editing/sourcemap.h"

#include "editing/htmlscanner.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace inkwell {
namespace {

// The next byte that is not white space, at or after `at`.
std::size_t skipSpace(std::string_view text, std::size_t at)
{
    while (at < text.size() && isHtmlSpace(text[at]))
        ++at;
    return at;
}

// Walks both texts forward from their starts until `from` has passed `fromEnd` of its bytes; returns the
// offset in `to` just after the match of the last byte that is not white space, or nothing when a byte
// does not match. Stretches the two have in common (most words, many whole lines) are passed at once;
// where they part, white space on either side is skipped.
std::optional<std::size_t> walkForward(std::string_view from, std::size_t fromEnd, std::string_view to)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (true) {
        const std::size_t same
            = commonPrefixLength(from.data() + i, to.data() + j, std::min(fromEnd - i, to.size() - j));
        i += same;
        j += same;
        if (i >= fromEnd)
            return j;
        const bool fromSpace = isHtmlSpace(from[i]);
        const bool toSpace = j < to.size() && isHtmlSpace(to[j]);
        if (!fromSpace && !toSpace)
            return std::nullopt;
        if (fromSpace)
            i = std::min(skipSpace(from, i), fromEnd);
        if (toSpace && (i >= fromEnd || !isHtmlSpace(from[i])))
            j = skipSpace(to, j);
        if (i >= fromEnd)
            return j;
    }
}

// The same walk backward from both ends, in `from` down to fromBegin and in `to` never below toFloor;
// returns the offset in `to` of the match of the first byte at or after fromBegin that is not white
// space (the end of `to` when there is none).
std::optional<std::size_t> walkBackward(
    std::string_view from, std::size_t fromBegin, std::string_view to, std::size_t toFloor)
{
    std::size_t i = from.size();
    std::size_t j = to.size();
    std::size_t matched = to.size();
    while (true) {
        const std::size_t same
            = commonSuffixLength(from.data() + i, to.data() + j, std::min(i - fromBegin, j - toFloor));
        // The match of the first byte that is not white space within what was passed.
        for (std::size_t k = 0; k < same; ++k) {
            if (!isHtmlSpace(from[i - same + k])) {
                matched = j - same + k;
                break;
            }
        }
        i -= same;
        j -= same;
        if (i <= fromBegin)
            return matched;
        const bool fromSpace = isHtmlSpace(from[i - 1]);
        const bool toSpace = j > toFloor && isHtmlSpace(to[j - 1]);
        if (!fromSpace && !toSpace)
            return std::nullopt;
        if (fromSpace) {
            while (i > fromBegin && isHtmlSpace(from[i - 1]))
                --i;
        }
        if (toSpace && (i <= fromBegin || !isHtmlSpace(from[i - 1]))) {
            while (j > toFloor && isHtmlSpace(to[j - 1]))
                --j;
        }
        if (i <= fromBegin)
            return matched;
    }
}

} // namespace

std::optional<ByteSpan> matchingMarkup(std::string_view markup, std::string_view formatted, ByteSpan span)
{
    if (span.begin > span.end || span.end > formatted.size())
        return std::nullopt;
    const std::optional<std::size_t> begin = walkForward(formatted, span.begin, markup);
    if (!begin)
        return std::nullopt;
    // Backward from both ends down to span.end, never into what the forward walk matched.
    const std::optional<std::size_t> end = walkBackward(formatted, span.end, markup, *begin);
    if (!end)
        return std::nullopt;
    return ByteSpan { *begin, *end };
}

std::optional<std::size_t> markupOffsetOf(
    std::string_view markup, std::string_view formatted, std::size_t offset)
{
    const std::optional<std::size_t> after
        = walkForward(formatted, std::min(offset, formatted.size()), markup);
    if (!after)
        return std::nullopt;
    return skipSpace(markup, *after);
}

std::optional<std::size_t> formattedOffsetOf(
    std::string_view markup, std::string_view formatted, std::size_t offset)
{
    const std::optional<std::size_t> after = walkForward(markup, std::min(offset, markup.size()), formatted);
    if (!after)
        return std::nullopt;
    return skipSpace(formatted, *after);
}

std::size_t commonPrefixLength(const char* a, const char* b, std::size_t n)
{
    std::size_t k = 0;
    while (k + 8 <= n) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, a + k, 8);
        std::memcpy(&y, b + k, 8);
        if (x != y)
            break;
        k += 8;
    }
    while (k < n && a[k] == b[k])
        ++k;
    return k;
}

std::size_t commonSuffixLength(const char* aEnd, const char* bEnd, std::size_t n)
{
    std::size_t k = 0;
    while (k + 8 <= n) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, aEnd - k - 8, 8);
        std::memcpy(&y, bEnd - k - 8, 8);
        if (x != y)
            break;
        k += 8;
    }
    while (k < n && aEnd[-1 - static_cast<std::ptrdiff_t>(k)] == bEnd[-1 - static_cast<std::ptrdiff_t>(k)])
        ++k;
    return k;
}

} // namespace inkwell
