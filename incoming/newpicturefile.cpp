#include "incoming/newpicturefile.h"

#include "core/filedescriptor.h"
#include "core/regularfile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace inkwell {
namespace {

// How many names are tried before the folder is taken to refuse new files for another reason.
constexpr int kNameAttempts = 1000;

bool isDecimal(std::string_view name)
{
    return !name.empty() && name.size() <= 18
        && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

Error failure(const char* what, const fs::path& path, int code)
{
    return Error { code, std::string(what) + " " + path.string() + ": " + systemReason(code) };
}

} // namespace

std::string nextFreeName(std::string_view name, int attempt)
{
    if (attempt <= 0)
        return std::string(name);
    if (isDecimal(name))
        return std::to_string(std::stoull(std::string(name)) + static_cast<unsigned long long>(attempt));
    return std::string(name) + "-" + std::to_string(attempt + 1);
}

Result<fs::path> writeNewPictureFile(
    const fs::path& folder, std::string_view name, std::string_view extension, std::string_view bytes)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const fs::path path = folder / (nextFreeName(name, attempt) + std::string(extension));
        // O_EXCL: created here or not at all, so no file that exists is ever written over.
        FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (!fd.isValid()) {
            if (errno == EEXIST)
                continue;
            return failure("cannot create", path, errno);
        }
        std::string_view rest = bytes;
        while (!rest.empty()) {
            const ssize_t written = ::write(fd.get(), rest.data(), rest.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                const int code = written < 0 ? errno : ENOSPC;
                fd.reset();
                ::unlink(path.c_str());
                return failure("cannot write", path, code);
            }
            rest.remove_prefix(static_cast<std::size_t>(written));
        }
        if (::close(fd.release()) != 0) {
            const int code = errno;
            ::unlink(path.c_str());
            return failure("cannot write", path, code);
        }
        return path;
    }
    return failure("cannot create a new file in", folder, EEXIST);
}

} // namespace inkwell
