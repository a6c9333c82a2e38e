#include "core/readfile.h"

#include "core/filedescriptor.h"
#include "core/regularfile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace inkwell {
namespace {

// Bytes read at a time; large enough that a page takes few calls.
constexpr std::size_t kReadSize = 65536;

Error describe(const char* what, const std::string& name, int error)
{
    return { error, std::string(what) + " " + name + ": " + std::strerror(error) };
}

} // namespace

Result<std::string> readAll(int fd, const std::string& what)
{
    std::string bytes;
    char buffer[kReadSize];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return describe("cannot read", what, errno);
        }
        if (n == 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

Result<std::size_t> readAt(
    int fd, char* into, std::size_t size, std::uint64_t offset, const std::string& what)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, into + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return describe("cannot read", what, errno);
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

Result<std::string> readFile(const std::filesystem::path& path)
{
    INKWELL_TRY(const OpenedFile file, openRegularFile(path));
    return readAll(file.fd.get(), path.string());
}

} // namespace inkwell
