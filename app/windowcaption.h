// The main window's caption: the configured title and the file that Save writes, so that the user can
// always see which page is being edited and whether it holds unsaved edits.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace inkwell {

enum class PageEdits
{
    Saved, // nothing typed since the page was loaded or saved
    Unsaved,
};

// What the caption calls the start-up's page in the run folder's "tmp" folder, whose number name says
// nothing to the user.
inline constexpr std::string_view kTemporaryPageName = "临时页面";

// title + " - " + the document file's name, e.g. "Inkwell - 我的主页.html"; the name is kTemporaryPageName
// for a file in temporaryFolder, and has "*" before it while edits are unsaved. An empty title gives the
// name alone: there is nothing for the separator to separate.
[[nodiscard]] std::string windowCaption(std::string_view title, const std::filesystem::path& documentFile,
    const std::filesystem::path& temporaryFolder, PageEdits edits);

} // namespace inkwell
