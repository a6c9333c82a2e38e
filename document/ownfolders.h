// The folders beside the program where documents live, as far as the program itself put them there:
// what a recovery record may name, and where a killed run's temporary files are looked for.
#pragma once

#include "core/runfolder.h"

#include <cstddef>
#include <filesystem>
#include <vector>

namespace inkwell {

// The parents of project folders: the run folder's "project" and the folder "prj.ini" names (a
// relative one lies below the run folder), each once.
[[nodiscard]] std::vector<std::filesystem::path> projectParentFolders(const RunFolder& runFolder);

// True when folder (absolute) is the run folder's "tmp", lies below its "project" folder or is the
// folder of a project the project history lists; symbolic links and ".." resolved on both sides, so
// that a name that only looks inside does not pass. The folder "prj.ini" names does not count.
[[nodiscard]] bool isOwnDocumentFolder(const RunFolder& runFolder, const std::filesystem::path& folder);

// Removes the temporary files a run killed during an atomic write left in the folders the program
// writes to: the run folder, "system", "tmp" and every project folder directly below a project parent.
// The number removed.
std::size_t removeLeftoverTemporaryFiles(const RunFolder& runFolder);

} // namespace inkwell
