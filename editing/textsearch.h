// Finding a word in the code view's text: ASCII letters match whatever their case, every other
// character only itself, and the search wraps around the end.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace inkwell {

enum class SearchDirection
{
    Forward,
    Backward,
};

// Byte offsets into UTF-8 text.
struct TextMatch
{
    std::size_t start = 0;
    std::size_t end = 0;
};

// The next match of needle after `from` (forward: starting at `from`; backward: ending at or before
// `from`), wrapping around once; nothing when the text holds no match or the needle is empty. Folding
// only ASCII letters leaves every multi-byte UTF-8 sequence to match byte for byte.
[[nodiscard]] std::optional<TextMatch> findText(
    std::string_view text, std::string_view needle, std::size_t from, SearchDirection direction);

} // namespace inkwell
