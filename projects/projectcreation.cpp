#include "projects/projectcreation.h"

#include "core/ensurefolder.h"
#include "core/errorsentence.h"
#include "core/ignoredoutcome.h"
#include "projects/projecthistory.h"

#include <cstdint>
#include <unistd.h>

namespace inkwell {
namespace {

// The code point starting at text[at] and its length in bytes; a malformed byte counts as itself.
std::pair<std::uint32_t, std::size_t> codePointAt(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80 ? 1
        : (lead >> 5) == 0x6         ? 2
        : (lead >> 4) == 0xE         ? 3
        : (lead >> 3) == 0x1E        ? 4
                                     : 1;
    if (at + length > text.size())
        return { lead, 1 };
    std::uint32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return { lead, 1 };
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    }
    return { cp, length };
}

// White space as a text box user may type it, the ideographic space of Chinese input included.
bool isWhiteSpace(std::uint32_t cp)
{
    return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85 || cp == 0xA0 || cp == 0x1680
        || (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F
        || cp == 0x3000 || cp == 0xFEFF;
}

bool isBlank(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const auto [cp, length] = codePointAt(text, at);
        if (!isWhiteSpace(cp))
            return false;
        at += length;
    }
    return true;
}

// A request refused for the reason given; no system call failed.
Error refusal(std::string_view reason)
{
    return { 0, std::string(reason) };
}

// The longest file name, in bytes, that the file system of folder takes.
std::size_t fileNameLimit(const std::filesystem::path& folder)
{
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : 255;
}

} // namespace

Result<void> checkProjectName(std::string_view name)
{
    if (isBlank(name))
        return refusal(kNoProjectName);
    if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos || name == "."
        || name == "..")
        return refusal(kUnusableProjectName);
    return {};
}

Result<ProjectPlan> checkProject(const RunFolder& runFolder, const ProjectRequest& request)
{
    if (!request.kind || (*request.kind != DocumentKind::Html && *request.kind != DocumentKind::StyleSheet))
        return refusal(kNoProjectTypeChosen);
    INKWELL_TRY_VOID(checkProjectName(request.name));

    std::string folderText = request.folder;
    if (folderText.empty() || folderText.back() != '/')
        folderText += '/';
    folderText += request.name;
    std::filesystem::path folder(folderText);
    // The program's current folder is the run folder, so a relative folder box means a folder there.
    if (folder.is_relative())
        folder = runFolder.path() / folder;

    const auto extension = extensionOfKind(*request.kind);
    if (request.name.size() + extension.size() > fileNameLimit(folder.parent_path()))
        return refusal(kProjectNameTooLong);

    ProjectPlan plan { DocumentLocation { folder, request.name, *request.kind } };
    // A link counts as what it points to: a Save writes through it. A folder of that name would
    // only make the Save fail, and nothing would be replaced.
    std::error_code error;
    const auto status = std::filesystem::status(plan.document.filePath(), error);
    plan.documentFileExists = std::filesystem::exists(status) && !std::filesystem::is_directory(status);
    return plan;
}

std::string projectFolderNotCreated(const Error& error, const std::filesystem::path& folder)
{
    return std::string(kProjectFolderNotCreated) + folder.string() + "”。\n"
        + errorSentence(error, FileAction::Use);
}

Result<DocumentLocation> createPlannedProject(const RunFolder& runFolder, const ProjectPlan& plan)
{
    const auto& folder = plan.document.folder;
    std::error_code error;
    // ensureFolder also accepts a file of that name, which could not hold the document file.
    Result<void> made = ensureFolderOrError(folder);
    if (made && !std::filesystem::is_directory(folder, error))
        made = Error { ENOTDIR, {} };
    if (!made)
        return Error { made.error().code, projectFolderNotCreated(made.error(), folder) };
    ignoreOutcome(ProjectHistory(runFolder).append(plan.document.filePath().string()),
        "the project is made all the same; a history that cannot be written only misses it, as other "
        "settings do");
    return plan.document;
}

Result<DocumentLocation> createProject(const RunFolder& runFolder, const ProjectRequest& request)
{
    INKWELL_TRY(const ProjectPlan plan, checkProject(runFolder, request));
    return createPlannedProject(runFolder, plan);
}

} // namespace inkwell
