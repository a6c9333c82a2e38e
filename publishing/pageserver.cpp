#include "publishing/pageserver.h"

#include "core/filedescriptor.h"
#include "publishing/answerwriter.h"
#include "publishing/httprequest.h"
#include "publishing/requesthandler.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <csignal>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace inkwell {

namespace {

using Clock = std::chrono::steady_clock;

// Connections the kernel holds while the worker is busy answering. A browser opens several at once;
// with a queue of one, the surplus connection attempts are dropped and the client's system repeats
// them only a second later (a page of 50 pictures then took 1.5 s instead of 0.5 s to load).
constexpr int kListenBacklog = 64;
constexpr std::size_t kInitialSendBuffer = 16 * 1024;
constexpr std::size_t kLargestSendBuffer = 4 * 1024 * 1024;

enum class Wait
{
    Ready,
    Stopped,
    TimedOut,
    Failed
};

// Waits until `fd` shows `events` or the stop signal fires; without a deadline it waits for ever.
Wait waitFor(int fd, short events, int stopFd, std::optional<Clock::time_point> deadline)
{
    std::array<pollfd, 2> fds { pollfd { fd, events, 0 }, pollfd { stopFd, POLLIN, 0 } };
    while (true) {
        int timeout = -1;
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
            if (left <= 0)
                return Wait::TimedOut;
            timeout = static_cast<int>(left);
        }
        const int count = ::poll(fds.data(), fds.size(), timeout);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return Wait::Failed;
        if (fds[1].revents != 0)
            return Wait::Stopped;
        if (fds[0].revents != 0)
            return Wait::Ready;
    }
}

Clock::time_point clientDeadline()
{
    return Clock::now() + PageServer::kClientTimeout;
}

// The client's connection as the answer writer sees it. Every wait for room in the socket is
// bounded: a client that takes nothing for the client timeout is given up on, and so is every
// client once Stop has begun.
class SocketSink final : public AnswerSink
{
public:
    SocketSink(int fd, int stopFd)
        : m_fd(fd)
        , m_stopFd(stopFd)
    {
    }

    bool write(std::string_view bytes) override
    {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(sent));
                continue;
            }
            if (!mayRetry(sent))
                return false;
        }
        return true;
    }

    // The kernel copies from the page cache straight into the socket: no file byte passes through
    // this process.
    std::optional<std::uint64_t> writeFileRange(
        int fd, std::uint64_t offset, std::uint64_t count, std::span<char>) override
    {
        std::uint64_t delivered = 0;
        while (delivered < count) {
            if (!shouldContinue())
                return std::nullopt;
            off_t position = static_cast<off_t>(offset + delivered);
            const std::size_t chunk
                = static_cast<std::size_t>(std::min<std::uint64_t>(count - delivered, kSendFileBytes));
            const ssize_t sent = ::sendfile(m_fd, fd, &position, chunk);
            if (sent > 0) {
                delivered += static_cast<std::uint64_t>(sent);
                continue;
            }
            if (sent == 0)
                return delivered; // the file ended early
            if (!mayRetry(sent))
                return std::nullopt;
        }
        return delivered;
    }

    bool shouldContinue() override
    {
        pollfd stop { m_stopFd, POLLIN, 0 };
        return ::poll(&stop, 1, 0) == 0;
    }

private:
    // The most sendfile is asked for at once, so that Stop is heeded between calls.
    static constexpr std::size_t kSendFileBytes = 4 * 1024 * 1024;

    // After a failed send: true when the socket was only full (and then has room again) or the
    // call was interrupted.
    bool mayRetry(ssize_t result) const
    {
        if (result < 0 && errno == EINTR)
            return true;
        if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return waitForRoom();
        return false;
    }

    // The kernel reports room only once a good part of a full send buffer has drained, which takes
    // a client that reads slowly but steadily longer than the client timeout. So a client is given
    // up on only when it has taken no byte at all for that long: the bytes it has not yet
    // acknowledged must have shrunk.
    bool waitForRoom() const
    {
        int unacknowledged = unacknowledgedBytes();
        while (true) {
            const Wait wait = waitFor(m_fd, POLLOUT, m_stopFd, clientDeadline());
            if (wait != Wait::TimedOut)
                return wait == Wait::Ready;
            const int now = unacknowledgedBytes();
            if (now < 0 || unacknowledged < 0 || now >= unacknowledged)
                return false;
            unacknowledged = now;
        }
    }

    // Bytes sent but not yet acknowledged by the client; negative when the socket cannot say.
    int unacknowledgedBytes() const
    {
        int bytes = 0;
        return ::ioctl(m_fd, SIOCOUTQ, &bytes) == 0 ? bytes : -1;
    }

    int m_fd;
    int m_stopFd;
};

// A send buffer that holds the whole answer lets the kernel take it in one call, so the worker is
// free for the next connection while this client reads; the buffer TCP starts with (16 KB) would
// have the worker wait for the client at every step of a larger answer.
void widenSendBuffer(int fd, const Answer& answer)
{
    if (answer.status() != Answer::Status::Found || answer.size() <= kInitialSendBuffer)
        return;
    const int size = static_cast<int>(std::min<std::uint64_t>(answer.size(), kLargestSendBuffer));
    ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
}

// Ends the connection with a reset instead of the orderly close that marks the end of a complete
// answer (the answers carry no length), so that a client cannot mistake a cut answer for a whole one.
void dropConnection(FileDescriptor& connection)
{
    const linger immediately { 1, 0 };
    ::setsockopt(connection.get(), SOL_SOCKET, SO_LINGER, &immediately, sizeof immediately);
    connection.reset();
}

// Closing a socket that still holds unread request bytes makes the kernel reset the connection,
// and a reset can destroy the answer before the client has read it. So whatever has already
// arrived beyond the head is taken off first.
void discardPendingInput(int fd)
{
    std::array<char, 16384> sink;
    for (int round = 0; round < 64; ++round) {
        if (::recv(fd, sink.data(), sink.size(), MSG_DONTWAIT) <= 0)
            return;
    }
}

std::optional<FileDescriptor> listenOnLoopback(int port)
{
    FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.isValid())
        return std::nullopt;
    // Lets a restarted editor take its old port while connections of the previous run linger.
    const int on = 1;
    ::setsockopt(socket.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return std::nullopt;
    if (::listen(socket.get(), kListenBacklog) != 0)
        return std::nullopt;
    return socket;
}

} // namespace

struct PageServer::Running
{
    std::filesystem::path root; // canonical run folder
    int port = 0;
    FileDescriptor listener;
    // Readable once Stop has begun; every wait of the worker watches it.
    FileDescriptor stopSignal;
    std::thread worker;
};

namespace {

enum class Outcome
{
    Continue,
    End
};

bool wouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

// A connection whose request head is still being gathered, or has been and waits for its answer.
struct Arrival
{
    enum class State
    {
        Arriving,
        // The head is whole: answered from the run folder.
        Complete,
        // The client ended its side before the empty line, or the head outgrew its bound: answered
        // "not found" without a look at the disk.
        Unfinished,
        // The client left without a byte, or the socket failed: nobody to answer.
        Gone,
    };

    FileDescriptor connection;
    // The head must be whole by then, however many bytes trickle in before.
    Clock::time_point deadline;
    std::string bytes;
    std::size_t searched = 0; // bytes already searched for the end of the head
    std::size_t headLength = 0; // when Complete
    State state = State::Arriving;

    bool isReady() const { return state == State::Complete || state == State::Unfinished; }
};

// Takes what has arrived on the connection, without waiting, until the head is whole or the
// client has nothing more for now. Reads at most one byte beyond the bound, which is enough to
// know the head has outgrown it.
void readArrived(Arrival& arrival)
{
    std::array<char, 16384> chunk;
    while (arrival.state == Arrival::State::Arriving) {
        const std::size_t room = kMaxRequestHead + 1 - arrival.bytes.size();
        const ssize_t got
            = ::recv(arrival.connection.get(), chunk.data(), std::min(room, chunk.size()), MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            if (!wouldBlock())
                arrival.state = Arrival::State::Gone;
            return;
        }
        if (got == 0) {
            arrival.state = arrival.bytes.empty() ? Arrival::State::Gone : Arrival::State::Unfinished;
            return;
        }
        arrival.bytes.append(chunk.data(), static_cast<std::size_t>(got));
        const std::string_view bounded
            = std::string_view(arrival.bytes).substr(0, std::min(arrival.bytes.size(), kMaxRequestHead));
        if (const std::optional<std::size_t> length = requestHeadLength(bounded, arrival.searched)) {
            arrival.headLength = *length;
            arrival.state = Arrival::State::Complete;
            return;
        }
        arrival.searched = bounded.size();
        if (arrival.bytes.size() > kMaxRequestHead)
            arrival.state = Arrival::State::Unfinished;
    }
}

// Answers one connection whose head has been gathered, to its end, and closes it.
void answerArrival(const std::filesystem::path& root, Arrival& arrival, int stopSignal)
{
    // Whatever goes wrong while answering (no memory, a file that cannot be read or changes size,
    // a client that goes away) costs this connection only.
    Delivery delivery = Delivery::Broken;
    try {
        const Answer answer = arrival.state == Arrival::State::Complete
            ? answerRequest(root, std::string_view(arrival.bytes).substr(0, arrival.headLength))
            : Answer::notFound();
        widenSendBuffer(arrival.connection.get(), answer);
        SocketSink sink(arrival.connection.get(), stopSignal);
        delivery = writeAnswer(answer, sink);
    } catch (...) {
        delivery = Delivery::Broken;
    }
    if (delivery == Delivery::Broken) {
        dropConnection(arrival.connection);
        return;
    }
    discardPendingInput(arrival.connection.get());
    arrival.connection.reset();
}

// The worker's state between turns. Heads are gathered from every waiting connection at once, so
// that a client that is slow to say what it wants never keeps the others from being answered; the
// answers themselves go out strictly one after another.
class Worker
{
public:
    Worker(const std::filesystem::path& root, int listener, int stopSignal)
        : m_root(root)
        , m_listener(listener)
        , m_stopSignal(stopSignal)
    {
    }

    Outcome turn()
    {
        const Clock::time_point now = Clock::now();
        const bool acceptPaused = now < m_acceptPausedUntil;
        std::vector<pollfd> fds { pollfd { m_stopSignal, POLLIN, 0 },
            pollfd { acceptPaused ? -1 : m_listener, POLLIN, 0 } };
        for (const Arrival& arrival : m_arrivals) {
            if (arrival.state == Arrival::State::Arriving)
                fds.push_back(pollfd { arrival.connection.get(), POLLIN, 0 });
        }
        const int count = ::poll(fds.data(), fds.size(), pollTimeout(now));
        if (count < 0)
            return Outcome::Continue; // interrupted; the next turn polls again
        if (fds[0].revents != 0)
            return Outcome::End;
        if (fds[1].revents != 0)
            acceptWaiting();

        // Every connection is read, not only those poll named: bytes that came in while another
        // client was being answered count as in time.
        for (Arrival& arrival : m_arrivals)
            readArrived(arrival);
        const Clock::time_point afterReading = Clock::now();
        std::erase_if(m_arrivals, [&](const Arrival& arrival) {
            return arrival.state == Arrival::State::Gone
                || (arrival.state == Arrival::State::Arriving && arrival.deadline <= afterReading);
        });

        // The oldest ready connection is answered first.
        const auto ready = std::find_if(
            m_arrivals.begin(), m_arrivals.end(), [](const Arrival& arrival) { return arrival.isReady(); });
        if (ready != m_arrivals.end()) {
            Arrival arrival = std::move(*ready);
            m_arrivals.erase(ready);
            answerArrival(m_root, arrival, m_stopSignal);
        }
        return Outcome::Continue;
    }

private:
    // No wait while an answer is due; otherwise until the nearest deadline, or the end of a pause
    // in accepting, or for ever.
    int pollTimeout(Clock::time_point now) const
    {
        std::optional<Clock::time_point> until;
        if (now < m_acceptPausedUntil)
            until = m_acceptPausedUntil;
        for (const Arrival& arrival : m_arrivals) {
            if (arrival.isReady())
                return 0;
            if (!until || arrival.deadline < *until)
                until = arrival.deadline;
        }
        if (!until)
            return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - now).count();
        return static_cast<int>(std::max<decltype(left)>(left, 0));
    }

    void acceptWaiting()
    {
        for (std::size_t round = 0; round < kMaxArrivals; ++round) {
            if (m_arrivals.size() >= kMaxArrivals && !dropOldestArriving())
                return; // every slot holds an answer due; the rest wait in the listen queue
            // The listening socket does not block, so a connection that vanished between the
            // wait and here costs nothing but another turn.
            FileDescriptor connection(::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
            if (!connection.isValid()) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                // Out of descriptors or memory: the waiting connection cannot be taken now, and
                // trying again at once would only spin.
                if (!wouldBlock())
                    m_acceptPausedUntil = Clock::now() + kAcceptPause;
                return;
            }
            Arrival arrival;
            arrival.connection = std::move(connection);
            arrival.deadline = clientDeadline();
            m_arrivals.push_back(std::move(arrival));
        }
    }

    // Makes room for a newcomer at the cost of the connection that has had the longest to speak.
    bool dropOldestArriving()
    {
        const auto oldest = std::find_if(m_arrivals.begin(), m_arrivals.end(),
            [](const Arrival& arrival) { return arrival.state == Arrival::State::Arriving; });
        if (oldest == m_arrivals.end())
            return false;
        m_arrivals.erase(oldest);
        return true;
    }

    // How many connections may be waiting for their head at once: each holds at most the head's
    // bound in memory.
    static constexpr std::size_t kMaxArrivals = 64;
    static constexpr std::chrono::milliseconds kAcceptPause { 100 };

    const std::filesystem::path& m_root;
    int m_listener;
    int m_stopSignal;
    std::vector<Arrival> m_arrivals; // in the order they were accepted
    Clock::time_point m_acceptPausedUntil {};
};

void blockPipeSignal()
{
    // A send to a client that has gone raises SIGPIPE, which ends a process that keeps the default
    // action. send() is told not to (MSG_NOSIGNAL), but sendfile() has no such flag; blocked on
    // this thread, the signal stays pending here and is dropped when the thread ends, while the
    // call itself fails with EPIPE.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
}

} // namespace

// One worker thread serves every connection and Stop joins it, so nothing runs behind the server.
// A fresh thread per connection would cost 1.5 to 2 times the CPU time per request.
void PageServer::runWorker(Running* running)
{
    blockPipeSignal();
    // Every turn waits on the stop signal too, so Stop ends the loop even while connections keep
    // arriving. An exception that escapes a turn would end the whole program from this thread;
    // the connection it was about is closed by then, so the worker goes on.
    Worker worker(running->root, running->listener.get(), running->stopSignal.get());
    Outcome outcome = Outcome::Continue;
    while (outcome == Outcome::Continue) {
        try {
            outcome = worker.turn();
        } catch (...) {
            outcome = Outcome::Continue;
        }
    }
}

PageServer::PageServer(std::filesystem::path runFolder, int firstPort)
    : m_runFolder(std::move(runFolder))
    , m_firstPort(firstPort)
{
}

PageServer::~PageServer()
{
    stop();
}

bool PageServer::start()
{
    if (m_running)
        return false;
    std::error_code error;
    std::filesystem::path root = std::filesystem::canonical(m_runFolder, error);
    if (error || !std::filesystem::is_directory(root, error))
        return false;

    auto running = std::make_unique<Running>();
    running->root = std::move(root);
    running->stopSignal = FileDescriptor(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!running->stopSignal.isValid())
        return false;
    // The listening socket found by the search is the one kept, so no other program can take
    // the port between finding it free and listening on it.
    for (int port = std::max(m_firstPort, 1); port <= kLastPort; ++port) {
        if (std::optional<FileDescriptor> listener = listenOnLoopback(port)) {
            running->listener = std::move(*listener);
            running->port = port;
            break;
        }
    }
    if (!running->listener.isValid())
        return false;

    try {
        running->worker = std::thread(runWorker, running.get());
    } catch (const std::system_error&) {
        return false;
    }
    m_running = std::move(running);
    return true;
}

void PageServer::stop()
{
    if (!m_running)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_running->stopSignal.get(), &one, sizeof one);
    m_running->worker.join();
    m_running.reset();
}

std::optional<int> PageServer::port() const
{
    if (!m_running)
        return std::nullopt;
    return m_running->port;
}

std::optional<std::string> PageServer::boundAddress() const
{
    if (!m_running)
        return std::nullopt;
    sockaddr_in address {};
    socklen_t length = sizeof address;
    if (::getsockname(m_running->listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return std::nullopt;
    std::array<char, INET_ADDRSTRLEN> text {};
    if (::inet_ntop(AF_INET, &address.sin_addr, text.data(), text.size()) == nullptr)
        return std::nullopt;
    return std::string(text.data());
}

} // namespace inkwell
