// Whole files for tests and benchmarks: their bytes read and written in one call.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace inkwell::testing {

// The file's bytes; empty when it cannot be read, so that a wait can poll for a file still to come.
[[nodiscard]] std::string fileBytes(const std::filesystem::path& path);

// The file's bytes; throws std::runtime_error with the system's reason when it cannot be read, for
// fixtures that must be there.
[[nodiscard]] std::string requiredFileBytes(const std::filesystem::path& path);

// Creates the missing parent folders; throws std::runtime_error when the file cannot be written.
void writeFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace inkwell::testing
