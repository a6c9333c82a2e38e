// Reading a whole file, or whatever an open descriptor still has to give, into memory.
#pragma once

#include "core/result.h"

#include <filesystem>
#include <string>

namespace inkwell {

// The bytes of the regular file at path. A folder is an error (EISDIR), not an empty file; a named
// pipe, socket or device is refused (kNotARegularFile) without waiting on it.
[[nodiscard]] Result<std::string> readFile(const std::filesystem::path& path);

// Everything left to read from fd up to its end; fd stays open. The message names what, e.g. a path.
[[nodiscard]] Result<std::string> readAll(int fd, const std::string& what);

} // namespace inkwell
