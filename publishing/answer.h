// Answer: what the page server sends for one request, decided before any byte of it is sent: the
// not-found answer, or a 200 answer whose body is an open file, plain or gzip-encoded.
#pragma once

#include "core/filedescriptor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace inkwell {

class Answer
{
public:
    enum class Status
    {
        Found,
        NotFound
    };
    enum class Encoding
    {
        Plain,
        Gzip
    };

    // Sent for a missing entry and for every request the server refuses to look up; never
    // compressed.
    [[nodiscard]] static Answer notFound();
    // `body` is an open regular file of `size` bytes (the size when it was opened), or invalid for
    // an entry that has no readable content (a folder, a pipe), which is answered with an empty body.
    [[nodiscard]] static Answer found(
        std::optional<std::string_view> typeLine, Encoding encoding, FileDescriptor body, std::uint64_t size);

    [[nodiscard]] Status status() const { return m_status; }
    [[nodiscard]] Encoding encoding() const { return m_encoding; }
    [[nodiscard]] const FileDescriptor& body() const { return m_body; }
    [[nodiscard]] std::uint64_t size() const { return m_size; }

    // The bytes before the body: for a found entry the status line, the type line when there is one,
    // the Server line, the Content-Encoding line for `encoding` Gzip, and the empty line.
    [[nodiscard]] std::string header(Encoding encoding) const;
    // The whole not-found answer, header and body.
    [[nodiscard]] static std::string_view notFoundBytes();

private:
    Status m_status = Status::NotFound;
    std::optional<std::string_view> m_typeLine;
    Encoding m_encoding = Encoding::Plain;
    FileDescriptor m_body;
    std::uint64_t m_size = 0;
};

} // namespace inkwell
