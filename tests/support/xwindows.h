// Finding and driving the windows of another process on the X display, with xdotool.
#pragma once

#include "tests/support/process.h"

#include <chrono>
#include <cstdlib>
#include <string>

namespace inkwell::testing {

// The X id of a visible window whose whole title the pattern title (an extended regular expression)
// matches, once there is one; empty after the wait.
inline std::string visibleWindow(const std::string& title, std::chrono::milliseconds wait)
{
    std::string ids;
    waitUntil(
        [&] {
            ids = commandOutput("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null");
            return !ids.empty();
        },
        wait);
    return ids.substr(0, ids.find('\n'));
}

// Runs xdotool commands in one go; true when xdotool did them all. Its "type" takes every word after
// it as text, so it ends a command line.
inline bool xdo(const std::string& commands)
{
    return std::system(("xdotool " + commands + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace inkwell::testing
