#include "publishing/gzipencoder.h"

#include <algorithm>
#include <array>
#include <zlib.h>

namespace {

constexpr std::size_t kWindowBytes = 8192;
constexpr std::size_t kOutputBytes = 8192;
constexpr int kLevel = 3;
// 15 is the largest deflate window; adding 16 asks zlib for the gzip header and trailer.
constexpr int kGzipWindowBits = 15 + 16;
constexpr int kMemoryLevel = 8;

// Owns one deflate stream from set-up to release.
class DeflateStream
{
public:
    DeflateStream()
    {
        m_ready
            = deflateInit2(&m_stream, kLevel, Z_DEFLATED, kGzipWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY)
            == Z_OK;
    }
    ~DeflateStream()
    {
        if (m_ready)
            deflateEnd(&m_stream);
    }
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;

    bool isReady() const { return m_ready; }
    z_stream& stream() { return m_stream; }

private:
    z_stream m_stream {};
    bool m_ready = false;
};

enum class Step
{
    More,
    Complete,
    Failed
};

} // namespace

std::optional<std::string> GzipEncode(std::string_view input)
{
    DeflateStream deflater;
    if (!deflater.isReady())
        return std::nullopt;
    z_stream& stream = deflater.stream();

    std::array<unsigned char, kOutputBytes> output {};
    std::string result;
    result.reserve(input.size() / 2 + 64);
    std::size_t position = 0;
    Step step = Step::More;
    while (step == Step::More) {
        // An empty window tells the encoder that the input is complete; it is offered again until
        // the encoder has written its last bytes.
        const std::size_t window = std::min(kWindowBytes, input.size() - position);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data() + position));
        stream.avail_in = static_cast<uInt>(window);
        stream.next_out = output.data();
        stream.avail_out = static_cast<uInt>(output.size());

        const int code = deflate(&stream, window == 0 ? Z_FINISH : Z_NO_FLUSH);
        const std::size_t produced = output.size() - stream.avail_out;
        const std::size_t used = window - stream.avail_in;
        result.append(reinterpret_cast<const char*>(output.data()), produced);
        // A window the encoder took only partly is offered again from its first unused byte.
        position += used;

        if (code == Z_STREAM_END)
            step = Step::Complete;
        else if (code == Z_OK || (code == Z_BUF_ERROR && (produced > 0 || used > 0)))
            step = Step::More;
        else
            step = Step::Failed;
    }
    if (step == Step::Failed)
        return std::nullopt;
    return result;
}
