#include "app/fontlist.h"

namespace inkwell {

std::vector<std::string> fontListFromEnumeration(const std::vector<std::string>& enumerated)
{
    std::vector<std::string> names;
    names.reserve(enumerated.size());
    for (auto it = enumerated.rbegin(); it != enumerated.rend(); ++it) {
        if (!names.empty() && names.back() == *it)
            continue;
        names.push_back(*it);
    }
    return names;
}

} // namespace inkwell
