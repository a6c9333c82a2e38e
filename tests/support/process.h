// Starting the real program (or any command) as a child process with its own environment, and
// waiting for it with a bounded wait.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace inkwell::testing {

class ChildProcess
{
public:
    // Runs program with args in folder; overrides are added to (or replace) this process's environment.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
        const std::filesystem::path& folder, const std::map<std::string, std::string>& overrides = {})
    {
        std::map<std::string, std::string> env;
        for (char** e = environ; *e; ++e) {
            std::string entry(*e);
            const auto eq = entry.find('=');
            if (eq != std::string::npos)
                env[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
        for (const auto& [k, v] : overrides)
            env[k] = v;
        std::vector<std::string> envStrings;
        for (const auto& [k, v] : env)
            envStrings.push_back(k + "=" + v);
        std::vector<char*> envp;
        for (auto& s : envStrings)
            envp.push_back(s.data());
        envp.push_back(nullptr);

        std::vector<std::string> argStrings { program.string() };
        argStrings.insert(argStrings.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& s : argStrings)
            argv.push_back(s.data());
        argv.push_back(nullptr);

        // The child changes into folder before exec: posix_spawn has no portable chdir, so fork.
        m_pid = ::fork();
        if (m_pid == 0) {
            if (::chdir(folder.c_str()) != 0)
                ::_exit(127);
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
    }
    ~ChildProcess()
    {
        if (m_pid > 0 && !m_exitCode) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    [[nodiscard]] pid_t pid() const { return m_pid; }

    // The exit code when the child ended within timeout (-signal when killed by one).
    std::optional<int> waitFor(std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!m_exitCode) {
            int status = 0;
            const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
            if (r == m_pid) {
                m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return m_exitCode;
    }

    [[nodiscard]] bool isRunning() { return !waitFor(std::chrono::milliseconds(0)); }

    void kill(int signal)
    {
        if (m_pid > 0 && !m_exitCode)
            ::kill(m_pid, signal);
    }

private:
    pid_t m_pid = -1;
    std::optional<int> m_exitCode;
};

// Polls condition until it holds or timeout passes.
inline bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// Runs a shell command and returns what it printed on standard output.
inline std::string commandOutput(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

// Runs a shell command and returns its standard output and error together, then "exit N": a failed
// check shows the whole of what the command said.
inline std::string commandOutputAndExit(const std::string& command)
{
    return commandOutput("(" + command + ") 2>&1; echo \"exit $?\"");
}

} // namespace inkwell::testing
