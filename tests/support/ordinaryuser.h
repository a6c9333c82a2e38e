// Starting the real program as an ordinary user would, with a home of its own. Root writes into any
// folder whatever its mode, so a test run as root starts the program as "nobody" (setpriv) and hands
// it the folders it must write; a test run by another user starts it as that user.
#pragma once

#include "tests/support/process.h"

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

class OrdinaryUser
{
public:
    // Makes home, its data, temporary and lock folders below work, which becomes reachable by the user.
    explicit OrdinaryUser(const std::filesystem::path& work)
        : m_home(work / "home")
        , m_temp(work / "tmp")
        , m_locks(work / "locks")
    {
        namespace fs = std::filesystem;
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
    std::filesystem::path m_home;
    std::filesystem::path m_temp;
    std::filesystem::path m_locks;
    std::filesystem::path m_cookie;
    std::optional<uid_t> m_uid;
    std::optional<gid_t> m_gid;
};

} // namespace inkwell::testing
