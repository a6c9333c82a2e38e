// The byte scanner under the HTML tokenizer: classes of bytes and the searches over markup that find where
// text, tags and kept content end. Each search looks at a byte at most a fixed number of times, so scanning
// stays linear in the input at any nesting depth.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

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

// Where a stretch of plain text that starts at `from` ends: at the first "<", byte below 0x20 (the white
// space other than the space is among them), byte above 0x7F, or space followed by white space. In such a
// stretch every byte is one character and every space separates two words, so it prints as it stands
// except where a line is broken. It may end early, never late; a stretch that would end with a space
// ends before it.
[[nodiscard]] std::size_t plainTextEnd(std::string_view text, std::size_t from);

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
