// The single-instance lock: a file lock the kernel releases when its holder dies, so a copy
// started after a crash of the first one runs.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string_view>

namespace inkwell {

class InstanceLock
{
public:
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    ~InstanceLock();

    // Tries to take the lock named name in folder for up to wait. Empty when another process
    // holds it (or the lock file cannot be opened at all).
    [[nodiscard]] static std::optional<InstanceLock> acquire(
        const std::filesystem::path& folder, std::string_view name, std::chrono::milliseconds wait);

    // $XDG_RUNTIME_DIR when set and present, else the temporary folder.
    [[nodiscard]] static std::filesystem::path defaultFolder();

private:
    explicit InstanceLock(int fd)
        : m_fd(fd)
    {
    }
    int m_fd = -1;
};

} // namespace inkwell
