// Writing characters as UTF-8, the program's text encoding.
#pragma once

#include <cstdint>
#include <string>

namespace inkwell {

// Appends the UTF-8 bytes of the code point; a value that is no character (0, a surrogate, above
// U+10FFFF) is written as U+FFFD, the replacement character.
void appendUtf8(std::string& out, std::uint32_t codePoint);

} // namespace inkwell
