// Keeps the main window's commands from running inside one another.
#pragma once

#include <functional>
#include <vector>

namespace inkwell {

// A command that waits for the engine does so in a nested event loop, where timers and signals still
// run. What they start meanwhile must not run inside the waiting command: a user's command (a click or
// key that arrives through a signal) is refused, and work the program scheduled itself (the recovery
// copy, the reload after a renderer ended) is deferred until the running command has finished.
class CommandGuard
{
public:
    // Runs command at once when no command is running, and then whatever was deferred meanwhile; false,
    // with nothing run, when a command is running.
    bool run(const std::function<void()>& command);
    // Runs command at once when no command is running, else after the running one, in the order
    // deferred.
    void runOrDefer(std::function<void()> command);
    [[nodiscard]] bool busy() const { return m_running; }

private:
    bool m_running = false;
    std::vector<std::function<void()>> m_deferred;
};

} // namespace inkwell
