// The run folder, the folder holding the program, and every file and folder the program keeps in it.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace inkwell {

// The layout below the run folder is fixed: users and earlier runs find their settings, projects and
// unsaved pages under these names, so they never change.
class RunFolder
{
public:
    // Folder names as they also appear in the page server's URLs.
    static constexpr std::string_view kTmpFolderName = "tmp";
    static constexpr std::string_view kProjectsFolderName = "project";

    explicit RunFolder(std::filesystem::path path)
        : m_path(std::move(path))
    {
    }

    // The canonical folder of the running executable; none when /proc/self/exe cannot be resolved.
    [[nodiscard]] static std::optional<RunFolder> ofExecutable();

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

    // "system": the settings, the project history and the recovery copy of unsaved work.
    [[nodiscard]] std::filesystem::path systemFolder() const;
    // "tmp": the pages of runs without a project, under time-based names.
    [[nodiscard]] std::filesystem::path tmpFolder() const;
    // "project": the default parent folder of new projects.
    [[nodiscard]] std::filesystem::path projectsFolder() const;

    // "prj.ini": the default parent folder of new projects as a setting.
    [[nodiscard]] std::filesystem::path projectFolderSettingFile() const;
    // "system/title.ini": the main window's caption.
    [[nodiscard]] std::filesystem::path titleSettingFile() const;
    // "system/guid.ini": whether the new-project wizard opens at start-up.
    [[nodiscard]] std::filesystem::path wizardSettingFile() const;
    // "system/工程记录.txt": the list of created projects.
    [[nodiscard]] std::filesystem::path projectHistoryFile() const;
    // "system/recover.html" and "system/recover.ini": the recovery copy of a page with unsaved changes
    // and the record of the document it belongs to.
    [[nodiscard]] std::filesystem::path recoveryPageFile() const;
    [[nodiscard]] std::filesystem::path recoveryRecordFile() const;

private:
    std::filesystem::path m_path;
};

// True when the run folder lies below the temporary folder, where archive tools unpack the files
// they open. The temporary folder itself is allowed. Both paths are compared as text; a trailing
// "/" is added to the temporary folder when missing.
[[nodiscard]] bool isBelowTemporaryFolder(std::string_view runFolder, std::string_view temporaryFolder);

} // namespace inkwell
