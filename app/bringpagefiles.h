// Open's way of bringing a page's local files along: the copy into the document folder, with the
// question before a large site and the box afterwards that names what could not be copied.
#pragma once

#include "core/messageservice.h"

#include <filesystem>
#include <string>

namespace inkwell {

// Copies the local files `html` (the text read from pageFile) names by relative address into
// documentFolder, asking first above 200 files or 100 MB ("否" copies nothing), and names in one box
// what could not be copied and why. The page to load: html with the addresses of files that took
// another place rewritten.
[[nodiscard]] std::string bringPageFiles(MessageService& messages, const std::filesystem::path& pageFile,
    std::string html, const std::filesystem::path& documentFolder);

} // namespace inkwell
