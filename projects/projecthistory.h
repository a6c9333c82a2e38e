// The list of created projects, "system/工程记录.txt" beside the program: one entry per line, each
// line ended by CR LF, an entry being the full path of a project's document file. Entries are kept
// in creation order and are never removed or merged.
#pragma once

#include "core/runfolder.h"
#include "core/atomicfile.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace inkwell {

class ProjectHistory
{
public:
    explicit ProjectHistory(const RunFolder& runFolder)
        : m_path(runFolder.projectHistoryFile())
    {
    }

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

    // The entries in file order; a missing or unreadable file has none.
    [[nodiscard]] std::vector<std::string> entries() const;

    // Writes the current text followed by entry and CR LF back as the whole file. The file is
    // replaced atomically, so a failed append leaves the old history as it was; a history that is
    // there but cannot be read (no permission, not a regular file) is not replaced at all.
    [[nodiscard]] Result<void> append(std::string_view entry) const;

    // Splits a history text at every CR LF, the text ending at its first zero byte. An empty
    // stretch between two separators is an empty entry; the stretch after the last separator is
    // an entry only when it is not empty, so a final CR LF adds none and an empty text has none.
    [[nodiscard]] static std::vector<std::string> split(std::string_view text);

private:
    // The text up to its first zero byte; empty for a missing file, an error for an unreadable one.
    [[nodiscard]] Result<std::string> currentText() const;

    std::filesystem::path m_path;
};

} // namespace inkwell
