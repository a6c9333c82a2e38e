// Opening a file to read it, safely: never blocking on a named pipe or a device, accepting only a
// regular file, and telling where the opened file really lies so callers decide on what they hold.
#pragma once

#include "core/filedescriptor.h"
#include "core/result.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/types.h>

namespace inkwell {

// The system's own words for an Error::code: strerror, and a phrase for kNotARegularFile.
[[nodiscard]] std::string systemReason(int code);

struct OpenedFile
{
    FileDescriptor fd; // blocking again, positioned at the start
    std::filesystem::path realPath; // absolute, every symbolic link resolved, as the kernel opened it
    std::uint64_t size = 0; // bytes, when opened
    mode_t mode = 0; // type and permission bits, when opened
    uid_t owner = 0;
};

// Opens path for reading. A named pipe is opened without waiting for a writer and then refused like
// every other non-file; a folder is refused with EISDIR.
[[nodiscard]] Result<OpenedFile> openRegularFile(const std::filesystem::path& path);

// The same for a name inside an open folder (openat); a symbolic link in `name` is followed unless
// `followLinks` is false, in which case it is refused with ELOOP.
enum class FinalLink
{
    Follow,
    Refuse,
};
[[nodiscard]] Result<OpenedFile> openRegularFileAt(
    int folderFd, const std::filesystem::path& name, FinalLink finalLink = FinalLink::Follow);

// The same for a relative path inside an open folder, resolved by the kernel without ever leaving that
// folder (a ".." or a symbolic link that leads out is refused with EXDEV), whatever names lead to it
// meanwhile. ENOSYS where the kernel cannot resolve so.
[[nodiscard]] Result<OpenedFile> openRegularFileBeneath(int folderFd, const std::filesystem::path& relative);

// Where an open descriptor's file lies now (read from /proc/self/fd), all links resolved.
[[nodiscard]] Result<std::filesystem::path> realPathOf(int fd);

} // namespace inkwell
