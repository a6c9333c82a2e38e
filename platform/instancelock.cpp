#include "platform/instancelock.h"

#include "core/regularfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace inkwell {
namespace {

InstanceLockResult failure(const std::filesystem::path& file, int code, const std::string& reason)
{
    return { LockState::Failed, std::nullopt, "lock file " + file.string() + ": " + reason, code };
}

InstanceLockResult failure(const std::filesystem::path& file, int code)
{
    return failure(file, code, systemReason(code));
}

} // namespace

InstanceLockResult InstanceLock::acquire(const std::filesystem::path& file, std::chrono::milliseconds wait)
{
    // No O_NOFOLLOW would let a link planted in a shared temporary folder aim the lock at any file.
    FileDescriptor owned(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!owned.isValid())
        return failure(file, errno);
    const int fd = owned.get();
    InstanceLock owner(std::move(owned));

    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0)
        return failure(file, errno);
    if (!S_ISREG(info.st_mode))
        return failure(file, kNotARegularFile);
    // Someone else's file at our name could be held by them for ever, silently keeping us out.
    if (info.st_uid != ::geteuid())
        return failure(file, kLockOwnedByAnotherUser, "owned by user id " + std::to_string(info.st_uid));

    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return { LockState::Taken, std::move(owner), {} };
        if (errno != EWOULDBLOCK && errno != EINTR)
            return failure(file, errno);
        if (std::chrono::steady_clock::now() >= deadline)
            return { LockState::HeldByAnotherCopy, std::nullopt, {} };
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::filesystem::path InstanceLock::userLockFile(std::string_view name)
{
    // The runtime folder is the user's own; one inherited from another user (a root shell that kept
    // the user's environment) would put the lock file where its owner cannot open it.
    struct stat info
    {
    };
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime
        && ::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid())
        return std::filesystem::path(runtime) / std::string(name);

    std::error_code ec;
    auto temp = std::filesystem::temp_directory_path(ec);
    if (ec)
        temp = "/tmp";
    return temp / (std::string(name) + "-" + std::to_string(::geteuid()));
}

} // namespace inkwell
