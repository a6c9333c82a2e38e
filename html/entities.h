// Character references of HTML: the named references a browser knows, and text with its references
// replaced as a browser reads it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace inkwell {

// The character a numeric reference stands for as a browser takes it: U+FFFD for 0, a surrogate or a
// number beyond U+10FFFF, the windows-1252 character for most numbers from 0x80 to 0x9F.
[[nodiscard]] std::uint32_t numericReference(std::uint64_t code);

// An attribute value with its character references replaced, as a browser reads it: a named
// reference is the longest name of the table that the text begins with, and one without its ";"
// followed by "=" or a letter or digit stays as written. A carriage return (with a line feed after
// it) reads as a line feed and a NUL as U+FFFD.
[[nodiscard]] std::string decodeAttributeValue(std::string_view raw);

} // namespace inkwell
