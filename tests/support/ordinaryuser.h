// Starting the real program as an ordinary user would, with a home of its own. Root writes into any
// folder whatever its mode, so a test run as root starts the program as "nobody" (setpriv) and hands
// it the folders it must write; a test run by another user starts it as that user.
#pragma once

#include "tests/support/process.h"
#include "tests/support/tempfolder.h"

#include <cstdlib>
#include <filesystem>
#include <grp.h>
#include <map>
#include <memory>
#include <optional>
#include <pwd.h>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace inkwell::testing {

// Whether every folder from the root down to folder lets others pass through it.
inline bool othersCanEnter(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path canonical = fs::canonical(folder, ec);
    if (ec)
        return false;
    for (fs::path step = canonical;; step = step.parent_path()) {
        const auto perms = fs::status(step, ec).permissions();
        if (ec || (perms & fs::perms::others_exec) == fs::perms::none)
            return false;
        if (step == step.root_path())
            return true;
    }
}

// A folder in which to make folders for another user, whoever cloned the project where: the build
// folder may lie in a home folder others cannot enter. The system's temporary folder, or a shared
// one when that is private. The program started there gets a temporary folder of its own below it,
// so its refusal to run from below the temporary folder does not apply.
inline std::filesystem::path sharedWorkBase()
{
    for (const std::filesystem::path& candidate : { std::filesystem::temp_directory_path(),
             std::filesystem::path("/var/tmp"), std::filesystem::path("/tmp") }) {
        if (othersCanEnter(candidate))
            return candidate;
    }
    throw std::runtime_error("no temporary folder that another user can enter");
}

class OrdinaryUser
{
public:
    // Makes a work folder that the user can reach, with a home, its data, temporary and lock folders
    // below it.
    OrdinaryUser()
        : m_work(sharedWorkBase())
        , m_home(m_work.path() / "home")
        , m_temp(m_work.path() / "tmp")
        , m_locks(m_work.path() / "locks")
    {
        namespace fs = std::filesystem;
        const fs::path& work = m_work.path();
        if (::geteuid() == 0) {
            const passwd* user = ::getpwnam("nobody");
            const group* nogroup = ::getgrnam("nogroup");
            if (!user || !nogroup)
                throw std::runtime_error("no user nobody or group nogroup");
            m_uid = user->pw_uid;
            m_gid = nogroup->gr_gid;
        }
        fs::permissions(work, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        for (const auto& folder : { m_home, m_temp, m_locks }) {
            fs::create_directories(folder);
            fs::permissions(folder, fs::perms::owner_all);
            give(folder);
        }
        // The X display's cookie, where the user can read it.
        if (const char* cookie = std::getenv("XAUTHORITY"); cookie && fs::is_regular_file(cookie)) {
            m_cookie = m_home / ".Xauthority";
            fs::copy_file(cookie, m_cookie, fs::copy_options::overwrite_existing);
            give(m_cookie);
        }
    }

    // Hands a file or folder made by the test to the user (nothing to do when the test is the user).
    void give(const std::filesystem::path& path) const
    {
        if (m_uid && ::chown(path.c_str(), *m_uid, *m_gid) != 0)
            throw std::runtime_error("cannot hand " + path.string() + " over");
    }

    // The user's work folder: the test puts here whatever the user must reach (a copy of the program).
    [[nodiscard]] const std::filesystem::path& work() const { return m_work.path(); }
    [[nodiscard]] const std::filesystem::path& home() const { return m_home; }

    // Starts program in folder as the user; dataHome is XDG_DATA_HOME (empty: unset, as the program
    // takes an empty value).
    [[nodiscard]] std::unique_ptr<ChildProcess> start(const std::filesystem::path& program,
        const std::filesystem::path& folder, const std::string& dataHome) const
    {
        std::map<std::string, std::string> env { { "HOME", m_home.string() }, { "XDG_DATA_HOME", dataHome },
            { "XDG_CONFIG_HOME", (m_home / ".config").string() },
            { "XDG_CACHE_HOME", (m_home / ".cache").string() }, { "TMPDIR", m_temp.string() },
            { "XDG_RUNTIME_DIR", m_locks.string() }, { "DBUS_SESSION_BUS_ADDRESS", "" } };
        if (!m_cookie.empty())
            env["XAUTHORITY"] = m_cookie.string();
        if (!m_uid)
            return std::make_unique<ChildProcess>(program, std::vector<std::string> {}, folder, env);
        // The browser engine's sandbox needs kernel features a container may lack; it is not what is tested.
        env["QTWEBENGINE_DISABLE_SANDBOX"] = "1";
        return std::make_unique<ChildProcess>("/usr/bin/setpriv",
            std::vector<std::string> { "--reuid=" + std::to_string(*m_uid),
                "--regid=" + std::to_string(*m_gid), "--clear-groups", program.string() },
            folder, env);
    }

private:
    TempFolder m_work;
    std::filesystem::path m_home;
    std::filesystem::path m_temp;
    std::filesystem::path m_locks;
    std::filesystem::path m_cookie;
    std::optional<uid_t> m_uid;
    std::optional<gid_t> m_gid;
};

} // namespace inkwell::testing
