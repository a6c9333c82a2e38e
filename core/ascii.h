// ASCII case and blanks, for the parts of markup, headers and settings that are ASCII by definition;
// bytes of other characters pass through untouched.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace inkwell {

[[nodiscard]] constexpr char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

[[nodiscard]] std::string asciiLower(std::string_view text);

[[nodiscard]] constexpr bool isAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

[[nodiscard]] constexpr bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

[[nodiscard]] constexpr bool isAsciiAlnum(char c)
{
    return isAsciiAlpha(c) || isAsciiDigit(c);
}

// The blanks of HTML and CSS: space, tab, line feed, form feed and carriage return.
[[nodiscard]] constexpr bool isAsciiBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// The blanks of HTML and CSS as a set, for trimBlanks.
inline constexpr std::string_view kAsciiBlanks = " \t\n\f\r";

// text without the characters of blanks at either end.
[[nodiscard]] std::string_view trimBlanks(std::string_view text, std::string_view blanks = kAsciiBlanks);

// Whether a and b are equal when ASCII letters are compared without their case.
[[nodiscard]] constexpr bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

// Whether text holds lowerPrefix at position at, ASCII letters of text compared without their case.
// lowerPrefix must be in lower case; a position past the end holds nothing.
// Inline: the formatter asks this at many places of a page.
[[nodiscard]] constexpr bool startsWithNoCase(
    std::string_view text, std::size_t at, std::string_view lowerPrefix)
{
    if (at > text.size() || text.size() - at < lowerPrefix.size())
        return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
        if (asciiLower(text[at + i]) != lowerPrefix[i])
            return false;
    }
    return true;
}

// Offset of the first place at or after `from` where text holds lowerNeedle, compared as startsWithNoCase
// does; npos when there is none.
[[nodiscard]] std::size_t findNoCase(
    std::string_view text, std::string_view lowerNeedle, std::size_t from = 0);

// The value of a hexadecimal digit of either case, or -1 for any other character.
[[nodiscard]] constexpr int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace inkwell
