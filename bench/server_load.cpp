// A load client for the page server beside a peer: one request per connection, the answer read
// to the end of the connection, from N connections at once for a given time. wrk treats an answer
// that ends with the connection (the page server sends no Content-Length) as a read error and
// opens and drops an extra connection for each such answer; this client treats every server alike.
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Tally
{
    std::atomic<long> answers = 0;
    std::atomic<long> failures = 0;
};

// One connection, one request, everything until the server closes; true for a complete 200 answer
// of at least `minimumBytes`.
bool fetchOnce(int port, const std::string& request, std::size_t minimumBytes)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
        && ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
    std::size_t total = 0;
    char head[16] = {};
    char buffer[65536];
    while (ok) {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got < 0)
            ok = false;
        if (got <= 0)
            break;
        for (std::size_t i = 0; i < static_cast<std::size_t>(got) && total + i < sizeof head - 1; ++i)
            head[total + i] = buffer[i];
        total += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return ok && std::string_view(head).starts_with("HTTP/1.1 200") && total >= minimumBytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s PORT PATH MIN_BYTES CONNECTIONS SECONDS\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string request
        = std::string("GET ") + argv[2] + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    const std::size_t minimumBytes = static_cast<std::size_t>(std::atol(argv[3]));
    const int connections = std::atoi(argv[4]);
    const auto duration = std::chrono::duration<double>(std::atof(argv[5]));

    Tally tally;
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(duration);
    std::vector<std::thread> clients;
    for (int c = 0; c < connections; ++c) {
        clients.emplace_back([&] {
            while (std::chrono::steady_clock::now() < end) {
                if (fetchOnce(port, request, minimumBytes))
                    ++tally.answers;
                else
                    ++tally.failures;
            }
        });
    }
    for (auto& client : clients)
        client.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.1f %ld\n", static_cast<double>(tally.answers) / seconds, tally.failures.load());
    return 0;
}
