// Replacing a file's whole content so that readers see either the old or the new bytes, never a cut
// file: the bytes go to a temporary file beside the target, which is then renamed over it.
#pragma once

#include "core/filedescriptor.h"
#include "core/result.h"

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace inkwell {

// A file being written beside its target, in as many pieces as the caller likes; commit() puts it in
// the target's place, and an AtomicFile destroyed without a commit leaves nothing behind.
//
// Who may read a file the atomic writer puts in place.
enum class FileAccess
{
    // An existing file keeps its permission bits (and its owner and group where the process may set
    // them); a new one gets 0666 less the umask.
    AsBefore,
    // The owner alone (0600), whatever the file had before: for copies of unsaved work, which other
    // users of a shared folder must not read. Such a file is never written through a symbolic link: a
    // link at its name is refused with kPrivateFileIsALink and what it points to stays as it was.
    OwnerOnly,
};

// A symbolic link is followed and its target replaced, the link kept (not for OwnerOnly files). The temporary
// file's name is never longer than the target's, so any name that fits its folder can be written; it is
// hidden, and names of three bytes or more have a shape of their own (isAtomicTemporaryName) so that one left
// by a killed run can be found again. Until commit() succeeds the target is untouched. Every error message
// names the path as the caller gave it.
class AtomicFile
{
public:
    [[nodiscard]] static Result<AtomicFile> create(
        const std::filesystem::path& path, FileAccess access = FileAccess::AsBefore);

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
[[nodiscard]] Result<void> writeFileAtomically(
    const std::filesystem::path& path, std::string_view bytes, FileAccess access = FileAccess::AsBefore);

// True for a name the atomic writer gives its temporary files: ".~" and one to ten ASCII letters or
// digits. Shorter temporary names have no such shape and are never taken for leftovers.
[[nodiscard]] bool isAtomicTemporaryName(std::string_view name);

// Removes, from folder itself (not from folders inside it), the regular files of this user whose
// names the atomic writer makes: what a run killed in the middle of a write left behind. The number
// removed; a folder that cannot be read has none.
std::size_t removeLeftoverTemporaryFiles(const std::filesystem::path& folder);

} // namespace inkwell
