#include "publishing/pageurl.h"

#include "publishing/percentencoding.h"

#include <string_view>

namespace {

std::string_view extensionOfKind(int documentKind)
{
    switch (documentKind) {
    case 0:
        return ".html";
    case 1:
        return ".css";
    default:
        return {};
    }
}

} // namespace

std::string PageUrl(const std::filesystem::path& documentFolder, const std::string& documentName,
    int documentKind, const std::filesystem::path& runFolder, int port)
{
    std::string url = "http://127.0.0.1:" + std::to_string(port);
    // A plain text search, case included: any folder whose path contains the run folder's
    // project folder counts as a project there.
    std::string projectFolder = runFolder.native();
    while (projectFolder.ends_with('/'))
        projectFolder.pop_back();
    projectFolder += "/project";
    // The name is one segment whatever bytes it holds (Chinese, blanks, "(", "%", "#"); the server
    // decodes it back to the UTF-8 name on disk.
    const std::string name = inkwell::percentEncodeSegment(documentName);
    if (documentFolder.native().find(projectFolder) != std::string::npos)
        url += "/project/" + name + "/";
    else
        url += "/tmp/";
    url += name;
    url += extensionOfKind(documentKind);
    return url;
}

bool PageUrlReachesDocument(const std::filesystem::path& documentFolder, const std::string& documentName,
    const std::filesystem::path& runFolder)
{
    if (documentName.empty() || documentName == "." || documentName == ".."
        || documentName.find('/') != std::string::npos)
        return false;
    std::error_code ec;
    const auto folder = std::filesystem::weakly_canonical(documentFolder, ec);
    if (ec)
        return false;
    const auto run = std::filesystem::weakly_canonical(runFolder, ec);
    if (ec)
        return false;
    return folder == run / "tmp" || folder == run / "project" / documentName;
}
