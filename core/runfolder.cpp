#include "core/runfolder.h"

#include <string>

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
