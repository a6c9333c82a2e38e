#include "core/ensurefolder.h"

#include <sys/stat.h>

namespace inkwell {

bool ensureFolder(const std::filesystem::path& path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) == 0)
        return true;
    return ::mkdir(path.c_str(), 0777) == 0;
}

} // namespace inkwell
