// Reading a whole file, or whatever an open descriptor still has to give, into memory.
#pragma once

#include "core/result.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace inkwell {

// The bytes of the regular file at path. A folder is an error (EISDIR), not an empty file; a named
// pipe, socket or device is refused (kNotARegularFile) without waiting on it.
[[nodiscard]] Result<std::string> readFile(const std::filesystem::path& path);

// Everything left to read from fd up to its end; fd stays open. The message names what, e.g. a path.
[[nodiscard]] Result<std::string> readAll(int fd, const std::string& what);

// Up to size bytes of fd from offset into `into`, fewer only at the end of the file; the descriptor's
// own position is left alone. The message names what, e.g. a path.
[[nodiscard]] Result<std::size_t> readAt(
    int fd, char* into, std::size_t size, std::uint64_t offset, const std::string& what);

} // namespace inkwell
