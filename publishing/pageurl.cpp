#include "publishing/pageurl.h"

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
    if (documentFolder.native().find(projectFolder) != std::string::npos)
        url += "/project/" + documentName + "/";
    else
        url += "/tmp/";
    url += documentName;
    url += extensionOfKind(documentKind);
    return url;
}
