#include "document/ownfolders.h"

#include "core/atomicfile.h"
#include "core/inifile.h"
#include "core/readfile.h"

#include <algorithm>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace inkwell {
namespace {

// How many project folders below one parent are looked into at start-up: a parent the user pointed
// at a large folder must not make the start slow.
constexpr std::size_t kMaxProjectFoldersSearched = 1000;

// The path with links and ".." resolved as far as it exists; nothing when that cannot be done.
std::optional<fs::path> resolved(const fs::path& path)
{
    std::error_code error;
    fs::path result = fs::weakly_canonical(path, error);
    if (error)
        return std::nullopt;
    return result;
}

// True when inner lies strictly below outer; both resolved.
bool isStrictlyBelow(const fs::path& inner, const fs::path& outer)
{
    const fs::path relative = inner.lexically_relative(outer);
    return !relative.empty() && relative != "." && *relative.begin() != "..";
}

// The folders of the projects the history lists (each entry is a project's document file, the
// entries end in CR LF and the text at its first zero byte): where the wizard made them, wherever the
// user pointed it.
std::vector<fs::path> listedProjectFolders(const RunFolder& runFolder)
{
    std::string text = readFile(runFolder.projectHistoryFile()).valueOr({});
    text.resize(std::min(text.size(), text.find('\0')));
    std::vector<fs::path> folders;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find("\r\n", start), text.size());
        const fs::path entry(text.substr(start, end - start));
        if (entry.is_absolute() && entry.has_parent_path())
            folders.push_back(entry.parent_path());
        start = end + 2;
    }
    return folders;
}

} // namespace

std::vector<fs::path> projectParentFolders(const RunFolder& runFolder)
{
    std::vector<fs::path> parents { runFolder.projectsFolder() };
    const std::string named = IniFile(runFolder.projectFolderSettingFile()).read("工程目录", "路径", "");
    if (!named.empty()) {
        fs::path folder(named);
        if (folder.is_relative())
            folder = runFolder.path() / folder;
        if (std::find(parents.begin(), parents.end(), folder) == parents.end())
            parents.push_back(std::move(folder));
    }
    return parents;
}

bool isOwnDocumentFolder(const RunFolder& runFolder, const fs::path& folder)
{
    if (!folder.is_absolute())
        return false;
    const auto real = resolved(folder);
    if (!real)
        return false;
    if (const auto tmp = resolved(runFolder.tmpFolder()); tmp && *real == *tmp)
        return true;
    if (const auto projects = resolved(runFolder.projectsFolder());
        projects && isStrictlyBelow(*real, *projects))
        return true;
    // "prj.ini" only proposes a parent for new projects; what the wizard made elsewhere is in the
    // history, one folder each. The setting itself widens nothing: anyone who could change it could
    // otherwise send a recovered page anywhere below the folder it names.
    const auto listed = listedProjectFolders(runFolder);
    return std::any_of(listed.begin(), listed.end(), [&](const fs::path& project) {
        const auto realProject = resolved(project);
        return realProject && *real == *realProject;
    });
}

std::size_t removeLeftoverTemporaryFiles(const RunFolder& runFolder)
{
    std::size_t removed = removeLeftoverTemporaryFiles(runFolder.path());
    removed += removeLeftoverTemporaryFiles(runFolder.systemFolder());
    removed += removeLeftoverTemporaryFiles(runFolder.tmpFolder());
    for (const auto& parent : projectParentFolders(runFolder)) {
        std::error_code error;
        fs::directory_iterator entries(parent, error);
        for (std::size_t searched = 0;
             !error && entries != fs::directory_iterator() && searched < kMaxProjectFoldersSearched;
             entries.increment(error), ++searched) {
            // Project folders only, not links to folders elsewhere.
            std::error_code kindError;
            if (entries->is_directory(kindError) && !entries->is_symlink(kindError))
                removed += removeLeftoverTemporaryFiles(entries->path());
        }
    }
    return removed;
}

} // namespace inkwell
