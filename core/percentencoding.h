// Percent escapes of URL paths: decoding a request path to the bytes of a file name, and encoding
// one name as a path segment.
#pragma once

#include <string>
#include <string_view>

namespace inkwell {

// Every "%" followed by two hex digits becomes the byte they spell; any other "%" stays as it is,
// as browsers leave it. The result is raw bytes and may hold "/", ".." or a zero byte, so the
// caller checks it after decoding, never before.
[[nodiscard]] std::string percentDecode(std::string_view text);

// Encodes every byte but the unreserved letters, digits and "-._~", so that a name of any bytes
// (UTF-8 Chinese, blanks, "(", "%", "?", "#", "/") is one literal segment for every client.
[[nodiscard]] std::string percentEncodeSegment(std::string_view name);

} // namespace inkwell
