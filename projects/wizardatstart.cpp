#include "projects/wizardatstart.h"

#include "platform/inifile.h"

namespace inkwell {
namespace {

constexpr std::string_view Yes = "真";
constexpr std::string_view No = "假";

IniFile guideSettings(const std::filesystem::path& runFolder)
{
    return IniFile(runFolder / "system" / "guid.ini");
}

} // namespace

bool ShowWizardAtStart(const std::filesystem::path& runFolder)
{
    return guideSettings(runFolder).read("向导", "是否显示", Yes) == Yes;
}

bool SetShowWizardAtStart(const std::filesystem::path& runFolder, bool show)
{
    return guideSettings(runFolder).write("向导", "是否显示", show ? Yes : No);
}

} // namespace inkwell
