#include "publishing/gzipencoder.h"

#include <algorithm>
#include <zlib.h>

namespace inkwell {

namespace {

constexpr int kLevel = 3;
// 15 is the largest deflate window; adding 16 asks zlib for the gzip header and trailer.
constexpr int kGzipWindowBits = 15 + 16;
constexpr int kMemoryLevel = 8;

} // namespace

// Held behind a pointer so that zlib's header stays in this file.
struct GzipEncoder::Stream
{
    z_stream z {};
};

GzipEncoder::GzipEncoder()
    : m_stream(std::make_unique<Stream>())
{
    m_ready
        = deflateInit2(&m_stream->z, kLevel, Z_DEFLATED, kGzipWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY)
        == Z_OK;
}

GzipEncoder::~GzipEncoder()
{
    if (m_ready)
        deflateEnd(&m_stream->z);
}

GzipEncoder::Step GzipEncoder::compress(std::string_view window)
{
    if (!m_ready || window.size() > kWindowBytes)
        return Step {};
    z_stream& stream = m_stream->z;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(window.data()));
    stream.avail_in = static_cast<uInt>(window.size());
    stream.next_out = reinterpret_cast<Bytef*>(m_output.data());
    stream.avail_out = static_cast<uInt>(m_output.size());

    const int code = deflate(&stream, window.empty() ? Z_FINISH : Z_NO_FLUSH);
    Step step;
    step.consumed = window.size() - stream.avail_in;
    step.output = std::string_view(m_output.data(), m_output.size() - stream.avail_out);
    // Z_BUF_ERROR only says that this step could do nothing; it is an error when it keeps
    // happening, which a step that did something rules out.
    if (code == Z_STREAM_END)
        step.state = State::Complete;
    else if (code == Z_OK || (code == Z_BUF_ERROR && (!step.output.empty() || step.consumed > 0)))
        step.state = State::More;
    else
        step.state = State::Failed;
    return step;
}

std::optional<std::string> gzipEncode(std::string_view input)
{
    GzipEncoder encoder;
    if (!encoder.isReady())
        return std::nullopt;
    std::string result;
    result.reserve(input.size() / 2 + 64);
    std::size_t position = 0;
    while (true) {
        const std::size_t window = std::min(GzipEncoder::kWindowBytes, input.size() - position);
        const GzipEncoder::Step step = encoder.compress(input.substr(position, window));
        result += step.output;
        position += step.consumed;
        if (step.state == GzipEncoder::State::Complete)
            return result;
        if (step.state == GzipEncoder::State::Failed)
            return std::nullopt;
    }
}

} // namespace inkwell
