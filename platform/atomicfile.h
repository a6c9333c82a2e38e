// Replacing a file's whole content so that readers see either the old or the new bytes, never a cut
// file: the bytes go to a temporary file beside the target, which is then renamed over it.
#pragma once

#include "platform/filedescriptor.h"
#include "platform/result.h"

#include <filesystem>
#include <string_view>

namespace inkwell {

// A file being written beside its target, in as many pieces as the caller likes; commit() puts it in
// the target's place, and an AtomicFile destroyed without a commit leaves nothing behind.
//
// A symbolic link is followed and its target replaced, the link kept; an existing file keeps its
// permission bits (and its owner and group where the process may set them), a new one gets 0666 less
// the umask. The temporary file's name is never longer than the target's, so any name that fits its
// folder can be written. Until commit() succeeds the target is untouched. Every error message names
// the path as the caller gave it.
class AtomicFile
{
public:
    [[nodiscard]] static Result<AtomicFile> create(const std::filesystem::path& path);

    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&& other) noexcept;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    [[nodiscard]] Result<void> write(std::string_view bytes);
    // Flushes the bytes to the disk and renames the file over the target; the file is done either way.
    [[nodiscard]] Result<void> commit();

private:
    AtomicFile(std::filesystem::path path, std::filesystem::path target, std::filesystem::path temp,
        FileDescriptor fd);
    [[nodiscard]] Error fail(const char* what, int error);
    void discard();

    std::filesystem::path m_path; // as the caller named it, for messages
    std::filesystem::path m_target; // where the bytes land: links followed
    std::filesystem::path m_temp; // empty once committed or discarded
    FileDescriptor m_fd;
};

// Writes bytes to path atomically, as AtomicFile does in one piece.
[[nodiscard]] Result<void> writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

} // namespace inkwell
