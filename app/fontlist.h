// The order of the font-name box: installed families in the reverse of the enumeration order,
// a name equal to the one taken just before it dropped.
#pragma once

#include <string>
#include <vector>

namespace inkwell {

[[nodiscard]] std::vector<std::string> fontListFromEnumeration(const std::vector<std::string>& enumerated);

// The box selects its second name after filling (position 1), when there is one.
inline constexpr int kInitialFontIndex = 1;

} // namespace inkwell
