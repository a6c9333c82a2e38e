// The header line that announces a served file's type, chosen by the extension of its request path.
#pragma once

#include <optional>
#include <string_view>

namespace inkwell {

// The last "."-separated field of the request path; a path without "." is its own extension
// and so matches no type. "/a.tar.gz" gives "gz", "/x.d/readme" gives "d/readme".
[[nodiscard]] std::string_view pathExtension(std::string_view path);

// The exact header text without its line end, or empty when the answer carries no type line.
// Text types have no blank after the colon, image types have one; extensions match case-sensitively.
[[nodiscard]] std::optional<std::string_view> contentTypeLine(std::string_view extension);

} // namespace inkwell
