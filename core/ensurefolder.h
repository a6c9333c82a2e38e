// Makes a working folder exist, one level at a time.
#pragma once

#include <filesystem>

namespace inkwell {

// True when a file or folder of that name exists, or when one folder (the last level only) could
// be created there.
[[nodiscard]] bool ensureFolder(const std::filesystem::path& path);

} // namespace inkwell
