#include "app/workingfolders.h"

#include <string>
#include <sys/stat.h>

namespace inkwell {

std::optional<std::filesystem::path> RunFolderOfExecutable()
{
    std::error_code ec;
    const auto exe = std::filesystem::canonical("/proc/self/exe", ec);
    if (ec)
        return std::nullopt;
    return exe.parent_path();
}

bool EnsureFolder(const std::filesystem::path& path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) == 0)
        return true;
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool IsBelowTemporaryFolder(std::string_view runFolder, std::string_view temporaryFolder)
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
