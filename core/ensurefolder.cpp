#include "core/ensurefolder.h"

#include "core/regularfile.h"

#include <cerrno>
#include <sys/stat.h>

namespace inkwell {

bool ensureFolder(const std::filesystem::path& path)
{
    return ensureFolderOrError(path).ok();
}

Result<void> ensureFolderOrError(const std::filesystem::path& path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) == 0 || ::mkdir(path.c_str(), 0777) == 0)
        return {};
    const int code = errno;
    return Error { code, "cannot create the folder " + path.string() + ": " + systemReason(code) };
}

} // namespace inkwell
