// Writing a picture that came without a file of its own (from the clipboard, from a word processor's
// temporary folder) into the document folder under a name of its own.
#pragma once

#include "core/result.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace inkwell {

// The name after `name` when that one is taken: a decimal name counts up (a time stamp becomes the
// next millisecond's), any other gets "-2", then "-3" and so on.
[[nodiscard]] std::string nextFreeName(std::string_view name, int attempt);

// Writes the bytes as a new file `folder`/`name``extension` ("1765432100123" ".png"), or under the next
// free name when that one is taken: an existing file is never replaced, not even one that appears
// meanwhile, since the file is created only where none exists. A file that cannot be written whole
// is removed again. The new file's path, or why it could not be written.
[[nodiscard]] Result<std::filesystem::path> writeNewPictureFile(const std::filesystem::path& folder,
    std::string_view name, std::string_view extension, std::string_view bytes);

} // namespace inkwell
