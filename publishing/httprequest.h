// The request parser of the page server: the method, path, host and gzip flag taken from the bytes
// of a request's single read. Pure functions, no sockets.
#pragma once

#include "publishing/requesthost.h"

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

// Splits at every `separator`. Empty fields between adjacent separators count; an empty field after
// a final separator does not, so "a b " gives {"a", "b"} and "a  b" gives {"a", "", "b"}.
[[nodiscard]] std::vector<std::string_view> splitFields(std::string_view text, char separator);

// The request text ends at its first zero byte. Empty when the text has fewer than two
// blank-separated fields or the path field is empty: such a request has nothing to look up.
[[nodiscard]] std::optional<RequestInfo> parseRequest(std::string_view bytes);

} // namespace inkwell
