#include "publishing/answerwriter.h"

#include "publishing/gzipencoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace inkwell {

namespace {

// The largest piece handed to the sink at a time, header included. A page of up to this size goes
// out in one piece, as one send.
constexpr std::size_t kPieceBytes = 256 * 1024;
// File bytes read ahead of the encoder.
constexpr std::size_t kInputBytes = 256 * 1024;

enum class ReadOutcome
{
    Filled,
    Short, // the file ended before `count` bytes
    Failed
};

ReadOutcome readExactly(int fd, std::uint64_t offset, char* target, std::size_t count)
{
    while (count > 0) {
        const ssize_t got = ::pread(fd, target, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return ReadOutcome::Failed;
        if (got == 0)
            return ReadOutcome::Short;
        target += got;
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return ReadOutcome::Filled;
}

// A file whose size is no longer what it was when it was opened was written to while it was sent:
// what the client got may mix two versions.
bool keptItsSize(const Answer& answer)
{
    struct stat status;
    return ::fstat(answer.body().get(), &status) == 0
        && static_cast<std::uint64_t>(status.st_size) == answer.size();
}

Delivery writePlain(const Answer& answer, AnswerSink& sink)
{
    const std::string header = answer.header(Answer::Encoding::Plain);
    if (!answer.body().isValid())
        return sink.write(header) ? Delivery::Complete : Delivery::Broken;

    // Header and the first part of the file in one piece; the rest, if any, in the sink's way.
    const std::uint64_t size = answer.size();
    const std::size_t first
        = static_cast<std::size_t>(std::min<std::uint64_t>(size, kPieceBytes - header.size()));
    const std::size_t pieceBytes = size > first ? kPieceBytes : header.size() + first;
    const auto piece = std::make_unique_for_overwrite<char[]>(pieceBytes);
    std::memcpy(piece.get(), header.data(), header.size());
    if (readExactly(answer.body().get(), 0, piece.get() + header.size(), first) != ReadOutcome::Filled)
        return Delivery::Broken;
    if (!sink.write(std::string_view(piece.get(), header.size() + first)))
        return Delivery::Broken;
    if (size > first) {
        const std::uint64_t rest = size - first;
        const std::optional<std::uint64_t> sent
            = sink.writeFileRange(answer.body().get(), first, rest, std::span(piece.get(), pieceBytes));
        if (sent != rest)
            return Delivery::Broken;
    }
    return keptItsSize(answer) ? Delivery::Complete : Delivery::Broken;
}

Delivery writeCompressed(const Answer& answer, GzipEncoder& encoder, AnswerSink& sink)
{
    const int fd = answer.body().get();
    const std::uint64_t size = answer.body().isValid() ? answer.size() : 0;
    const std::string header = answer.header(Answer::Encoding::Gzip);

    // Output gathers in `piece` behind the header and goes to the sink whenever the next step's
    // output might not fit.
    const auto piece = std::make_unique_for_overwrite<char[]>(kPieceBytes);
    std::memcpy(piece.get(), header.data(), header.size());
    std::size_t pieceFill = header.size();

    // Input: bytes [start, end) of `input` are read but not yet consumed; `read` counts the
    // file bytes read so far. Refilled whenever less than a whole window is left before the end
    // of the file, so that each step is offered exactly the window it would get from the
    // whole file in memory, and the stream is the same byte for byte.
    const std::size_t inputBytes = static_cast<std::size_t>(std::min<std::uint64_t>(size, kInputBytes));
    const auto input = std::make_unique_for_overwrite<char[]>(std::max<std::size_t>(inputBytes, 1));
    std::size_t start = 0;
    std::size_t end = 0;
    std::uint64_t read = 0;

    while (true) {
        if (end - start < GzipEncoder::kWindowBytes && read < size) {
            if (!sink.shouldContinue())
                return Delivery::Broken;
            std::memmove(input.get(), input.get() + start, end - start);
            end -= start;
            start = 0;
            const std::size_t more
                = static_cast<std::size_t>(std::min<std::uint64_t>(size - read, inputBytes - end));
            if (readExactly(fd, read, input.get() + end, more) != ReadOutcome::Filled)
                return Delivery::Broken;
            end += more;
            read += more;
        }
        const std::size_t window = std::min(GzipEncoder::kWindowBytes, end - start);
        const GzipEncoder::Step step = encoder.compress(std::string_view(input.get() + start, window));
        if (step.state == GzipEncoder::State::Failed)
            return Delivery::Broken;
        start += step.consumed;
        if (kPieceBytes - pieceFill < step.output.size()) {
            if (!sink.write(std::string_view(piece.get(), pieceFill)))
                return Delivery::Broken;
            pieceFill = 0;
        }
        std::memcpy(piece.get() + pieceFill, step.output.data(), step.output.size());
        pieceFill += step.output.size();
        if (step.state == GzipEncoder::State::Complete)
            break;
    }
    // Checked before the last piece goes out, so that a client whose file changed meanwhile
    // never receives the end of the stream.
    if (answer.body().isValid() && !keptItsSize(answer))
        return Delivery::Broken;
    return sink.write(std::string_view(piece.get(), pieceFill)) ? Delivery::Complete : Delivery::Broken;
}

} // namespace

std::optional<std::uint64_t> AnswerSink::writeFileRange(
    int fd, std::uint64_t offset, std::uint64_t count, std::span<char> scratch)
{
    std::uint64_t delivered = 0;
    while (delivered < count) {
        const std::size_t chunk
            = static_cast<std::size_t>(std::min<std::uint64_t>(count - delivered, scratch.size()));
        ssize_t got;
        do
            got = ::pread(fd, scratch.data(), chunk, static_cast<off_t>(offset + delivered));
        while (got < 0 && errno == EINTR);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return delivered;
        if (!shouldContinue() || !write(std::string_view(scratch.data(), static_cast<std::size_t>(got))))
            return std::nullopt;
        delivered += static_cast<std::uint64_t>(got);
    }
    return delivered;
}

Delivery writeAnswer(const Answer& answer, AnswerSink& sink)
{
    if (answer.status() == Answer::Status::NotFound)
        return sink.write(Answer::notFoundBytes()) ? Delivery::Complete : Delivery::Broken;
    if (answer.encoding() == Answer::Encoding::Gzip) {
        GzipEncoder encoder;
        if (encoder.isReady())
            return writeCompressed(answer, encoder, sink);
        // Without an encoder the file goes out as it is, announced as such, rather than as a cut
        // gzip stream that no client could decode.
    }
    return writePlain(answer, sink);
}

} // namespace inkwell
