// Decides which local files (file:// resources) a web archive may carry, so that a page can
// only bring along files of the user's own site or real pictures, never whatever it names.
#pragma once

#include "core/filesignature.h" // isPictureBytes, the test of IncludeIfPicture
#include "core/regularfile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace inkwell {

enum class LocalFiles
{
    Confined, // files below a trusted folder, and pictures where a picture belongs
    All, // every local file the page names, on the user's explicit request
};

class LocalFilePolicy
{
public:
    enum class Verdict
    {
        Include, // take it in
        IncludeIfPicture, // take it in only when its bytes are a picture
        LeaveOut, // never read it
        Unreadable, // the file cannot be opened, or is not a regular file; reason says why
    };

    struct Decision
    {
        Verdict verdict = Verdict::LeaveOut;
        std::string path; // the local path the URL names, percent-decoded, as the page gives it
        std::string reason; // for Unreadable: why, for a person to read
        // For Include and IncludeIfPicture when files are confined: the file the decision was made
        // on. Its bytes are read from here and never by the name again, which by then may lead
        // elsewhere (a folder swapped for a symbolic link).
        std::optional<OpenedFile> file;
    };

    // trustedFolders need not be canonical; they are resolved once here. A folder that does not
    // exist trusts nothing.
    LocalFilePolicy(LocalFiles mode, const std::vector<std::filesystem::path>& trustedFolders);

    // The decision for a file:// URL (normalised, as the URL resolver gives it) referred to in a
    // picture place (picturePlace) or elsewhere. When files are confined the file is opened first
    // (without waiting on a named pipe) and the decision is made on where the opened file lies.
    [[nodiscard]] Decision decide(std::string_view fileUrl, bool picturePlace) const;

    // Opens the folder of the page at pagePath once, trusts the folder it opened and opens the page
    // from it. Files named below the folder's path are from then on opened through that descriptor:
    // a folder swapped for a link meanwhile changes neither the folder trusted nor the files read.
    [[nodiscard]] Result<OpenedFile> trustPageFolder(const std::filesystem::path& pagePath);

private:
    LocalFiles m_mode = LocalFiles::Confined;
    std::vector<std::string> m_trusted; // canonical folders, each with a trailing "/"
    FileDescriptor m_pageFolder; // the page's folder as it was opened, when trusted
    std::string m_pageFolderNamed; // its path as the page's URL names it, with a trailing "/"
};

// The local path a file:// URL names: its path percent-decoded to bytes. Empty when the URL is
// not a local file:// URL or decodes to a zero byte.
[[nodiscard]] std::optional<std::string> localPathOfFileUrl(std::string_view fileUrl);

} // namespace inkwell
