#include "publishing/percentencoding.h"

#include <optional>

namespace inkwell {

namespace {

std::optional<int> hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return std::nullopt;
}

bool isUnreserved(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

} // namespace

std::string percentDecode(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const std::optional<int> high = hexValue(text[i + 1]);
            const std::optional<int> low = hexValue(text[i + 2]);
            if (high && low) {
                bytes += static_cast<char>(*high * 16 + *low);
                i += 2;
                continue;
            }
        }
        bytes += text[i];
    }
    return bytes;
}

std::string percentEncodeSegment(std::string_view name)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string segment;
    segment.reserve(name.size() * 3);
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (isUnreserved(byte)) {
            segment += c;
        } else {
            segment += '%';
            segment += kHex[byte >> 4];
            segment += kHex[byte & 0x0f];
        }
    }
    return segment;
}

} // namespace inkwell
