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

struct AnswerStream::State
{
    enum class Stage
    {
        // The bytes of `out` from `outPos` on go out, then the stage's follow-up.
        Output,
        // The plain file's bytes from `fileOffset` on go out by file range.
        File,
        Done,
        Broken,
    };

    Stage stage = Stage::Output;
    bool started = false;
    bool notFound = false;
    bool gzip = false;
    int fd = -1; // -1 for an answer without content
    std::uint64_t size = 0;
    std::string header;

    // What goes out next: the fixed not-found bytes or a part of `piece`.
    const char* out = nullptr;
    std::size_t outSize = 0;
    std::size_t outPos = 0;
    std::unique_ptr<char[]> piece;

    std::uint64_t fileOffset = 0; // plain: where the file range goes on

    // gzip: bytes [start, end) of `input` are read but not yet consumed; `read` counts the file
    // bytes read so far. Refilled whenever less than a whole window is left before the end of the
    // file, so that each step is offered exactly the window it would get from the whole file in
    // memory, and the stream is the same byte for byte whatever the pieces.
    std::unique_ptr<GzipEncoder> encoder;
    std::unique_ptr<char[]> input;
    std::size_t inputBytes = 0;
    std::size_t start = 0;
    std::size_t end = 0;
    std::uint64_t read = 0;
    bool encoderComplete = false;

    bool keptItsSize() const
    {
        struct stat status;
        return ::fstat(fd, &status) == 0 && static_cast<std::uint64_t>(status.st_size) == size;
    }

    Piece output() const
    {
        Piece next;
        next.kind = Piece::Kind::Bytes;
        next.bytes = std::string_view(out + outPos, outSize - outPos);
        return next;
    }

    static Piece ofKind(Piece::Kind kind)
    {
        Piece next;
        next.kind = kind;
        return next;
    }

    // Header and the first part of the file in one piece; the rest, if any, by file range.
    void startPlain()
    {
        if (fd < 0) {
            out = header.data();
            outSize = header.size();
            return;
        }
        const std::size_t first
            = static_cast<std::size_t>(std::min<std::uint64_t>(size, kPieceBytes - header.size()));
        piece = std::make_unique_for_overwrite<char[]>(header.size() + first);
        std::memcpy(piece.get(), header.data(), header.size());
        if (readExactly(fd, 0, piece.get() + header.size(), first) != ReadOutcome::Filled) {
            stage = Stage::Broken;
            return;
        }
        out = piece.get();
        outSize = header.size() + first;
        fileOffset = first;
    }

    void startCompressed()
    {
        piece = std::make_unique_for_overwrite<char[]>(kPieceBytes);
        inputBytes = static_cast<std::size_t>(std::min<std::uint64_t>(size, kInputBytes));
        input = std::make_unique_for_overwrite<char[]>(std::max<std::size_t>(inputBytes, 1));
        std::memcpy(piece.get(), header.data(), header.size());
        out = piece.get();
        outSize = header.size();
        compressMore();
    }

    // Fills `piece` with the next part of the gzip stream, reading at most one input buffer's worth
    // of the file unless nothing has come out yet, so that one call never takes long.
    void compressMore()
    {
        bool refilled = false;
        while (!encoderComplete && kPieceBytes - outSize >= GzipEncoder::kOutputBytes) {
            if (end - start < GzipEncoder::kWindowBytes && read < size) {
                if (refilled && outSize > 0)
                    return;
                refilled = true;
                std::memmove(input.get(), input.get() + start, end - start);
                end -= start;
                start = 0;
                const std::size_t more
                    = static_cast<std::size_t>(std::min<std::uint64_t>(size - read, inputBytes - end));
                if (readExactly(fd, read, input.get() + end, more) != ReadOutcome::Filled) {
                    stage = Stage::Broken;
                    return;
                }
                end += more;
                read += more;
            }
            const std::size_t window = std::min(GzipEncoder::kWindowBytes, end - start);
            const GzipEncoder::Step step = encoder->compress(std::string_view(input.get() + start, window));
            if (step.state == GzipEncoder::State::Failed) {
                stage = Stage::Broken;
                return;
            }
            start += step.consumed;
            std::memcpy(piece.get() + outSize, step.output.data(), step.output.size());
            outSize += step.output.size();
            encoderComplete = step.state == GzipEncoder::State::Complete;
        }
        // Checked before the last piece goes out, so that a client whose file changed meanwhile
        // never receives the end of the stream.
        if (encoderComplete && fd >= 0 && !keptItsSize())
            stage = Stage::Broken;
    }

    void begin()
    {
        started = true;
        if (notFound) {
            out = Answer::notFoundBytes().data();
            outSize = Answer::notFoundBytes().size();
        } else if (gzip) {
            startCompressed();
        } else {
            startPlain();
        }
    }
};

AnswerStream::AnswerStream(const Answer& answer)
    : m_state(std::make_unique<State>())
{
    State& state = *m_state;
    if (answer.status() == Answer::Status::NotFound) {
        state.notFound = true;
        return;
    }
    state.fd = answer.body().isValid() ? answer.body().get() : -1;
    state.size = answer.body().isValid() ? answer.size() : 0;
    if (answer.encoding() == Answer::Encoding::Gzip) {
        auto encoder = std::make_unique<GzipEncoder>();
        // Without an encoder the file goes out as it is, announced as such, rather than as a cut
        // gzip stream that no client could decode.
        if (encoder->isReady()) {
            state.encoder = std::move(encoder);
            state.gzip = true;
        }
    }
    state.header = answer.header(state.gzip ? Answer::Encoding::Gzip : Answer::Encoding::Plain);
}

AnswerStream::~AnswerStream() = default;
AnswerStream::AnswerStream(AnswerStream&&) noexcept = default;
AnswerStream& AnswerStream::operator=(AnswerStream&&) noexcept = default;

AnswerStream::Piece AnswerStream::next()
{
    State& state = *m_state;
    if (!state.started)
        state.begin();
    while (true) {
        switch (state.stage) {
        case State::Stage::Done:
            return State::ofKind(Piece::Kind::Done);
        case State::Stage::Broken:
            return State::ofKind(Piece::Kind::Broken);
        case State::Stage::File:
            if (state.fileOffset < state.size) {
                Piece piece;
                piece.kind = Piece::Kind::FileRange;
                piece.fd = state.fd;
                piece.offset = state.fileOffset;
                piece.count = state.size - state.fileOffset;
                return piece;
            }
            state.stage = state.keptItsSize() ? State::Stage::Done : State::Stage::Broken;
            continue;
        case State::Stage::Output:
            if (state.outPos < state.outSize)
                return state.output();
            if (state.notFound) {
                state.stage = State::Stage::Done;
            } else if (!state.gzip) {
                // A plain answer goes on with the rest of its file, or is checked and done.
                if (state.fd < 0)
                    state.stage = State::Stage::Done;
                else
                    state.stage = State::Stage::File;
            } else if (state.encoderComplete) {
                state.stage = State::Stage::Done;
            } else {
                state.outPos = 0;
                state.outSize = 0;
                state.compressMore();
            }
            continue;
        }
    }
}

void AnswerStream::advance(std::uint64_t count)
{
    State& state = *m_state;
    if (state.stage == State::Stage::File)
        state.fileOffset += count;
    else if (state.stage == State::Stage::Output)
        state.outPos
            += static_cast<std::size_t>(std::min<std::uint64_t>(count, state.outSize - state.outPos));
}

Delivery writeAnswer(const Answer& answer, AnswerSink& sink)
{
    AnswerStream stream(answer);
    std::unique_ptr<char[]> scratch;
    for (bool first = true;; first = false) {
        if (!first && !sink.shouldContinue())
            return Delivery::Broken;
        const AnswerStream::Piece piece = stream.next();
        switch (piece.kind) {
        case AnswerStream::Piece::Kind::Done:
            return Delivery::Complete;
        case AnswerStream::Piece::Kind::Broken:
            return Delivery::Broken;
        case AnswerStream::Piece::Kind::Bytes:
            if (!sink.write(piece.bytes))
                return Delivery::Broken;
            stream.advance(piece.bytes.size());
            break;
        case AnswerStream::Piece::Kind::FileRange: {
            if (!scratch)
                scratch = std::make_unique_for_overwrite<char[]>(kPieceBytes);
            const std::optional<std::uint64_t> sent = sink.writeFileRange(
                piece.fd, piece.offset, piece.count, std::span(scratch.get(), kPieceBytes));
            if (sent != piece.count)
                return Delivery::Broken;
            stream.advance(piece.count);
            break;
        }
        }
    }
}

} // namespace inkwell
