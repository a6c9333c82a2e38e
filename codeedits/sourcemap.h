// Where the bytes of a formatted text came from in the markup it was made from. The formatter adds,
// removes and changes white space and nothing else, so leaving white space out of both gives the same
// bytes: the n-th byte of the formatted text that is not white space came from the n-th such byte of the
// markup. Matching the two that way needs no record kept while formatting, and no second reading of the
// markup as HTML: a walk over both texts at once, which also proves they match where it walked.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace inkwell {

// A stretch of bytes, [begin, end).
struct ByteSpan
{
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The stretch of the markup that matches the stretch `span` of the formatted text, judged from outside
// it: it starts right after the match of the last byte before span.begin that is not white space (at 0
// when there is none) and ends at the match of the first such byte at or after span.end (at the end of
// the markup when there is none). So white space next to the stretch belongs to it on both sides.
// Everything outside is compared as it is matched: nothing when the two texts differ there in anything
// but white space; the stretch itself is only counted. Linear in the size of both texts.
[[nodiscard]] std::optional<ByteSpan> matchingMarkup(
    std::string_view markup, std::string_view formatted, ByteSpan span);
// The same for several spans at once, in order and apart, in one walk over both texts.
[[nodiscard]] std::optional<std::vector<ByteSpan>> matchingMarkup(
    std::string_view markup, std::string_view formatted, std::span<const ByteSpan> spans);

// The offset in the other text of the byte that matches the one at `offset` (the first byte that is not
// white space at or after it; the end of the other text when there is none). Nothing when the texts
// differ before that byte in anything but white space.
[[nodiscard]] std::optional<std::size_t> markupOffsetOf(
    std::string_view markup, std::string_view formatted, std::size_t offset);
[[nodiscard]] std::optional<std::size_t> formattedOffsetOf(
    std::string_view markup, std::string_view formatted, std::size_t offset);

// How many bytes two texts have in common at their starts, and at their ends (at most n), compared
// eight at a time.
[[nodiscard]] std::size_t commonPrefixLength(const char* a, const char* b, std::size_t n);
[[nodiscard]] std::size_t commonSuffixLength(const char* aEnd, const char* bEnd, std::size_t n);

} // namespace inkwell
