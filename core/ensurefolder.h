// Makes a working folder exist, one level at a time.
#pragma once

#include "core/result.h"

#include <filesystem>

namespace inkwell {

// True when a file or folder of that name exists, or when one folder (the last level only) could
// be created there.
[[nodiscard]] bool ensureFolder(const std::filesystem::path& path);

// ensureFolder with the system's reason when the folder could not be made.
[[nodiscard]] Result<void> ensureFolderOrError(const std::filesystem::path& path);

} // namespace inkwell
