// The single-instance lock: a file lock the kernel releases when its holder dies, so a copy
// started after a crash of the first one runs. The lock file is the user's own, so one user's
// copy never keeps another user's from starting.
#pragma once

#include "core/filedescriptor.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace inkwell {

struct InstanceLockResult;

class InstanceLock
{
public:
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    InstanceLock(InstanceLock&& other) noexcept = default;
    InstanceLock& operator=(InstanceLock&& other) noexcept = default;
    ~InstanceLock() = default; // closing the last descriptor drops the flock

    // Tries to take the lock on file for up to wait (the file is created when missing). A file that
    // is a symbolic link, not a regular file, or owned by another user is refused rather than used:
    // whoever else holds such a file is no copy of ours.
    [[nodiscard]] static InstanceLockResult acquire(
        const std::filesystem::path& file, std::chrono::milliseconds wait);

    // The user's lock file of that name: in $XDG_RUNTIME_DIR when it is set and is a folder of this
    // user, else in the temporary folder with "-" and the user id after the name.
    [[nodiscard]] static std::filesystem::path userLockFile(std::string_view name);

private:
    explicit InstanceLock(FileDescriptor fd)
        : m_fd(std::move(fd))
    {
    }
    FileDescriptor m_fd;
};

enum class LockState
{
    Taken,
    HeldByAnotherCopy, // the file could be used, but another process kept it locked for the whole wait
    Failed, // the file could not be used at all; error says why
};

struct [[nodiscard]] InstanceLockResult
{
    LockState state = LockState::Failed;
    std::optional<InstanceLock> lock; // set when taken; held until destroyed
    std::string error; // when failed: what went wrong, with the system's reason
    // When failed: the errno, kNotARegularFile or kLockOwnedByAnotherUser, for the user's sentence.
    int code = 0;
};

} // namespace inkwell
