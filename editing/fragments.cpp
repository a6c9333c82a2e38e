#include "editing/fragments.h"

namespace fragments {

std::string ImageFragment(std::string_view source)
{
    std::string out = "<IMG src=\"";
    out += source;
    out += "\">";
    return out;
}

} // namespace fragments
