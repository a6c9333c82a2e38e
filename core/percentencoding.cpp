#include "core/percentencoding.h"

#include "core/ascii.h"

namespace inkwell {

namespace {

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
            const int high = hexDigitValue(text[i + 1]);
            const int low = hexDigitValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                bytes += static_cast<char>(high * 16 + low);
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
