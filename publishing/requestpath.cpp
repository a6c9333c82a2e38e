#include "publishing/requestpath.h"

#include "publishing/httprequest.h"

#include <string>
#include <system_error>

namespace inkwell {

bool isInsideRoot(const std::filesystem::path& candidatePath, const std::filesystem::path& rootPath)
{
    const std::string& candidate = candidatePath.native();
    const std::string& root = rootPath.native();
    if (candidate == root)
        return true;
    if (root == "/")
        return candidate.starts_with('/');
    return candidate.size() > root.size() && candidate.starts_with(root) && candidate[root.size()] == '/';
}

std::optional<std::filesystem::path> joinRequestPath(
    const std::filesystem::path& root, std::string_view requestPath)
{
    if (!requestPath.starts_with('/'))
        return std::nullopt;
    for (std::string_view segment : splitFields(requestPath, '/')) {
        if (segment == "..")
            return std::nullopt;
    }
    // A zero byte would cut the name short inside the file system calls.
    if (requestPath.find('\0') != std::string_view::npos)
        return std::nullopt;

    const std::string& rootText = root.native();
    std::string full = rootText == "/" ? std::string {} : rootText;
    full += requestPath;
    return std::filesystem::path(std::move(full));
}

std::optional<std::filesystem::path> resolveRequestPath(
    const std::filesystem::path& root, std::string_view requestPath)
{
    const std::optional<std::filesystem::path> full = joinRequestPath(root, requestPath);
    if (!full)
        return std::nullopt;

    // Without ".." segments only a symlink can lead elsewhere; resolving them all and comparing
    // with the root catches every such way out, and a dangling link counts as nothing there.
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::canonical(*full, error);
    if (error || !isInsideRoot(resolved, root))
        return std::nullopt;
    return resolved;
}

} // namespace inkwell
