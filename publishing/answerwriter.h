// Sends an Answer through an AnswerSink piece by piece, reading the file and compressing it as it
// goes, so that the memory an answer takes does not depend on the size of the file.
#pragma once

#include "publishing/answer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace inkwell {

// Where the bytes of an answer go: the client's socket, or a string in tests.
class AnswerSink
{
public:
    virtual ~AnswerSink() = default;

    // Delivers all of `bytes`; false when the receiver is gone or gave up.
    [[nodiscard]] virtual bool write(std::string_view bytes) = 0;

    // Delivers `count` bytes of the file `fd` from `offset` on. Returns how many were delivered,
    // fewer when the file ended early, or empty when the receiver failed or a read failed. This
    // one reads into `scratch` and writes; a socket can do better.
    [[nodiscard]] virtual std::optional<std::uint64_t> writeFileRange(
        int fd, std::uint64_t offset, std::uint64_t count, std::span<char> scratch);

    // Asked between pieces of a long answer; false ends it (the server is stopping).
    [[nodiscard]] virtual bool shouldContinue() { return true; }
};

enum class Delivery
{
    // Every byte of the answer went out.
    Complete,
    // The answer could not be sent whole: the file changed size or could not be read, the
    // encoder failed, or the receiver went away. The connection must be dropped so that the
    // client cannot take what it got for the whole answer.
    Broken,
};

// An answer as a series of pieces that can be taken at the receiver's pace: the server asks for the
// next piece whenever its client has room, sends what it can, and comes back later for the rest,
// so that one client that reads slowly never holds up another.
//
// Bytes on the wire are the header, then the file's bytes or their gzip stream (level 3, 8192-byte
// windows). An encoder that cannot be set up gives the plain answer instead. Memory: a few hundred
// kilobytes, whatever the file's size.
class AnswerStream
{
public:
    struct Piece
    {
        enum class Kind
        {
            // `bytes` go out next.
            Bytes,
            // `count` bytes of the file `fd` from `offset` on go out next; fewer means the file
            // ended early, which breaks the answer.
            FileRange,
            // Everything went out: the answer is complete.
            Done,
            // The answer cannot be completed (see Delivery::Broken).
            Broken,
        };
        Kind kind = Kind::Broken;
        std::string_view bytes; // valid until the next call
        int fd = -1;
        std::uint64_t offset = 0;
        std::uint64_t count = 0;
    };

    // `answer` must outlive the stream; only its descriptor's number is kept, so both may move.
    explicit AnswerStream(const Answer& answer);
    ~AnswerStream();
    AnswerStream(AnswerStream&&) noexcept;
    AnswerStream& operator=(AnswerStream&&) noexcept;

    // What goes out next. Reading and compressing happen here, a bounded amount per call.
    [[nodiscard]] Piece next();
    // `count` bytes of the piece `next` gave have gone out; the next call gives the rest of it, or
    // what follows.
    void advance(std::uint64_t count);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Sends the whole answer through `sink`, one piece after another.
[[nodiscard]] Delivery writeAnswer(const Answer& answer, AnswerSink& sink);

} // namespace inkwell
