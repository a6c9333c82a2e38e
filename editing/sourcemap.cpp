#include "editing/sourcemap.h"

#include "editing/htmlscanner.h"

#include <cstring>

namespace inkwell {
namespace {

// The start of the next run of bytes that are not white space, at or after `at`.
std::size_t skipSpace(std::string_view text, std::size_t at)
{
    while (at < text.size() && isHtmlSpace(text[at]))
        ++at;
    return at;
}

// The end of the run of bytes that are not white space starting at `at`.
std::size_t runEnd(std::string_view text, std::size_t at, std::size_t limit)
{
    while (at < limit && !isHtmlSpace(text[at]))
        ++at;
    return at;
}

// Walks both texts forward from their starts until `from` has passed `fromEnd` bytes of its own; returns
// the offset in `to` just after the match of the last byte that is not white space, or nothing when a
// byte does not match. Runs without white space are compared whole.
std::optional<std::size_t> walkForward(std::string_view from, std::size_t fromEnd, std::string_view to)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (true) {
        i = skipSpace(from, i);
        if (i >= fromEnd)
            return j;
        const std::size_t iEnd = runEnd(from, i, fromEnd);
        std::size_t length = iEnd - i;
        // The run in `to` may be split by white space where `from` has none (the formatter removes some,
        // around "=" in a tag); compare piece by piece.
        while (length > 0) {
            j = skipSpace(to, j);
            if (j >= to.size())
                return std::nullopt;
            const std::size_t piece = std::min(length, runEnd(to, j, to.size()) - j);
            if (std::memcmp(from.data() + i, to.data() + j, piece) != 0)
                return std::nullopt;
            i += piece;
            j += piece;
            length -= piece;
        }
    }
}

bool isSpaceAt(std::string_view text, std::size_t at)
{
    return isHtmlSpace(text[at]);
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
    std::size_t i = formatted.size();
    std::size_t j = markup.size();
    std::size_t end = markup.size();
    while (i > span.end) {
        --i;
        if (isSpaceAt(formatted, i))
            continue;
        while (j > *begin && isSpaceAt(markup, j - 1))
            --j;
        if (j <= *begin || markup[j - 1] != formatted[i])
            return std::nullopt;
        --j;
        end = j;
    }
    return ByteSpan { *begin, end };
}

std::optional<std::size_t> markupOffsetOf(std::string_view markup, std::string_view formatted, std::size_t offset)
{
    const std::optional<std::size_t> after = walkForward(formatted, std::min(offset, formatted.size()), markup);
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

} // namespace inkwell
