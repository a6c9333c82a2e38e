// Whether the new-project wizard opens at start-up: key "是否显示" in section "向导" of
// "system/guid.ini" beside the program, holding "真" or "假".
#pragma once

#include "core/result.h"
#include "core/runfolder.h"

namespace inkwell {

// True only when the value is exactly "真"; a missing file, section or key counts as "真", and any
// other value (an empty one included) keeps the wizard closed.
[[nodiscard]] bool showWizardAtStart(const RunFolder& runFolder);

// Writes "真" or "假"; fails when the file cannot be written (for instance without "system").
[[nodiscard]] Result<void> setShowWizardAtStart(const RunFolder& runFolder, bool show);

} // namespace inkwell
