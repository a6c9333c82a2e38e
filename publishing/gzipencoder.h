// GzipEncoder: turns a file's bytes into one gzip member (RFC 1952) for the page server's
// compressed answers, step by step, so that no input size needs more memory than one step. The
// only place that talks to zlib.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace inkwell {

class GzipEncoder
{
public:
    // The most input one step takes, and the most output it gives.
    static constexpr std::size_t kWindowBytes = 8192;
    static constexpr std::size_t kOutputBytes = 8192;

    enum class State
    {
        More,
        Complete,
        Failed
    };

    struct Step
    {
        State state = State::Failed;
        // How many bytes of the window the encoder took; the rest is offered again.
        std::size_t consumed = 0;
        // Valid until the next call.
        std::string_view output;
    };

    // Level 3 with the gzip wrapper.
    GzipEncoder();
    ~GzipEncoder();
    GzipEncoder(const GzipEncoder&) = delete;
    GzipEncoder& operator=(const GzipEncoder&) = delete;

    // False when zlib could not set the stream up (out of memory); no step can work then.
    [[nodiscard]] bool isReady() const { return m_ready; }

    // One step over at most kWindowBytes of input. The caller offers the next min(kWindowBytes,
    // bytes left) input bytes each time, starting with the first byte not yet consumed; an empty
    // window says that the input is complete, and is offered until the state is Complete.
    [[nodiscard]] Step compress(std::string_view window);

private:
    struct Stream;
    std::unique_ptr<Stream> m_stream;
    bool m_ready = false;
    std::array<char, kOutputBytes> m_output {};
};

// The whole gzip stream of `input`, driven step by step as described above. Empty only when the
// encoder cannot be set up or reports an error; never a cut stream.
[[nodiscard]] std::optional<std::string> gzipEncode(std::string_view input);

} // namespace inkwell
