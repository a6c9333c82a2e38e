// BMP encoding: header fields byte by byte, bottom-up rows, and a decode of the written
// file by ImageMagick that must give back the same pixels.
#include "capture/bmpencoder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace inkwell {
namespace {

std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16)
        | (std::uint32_t(b[at + 3]) << 24);
}
std::uint16_t u16At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// A picture whose every pixel differs from its neighbours, so a row or channel mix-up shows.
std::vector<std::uint32_t> patternPixels(int w, int h)
{
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px[static_cast<std::size_t>(y * w + x)] = 0xFF000000u
                | static_cast<std::uint32_t>(
                    ((x * 37 + y) & 0xFF) << 16 | ((y * 53 + 7) & 0xFF) << 8 | ((x * y + 3) & 0xFF));
    return px;
}

TEST(bitmapToBmpBytes, HeadersAndSizesForSeveralShapes)
{
    const std::pair<int, int> shapes[] = { { 1, 1 }, { 3, 2 }, { 5, 7 }, { 640, 3 } };
    for (auto [w, h] : shapes) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const auto px = patternPixels(w, h);
        const auto b = bitmapToBmpBytes({ w, h, w, px });
        ASSERT_EQ(b.size(), 54u + 4u * static_cast<unsigned>(w * h));
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(u32At(b, 2), b.size()); // bfSize is the file length
        EXPECT_EQ(u16At(b, 6), 0);
        EXPECT_EQ(u16At(b, 8), 0);
        EXPECT_EQ(u32At(b, 10), 54u);
        EXPECT_EQ(u32At(b, 14), 40u);
        EXPECT_EQ(u32At(b, 18), std::uint32_t(w));
        EXPECT_EQ(u32At(b, 22), std::uint32_t(h)); // positive: bottom-up
        EXPECT_EQ(u16At(b, 26), 1);
        EXPECT_EQ(u16At(b, 28), 32);
        EXPECT_EQ(u32At(b, 30), 0u); // BI_RGB
        EXPECT_EQ(u32At(b, 34), 4u * static_cast<unsigned>(w * h));
        // The first stored row is the picture's bottom row, pixels as B, G, R, 0.
        const std::uint32_t bottomLeft = px[static_cast<std::size_t>((h - 1) * w)];
        EXPECT_EQ(b[54], bottomLeft & 0xFF);
        EXPECT_EQ(b[55], (bottomLeft >> 8) & 0xFF);
        EXPECT_EQ(b[56], (bottomLeft >> 16) & 0xFF);
        EXPECT_EQ(b[57], 0);
    }
}

TEST(bitmapToBmpBytes, HonoursStrideAndRejectsShortBuffers)
{
    // Two rows of 2 pixels stored 3 apart; the third pixel of each row must not appear.
    const std::vector<std::uint32_t> px { 0x010203, 0x040506, 0xDEAD, 0x070809, 0x0A0B0C, 0xBEEF };
    const auto b = bitmapToBmpBytes({ 2, 2, 3, px });
    ASSERT_EQ(b.size(), 54u + 16u);
    const std::vector<std::uint8_t> pixels(b.begin() + 54, b.end());
    EXPECT_EQ(
        pixels, (std::vector<std::uint8_t> { 9, 8, 7, 0, 0x0C, 0x0B, 0x0A, 0, 3, 2, 1, 0, 6, 5, 4, 0 }));

    // No picture, or a span shorter than the size claims: just the headers, sizes zero.
    for (const PixelBuffer& bad : { PixelBuffer {}, PixelBuffer { 4, 4, 4, std::span(px) } }) {
        const auto e = bitmapToBmpBytes(bad);
        ASSERT_EQ(e.size(), 54u);
        EXPECT_EQ(u32At(e, 2), 54u);
        EXPECT_EQ(u32At(e, 18), 0u);
        EXPECT_EQ(u32At(e, 34), 0u);
    }
}

TEST(bitmapToBmpBytes, ImageMagickDecodesTheSamePixels)
{
    if (std::system("command -v convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const int w = 13, h = 5; // odd width: any row padding would show
    const auto px = patternPixels(w, h);
    const auto bmp = bitmapToBmpBytes({ w, h, w, px });
    const auto dir = std::filesystem::temp_directory_path() / ("inkwell-bmp-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto in = dir / "p.bmp";
    const auto out = dir / "p.rgb";
    {
        std::ofstream f(in, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    }
    const std::string cmd = "convert '" + in.string() + "' -depth 8 'rgb:" + out.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::ifstream f(out, std::ios::binary);
    const std::vector<std::uint8_t> rgb(
        (std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::filesystem::remove_all(dir);
    ASSERT_EQ(rgb.size(), static_cast<std::size_t>(3 * w * h));
    for (int i = 0; i < w * h; ++i) {
        const std::uint32_t p = px[static_cast<std::size_t>(i)];
        const auto at = static_cast<std::size_t>(3 * i);
        const std::uint32_t got
            = std::uint32_t(rgb[at]) << 16 | std::uint32_t(rgb[at + 1]) << 8 | rgb[at + 2];
        ASSERT_EQ(got, p & 0xFFFFFF) << "pixel " << i % w << "," << i / w;
    }
}

} // namespace
} // namespace inkwell
