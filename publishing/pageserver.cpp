#include "publishing/pageserver.h"

#include "core/filedescriptor.h"
#include "publishing/answer.h"
#include "publishing/answerwriter.h"
#include "publishing/httprequest.h"
#include "publishing/requesthandler.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace inkwell {

namespace {

using Clock = std::chrono::steady_clock;

// Connections the kernel holds until the loop accepts them. A browser opens several at once;
// with a queue of one, the surplus connection attempts are dropped and the client's system repeats
// them only a second later (a page of 50 pictures then took 1.5 s instead of 0.5 s to load).
constexpr int kListenBacklog = 64;
constexpr std::size_t kInitialSendBuffer = 16 * 1024;
constexpr std::size_t kLargestSendBuffer = 4 * 1024 * 1024;

// A send buffer that holds the whole answer lets the kernel take it in one call, so the connection
// is done with while this client reads; the buffer TCP starts with (16 KB) would have the answer
// come back for room at every step of a larger answer.
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

Error systemError(const std::string& what, int code)
{
    return { code, what + ": " + std::strerror(code) };
}

Result<FileDescriptor> listenOnLoopback(int port)
{
    FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.isValid())
        return systemError("cannot make a socket", errno);
    // Lets a restarted editor take its old port while connections of the previous run linger.
    const int on = 1;
    ::setsockopt(socket.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return systemError("cannot use port " + std::to_string(port), errno);
    if (::listen(socket.get(), kListenBacklog) != 0)
        return systemError("cannot listen on port " + std::to_string(port), errno);
    return socket;
}

} // namespace

struct PageServer::Running
{
    std::filesystem::path root; // canonical run folder
    int port = 0;
    FileDescriptor listener;
    // Readable once Stop has begun; the loop watches it.
    FileDescriptor stopSignal;
    std::vector<std::thread> workers;
};

namespace {

bool wouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

// One client's connection: its request head while it arrives, then its answer while it goes out.
struct Connection
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
        Answering,
    };

    std::uint64_t id = 0;
    FileDescriptor socket;
    State state = State::Arriving;
    Clock::time_point accepted;

    // The head must be whole by then, however many bytes trickle in before.
    Clock::time_point headDeadline;
    std::string head;
    std::size_t searched = 0; // bytes already searched for the end of the head
    std::size_t headLength = 0; // when Complete

    std::optional<Answer> answer;
    std::optional<AnswerStream> stream;
    bool watched = false; // in the loop's epoll set
    bool watchingForRoom = false; // the loop waits for room rather than for bytes
    std::uint64_t sent = 0; // answer bytes the kernel has taken
    std::uint64_t acknowledged = 0; // of those, what the client has taken off the wire
    Clock::time_point lastProgress;
    // Time the answer has spent waiting for room in its socket, which is what the client is to
    // blame for (making a compressed answer is the server's own time); and since when it has been
    // waiting now, if it is.
    Clock::duration waitedForRoom {};
    std::optional<Clock::time_point> waitingSince;

    bool isReady() const { return state == State::Complete || state == State::Unfinished; }
};

// Takes what has arrived on the connection, without waiting, until the head is whole or the
// client has nothing more for now. Reads at most one byte beyond the bound, which is enough to
// know the head has outgrown it.
void readArrived(Connection& connection)
{
    std::array<char, 16384> chunk;
    while (connection.state == Connection::State::Arriving) {
        const std::size_t room = kMaxRequestHead + 1 - connection.head.size();
        const ssize_t got
            = ::recv(connection.socket.get(), chunk.data(), std::min(room, chunk.size()), MSG_DONTWAIT);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            if (!wouldBlock())
                connection.state = Connection::State::Gone;
            return;
        }
        if (got == 0) {
            connection.state
                = connection.head.empty() ? Connection::State::Gone : Connection::State::Unfinished;
            return;
        }
        connection.head.append(chunk.data(), static_cast<std::size_t>(got));
        const std::string_view bounded
            = std::string_view(connection.head).substr(0, std::min(connection.head.size(), kMaxRequestHead));
        if (const std::optional<std::size_t> length = requestHeadLength(bounded, connection.searched)) {
            connection.headLength = *length;
            connection.state = Connection::State::Complete;
            return;
        }
        connection.searched = bounded.size();
        if (connection.head.size() > kMaxRequestHead)
            connection.state = Connection::State::Unfinished;
    }
}

// Bytes sent but not yet acknowledged by the client; empty when the socket cannot say.
std::optional<std::uint64_t> unacknowledgedBytes(int fd)
{
    int bytes = 0;
    if (::ioctl(fd, SIOCOUTQ, &bytes) != 0 || bytes < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(bytes);
}

enum class Pumped
{
    // Every byte of the answer is with the kernel.
    Finished,
    // The socket is full; the rest goes out when it has room.
    Blocked,
    // This turn's share is used up; the rest goes out on a later turn.
    Yielded,
    // The answer cannot be completed, or the client is gone.
    Broken,
};

// Every connection is served from one thread. Heads arrive and answers go out side by side, each
// as fast as its client takes it, so a slow or silent client holds up only itself. Plain files go
// from the page cache straight into the socket (sendfile); compressed answers are made piece by
// piece as the client takes them.
class EventLoop
{
public:
    EventLoop(const std::filesystem::path& root, int listener, int stopSignal)
        : m_root(root)
        , m_listener(listener)
        , m_stopSignal(stopSignal)
        , m_poll(::epoll_create1(EPOLL_CLOEXEC))
    {
        if (!m_poll.isValid())
            throw std::system_error(errno, std::generic_category(), "epoll_create1");
        watch(m_stopSignal, EPOLLIN, kStopKey);
        // Of the loops waiting for a new connection, one is woken.
        watch(m_listener, EPOLLIN | EPOLLEXCLUSIVE, kListenerKey);
    }

    ~EventLoop()
    {
        // A client being answered when Stop comes is cut off, and must not take what it got for
        // the whole answer.
        for (auto& [id, connection] : m_connections) {
            if (connection->state == Connection::State::Answering)
                dropConnection(connection->socket);
        }
    }

    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // One wait and what it brought; false once Stop has begun.
    bool turn()
    {
        std::array<epoll_event, 64> events;
        const int count
            = ::epoll_wait(m_poll.get(), events.data(), static_cast<int>(events.size()), timeout());
        if (count < 0 && errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "epoll_wait");
        bool acceptWaiting = false;
        for (int i = 0; i < std::max(count, 0); ++i) {
            const std::uint64_t key = events[static_cast<std::size_t>(i)].data.u64;
            if (key == kStopKey)
                return false;
            if (key == kListenerKey) {
                acceptWaiting = true;
                continue;
            }
            // A connection closed earlier in this batch is no longer listed.
            const auto found = m_connections.find(key);
            if (found != m_connections.end())
                serve(*found->second);
        }
        // Accepted after the batch, so that no event of a connection closed in it can reach a
        // newcomer.
        if (acceptWaiting && Clock::now() >= m_acceptPausedUntil)
            acceptWaiting_();
        enforceLimits(Clock::now());
        return true;
    }

private:
    static constexpr std::uint64_t kStopKey = 0;
    static constexpr std::uint64_t kListenerKey = 1;

    // Connections one loop holds at once, whether their head is arriving or their answer going
    // out; each holds at most the head's bound or an answer's buffers (well under a megabyte) in
    // memory. A browser uses six at a time.
    static constexpr std::size_t kMaxConnections = 64;
    static constexpr std::chrono::milliseconds kAcceptPause { 100 };
    // Connections taken from the queue per turn; the rest wake another loop or the next turn.
    static constexpr std::size_t kAcceptsPerTurn = 8;
    // How often connections whose answers wait for room are looked at for progress.
    static constexpr std::chrono::milliseconds kProgressTick { 250 };
    // The most one connection sends, and the most pieces it makes, in one turn before the others
    // get theirs: a compressed answer of a file that shrinks to nearly nothing would otherwise
    // take the loop for as long as it takes to compress it all.
    static constexpr std::uint64_t kTurnShare = 1024 * 1024;
    static constexpr int kTurnPieces = 16;
    // The most sendfile is asked for at once.
    static constexpr std::size_t kSendFileBytes = 1024 * 1024;

    void watchConnection(Connection& connection, std::uint32_t events)
    {
        watch(connection.socket.get(), events, connection.id,
            connection.watched ? EPOLL_CTL_MOD : EPOLL_CTL_ADD);
        connection.watched = true;
    }

    void watch(int fd, std::uint32_t events, std::uint64_t key, int operation = EPOLL_CTL_ADD)
    {
        epoll_event event {};
        event.events = events;
        event.data.u64 = key;
        if (::epoll_ctl(m_poll.get(), operation, fd, &event) != 0)
            throw std::system_error(errno, std::generic_category(), "epoll_ctl");
    }

    // Until the nearest head deadline, the next look at slow answers, or the end of a pause in
    // accepting; for ever when nothing waits.
    int timeout() const
    {
        const Clock::time_point now = Clock::now();
        std::optional<Clock::time_point> until;
        const auto consider = [&](Clock::time_point when) {
            if (!until || when < *until)
                until = when;
        };
        if (now < m_acceptPausedUntil)
            consider(m_acceptPausedUntil);
        for (const auto& [id, connection] : m_connections) {
            if (connection->state == Connection::State::Arriving)
                consider(connection->headDeadline);
            else if (connection->waitingSince)
                consider(m_lastTick + kProgressTick);
        }
        if (!until)
            return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - now).count();
        return static_cast<int>(std::clamp<decltype(left)>(left, 0, 60'000));
    }

    void acceptWaiting_()
    {
        for (std::size_t round = 0; round < kAcceptsPerTurn; ++round) {
            if (m_connections.size() >= kMaxConnections && !makeRoom())
                return;
            // The listening socket does not block, so a connection that vanished between the
            // wait and here costs nothing but another turn.
            FileDescriptor socket(::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
            if (!socket.isValid()) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                // Out of descriptors or memory: the waiting connection cannot be taken now, and
                // trying again at once would only spin.
                if (!wouldBlock())
                    m_acceptPausedUntil = Clock::now() + kAcceptPause;
                return;
            }
            auto connection = std::make_unique<Connection>();
            connection->id = m_nextId++;
            connection->socket = std::move(socket);
            connection->accepted = Clock::now();
            connection->headDeadline = connection->accepted + PageServer::kClientTimeout;
            const std::uint64_t id = connection->id;
            Connection& added = *connection;
            m_connections.emplace(id, std::move(connection));
            // Under load the head has often come in with the connection, and the answer goes out
            // before the loop ever needs to watch it.
            serve(added);
            if (const auto left = m_connections.find(id);
                left != m_connections.end() && left->second->state == Connection::State::Arriving)
                watchConnection(*left->second, EPOLLIN);
        }
    }

    // Makes room for a newcomer at the cost of the connection that has done least with its time:
    // the one that has had longest to send its head, else the answer that has gone longest
    // without its client taking a byte.
    bool makeRoom()
    {
        Connection* victim = nullptr;
        for (auto& [id, connection] : m_connections) {
            if (connection->state == Connection::State::Arriving
                && (!victim || victim->state != Connection::State::Arriving
                    || connection->accepted < victim->accepted))
                victim = connection.get();
        }
        if (!victim) {
            const Clock::time_point now = Clock::now();
            for (auto& [id, connection] : m_connections) {
                if (connection->state != Connection::State::Answering)
                    continue;
                measureProgress(*connection, now);
                if (!victim || connection->lastProgress < victim->lastProgress)
                    victim = connection.get();
            }
        }
        if (!victim)
            return false;
        close(*victim, victim->state == Connection::State::Answering ? Closing::Drop : Closing::Quietly);
        return true;
    }

    enum class Closing
    {
        // The answer is complete: whatever the client sent beyond its head is taken off first,
        // so that the close does not turn into a reset that destroys the answer in flight.
        Orderly,
        // Nothing was answered.
        Quietly,
        // The answer was cut off: a reset, so that the client cannot take it for a whole one.
        Drop,
    };

    void close(Connection& connection, Closing how)
    {
        if (how == Closing::Orderly)
            discardPendingInput(connection.socket.get());
        if (how == Closing::Drop)
            dropConnection(connection.socket);
        // Closing the descriptor takes it out of the epoll set as well.
        m_connections.erase(connection.id);
    }

    // Whatever the socket says: more of the head, or room for more of the answer.
    void serve(Connection& connection)
    {
        // Whatever goes wrong here (no memory, a file that cannot be read or changes size, a
        // client that goes away) costs this connection only.
        try {
            if (connection.state == Connection::State::Arriving) {
                readArrived(connection);
                if (connection.state == Connection::State::Gone) {
                    close(connection, Closing::Quietly);
                    return;
                }
                if (!connection.isReady())
                    return;
                beginAnswer(connection);
            }
            sendMore(connection);
        } catch (...) {
            close(connection, Closing::Drop);
        }
    }

    void beginAnswer(Connection& connection)
    {
        connection.answer = connection.state == Connection::State::Complete
            ? answerRequest(m_root, std::string_view(connection.head).substr(0, connection.headLength))
            : Answer::notFound();
        connection.state = Connection::State::Answering;
        connection.head = std::string {};
        connection.stream.emplace(*connection.answer);
        widenSendBuffer(connection.socket.get(), *connection.answer);
        connection.lastProgress = Clock::now();
    }

    void sendMore(Connection& connection)
    {
        if (connection.waitingSince) {
            connection.waitedForRoom += Clock::now() - *connection.waitingSince;
            connection.waitingSince.reset();
        }
        const Pumped pumped = pump(connection);
        // After its share of a turn an answer waits for room as well: the kernel may report none
        // for a long while without a send ever having failed.
        if (pumped == Pumped::Blocked || pumped == Pumped::Yielded)
            connection.waitingSince = Clock::now();
        switch (pumped) {
        case Pumped::Finished:
            close(connection, Closing::Orderly);
            return;
        case Pumped::Broken:
            close(connection, Closing::Drop);
            return;
        case Pumped::Blocked:
        case Pumped::Yielded:
            // Level-triggered: a socket that still has room is reported again at once.
            if (!connection.watchingForRoom) {
                watchConnection(connection, EPOLLOUT);
                connection.watchingForRoom = true;
            }
            return;
        }
    }

    Pumped pump(Connection& connection)
    {
        const int fd = connection.socket.get();
        std::uint64_t thisTurn = 0;
        for (int pieces = 0; thisTurn < kTurnShare && pieces < kTurnPieces; ++pieces) {
            const AnswerStream::Piece piece = connection.stream->next();
            ssize_t sent = 0;
            switch (piece.kind) {
            case AnswerStream::Piece::Kind::Done:
                return Pumped::Finished;
            case AnswerStream::Piece::Kind::Broken:
                return Pumped::Broken;
            case AnswerStream::Piece::Kind::Bytes:
                sent = ::send(fd, piece.bytes.data(), piece.bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                break;
            case AnswerStream::Piece::Kind::FileRange: {
                off_t position = static_cast<off_t>(piece.offset);
                sent = ::sendfile(fd, piece.fd, &position,
                    static_cast<std::size_t>(std::min<std::uint64_t>(piece.count, kSendFileBytes)));
                if (sent == 0)
                    return Pumped::Broken; // the file ended early
                break;
            }
            }
            if (sent < 0) {
                if (errno == EINTR)
                    continue;
                return wouldBlock() ? Pumped::Blocked : Pumped::Broken;
            }
            connection.stream->advance(static_cast<std::uint64_t>(sent));
            connection.sent += static_cast<std::uint64_t>(sent);
            thisTurn += static_cast<std::uint64_t>(sent);
        }
        return Pumped::Yielded;
    }

    // Brings the connection's count of bytes its client has taken up to date; a rise is progress.
    static void measureProgress(Connection& connection, Clock::time_point now)
    {
        const std::optional<std::uint64_t> queued = unacknowledgedBytes(connection.socket.get());
        if (!queued)
            return;
        const std::uint64_t acknowledged = connection.sent - std::min(*queued, connection.sent);
        if (acknowledged > connection.acknowledged) {
            connection.acknowledged = acknowledged;
            connection.lastProgress = now;
        }
    }

    // Drops the heads that did not come in time, and the answers whose clients have stalled or
    // take them too slowly.
    void enforceLimits(Clock::time_point now)
    {
        std::vector<std::pair<Connection*, Closing>> ending;
        const bool tick = now >= m_lastTick + kProgressTick;
        for (auto& [id, connection] : m_connections) {
            if (connection->state == Connection::State::Arriving) {
                if (connection->headDeadline <= now)
                    ending.emplace_back(connection.get(), Closing::Quietly);
                continue;
            }
            if (!tick || !connection->waitingSince)
                continue;
            measureProgress(*connection, now);
            if (!keepsUp(*connection, now))
                ending.emplace_back(connection.get(), Closing::Drop);
        }
        if (tick)
            m_lastTick = now;
        for (const auto& [connection, how] : ending)
            close(*connection, how);
    }

    // A client whose answer waits for room keeps it only while it takes it: a byte at least every
    // client timeout, and, over the time the answer has waited for it, no less than the least
    // rate on average, with some slack for a slow start or a pause.
    static bool keepsUp(const Connection& connection, Clock::time_point now)
    {
        const Clock::time_point full = *connection.waitingSince;
        if (now - std::max(connection.lastProgress, full) >= PageServer::kClientTimeout)
            return false;
        const auto earned = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
            static_cast<double>(connection.acknowledged) / static_cast<double>(PageServer::kLeastRate)));
        return connection.waitedForRoom + (now - full) < PageServer::kRateSlack + earned;
    }

    const std::filesystem::path& m_root;
    int m_listener;
    int m_stopSignal;
    FileDescriptor m_poll;
    std::unordered_map<std::uint64_t, std::unique_ptr<Connection>> m_connections;
    std::uint64_t m_nextId = kListenerKey + 1;
    Clock::time_point m_acceptPausedUntil {};
    Clock::time_point m_lastTick {};
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

// Each worker thread runs one loop over the connections it accepted; Stop joins them all, so nothing
// runs behind the server. A thread per connection would cost 1.5 to 2 times the CPU time per
// request.
void PageServer::runWorker(Running* running)
{
    blockPipeSignal();
    // An exception that escaped the thread would end the whole program; a failing turn is tried
    // again, a loop that cannot be set up leaves the server deaf (and Stop still ends it).
    std::optional<EventLoop> loop;
    while (!loop) {
        try {
            loop.emplace(running->root, running->listener.get(), running->stopSignal.get());
        } catch (...) {
            pollfd stop { running->stopSignal.get(), POLLIN, 0 };
            if (::poll(&stop, 1, 100) > 0)
                return;
        }
    }
    bool going = true;
    while (going) {
        try {
            going = loop->turn();
        } catch (...) {
            going = true;
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

Result<void> PageServer::start()
{
    if (m_running)
        return Error { EALREADY, "the page server runs already" };
    std::error_code error;
    std::filesystem::path root = std::filesystem::canonical(m_runFolder, error);
    const bool folder = !error && std::filesystem::is_directory(root, error);
    if (!folder)
        return systemError("cannot serve " + m_runFolder.string(), error ? error.value() : ENOTDIR);

    auto running = std::make_unique<Running>();
    running->root = std::move(root);
    running->stopSignal = FileDescriptor(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!running->stopSignal.isValid())
        return systemError("cannot make the stop signal", errno);
    // The listening socket found by the search is the one kept, so no other program can take
    // the port between finding it free and listening on it.
    Error lastFailure { EADDRINUSE, "no port to try" };
    for (int port = std::max(m_firstPort, 1); port <= kLastPort; ++port) {
        Result<FileDescriptor> listener = listenOnLoopback(port);
        if (listener) {
            running->listener = std::move(listener).value();
            running->port = port;
            break;
        }
        lastFailure = listener.error();
    }
    if (!running->listener.isValid())
        return Error { lastFailure.code,
            "no free port from " + std::to_string(m_firstPort) + " to " + std::to_string(kLastPort)
                + " (last: " + lastFailure.message + ")" };

    // Two loops share the connections, so that compressing one answer (the browser asks for
    // pictures six at a time, gzip-encoded) does not keep the other processor idle; more would
    // only contend for the two processors a small machine has.
    const unsigned loops = std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
    try {
        for (unsigned i = 0; i < loops; ++i)
            running->workers.emplace_back(runWorker, running.get());
    } catch (const std::system_error& failure) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(running->stopSignal.get(), &one, sizeof one);
        for (std::thread& worker : running->workers)
            worker.join();
        return systemError("cannot start the worker", failure.code().value());
    }
    m_running = std::move(running);
    return {};
}

void PageServer::stop()
{
    if (!m_running)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_running->stopSignal.get(), &one, sizeof one);
    for (std::thread& worker : m_running->workers)
        worker.join();
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
