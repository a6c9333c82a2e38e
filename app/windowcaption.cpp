#include "app/windowcaption.h"

namespace inkwell {

std::string windowCaption(std::string_view title, const std::filesystem::path& documentFile,
    const std::filesystem::path& temporaryFolder, PageEdits edits)
{
    // Both with a final separator, which lexical normalisation keeps: "tmp" and "tmp/" are one folder.
    const bool temporary
        = (documentFile.parent_path() / "").lexically_normal() == (temporaryFolder / "").lexically_normal();
    std::string name = edits == PageEdits::Unsaved ? "*" : "";
    name += temporary ? std::string(kTemporaryPageName) : documentFile.filename().string();
    if (title.empty())
        return name;
    return std::string(title) + " - " + name;
}

} // namespace inkwell
