#include "platform/atomicfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace inkwell {
namespace {

// Owns a file descriptor; closing it is the last step of every path out.
class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    [[nodiscard]] int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};

std::string describe(const char* what, const std::filesystem::path& path, int error)
{
    return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

} // namespace

FileWriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    std::string temp = path.string() + ".XXXXXX";
    Descriptor fd(::mkstemp(temp.data()));
    if (fd.get() < 0)
        return { describe("cannot create a file beside", path, errno) };

    auto fail = [&](const char* what) {
        const int error = errno;
        ::unlink(temp.c_str());
        return FileWriteResult { describe(what, path, error) };
    };

    // Keep the permissions of the file being replaced; a new file gets the usual 0666 less umask.
    struct stat old
    {
    };
    if (::stat(path.c_str(), &old) == 0) {
        ::fchmod(fd.get(), old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd.get(), 0666 & ~mask);
    }

    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("cannot write");
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0)
        return fail("cannot write");
    if (::close(fd.release()) != 0)
        return fail("cannot write");
    if (::rename(temp.c_str(), path.c_str()) != 0)
        return fail("cannot replace");
    return {};
}

} // namespace inkwell
