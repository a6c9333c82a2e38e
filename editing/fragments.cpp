#include "editing/fragments.h"

namespace inkwell::fragments {

std::string imageFragment(std::string_view source)
{
    std::string out = "<IMG src=\"";
    out += source;
    out += "\">";
    return out;
}

std::string sizedImageFragment(std::string_view source, int width, int height)
{
    std::string out = imageFragment(source);
    // The element ends with its ">"; the size goes in just before it.
    out.insert(
        out.size() - 1, " width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\"");
    return out;
}

} // namespace inkwell::fragments
