#include "capture/bmpencoder.h"

namespace inkwell {
namespace {

void put16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

} // namespace

std::vector<std::uint8_t> bitmapToBmpBytes(const PixelBuffer& picture)
{
    constexpr std::uint32_t kInfoSize = 40;
    constexpr std::uint32_t kOffBits = 14 + kInfoSize;

    bool usable = picture.width > 0 && picture.height > 0 && picture.stride >= picture.width;
    if (usable) {
        const auto needed
            = static_cast<std::uint64_t>(picture.stride) * static_cast<std::uint64_t>(picture.height - 1)
            + static_cast<std::uint64_t>(picture.width);
        usable = picture.pixels.size() >= needed;
    }
    const std::uint32_t width = usable ? static_cast<std::uint32_t>(picture.width) : 0;
    const std::uint32_t height = usable ? static_cast<std::uint32_t>(picture.height) : 0;
    // 32-bit rows are always a multiple of 4 bytes, so no row padding is needed.
    const std::uint32_t imageSize = width * height * 4;

    std::vector<std::uint8_t> out;
    out.reserve(kOffBits + imageSize);
    // BITMAPFILEHEADER
    put16(out, 0x4D42); // "BM"
    put32(out, kOffBits + imageSize);
    put16(out, 0);
    put16(out, 0);
    put32(out, kOffBits);
    // BITMAPINFOHEADER
    put32(out, kInfoSize);
    put32(out, width);
    put32(out, height); // positive: rows bottom-up
    put16(out, 1); // planes
    put16(out, usable ? 32 : 0);
    put32(out, 0); // BI_RGB
    put32(out, imageSize);
    put32(out, 0); // pixels per metre, x and y: unknown
    put32(out, 0);
    put32(out, 0); // colours used
    put32(out, 0); // colours important

    for (int row = static_cast<int>(height) - 1; row >= 0; --row) {
        const std::size_t start = static_cast<std::size_t>(row) * static_cast<std::size_t>(picture.stride);
        for (std::uint32_t col = 0; col < width; ++col) {
            const std::uint32_t px = picture.pixels[start + col];
            out.push_back(static_cast<std::uint8_t>(px)); // blue
            out.push_back(static_cast<std::uint8_t>(px >> 8)); // green
            out.push_back(static_cast<std::uint8_t>(px >> 16)); // red
            out.push_back(0); // reserved
        }
    }
    return out;
}

} // namespace inkwell
