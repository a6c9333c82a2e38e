#include "editing/textsearch.h"

#include <algorithm>

namespace inkwell {
namespace {

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool matchesAt(std::string_view text, std::string_view needle, std::size_t at)
{
    if (at > text.size() || text.size() - at < needle.size())
        return false;
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (foldAscii(text[at + i]) != foldAscii(needle[i]))
            return false;
    }
    return true;
}

// First match starting in [first, last), scanning up or down.
std::optional<std::size_t> scan(std::string_view text, std::string_view needle, std::size_t first,
    std::size_t last, SearchDirection direction)
{
    if (first >= last)
        return std::nullopt;
    if (direction == SearchDirection::Forward) {
        for (std::size_t at = first; at < last; ++at) {
            if (matchesAt(text, needle, at))
                return at;
        }
    } else {
        for (std::size_t at = last; at-- > first;) {
            if (matchesAt(text, needle, at))
                return at;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<TextMatch> findText(
    std::string_view text, std::string_view needle, std::size_t from, SearchDirection direction)
{
    if (needle.empty() || needle.size() > text.size())
        return std::nullopt;
    from = std::min(from, text.size());
    const std::size_t starts = text.size() - needle.size() + 1; // every offset a match can start at
    std::optional<std::size_t> at;
    if (direction == SearchDirection::Forward) {
        at = scan(text, needle, std::min(from, starts), starts, direction);
        if (!at)
            at = scan(text, needle, 0, std::min(from, starts), direction);
    } else {
        // Ending at or before `from`: starting at or before from - needle.size().
        const std::size_t limit = from >= needle.size() ? std::min(from - needle.size() + 1, starts) : 0;
        at = scan(text, needle, 0, limit, direction);
        if (!at)
            at = scan(text, needle, limit, starts, direction);
    }
    if (!at)
        return std::nullopt;
    return TextMatch { *at, *at + needle.size() };
}

} // namespace inkwell
