#include "editing/objectattributes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace inkwell {
namespace {

// The next code point of UTF-8 text and its length; U+FFFD for a byte that starts no valid sequence.
std::pair<char32_t, std::size_t> nextCodePoint(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(0);
    if (first < 0x80)
        return { first, 1 };
    std::size_t length = 0;
    char32_t value = 0;
    char32_t lowest = 0;
    if ((first & 0xE0) == 0xC0) {
        length = 2;
        value = first & 0x1F;
        lowest = 0x80;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3;
        value = first & 0x0F;
        lowest = 0x800;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4;
        value = first & 0x07;
        lowest = 0x10000;
    } else {
        return { 0xFFFD, 1 };
    }
    if (text.size() < length)
        return { 0xFFFD, 1 };
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return { 0xFFFD, 1 };
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return { 0xFFFD, 1 };
    return { value, length };
}

int atLeastOne(double value)
{
    return std::max(1, static_cast<int>(std::lround(value)));
}

} // namespace

LinkFields linkFieldsOf(std::string_view href, std::string_view title, std::string_view target)
{
    return { std::string(href), std::string(title), target == "_blank" };
}

AttributeChanges linkChanges(const LinkFields& fields, std::string_view currentTarget)
{
    AttributeChanges changes { { "href", fields.address } };
    changes.push_back({ "title", fields.title.empty() ? std::nullopt : std::optional(fields.title) });
    if (fields.newWindow)
        changes.push_back({ "target", "_blank" });
    else if (currentTarget == "_blank")
        changes.push_back({ "target", std::nullopt });
    return changes;
}

AttributeChanges pictureChanges(const PictureFields& fields)
{
    AttributeChanges changes;
    if (fields.source)
        changes.push_back({ "src", *fields.source });
    const auto side = [](int pixels) {
        return pixels > 0 ? std::optional(std::to_string(pixels)) : std::optional<std::string>();
    };
    changes.push_back({ "width", side(fields.width) });
    changes.push_back({ "height", side(fields.height) });
    changes.push_back({ "alt", fields.alt });
    return changes;
}

std::string scriptString(std::string_view utf8)
{
    std::string out = "\"";
    out.reserve(utf8.size() + 2);
    while (!utf8.empty()) {
        const auto [c, length] = nextCodePoint(utf8);
        const std::string_view bytes = utf8.substr(0, length);
        utf8.remove_prefix(length);
        switch (c) {
        case U'"':
            out += "\\\"";
            continue;
        case U'\\':
            out += "\\\\";
            continue;
        case U'\n':
            out += "\\n";
            continue;
        case U'\r':
            out += "\\r";
            continue;
        case 0x2028:
            out += "\\u2028";
            continue;
        case 0x2029:
            out += "\\u2029";
            continue;
        case 0xFFFD:
            out += "\xEF\xBF\xBD";
            continue;
        default:
            break;
        }
        if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += bytes;
        }
    }
    out += '"';
    return out;
}

std::string scriptChanges(const AttributeChanges& changes)
{
    std::string out = "[";
    for (const AttributeChange& change : changes) {
        if (out.size() > 1)
            out += ',';
        out += '[' + scriptString(change.name) + ',' + (change.value ? scriptString(*change.value) : "null")
            + ']';
    }
    out += ']';
    return out;
}

int heightForWidth(PictureSize shape, int width)
{
    if (shape.width <= 0 || shape.height <= 0)
        return std::max(1, width);
    return atLeastOne(double(width) * shape.height / shape.width);
}

int widthForHeight(PictureSize shape, int height)
{
    if (shape.width <= 0 || shape.height <= 0)
        return std::max(1, height);
    return atLeastOne(double(height) * shape.width / shape.height);
}

PictureSize draggedSize(PictureSize start, Corner corner, int dx, int dy, bool keepProportions)
{
    // Moving a left corner to the left (a top one upwards) grows the picture.
    const bool right = corner == Corner::TopRight || corner == Corner::BottomRight;
    const bool bottom = corner == Corner::BottomLeft || corner == Corner::BottomRight;
    const long long grownX = right ? dx : -static_cast<long long>(dx);
    const long long grownY = bottom ? dy : -static_cast<long long>(dy);
    PictureSize size { atLeastOne(double(start.width + grownX)), atLeastOne(double(start.height + grownY)) };
    if (!keepProportions || start.width <= 0 || start.height <= 0)
        return size;
    // |grownX| / width against |grownY| / height, without dividing.
    if (std::llabs(grownX) * start.height >= std::llabs(grownY) * start.width)
        size.height = heightForWidth(start, size.width);
    else
        size.width = widthForHeight(start, size.height);
    return size;
}

} // namespace inkwell
