#include "projects/wizardatstart.h"

#include "core/inifile.h"

namespace inkwell {
namespace {

constexpr std::string_view kYes = "真";
constexpr std::string_view kNo = "假";

IniFile guideSettings(const RunFolder& runFolder)
{
    return IniFile(runFolder.wizardSettingFile());
}

} // namespace

bool showWizardAtStart(const RunFolder& runFolder)
{
    return guideSettings(runFolder).read("向导", "是否显示", kYes) == kYes;
}

bool setShowWizardAtStart(const RunFolder& runFolder, bool show)
{
    return guideSettings(runFolder).write("向导", "是否显示", show ? kYes : kNo);
}

} // namespace inkwell
