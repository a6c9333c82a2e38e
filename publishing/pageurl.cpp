#include "publishing/pageurl.h"

#include "core/percentencoding.h"

namespace inkwell {

std::string pageUrl(const DocumentLocation& document, const RunFolder& runFolder, int port)
{
    std::string url = "http://127.0.0.1:" + std::to_string(port);
    // A plain text search, case included: any folder whose path contains the run folder's
    // project folder counts as a project there.
    std::string projectFolder = runFolder.path().native();
    while (projectFolder.ends_with('/'))
        projectFolder.pop_back();
    projectFolder.append("/").append(RunFolder::kProjectsFolderName);
    // The name is one segment whatever bytes it holds (Chinese, blanks, "(", "%", "#"); the server
    // decodes it back to the UTF-8 name on disk.
    const std::string name = percentEncodeSegment(document.name);
    url += '/';
    if (document.folder.native().find(projectFolder) != std::string::npos)
        url.append(RunFolder::kProjectsFolderName).append("/").append(name).append("/");
    else
        url.append(RunFolder::kTmpFolderName).append("/");
    url += name;
    url += extensionOfKind(document.kind);
    return url;
}

bool pageUrlReachesDocument(const DocumentLocation& document, const RunFolder& runFolder)
{
    const std::string& name = document.name;
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return false;
    std::error_code ec;
    const auto folder = std::filesystem::weakly_canonical(document.folder, ec);
    if (ec)
        return false;
    const RunFolder run(std::filesystem::weakly_canonical(runFolder.path(), ec));
    if (ec)
        return false;
    return folder == run.tmpFolder() || folder == run.projectsFolder() / name;
}

std::optional<std::string> previewUrl(const DocumentLocation& document, const RunFolder& runFolder, int port)
{
    const std::string& name = document.name;
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return std::nullopt;
    std::error_code ec;
    const auto file = std::filesystem::weakly_canonical(document.filePath(), ec);
    if (ec)
        return std::nullopt;
    const auto run = std::filesystem::weakly_canonical(runFolder.path(), ec);
    if (ec)
        return std::nullopt;
    const auto relative = file.lexically_relative(run);
    if (relative.empty() || *relative.begin() == "..")
        return std::nullopt;
    std::string url = "http://127.0.0.1:" + std::to_string(port);
    for (const auto& segment : relative) {
        if (segment == "." || segment == "..")
            return std::nullopt;
        url += '/';
        url += percentEncodeSegment(segment.native());
    }
    return url;
}

std::string exportPageUrl(const DocumentLocation& document, const RunFolder& runFolder, int port)
{
    if (pageUrlReachesDocument(document, runFolder))
        return pageUrl(document, runFolder, port);
    if (auto served = previewUrl(document, runFolder, port))
        return *served;
    std::error_code ec;
    std::filesystem::path file = std::filesystem::weakly_canonical(document.filePath(), ec);
    if (ec)
        file = std::filesystem::absolute(document.filePath(), ec);
    std::string url = "file://";
    for (const auto& segment : file.relative_path()) {
        url += '/';
        url += percentEncodeSegment(segment.native());
    }
    return url;
}

} // namespace inkwell
