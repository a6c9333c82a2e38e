// The run folder and the working folders beside the program file.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace inkwell {

// The canonical folder of the running executable.
[[nodiscard]] std::optional<std::filesystem::path> RunFolderOfExecutable();

// True when a file or folder of that name exists, or when one folder (the last level only) could
// be created there.
[[nodiscard]] bool EnsureFolder(const std::filesystem::path& path);

// True when the run folder lies below the temporary folder, where archive tools unpack the files
// they open. The temporary folder itself is allowed. Both paths are compared as text; a trailing
// "/" is added to the temporary folder when missing.
[[nodiscard]] bool IsBelowTemporaryFolder(std::string_view runFolder, std::string_view temporaryFolder);

} // namespace inkwell
