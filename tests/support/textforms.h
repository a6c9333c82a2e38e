// Text in the forms tests compare it in: MIME line breaks, quoted-printable decoded independently of
// the program's encoder, text without white space, replacements, and shell words.
#pragma once

#include <string>
#include <string_view>

namespace inkwell::testing {

// LF line breaks as CR LF, the form in which a MIME text part comes back out of an archive; CR LF
// stays as it is.
[[nodiscard]] std::string crLf(std::string_view text);

// Quoted-printable decoded as RFC 2045 describes it, soft line breaks removed; throws
// std::invalid_argument at an "=" that starts neither a soft break nor two hex digits.
[[nodiscard]] std::string decodeQuotedPrintable(std::string_view text);

// Base64 decoded, characters outside its alphabet skipped.
[[nodiscard]] std::string decodeBase64(std::string_view text);

// text without its spaces, tabs and line breaks: what re-indentation must leave unchanged.
[[nodiscard]] std::string withoutWhiteSpace(std::string_view text);

// text with every from replaced by to.
[[nodiscard]] std::string replaced(std::string text, std::string_view from, std::string_view to);

// A shell word that stands for text exactly (single quotes).
[[nodiscard]] std::string shellQuoted(std::string_view text);

} // namespace inkwell::testing
