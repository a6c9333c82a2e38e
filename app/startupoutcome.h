// What the main window's creation sequence decided: show the window and run, or end the process at
// once with an exit code.
#pragma once

#include <optional>

namespace inkwell {

class [[nodiscard]] StartUpOutcome
{
public:
    [[nodiscard]] static constexpr StartUpOutcome run() { return StartUpOutcome(std::nullopt); }
    [[nodiscard]] static constexpr StartUpOutcome end(int exitCode) { return StartUpOutcome(exitCode); }

    // True when the window is to be shown and the message loop run.
    [[nodiscard]] explicit constexpr operator bool() const { return !m_exitCode; }
    // The exit code of a process that ends at once; 0 for one that runs.
    [[nodiscard]] constexpr int exitCode() const { return m_exitCode.value_or(0); }

private:
    explicit constexpr StartUpOutcome(std::optional<int> exitCode)
        : m_exitCode(exitCode)
    {
    }
    std::optional<int> m_exitCode;
};

} // namespace inkwell
