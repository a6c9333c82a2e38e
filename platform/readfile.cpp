#include "platform/readfile.h"

#include "platform/filedescriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.isValid())
        return describe("cannot open", path.string(), errno);
    struct stat info
    {
    };
    if (::fstat(fd.get(), &info) == 0 && S_ISDIR(info.st_mode))
        return describe("cannot read", path.string(), EISDIR);
    return readAll(fd.get(), path.string());
}

} // namespace inkwell
