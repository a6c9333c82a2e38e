// Sends an Answer through an AnswerSink piece by piece, reading the file and compressing it as it
// goes, so that the memory an answer takes does not depend on the size of the file.
#pragma once

#include "publishing/answer.h"

#include <cstdint>
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

// Bytes on the wire are the header, then the file's bytes or their gzip stream (level 3, 8192-byte
// windows). An encoder that cannot be set up gives the plain answer instead. Memory: a few hundred
// kilobytes, whatever the file's size.
[[nodiscard]] Delivery writeAnswer(const Answer& answer, AnswerSink& sink);

} // namespace inkwell
