#include "app/commandguard.h"

#include <utility>

namespace inkwell {

bool CommandGuard::run(const std::function<void()>& command)
{
    if (m_running)
        return false;
    m_running = true;
    command();
    // Deferred work runs as commands of its own, one after another; what it defers in turn comes after.
    while (!m_deferred.empty()) {
        auto next = std::move(m_deferred.front());
        m_deferred.erase(m_deferred.begin());
        next();
    }
    m_running = false;
    return true;
}

void CommandGuard::runOrDefer(std::function<void()> command)
{
    if (m_running)
        m_deferred.push_back(std::move(command));
    else
        (void)run(command);
}

} // namespace inkwell
