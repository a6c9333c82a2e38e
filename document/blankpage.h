// The built-in empty page: loaded at start-up and after every new project, and the page that the
// New command compares the current page with.
#pragma once

#include <string_view>

namespace inkwell {

// Ten lines joined by CR LF, no line break after the last.
[[nodiscard]] std::string_view blankPage();

} // namespace inkwell
