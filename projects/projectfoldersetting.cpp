#include "projects/projectfoldersetting.h"

#include "core/ignoredoutcome.h"
#include "core/inifile.h"

namespace inkwell {

std::string projectFolderSetting(const RunFolder& runFolder)
{
    const IniFile settings(runFolder.projectFolderSettingFile());
    auto folder = settings.read("工程目录", "路径", "");
    if (folder.empty()) {
        folder = runFolder.projectsFolder().string();
        ignoreOutcome(settings.write("工程目录", "路径", folder),
            "without a writable run folder the default still serves this opening of the wizard");
    }
    return folder;
}

} // namespace inkwell
