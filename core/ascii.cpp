#include "core/ascii.h"

namespace inkwell {

std::string asciiLower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = asciiLower(c);
    return lower;
}

std::string_view trimBlanks(std::string_view text, std::string_view blanks)
{
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::size_t findNoCase(std::string_view text, std::string_view lowerNeedle, std::size_t from)
{
    for (std::size_t at = from; at + lowerNeedle.size() <= text.size(); ++at) {
        if (startsWithNoCase(text, at, lowerNeedle))
            return at;
    }
    return std::string_view::npos;
}

} // namespace inkwell
