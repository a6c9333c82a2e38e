// The fetcher against a loopback server that gives one canned answer per connection: what counts
// as fetched, how answers are decoded, and that no server can hold it or send it to the disk.
#include "archive/curlfetcher.h"
#include "core/filedescriptor.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace inkwell {
namespace {

// Listens on 127.0.0.1; each connection gets `answer` after its request has been read, or, with
// an empty answer, nothing at all until the server ends.
class CannedServer
{
public:
    explicit CannedServer(std::string answer)
        : m_answer(std::move(answer))
    {
        m_fd = FileDescriptor(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (!m_fd.isValid() || ::bind(m_fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
            || ::listen(m_fd.get(), 4) != 0)
            throw std::runtime_error("cannot listen on 127.0.0.1");
        socklen_t length = sizeof address;
        ::getsockname(m_fd.get(), reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~CannedServer()
    {
        m_stop = true;
        m_thread.join();
    }
    CannedServer(const CannedServer&) = delete;
    CannedServer& operator=(const CannedServer&) = delete;

    std::string url(const std::string& path, const std::string& host = "127.0.0.1") const
    {
        return "http://" + host + ":" + std::to_string(m_port) + path;
    }
    int port() const { return m_port; }

    // The head of the last request read, as the client sent it.
    std::string lastRequest() const
    {
        const std::lock_guard lock(m_mutex);
        return m_lastRequest;
    }

private:
    void serve()
    {
        while (!m_stop) {
            pollfd ready { m_fd.get(), POLLIN, 0 };
            if (::poll(&ready, 1, 50) <= 0)
                continue;
            const int client = ::accept(m_fd.get(), nullptr, nullptr);
            if (client < 0)
                continue;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                request.append(buffer, static_cast<std::size_t>(got));
            }
            {
                const std::lock_guard lock(m_mutex);
                m_lastRequest = request;
            }
            if (m_answer.empty()) {
                while (!m_stop)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
            } else {
                ::send(client, m_answer.data(), m_answer.size(), MSG_NOSIGNAL);
            }
            ::close(client);
        }
    }

    std::string m_answer;
    mutable std::mutex m_mutex;
    std::string m_lastRequest; // guarded by m_mutex
    FileDescriptor m_fd;
    int m_port = 0;
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};

struct Case
{
    const char* name;
    std::string answer;
    bool fetched;
    std::string body;
    std::string contentType;
    std::string errorPart;
};

TEST(CurlFetcher, AcceptsOnlyAnAnswerWith200)
{
    using namespace std::string_literals;
    const char gzipped[]
        = "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x4b\xaf\xca\x2c\x28\x48\x4d\x51\x48\xca\x4f"
          "\xa9\x04\x00\xc4\xe1\x55\x3b\x0c\x00\x00\x00";
    const std::vector<Case> cases {
        // The page server's own form: no blank after the colon, no length, the end of the body is
        // the end of the connection.
        { "pageServerForm",
            "HTTP/1.1 200 OK\r\nServer: Wisp beta\r\nContent-Type:text/html\r\n\r\n<p>a\0b</p>"s, true,
            "<p>a\0b</p>"s, "text/html", "" },
        { "gzipAnswer",
            "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Encoding: gzip\r\n\r\n"
                + std::string(gzipped, sizeof gzipped - 1),
            true, "gzipped body", "image/png", "" },
        { "emptyBody", "HTTP/1.1 200 OK\r\n\r\n", true, "", "", "" },
        { "notFound", "HTTP/1.1 404 Not Found\r\nContent-Type:text/html\r\n\r\nnot here", false, "", "",
            "status 404" },
        { "serverError", "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n", false, "", "",
            "status 500" },
        // A server must not make the archive read local files.
        { "redirectToDisk", "HTTP/1.1 302 Found\r\nLocation: file:///etc/hostname\r\n\r\n", false, "", "",
            "" },
        { "notHttp", "garbage\r\n\r\n", false, "", "", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CannedServer server(c.answer);
        CurlFetcher fetcher;
        const FetchResult result = fetcher.fetch(server.url("/tmp/page.html"));
        EXPECT_EQ(result.ok(), c.fetched) << result.error;
        EXPECT_EQ(result.body, c.body);
        EXPECT_EQ(result.contentType, c.contentType);
        EXPECT_NE(result.error.find(c.errorPart), std::string::npos) << result.error;
    }
}

TEST(CurlFetcher, GivesUpOnAServerThatNeverAnswers)
{
    CannedServer silent("");
    CurlFetcher::Limits limits;
    limits.transferTimeout = std::chrono::milliseconds(700);
    CurlFetcher fetcher(limits);
    const auto start = std::chrono::steady_clock::now();
    const FetchResult result = fetcher.fetch(silent.url("/tmp/page.html"));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error.find("Timeout"), std::string::npos) << result.error;
    EXPECT_LT(waited, std::chrono::seconds(10));
}

TEST(CurlFetcher, ReadsFilesAndRefusesOtherSchemes)
{
    char name[] = "/tmp/inkwell-fetch-XXXXXX";
    const int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "bytes\0from disk", 15), 15);
    ::close(fd);
    CurlFetcher fetcher;
    const FetchResult file = fetcher.fetch(std::string("file://") + name);
    ::unlink(name);
    EXPECT_TRUE(file.ok()) << file.error;
    EXPECT_EQ(file.body, std::string("bytes\0from disk", 15));
    EXPECT_EQ(file.contentType, "");

    EXPECT_FALSE(fetcher.fetch(std::string("file://") + name).ok()) << "a missing file";
    EXPECT_FALSE(fetcher.fetch("ftp://127.0.0.1/a.png").ok());
    EXPECT_FALSE(fetcher.fetch("dict://127.0.0.1/x").ok());
}

TEST(CurlFetcher, StopsAtTheSizeLimit)
{
    CannedServer server("HTTP/1.1 200 OK\r\n\r\n" + std::string(5000, 'x'));
    CurlFetcher::Limits limits;
    limits.maxBytes = 1000;
    CurlFetcher fetcher(limits);
    const FetchResult result = fetcher.fetch(server.url("/big.png"));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.tooLarge);
    EXPECT_TRUE(result.body.empty());

    // A file far larger than memory: refused without reading it through.
    char name[] = "/tmp/inkwell-sparse-XXXXXX";
    const int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t { 3 } << 30), 0);
    ::close(fd);
    const auto start = std::chrono::steady_clock::now();
    const FetchResult file = fetcher.fetch(std::string("file://") + name);
    const auto waited = std::chrono::steady_clock::now() - start;
    ::unlink(name);
    EXPECT_FALSE(file.ok());
    EXPECT_TRUE(file.tooLarge) << file.error;
    EXPECT_TRUE(file.body.empty());
    EXPECT_LT(waited, std::chrono::seconds(5));
}

// An environment variable set for one test and put back as it was.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const std::string& value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// The page server answers only requests that name a loopback host, and only this machine may
// be asked: a proxy from the environment must not take the request elsewhere.
TEST(CurlFetcher, AsksTheLoopbackServerItselfWithALoopbackHost)
{
    CannedServer server("HTTP/1.1 200 OK\r\n\r\npage");
    const CannedServer proxy("HTTP/1.1 200 OK\r\n\r\nfrom the proxy");
    const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.port());
    const ScopedEnvironment httpProxy("http_proxy", proxyUrl);
    const ScopedEnvironment allProxy("ALL_PROXY", proxyUrl);
    const ScopedEnvironment noProxy("no_proxy", "");
    for (const std::string host : { "127.0.0.1", "localhost" }) {
        SCOPED_TRACE(host);
        CurlFetcher fetcher;
        const FetchResult result = fetcher.fetch(server.url("/tmp/page.html", host));
        ASSERT_TRUE(result.ok()) << result.error;
        EXPECT_EQ(result.body, "page");
        const std::string request = server.lastRequest();
        EXPECT_NE(request.find("\r\nHost: " + host + ":" + std::to_string(server.port()) + "\r\n"),
            std::string::npos)
            << request;
        EXPECT_TRUE(request.starts_with("GET /tmp/page.html HTTP/1.1\r\n")) << request;
    }
    EXPECT_EQ(proxy.lastRequest(), "");
}

} // namespace
} // namespace inkwell
