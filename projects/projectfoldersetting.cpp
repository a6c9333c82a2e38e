#include "projects/projectfoldersetting.h"

#include "platform/inifile.h"

namespace inkwell {

std::string ProjectFolderSetting(const std::filesystem::path& runFolder)
{
    const IniFile settings(runFolder / "prj.ini");
    auto folder = settings.read("工程目录", "路径", "");
    if (folder.empty()) {
        folder = (runFolder / "project").string();
        // Without a writable run folder the default still serves this opening of the wizard.
        (void)settings.write("工程目录", "路径", folder);
    }
    return folder;
}

} // namespace inkwell
