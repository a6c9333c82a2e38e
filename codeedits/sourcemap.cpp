#include "codeedits/sourcemap.h"

#include "formatter/htmlscanner.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

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
std::optional<std::size_t> walkForward(std::string_view from, std::size_t fromEnd, std::string_view to,
    std::size_t fromStart = 0, std::size_t toStart = 0)
{
    std::size_t i = fromStart;
    std::size_t j = toStart;
    if (i >= fromEnd)
        return j;
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

} // namespace

std::optional<std::vector<ByteSpan>> matchingMarkup(
    std::string_view markup, std::string_view formatted, std::span<const ByteSpan> spans)
{
    std::vector<ByteSpan> found;
    found.reserve(spans.size());
    // One walk forward over both texts: to each span's start, where the match starts right after the
    // markup's last byte that is not white space, and to its end, whose match is the markup's next such
    // byte; the walk on from there compares it.
    std::size_t i = 0;
    std::size_t j = 0;
    for (const ByteSpan& span : spans) {
        if (span.begin > span.end || span.end > formatted.size() || span.begin < i)
            return std::nullopt;
        const std::optional<std::size_t> atBegin = walkForward(formatted, span.begin, markup, i, j);
        if (!atBegin)
            return std::nullopt;
        std::size_t begin = *atBegin;
        while (begin > j && isHtmlSpace(markup[begin - 1]))
            --begin;
        if (span.begin == 0)
            begin = 0;
        // The stretch itself is not compared: the walk jumps to its end in both texts.
        const std::size_t words = [&] {
            std::size_t n = 0;
            for (std::size_t k = span.begin; k < span.end; ++k)
                n += isHtmlSpace(formatted[k]) ? 0 : 1;
            return n;
        }();
        std::size_t end = *atBegin;
        for (std::size_t n = 0; n < words; ++end) {
            if (end == markup.size())
                return std::nullopt;
            n += isHtmlSpace(markup[end]) ? 0 : 1;
        }
        i = span.end;
        j = end;
        end = skipSpace(markup, end);
        if (span.end == formatted.size())
            end = markup.size();
        found.push_back({ begin, end });
    }
    const std::optional<std::size_t> last = walkForward(formatted, formatted.size(), markup, i, j);
    if (!last || skipSpace(markup, *last) != markup.size())
        return std::nullopt;
    return found;
}

std::optional<ByteSpan> matchingMarkup(std::string_view markup, std::string_view formatted, ByteSpan span)
{
    const auto found = matchingMarkup(markup, formatted, std::span<const ByteSpan>(&span, 1));
    if (!found)
        return std::nullopt;
    return found->front();
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
