#include "platform/instancelock.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace inkwell {

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the last descriptor drops the flock
}

std::optional<InstanceLock> InstanceLock::acquire(
    const std::filesystem::path& folder, std::string_view name, std::chrono::milliseconds wait)
{
    const auto path = folder / std::string(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return InstanceLock(fd);
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::close(fd);
    return std::nullopt;
}

std::filesystem::path InstanceLock::defaultFolder()
{
    std::error_code ec;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime && *runtime && std::filesystem::is_directory(runtime, ec))
        return runtime;
    return std::filesystem::temp_directory_path(ec);
}

} // namespace inkwell
