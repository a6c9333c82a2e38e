// PageServer: the small HTTP/1.1 file server that lets the archive builder fetch the page being
// edited and everything it refers to. Serves the files below the run folder on 127.0.0.1, to
// requests that name a loopback host or none, one request per connection. Connections are
// answered side by side, each at its own client's pace, by a loop on each of up to two worker
// threads. Files are streamed, so their size does not matter.
#pragma once

#include "core/result.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace inkwell {

class PageServer
{
public:
    static constexpr int kFirstPort = 8889;
    static constexpr int kLastPort = 65535;
    // How long a client has, from being accepted, to send its whole request head; and how long
    // it may take no bytes of its answer. Past either it is dropped without further ado.
    static constexpr std::chrono::milliseconds kClientTimeout { 3000 };
    // A client that does take its answer must also keep up: from the start of the answer it may
    // fall behind this rate (bytes a second) by kRateSlack at most, or it is dropped. Clients on
    // this machine take megabytes in a moment; one that trickles holds a connection and an open
    // file for nothing.
    static constexpr std::uint64_t kLeastRate = 1024 * 1024;
    static constexpr std::chrono::milliseconds kRateSlack { 8000 };

    // `firstPort` is where the port search begins; only tests move it.
    explicit PageServer(std::filesystem::path runFolder, int firstPort = kFirstPort);
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // Listens on the first free port from `firstPort` up to 65535 and starts the worker threads.
    // Fails when the server already runs (EALREADY), the run folder cannot be resolved, no port is
    // free (with the reason the last port gave), or a worker cannot be started; the server is
    // then not started.
    [[nodiscard]] Result<void> start();
    // Closes the listening socket and waits until the workers have ended; a client being
    // served is cut off. The server may be started again.
    void stop();

    // The port clients connect to, empty unless started.
    [[nodiscard]] std::optional<int> port() const;
    // The address the listening socket is bound to as read back from it ("127.0.0.1"), empty
    // unless started.
    [[nodiscard]] std::optional<std::string> boundAddress() const;

private:
    struct Running;
    static void runWorker(Running* running);

    std::filesystem::path m_runFolder;
    int m_firstPort = kFirstPort;
    std::unique_ptr<Running> m_running;
};

} // namespace inkwell
