// The page server with files of any size and answers that go wrong half-way: memory stays bounded,
// a cut answer is never passed off as a whole one, and the worker goes on to the next client.
#include "core/filedescriptor.h"
#include "publishing/pageserver.h"
#include "serverfixture.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <new>
#include <poll.h>
#include <pthread.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

using namespace std::chrono_literals;
using testing_support::exchange;
using testing_support::LoopbackClient;
using testing_support::TempFolder;
using testing_support::writeFile;
using inkwell::PageServer;

// Failure injection for the one test that needs the worker to run out of memory: armed from the
// test's thread, the next large allocation made on another thread throws std::bad_alloc.
namespace {

std::atomic<bool> g_failNextLargeAllocation { false };
std::atomic<pthread_t> g_armingThread {};
constexpr std::size_t kLargeAllocation = 128 * 1024;

void* allocate(std::size_t size)
{
    if (size >= kLargeAllocation && g_failNextLargeAllocation.load()
        && !pthread_equal(pthread_self(), g_armingThread.load()) && g_failNextLargeAllocation.exchange(false))
        throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size)
{
    return allocate(size);
}
void* operator new[](std::size_t size)
{
    return allocate(size);
}
void operator delete(void* memory) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory) noexcept
{
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

std::uint64_t statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field))
            return std::stoull(line.substr(std::string_view(field).size()));
    }
    throw std::runtime_error(std::string("no ") + field + " in /proc/self/status");
}

// Peak resident memory of the whole process (client and server threads alike) from now on,
// measured against what is resident now.
class PeakMemory
{
public:
    PeakMemory()
    {
        // "5" sets the peak back to the current resident size, so that earlier work in this
        // process does not hide growth.
        std::ofstream("/proc/self/clear_refs") << "5";
        m_start = statusKilobytes("VmRSS:");
    }
    std::uint64_t growthKilobytes() const
    {
        const std::uint64_t peak = statusKilobytes("VmHWM:");
        return peak > m_start ? peak - m_start : 0;
    }

private:
    std::uint64_t m_start = 0;
};

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937_64 generator(seed);
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        const std::uint64_t value = generator();
        std::memcpy(bytes.data() + i, &value, 8);
    }
    return bytes;
}

struct Digest
{
    std::uint64_t length = 0;
    uLong crc = crc32(0, nullptr, 0);

    void add(const char* bytes, std::size_t count)
    {
        crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes), static_cast<uInt>(count));
        length += count;
    }
    // As if `count` zero bytes were added, without touching them: a hole read back costs the
    // kernel as much as real data.
    void addZeros(std::uint64_t count)
    {
        static const std::vector<char> zeros(1 << 20);
        static const uLong zerosCrc = crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), 1 << 20);
        length += count;
        for (; count >= zeros.size(); count -= zeros.size())
            crc = crc32_combine(crc, zerosCrc, static_cast<z_off_t>(zeros.size()));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(zeros.data()), static_cast<uInt>(count));
    }
    bool operator==(const Digest&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Digest& digest)
{
    return out << digest.length << " bytes, CRC-32 " << std::hex << digest.crc << std::dec;
}

// A file of `size` bytes that is a hole except for the pieces written into it, and its digest,
// worked out from the pieces.
class SparseFile
{
public:
    SparseFile(const std::filesystem::path& path, std::uint64_t size)
        : m_file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644))
        , m_size(size)
    {
        if (!m_file.isValid() || ::ftruncate(m_file.get(), static_cast<off_t>(size)) != 0)
            throw std::runtime_error("cannot make " + path.string());
    }

    // Pieces go in from the start of the file to its end, without overlapping.
    void write(std::uint64_t offset, std::string bytes)
    {
        if (::pwrite(m_file.get(), bytes.data(), bytes.size(), static_cast<off_t>(offset))
            != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("pwrite failed");
        m_pieces.emplace_back(offset, std::move(bytes));
    }

    Digest digest() const
    {
        Digest digest;
        for (const auto& [offset, bytes] : m_pieces) {
            digest.addZeros(offset - digest.length);
            digest.add(bytes.data(), bytes.size());
        }
        digest.addZeros(m_size - digest.length);
        return digest;
    }

private:
    inkwell::FileDescriptor m_file;
    std::uint64_t m_size;
    std::vector<std::pair<std::uint64_t, std::string>> m_pieces;
};

enum class Ending
{
    // The server closed the connection in order: the answer is complete.
    Closed,
    // The server reset the connection: whatever came was cut off.
    Reset,
    TimedOut
};

// What a streaming client makes of one answer: the header, the body (decoded when it is gzip),
// and how the connection ended. Holds no more than one receive buffer of the body at a time.
struct Received
{
    std::string header;
    Digest body;
    bool gzipComplete = false;
    Ending ending = Ending::TimedOut;
};

class StreamingReader
{
public:
    explicit StreamingReader(bool gzip)
        : m_gzip(gzip)
    {
        if (m_gzip && inflateInit2(&m_inflate, 15 + 16) != Z_OK)
            throw std::runtime_error("inflateInit2 failed");
    }
    ~StreamingReader()
    {
        if (m_gzip)
            inflateEnd(&m_inflate);
    }
    StreamingReader(const StreamingReader&) = delete;
    StreamingReader& operator=(const StreamingReader&) = delete;

    // Takes the next bytes off the wire.
    void take(const char* bytes, std::size_t count)
    {
        if (m_inHeader) {
            m_received.header.append(bytes, count);
            const std::size_t end = m_received.header.find("\r\n\r\n");
            if (end == std::string::npos)
                return;
            m_inHeader = false;
            const std::string rest = m_received.header.substr(end + 4);
            m_received.header.resize(end + 4);
            takeBody(rest.data(), rest.size());
            return;
        }
        takeBody(bytes, count);
    }

    Received finish(Ending ending)
    {
        m_received.ending = ending;
        return std::move(m_received);
    }

private:
    void takeBody(const char* bytes, std::size_t count)
    {
        if (!m_gzip) {
            m_received.body.add(bytes, count);
            return;
        }
        if (m_received.gzipComplete) {
            m_trailingGarbage = m_trailingGarbage || count > 0;
            return;
        }
        m_inflate.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes));
        m_inflate.avail_in = static_cast<uInt>(count);
        while (m_inflate.avail_in > 0 && !m_received.gzipComplete) {
            m_inflate.next_out = reinterpret_cast<Bytef*>(m_output.data());
            m_inflate.avail_out = static_cast<uInt>(m_output.size());
            const int code = inflate(&m_inflate, Z_NO_FLUSH);
            m_received.body.add(m_output.data(), m_output.size() - m_inflate.avail_out);
            if (code == Z_STREAM_END)
                m_received.gzipComplete = !m_trailingGarbage;
            else if (code != Z_OK)
                throw std::runtime_error("the gzip stream does not decode");
        }
        m_trailingGarbage = m_trailingGarbage || m_inflate.avail_in > 0;
        if (m_trailingGarbage)
            m_received.gzipComplete = false;
    }

    bool m_gzip;
    bool m_inHeader = true;
    bool m_trailingGarbage = false;
    z_stream m_inflate {};
    std::vector<char> m_output = std::vector<char>(256 * 1024);
    Received m_received;
};

// Reads an answer to its end; `afterFirstBytes` runs once the first `firstBytes` bytes are in.
Received readAnswer(LoopbackClient& client, bool gzip, std::size_t firstBytes = 0,
    const std::function<void()>& afterFirstBytes = {})
{
    StreamingReader reader(gzip);
    std::vector<char> buffer(64 * 1024);
    std::size_t total = 0;
    bool hooked = !afterFirstBytes;
    while (true) {
        pollfd entry { client.fd(), POLLIN, 0 };
        if (::poll(&entry, 1, 30000) <= 0)
            return reader.finish(Ending::TimedOut);
        const std::size_t want = hooked ? buffer.size() : std::min(buffer.size(), firstBytes - total);
        const ssize_t got = ::recv(client.fd(), buffer.data(), want, 0);
        if (got < 0)
            return reader.finish(errno == ECONNRESET ? Ending::Reset : Ending::TimedOut);
        if (got == 0)
            return reader.finish(Ending::Closed);
        reader.take(buffer.data(), static_cast<std::size_t>(got));
        total += static_cast<std::size_t>(got);
        if (!hooked && total >= firstBytes) {
            hooked = true;
            afterFirstBytes();
        }
    }
}

std::string request(std::string_view path, bool gzip)
{
    return "GET " + std::string(path) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
        + (gzip ? "Accept-Encoding: gzip\r\n" : "") + "\r\n";
}

class LargeFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        writeFile(run() / "small.txt", "small");
        ASSERT_TRUE(m_server.start());
    }
    std::filesystem::path run() const { return m_temp.path() / "run"; }
    int port() const { return *m_server.port(); }

    // The worker is free and answers the next client in full.
    void expectNextClientServed() const
    {
        EXPECT_EQ(exchange(port(), request("/small.txt", false)),
            "HTTP/1.1 200 OK\r\nContent-Type:text/txt\r\nServer: Wisp beta\r\n\r\nsmall");
    }

    TempFolder m_temp;
    PageServer m_server { m_temp.path() / "run" };
};

// A 3 GiB file, mostly a hole, with distinct data at its start, across the 1 GiB and 2 GiB marks
// and at its end, so that a misplaced or lost piece changes the checksum.
TEST_F(LargeFiles, ThreeGigabyteFileServedWhole)
{
    SparseFile video(run() / "video.bin", 3 * kGiB);
    video.write(0, randomBytes(300 * 1024, 1));
    video.write(kGiB - 70000, randomBytes(140000, 2));
    video.write(2 * kGiB - 1, randomBytes(8193, 3));
    video.write(3 * kGiB - 99999, randomBytes(99999, 4));
    const Digest expected = video.digest();
    ASSERT_EQ(expected.length, 3 * kGiB);

    for (const bool gzip : { false, true }) {
        SCOPED_TRACE(gzip ? "gzip" : "plain");
        const auto start = std::chrono::steady_clock::now();
        const PeakMemory memory;
        LoopbackClient client(port());
        ASSERT_TRUE(client.send(request("/video.bin", gzip)));
        const Received received = readAnswer(client, gzip);
        const std::uint64_t growth = memory.growthKilobytes();

        EXPECT_EQ(received.ending, Ending::Closed);
        EXPECT_EQ(received.header,
            gzip ? "HTTP/1.1 200 OK\r\nServer: Wisp beta\r\nContent-Encoding: gzip\r\n\r\n"
                 : "HTTP/1.1 200 OK\r\nServer: Wisp beta\r\n\r\n");
        EXPECT_EQ(received.body, expected);
        if (gzip) {
            EXPECT_TRUE(received.gzipComplete) << "one complete gzip member and nothing after it";
        }
        EXPECT_LT(growth, 64u * 1024) << "peak resident memory grew by " << growth << " KB";
        std::cout << (gzip ? "gzip" : "plain") << ": " << growth << " KB peak growth, "
                  << std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count()
                  << " ms\n";
    }
    expectNextClientServed();
}

// The file is written to while its answer is on the way: the client must not get a clean end of
// the connection (which would mark the answer complete), and the server goes on.
TEST_F(LargeFiles, FileChangingSizeWhileSentEndsInAReset)
{
    constexpr std::size_t kSize = 32 * 1024 * 1024;
    const std::filesystem::path file = run() / "changing.bin";
    const std::string content = randomBytes(kSize, 5); // does not compress, so the socket fills up
    const struct
    {
        const char* name;
        bool gzip;
        std::function<void()> change;
        bool wholeFileSent;
    } cases[] = {
        { "shrinks, plain", false, [&] { std::filesystem::resize_file(file, kSize / 2); }, false },
        { "shrinks, gzip", true, [&] { std::filesystem::resize_file(file, kSize / 2); }, false },
        { "grows, plain", false, [&] { std::ofstream(file, std::ios::app) << std::string(4096, 'x'); },
            true },
        { "grows, gzip", true, [&] { std::ofstream(file, std::ios::app) << std::string(4096, 'x'); }, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(file, content);
        LoopbackClient client(port());
        // A small window keeps the server from sending everything before the change.
        const int small = 64 * 1024;
        ::setsockopt(client.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        ASSERT_TRUE(client.send(request("/changing.bin", c.gzip)));
        const Received received = readAnswer(client, c.gzip, 128 * 1024, c.change);

        EXPECT_EQ(received.ending, Ending::Reset);
        if (c.gzip) {
            EXPECT_FALSE(received.gzipComplete);
        }
        if (c.wholeFileSent) {
            EXPECT_LE(received.body.length, kSize);
        } else {
            EXPECT_LT(received.body.length, kSize);
        }
        expectNextClientServed();
    }
}

// Running out of memory in the middle of an answer used to end the whole program from the worker
// thread; now it costs that one connection.
TEST_F(LargeFiles, OutOfMemoryWhileAnsweringDropsOnlyThatConnection)
{
    writeFile(run() / "page.html", std::string(1024 * 1024, 'p'));
    for (const bool gzip : { false, true }) {
        SCOPED_TRACE(gzip ? "gzip" : "plain");
        g_armingThread = pthread_self();
        g_failNextLargeAllocation = true;
        LoopbackClient client(port());
        ASSERT_TRUE(client.send(request("/page.html", gzip)));
        const Received received = readAnswer(client, gzip);
        EXPECT_FALSE(g_failNextLargeAllocation.exchange(false)) << "the worker made no large allocation";
        EXPECT_EQ(received.ending, Ending::Reset);
        EXPECT_EQ(received.body.length, 0u);
        expectNextClientServed();
    }
}

} // namespace
