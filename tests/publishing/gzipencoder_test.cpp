#include "publishing/gzipencoder.h"
#include "serverfixture.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>

using testing_support::fileBytes;
using testing_support::TempFolder;
using testing_support::writeFile;
using inkwell::gzipEncode;

namespace {

// Decodes with the system's gzip program, an encoder-independent check of the stream; also
// fails when anything follows the member (`gzip -dc` would reject trailing garbage).
std::optional<std::string> gunzip(const std::string& stream)
{
    TempFolder temp;
    writeFile(temp.path() / "in.gz", stream);
    const std::string command = "gzip -dc < '" + (temp.path() / "in.gz").string() + "' > '"
        + (temp.path() / "out").string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return std::nullopt;
    return fileBytes(temp.path() / "out");
}

uint32_t littleEndian32(const std::string& bytes, std::size_t at)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

std::string randomBytes(std::size_t size)
{
    std::mt19937 generator(20481);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator());
    return bytes;
}

std::string repeated(std::string_view unit, std::size_t size)
{
    std::string text;
    text.reserve(size + unit.size());
    while (text.size() < size)
        text += unit;
    text.resize(size);
    return text;
}

TEST(GzipEncode, EmptyInputIsACompleteMemberOfNothing)
{
    const std::optional<std::string> stream = gzipEncode("");
    ASSERT_TRUE(stream);
    ASSERT_GE(stream->size(), 18u); // 10-byte header, the empty final block, 8-byte trailer
    EXPECT_EQ(stream->substr(0, 3), "\x1f\x8b\x08");
    EXPECT_EQ(littleEndian32(*stream, stream->size() - 8), 0u) << "CRC-32 of nothing";
    EXPECT_EQ(littleEndian32(*stream, stream->size() - 4), 0u) << "length";
    EXPECT_EQ(gunzip(*stream), std::string());
}

// Sizes around the 8192-byte window, a run that the encoder swallows for many windows without
// writing anything, and noise whose encoding is larger than its input.
TEST(GzipEncode, RoundTripsAcrossWindowBoundaries)
{
    const struct
    {
        const char* name;
        std::string input;
    } cases[] = {
        { "one byte", "x" },
        { "8191 bytes", repeated("<p>page</p>\n", 8191) },
        { "exactly one window", repeated("<p>page</p>\n", 8192) },
        { "8193 bytes", repeated("<p>page</p>\n", 8193) },
        { "two windows of noise", randomBytes(2 * 8192) },
        { "noise, odd size", randomBytes(300001) },
        { "10 MB of one letter", std::string(10 * 1024 * 1024, 'a') },
        { "10 MB repetitive page", repeated("<tr><td>cell</td><td>value 42</td></tr>\n", 10 * 1024 * 1024) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::string> stream = gzipEncode(c.input);
        ASSERT_TRUE(stream);
        EXPECT_EQ(stream->substr(0, 3), "\x1f\x8b\x08");
        EXPECT_EQ(littleEndian32(*stream, stream->size() - 4), static_cast<uint32_t>(c.input.size()));
        const std::optional<std::string> decoded = gunzip(*stream);
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(*decoded == c.input) << "decoded " << decoded->size() << " bytes of " << c.input.size();
    }
}

TEST(GzipEncode, RepetitiveInputIsActuallyCompressed)
{
    const std::string page = repeated("<tr><td>cell</td></tr>\n", 1024 * 1024);
    const std::optional<std::string> stream = gzipEncode(page);
    ASSERT_TRUE(stream);
    EXPECT_LT(stream->size(), page.size() / 20);
}

} // namespace
