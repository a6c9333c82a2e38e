// The default parent folder of new projects, kept in "prj.ini" beside the program. The file only
// ever receives this default: a folder the user chooses in the wizard is not remembered.
#pragma once

#include "core/runfolder.h"

#include <string>

namespace inkwell {

// The value of key "路径" in section "工程目录" of the run folder's "prj.ini". When it is missing or
// empty it becomes the run folder's "project" folder, which is written to that key (a failed write is not
// reported: the default is simply computed again next time).
[[nodiscard]] std::string projectFolderSetting(const RunFolder& runFolder);

} // namespace inkwell
