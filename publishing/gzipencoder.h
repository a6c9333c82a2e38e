// GzipEncode: turns a file's bytes into one gzip member (RFC 1952) for the page server's
// compressed answers. The only place that talks to zlib.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Level 3, fed in input windows of at most 8192 bytes through an 8192-byte output buffer.
// Empty only when the encoder cannot be set up or reports an error; never a cut stream.
[[nodiscard]] std::optional<std::string> GzipEncode(std::string_view input);
