#include "editing/fragments.h"

namespace inkwell::fragments {

std::string imageFragment(std::string_view source)
{
    std::string out = "<IMG src=\"";
    out += source;
    out += "\">";
    return out;
}

} // namespace inkwell::fragments
