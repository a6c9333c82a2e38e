// The one way to go on without the outcome of a fallible operation: each place says why it may.
#pragma once

#include <string_view>

namespace inkwell {

// Drops outcome on purpose. `why` is for the reader: it says what the program does instead (where a
// later step reports the same failure, or why nothing is lost), and a search for ignoreOutcome finds
// every dropped error.
template <typename T> constexpr void ignoreOutcome(const T& outcome, std::string_view why) noexcept
{
    static_cast<void>(outcome);
    static_cast<void>(why);
}

} // namespace inkwell
