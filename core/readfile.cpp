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

Result<std::string> readFile(const std::filesystem::path& path)
{
    auto file = openRegularFile(path);
    if (!file)
        return file.error();
    return readAll(file->fd.get(), path.string());
}

} // namespace inkwell
