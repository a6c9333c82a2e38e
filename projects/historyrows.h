// The rows of the wizard's history list, made from the history's entries: one row per project file,
// the newest first, each with the project's name, its file and the document it becomes when reopened.
#pragma once

#include "document/documentlocation.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace inkwell {

struct HistoryRow
{
    std::string name; // what the row shows: the project's name (the file's name without its extension)
    std::filesystem::path file; // the document file's full path, lexically normal; the row's tooltip
    DocumentLocation document; // the current document once the project is reopened
    bool missing = false; // the file is gone: the row is greyed and cannot be reopened
};

// Rows for entries in file order (oldest first). An entry repeated later counts once, at its newest
// place; entries naming the same file with different spellings ("a//b", "a/./b") are one file. Empty
// entries name no file and give no row. A relative entry lies below runFolder, the program's current
// folder. The kind follows the extension: ".html" a page, ".css" a style sheet; any other name is
// kept whole with a kind that adds no extension, so that Save writes back to the same file.
// fileExists is asked once per row.
[[nodiscard]] std::vector<HistoryRow> historyRows(const std::vector<std::string>& entries,
    const std::filesystem::path& runFolder,
    const std::function<bool(const std::filesystem::path&)>& fileExists);

// Said in a "提示" box when a greyed row is chosen: the project's name, that its file is gone, and the file.
[[nodiscard]] std::string missingProjectText(const HistoryRow& row);

// Whether path names a file there is (following symbolic links), for historyRows.
[[nodiscard]] bool projectFileExists(const std::filesystem::path& path);

} // namespace inkwell
