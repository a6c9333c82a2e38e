// Replacing a file's whole content so that readers see either the old or the new bytes, never
// a cut file: the bytes go to a temporary file beside the target, which is then renamed over it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace inkwell {

// The outcome of a file write: empty error text means the write succeeded.
struct [[nodiscard]] FileWriteResult
{
    std::string error; // what went wrong, with the system's reason

    [[nodiscard]] bool ok() const { return error.empty(); }
};

// Writes bytes to path atomically. A symbolic link is followed and its target replaced, the link
// kept; an existing file keeps its permission bits (and its owner and group where the process may
// set them), a new one gets 0666 less the umask. The temporary file's name is never longer than the
// target's, so any name that fits its folder can be written. On failure the target is untouched and
// no temporary file is left.
FileWriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

} // namespace inkwell
