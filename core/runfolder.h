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

// The run folder of a program in programFolder. The program's own folder while the user can write it
// (an unpacked bundle, a build folder): everything stays beside the program as it always did. An
// installed program's folder (under /usr or /opt) cannot be written, so its run folder is the user's
// data folder for it: $XDG_DATA_HOME/inkwell, or ~/.local/share/inkwell when XDG_DATA_HOME is unset,
// empty or relative (relative values are to be ignored). home is $HOME, or the user's entry in the
// password database when that is empty.
[[nodiscard]] std::filesystem::path chooseRunFolder(
    const std::filesystem::path& programFolder, std::string_view xdgDataHome, std::string_view home);

// Makes the per-user run folder exist: its parents as usual, the folder itself private (0700), as it
// holds unsaved work and settings. A folder that exists is left as it is. False when it could not be made.
[[nodiscard]] bool ensurePrivateRunFolder(const std::filesystem::path& path);

// True when the run folder lies below the temporary folder, where archive tools unpack the files
// they open. The temporary folder itself is allowed. Both paths are compared as text; a trailing
// "/" is added to the temporary folder when missing.
[[nodiscard]] bool isBelowTemporaryFolder(std::string_view runFolder, std::string_view temporaryFolder);

} // namespace inkwell
