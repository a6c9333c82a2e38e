// Finding and driving the windows of another process on the X display, with xdotool.
#pragma once

#include "tests/support/process.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <utility>

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

// Moves the pointer to (x, y) in the window, in pixels from its top-left corner, and clicks the left
// button, pausing as long as a program under test needs to follow each.
inline bool clickIn(const std::string& window, int x, int y)
{
    return xdo("mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y)
        + " sleep 0.2 click 1 sleep 0.4");
}

// Saves a picture of the whole screen as a PNG file: what a failed step on the display leaves behind.
inline void saveScreenshot(const std::filesystem::path& file)
{
    const std::string command = "import -window root '" + file.string() + "' >/dev/null 2>&1";
    [[maybe_unused]] const int status = std::system(command.c_str());
}

// The steps of a test that drives the display: a failed one is recorded as a test failure naming a
// screenshot of the moment, <stem>-<n>.png in the folder, n counting the failures from 1.
class DisplaySteps
{
public:
    DisplaySteps(std::filesystem::path folder, std::string stem)
        : m_folder(std::move(folder))
        , m_stem(std::move(stem))
    {
    }

    // ok, recording the step when it failed.
    bool check(const std::string& name, bool ok)
    {
        if (ok)
            return true;
        const std::filesystem::path shot = m_folder / (m_stem + "-" + std::to_string(++m_failures) + ".png");
        saveScreenshot(shot);
        ADD_FAILURE() << "step failed: " << name << "; screenshot: " << shot.string();
        return false;
    }

private:
    std::filesystem::path m_folder;
    std::string m_stem;
    int m_failures = 0;
};

} // namespace inkwell::testing
