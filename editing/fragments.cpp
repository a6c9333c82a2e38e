#include "editing/fragments.h"

namespace inkwell::fragments {

std::string imageFragment(std::string_view source)
{
    std::string out = "<IMG src=\"";
    out += source;
    out += "\" alt=\"\">";
    return out;
}

std::string imageFragment(std::string_view source, int width, int height)
{
    std::string out = "<IMG src=\"";
    out += source;
    out += "\" alt=\"\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\">";
    return out;
}

} // namespace inkwell::fragments
