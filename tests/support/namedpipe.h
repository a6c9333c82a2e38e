// A named pipe for tests of code that must never wait on one, and a guard that ends such a wait after a
// bounded time (by opening the other end) so that a fault fails the test instead of hanging it.
#pragma once

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace inkwell::testing {

// True when the pipe was made.
inline bool makeNamedPipe(const std::filesystem::path& path)
{
    return ::mkfifo(path.c_str(), 0600) == 0;
}

// While it lives, a reader blocked opening `pipe` is released after `limit`: the other end is opened
// and closed, so the reader sees an empty file and the test can tell by the time it took.
class PipeWaitGuard
{
public:
    PipeWaitGuard(std::filesystem::path pipe, std::chrono::milliseconds limit)
        : m_thread([this, pipe = std::move(pipe), limit] {
            const auto end = std::chrono::steady_clock::now() + limit;
            while (!m_done && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (m_done)
                return;
            // Succeeds only when someone is waiting to read: then that wait ends.
            const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        })
    {
    }
    ~PipeWaitGuard()
    {
        m_done = true;
        m_thread.join();
    }
    PipeWaitGuard(const PipeWaitGuard&) = delete;
    PipeWaitGuard& operator=(const PipeWaitGuard&) = delete;

private:
    std::atomic<bool> m_done { false };
    std::thread m_thread;
};

} // namespace inkwell::testing
