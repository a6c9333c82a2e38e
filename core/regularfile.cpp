#include "core/regularfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace inkwell {
namespace {

Error describe(const std::filesystem::path& path, int error)
{
    return { error, "cannot open " + path.string() + ": " + systemReason(error) };
}

// Checks what `fd` (opened with O_NONBLOCK) is, makes it blocking again and finds its real path.
Result<OpenedFile> accept(FileDescriptor fd, const std::filesystem::path& shownPath)
{
    struct stat info
    {
    };
    if (::fstat(fd.get(), &info) != 0)
        return describe(shownPath, errno);
    if (S_ISDIR(info.st_mode))
        return describe(shownPath, EISDIR);
    if (!S_ISREG(info.st_mode))
        return describe(shownPath, kNotARegularFile);
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return describe(shownPath, errno);
    INKWELL_TRY(std::filesystem::path real, realPathOf(fd.get()));
    return OpenedFile { std::move(fd), std::move(real), static_cast<std::uint64_t>(info.st_size),
        info.st_mode, info.st_uid };
}

} // namespace

std::string systemReason(int code)
{
    if (code == kNotARegularFile)
        return "not a regular file";
    if (code == kPrivateFileIsALink)
        return "a symbolic link stands where a private file goes";
    return std::strerror(code);
}

Result<std::filesystem::path> realPathOf(int fd)
{
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    std::string target(4096, '\0');
    while (true) {
        const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
        if (n < 0)
            return Error { errno,
                "cannot tell where an open file lies: " + std::string(std::strerror(errno)) };
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            break;
        }
        target.resize(target.size() * 2);
    }
    // The kernel marks a file removed since it was opened; such a file has no place to check.
    constexpr std::string_view kDeleted = " (deleted)";
    if (target.empty() || target.front() != '/'
        || (target.size() > kDeleted.size() && target.ends_with(kDeleted)))
        return Error { ENOENT, "cannot tell where an open file lies: it has been removed" };
    return std::filesystem::path(target);
}

Result<OpenedFile> openRegularFile(const std::filesystem::path& path)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.isValid())
        return describe(path, errno);
    return accept(std::move(fd), path);
}

Result<OpenedFile> openRegularFileAt(int folderFd, const std::filesystem::path& name, FinalLink finalLink)
{
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (finalLink == FinalLink::Refuse)
        flags |= O_NOFOLLOW;
    FileDescriptor fd(::openat(folderFd, name.c_str(), flags));
    if (!fd.isValid())
        return describe(name, errno);
    return accept(std::move(fd), name);
}

Result<OpenedFile> openRegularFileBeneath(int folderFd, const std::filesystem::path& relative)
{
    if (relative.is_absolute())
        return describe(relative, EXDEV);
    open_how how {};
    how.flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    int fd = -1;
    do {
        fd = static_cast<int>(::syscall(SYS_openat2, folderFd, relative.c_str(), &how, sizeof how));
    } while (fd < 0 && (errno == EINTR || errno == EAGAIN));
    if (fd < 0)
        return describe(relative, errno);
    return accept(FileDescriptor(fd), relative);
}

} // namespace inkwell
