// Test helpers for the page server: a throw-away folder tree and a raw loopback client.
#pragma once

#include "core/filedescriptor.h"
#include "tests/support/tempfolder.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

// A fresh folder below the temporary folder, removed with everything in it at the end.
using inkwell::testing::TempFolder;

inline void writeFile(const std::filesystem::path& path, std::string_view content)
{
    inkwell::testing::WriteFile(path, content);
}

inline std::string readFile(const std::filesystem::path& path)
{
    return inkwell::testing::ReadFile(path);
}

// A connected TCP socket to 127.0.0.1, closed at the end.
class LoopbackClient
{
public:
    explicit LoopbackClient(int port)
    {
        m_fd = inkwell::FileDescriptor(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected
            = m_fd.isValid()
            && ::connect(m_fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool isConnected() const { return m_connected; }
    int fd() const { return m_fd.get(); }

    bool send(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(m_fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    // Everything until the server closes the connection; empty when it does not close within `limit`.
    std::optional<std::string> readToEnd(std::chrono::milliseconds limit = std::chrono::seconds(20))
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::string received;
        char buffer[65536];
        while (true) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return std::nullopt;
            pollfd entry { m_fd.get(), POLLIN, 0 };
            if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0)
                continue;
            const ssize_t got = ::recv(m_fd.get(), buffer, sizeof buffer, 0);
            if (got < 0)
                return std::nullopt;
            if (got == 0)
                return received;
            received.append(buffer, static_cast<std::size_t>(got));
        }
    }

private:
    inkwell::FileDescriptor m_fd;
    bool m_connected = false;
};

// One request on a fresh connection, the whole answer back.
inline std::optional<std::string> exchange(int port, std::string_view request)
{
    LoopbackClient client(port);
    if (!client.isConnected() || !client.send(request))
        return std::nullopt;
    return client.readToEnd();
}

} // namespace testing_support
