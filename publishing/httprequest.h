// The request parser of the page server: where a request's head ends, and the method, path, host and
// gzip flag taken from that head. Pure functions, no sockets.
#pragma once

#include "publishing/requesthost.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace inkwell {

struct RequestInfo
{
    // Never examined: every method is answered as a GET, body included.
    std::string method;
    // The bytes of the file name: the path field without its query ("?" on), percent-decoded, with
    // "index.html" appended when it ends in "/". May hold ".." segments or a zero byte; the file
    // lookup refuses those.
    std::string path;
    // Set when "gzip" (lower case, exactly) occurs anywhere in the request text.
    bool acceptsGzip = false;
    RequestHost host = RequestHost::Absent;
};

// The most a request head may take, blank line included (bytes). A longer head is not looked at.
inline constexpr std::size_t kMaxRequestHead = 64 * 1024;

// The length of the head at the start of `bytes`: everything up to and including the first empty
// line after the request line. Lines end in CR LF or in a bare LF. Empty while no empty line has
// arrived. `from` is how much of `bytes` an earlier call has already searched, so that a head
// arriving in many small pieces is searched once in all.
[[nodiscard]] std::optional<std::size_t> requestHeadLength(std::string_view bytes, std::size_t from = 0);

// Splits at every `separator`. Empty fields between adjacent separators count; an empty field after
// a final separator does not, so "a b " gives {"a", "b"} and "a  b" gives {"a", "", "b"}.
[[nodiscard]] std::vector<std::string_view> splitFields(std::string_view text, char separator);

// `bytes` is the request head. Its text ends at its first zero byte for the method, path and gzip
// flag; the Host is decided on the whole head. Empty when the text has fewer than two
// blank-separated fields or the path field is empty: such a request has nothing to look up.
[[nodiscard]] std::optional<RequestInfo> parseRequest(std::string_view bytes);

} // namespace inkwell
