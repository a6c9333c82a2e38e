// Runs a PageServer over a folder for load measurements: prints the port it found, then serves
// until it is sent SIGTERM or SIGINT.
#include "publishing/pageserver.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    // Blocked before any worker exists, so the workers inherit the mask and the signal waits for
    // sigwait below instead of ending the process in the middle of an answer.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    inkwell::PageServer server(argv[1]);
    if (!server.start()) {
        std::fprintf(stderr, "the page server could not start on %s\n", argv[1]);
        return 1;
    }
    std::printf("%d\n", *server.port());
    std::fflush(stdout);

    int received = 0;
    sigwait(&endSignals, &received);
    server.stop();
    return 0;
}
