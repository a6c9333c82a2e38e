#include "archive/localfilepolicy.h"

#include "archive/localfilereader.h"
#include "core/percentencoding.h"
#include "core/result.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <fcntl.h>
#include <memory>

namespace inkwell {
namespace {

struct UrlDeleter
{
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

struct CurlStringDeleter
{
    void operator()(char* text) const { curl_free(text); }
};

// The path with every %XX turned into its byte, as the file reader undoes it; a zero byte ends
// the path there for the system, so such a path names nothing we could check.
std::optional<std::string> decodedFilePath(std::string_view text)
{
    std::string out = percentDecode(text);
    if (out.find('\0') != std::string::npos)
        return std::nullopt;
    return out;
}

Result<std::string> canonicalPath(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved) {
        const int error = errno;
        return Error { error, std::strerror(error) };
    }
    return std::string(resolved.get());
}

} // namespace

LocalFilePolicy::LocalFilePolicy(LocalFiles mode, const std::vector<std::filesystem::path>& trustedFolders)
    : m_mode(mode)
{
    for (const std::filesystem::path& folder : trustedFolders) {
        if (folder.empty())
            continue;
        if (auto canonical = canonicalPath(folder.string())) {
            if (canonical->back() != '/')
                *canonical += '/';
            m_trusted.push_back(std::move(*canonical));
        }
    }
}

LocalFilePolicy::Decision LocalFilePolicy::decide(std::string_view fileUrl, bool picturePlace) const
{
    Decision decision;
    const std::optional<std::string> path = localPathOfFileUrl(fileUrl);
    if (path)
        decision.path = *path;
    if (m_mode == LocalFiles::All) {
        decision.verdict = Verdict::Include;
        return decision;
    }
    if (!path) {
        decision.verdict = Verdict::Unreadable;
        decision.path = std::string(fileUrl);
        decision.reason = "it does not name a file on this computer";
        return decision;
    }
    // A file named below the page's folder is opened through the folder that was trusted, and stays
    // inside it; one that leads out of it is judged like any other, by where it really lies.
    if (m_pageFolder.isValid() && path->starts_with(m_pageFolderNamed)) {
        Result<OpenedFile> beneath
            = openRegularFileBeneath(m_pageFolder.get(), path->substr(m_pageFolderNamed.size()));
        if (beneath) {
            decision.verdict = Verdict::Include;
            decision.file = std::move(beneath).value();
            return decision;
        }
        if (beneath.error().code != EXDEV && beneath.error().code != ELOOP
            && beneath.error().code != ENOSYS) {
            decision.verdict = Verdict::Unreadable;
            decision.reason = localFileReason(beneath.error());
            return decision;
        }
    }
    // Opened first, then judged by where the kernel says the opened file lies: symbolic links and
    // ".." segments resolved as they were when it was opened, not as they are at some other moment.
    Result<OpenedFile> opened = openRegularFile(*path);
    if (!opened) {
        decision.verdict = Verdict::Unreadable;
        decision.reason = localFileReason(opened.error());
        return decision;
    }
    const std::string real = opened->realPath.string();
    const bool trusted = std::any_of(m_trusted.begin(), m_trusted.end(),
        [&](const std::string& folder) { return real.starts_with(folder); });
    decision.verdict = trusted ? Verdict::Include
        : picturePlace         ? Verdict::IncludeIfPicture
                               : Verdict::LeaveOut;
    if (decision.verdict != Verdict::LeaveOut)
        decision.file = std::move(opened).value();
    return decision;
}

Result<OpenedFile> LocalFilePolicy::trustPageFolder(const std::filesystem::path& pagePath)
{
    const std::filesystem::path folder = pagePath.parent_path();
    if (folder.empty() || !pagePath.has_filename())
        return Error { ENOENT, "cannot open " + pagePath.string() + ": " + systemReason(ENOENT) };
    FileDescriptor opened(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!opened.isValid())
        return Error { errno, "cannot open " + folder.string() + ": " + systemReason(errno) };
    INKWELL_TRY(std::filesystem::path real, realPathOf(opened.get()));
    // The page's own name is opened in the folder that was opened, never through a link of its own.
    INKWELL_TRY(OpenedFile page, openRegularFileAt(opened.get(), pagePath.filename(), FinalLink::Refuse));
    std::string trusted = real.string();
    if (trusted.back() != '/')
        trusted += '/';
    m_trusted.push_back(std::move(trusted));
    m_pageFolderNamed = folder.string();
    if (m_pageFolderNamed.back() != '/')
        m_pageFolderNamed += '/';
    m_pageFolder = std::move(opened);
    return page;
}

std::optional<std::string> localPathOfFileUrl(std::string_view fileUrl)
{
    if (fileUrl.find('\0') != std::string_view::npos)
        return std::nullopt;
    const std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, std::string(fileUrl).c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    char* scheme = nullptr;
    if (curl_url_get(url.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK)
        return std::nullopt;
    const std::unique_ptr<char, CurlStringDeleter> schemeOwner(scheme);
    if (std::strcmp(scheme, "file") != 0)
        return std::nullopt;
    // The file reader takes the path alone: a query after it does not change which file is read.
    char* path = nullptr;
    if (curl_url_get(url.get(), CURLUPART_PATH, &path, 0) != CURLUE_OK)
        return std::nullopt;
    const std::unique_ptr<char, CurlStringDeleter> pathOwner(path);
    return decodedFilePath(path);
}

} // namespace inkwell
