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

bool startsWith(std::string_view bytes, std::string_view prefix)
{
    return bytes.substr(0, prefix.size()) == prefix;
}

std::uint32_t littleEndian32(std::string_view bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// An SVG document: after a byte-order mark, blanks, an XML declaration, comments and a document
// type declaration, the first element is <svg>. Only the start of the text is looked at.
bool isSvg(std::string_view bytes)
{
    bytes = bytes.substr(0, 64 * 1024);
    if (startsWith(bytes, "\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    for (;;) {
        while (!bytes.empty() && isBlank(bytes.front()))
            bytes.remove_prefix(1);
        std::string_view end;
        if (startsWith(bytes, "<?"))
            end = "?>";
        else if (startsWith(bytes, "<!--"))
            end = "-->";
        else if (startsWith(bytes, "<!"))
            end = ">";
        else
            break;
        const auto at = bytes.find(end, 2);
        if (at == std::string_view::npos)
            return false;
        bytes.remove_prefix(at + end.size());
    }
    if (!startsWith(bytes, "<svg") || bytes.size() < 5)
        return false;
    const char next = bytes[4];
    return isBlank(next) || next == '>' || next == '/';
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

bool isPictureBytes(std::string_view bytes)
{
    if (startsWith(bytes, "\x89PNG\r\n\x1A\n"))
        return true;
    if (startsWith(bytes, "\xFF\xD8\xFF"))
        return true;
    if (startsWith(bytes, "GIF87a") || startsWith(bytes, "GIF89a"))
        return true;
    if (bytes.size() >= 12 && startsWith(bytes, "RIFF") && bytes.substr(8, 4) == "WEBP")
        return true;
    // "BM" alone begins too many texts: the size of the header that follows must be one a BMP has.
    if (bytes.size() >= 18 && startsWith(bytes, "BM")) {
        const std::uint32_t header = littleEndian32(bytes, 14);
        if (header == 12 || header == 40 || header == 52 || header == 56 || header == 64 || header == 108
            || header == 124)
            return true;
    }
    // An icon directory: reserved zero, type 1, and at least one image.
    if (bytes.size() >= 6 && startsWith(bytes, std::string_view("\0\0\1\0", 4))
        && (bytes[4] != 0 || bytes[5] != 0))
        return true;
    return isSvg(bytes);
}

} // namespace inkwell
