// Encodes a picture as a complete BMP file: 14-byte file header, 40-byte info header,
// 32 bits per pixel, rows bottom-up, no colour table.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace inkwell {

// A picture in memory: `width` x `height` pixels, rows top-down, each pixel 0xAARRGGBB
// (the alpha byte is ignored); `stride` is the distance between rows in pixels.
struct PixelBuffer
{
    int width = 0;
    int height = 0;
    int stride = 0;
    std::span<const std::uint32_t> pixels;
};

// The whole BMP file. A buffer with no pixels (or one whose span is too short for its
// size) gives the two headers with zero sizes, 54 bytes.
[[nodiscard]] std::vector<std::uint8_t> bitmapToBmpBytes(const PixelBuffer& picture);

} // namespace inkwell
