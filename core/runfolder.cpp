#include "core/runfolder.h"

#include <cerrno>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace inkwell {
namespace {

constexpr std::string_view kSystemFolderName = "system";
constexpr std::string_view kProjectFolderSettingName = "prj.ini";
constexpr std::string_view kTitleSettingName = "title.ini";
constexpr std::string_view kWizardSettingName = "guid.ini";
constexpr std::string_view kProjectHistoryName = "工程记录.txt";
constexpr std::string_view kRecoveryPageName = "recover.html";
constexpr std::string_view kRecoveryRecordName = "recover.ini";

} // namespace

std::optional<RunFolder> RunFolder::ofExecutable()
{
    std::error_code ec;
    const auto exe = std::filesystem::canonical("/proc/self/exe", ec);
    if (ec)
        return std::nullopt;
    return RunFolder(exe.parent_path());
}

std::filesystem::path RunFolder::systemFolder() const
{
    return m_path / kSystemFolderName;
}

std::filesystem::path RunFolder::tmpFolder() const
{
    return m_path / kTmpFolderName;
}

std::filesystem::path RunFolder::projectsFolder() const
{
    return m_path / kProjectsFolderName;
}

std::filesystem::path RunFolder::projectFolderSettingFile() const
{
    return m_path / kProjectFolderSettingName;
}

std::filesystem::path RunFolder::titleSettingFile() const
{
    return systemFolder() / kTitleSettingName;
}

std::filesystem::path RunFolder::wizardSettingFile() const
{
    return systemFolder() / kWizardSettingName;
}

std::filesystem::path RunFolder::projectHistoryFile() const
{
    return systemFolder() / kProjectHistoryName;
}

std::filesystem::path RunFolder::recoveryPageFile() const
{
    return systemFolder() / kRecoveryPageName;
}

std::filesystem::path RunFolder::recoveryRecordFile() const
{
    return systemFolder() / kRecoveryRecordName;
}

std::filesystem::path chooseRunFolder(
    const std::filesystem::path& programFolder, std::string_view xdgDataHome, std::string_view home)
{
    // access() asks with the real user's rights and sees a read-only mount, which a look at the mode
    // bits misses.
    if (::access(programFolder.c_str(), W_OK) == 0)
        return programFolder;
    std::filesystem::path data(xdgDataHome);
    if (data.empty() || data.is_relative()) {
        std::filesystem::path homeFolder(home);
        if (homeFolder.empty()) {
            if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir)
                homeFolder = user->pw_dir;
        }
        data = homeFolder / ".local" / "share";
    }
    return data / "inkwell";
}

bool ensurePrivateRunFolder(const std::filesystem::path& path)
{
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (::mkdir(path.c_str(), 0700) == 0)
        return true;
    return errno == EEXIST && std::filesystem::is_directory(path, error);
}

bool isBelowTemporaryFolder(std::string_view runFolder, std::string_view temporaryFolder)
{
    if (temporaryFolder.empty())
        return false;
    std::string temp(temporaryFolder);
    if (temp.back() != '/')
        temp += '/';
    // A prefix test, not a substring test: on this platform the temporary folder is short ("/tmp/"),
    // and a substring test would refuse folders such as "/home/me/tmp/site" or "/var/tmp/x".
    std::string run(runFolder);
    if (run.empty() || run.back() != '/')
        run += '/';
    return run.size() > temp.size() && run.compare(0, temp.size(), temp) == 0;
}

} // namespace inkwell
