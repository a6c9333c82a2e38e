// Time-based unique names for documents and captured pictures.
#pragma once

#include <string>

namespace inkwell {

// Milliseconds since 1970-01-01 00:00 UTC as plain decimal text (13 digits for present-day clocks).
[[nodiscard]] std::string timeStampName();

} // namespace inkwell
