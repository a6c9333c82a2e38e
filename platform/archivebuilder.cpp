#include "platform/archivebuilder.h"

#include "platform/cssresourcescanner.h"
#include "platform/curlfetcher.h"
#include "platform/htmlresourcescanner.h"
#include "platform/mimewriter.h"
#include "platform/urlresolver.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <random>
#include <unistd.h>
#include <unordered_map>

namespace inkwell {
namespace {

enum class Scan
{
    None,
    Html,
    Css
};

// One place where an archived document names another resource.
struct Link
{
    std::size_t offset;
    std::size_t length;
    std::size_t target; // index into the resource list
};

struct Resource
{
    std::string url;
    ResourceRef::Kind kind = ResourceRef::Kind::Resource;
    int nesting = 0;
    bool fetched = false;
    std::string mediaType; // lower case, without parameters
    std::string charset;
    std::string body;
    std::string contentId;
    std::vector<Link> links; // in increasing offset order, only rewritable ones
};

std::string Lower(std::string_view text)
{
    std::string out(text);
    std::transform(
        out.begin(), out.end(), out.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c | 0x20 : c; });
    return out;
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The extension of the last path segment of a URL, lower case, without query or fragment.
std::string ExtensionOf(std::string_view url)
{
    const auto query = url.find_first_of("?#");
    if (query != std::string_view::npos)
        url = url.substr(0, query);
    const auto slash = url.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? url : url.substr(slash + 1);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : Lower(name.substr(dot + 1));
}

// Media types for the extensions a small web site uses. They take precedence over what the server
// says, because the page server announces some of them by the bare extension (text/js, image/ico).
std::string MediaTypeForExtension(const std::string& extension)
{
    static const std::unordered_map<std::string, std::string> table {
        { "html", "text/html" },
        { "htm", "text/html" },
        { "xhtml", "application/xhtml+xml" },
        { "css", "text/css" },
        { "js", "text/javascript" },
        { "mjs", "text/javascript" },
        { "txt", "text/plain" },
        { "xml", "text/xml" },
        { "json", "application/json" },
        { "png", "image/png" },
        { "jpg", "image/jpeg" },
        { "jpeg", "image/jpeg" },
        { "gif", "image/gif" },
        { "bmp", "image/bmp" },
        { "ico", "image/x-icon" },
        { "svg", "image/svg+xml" },
        { "webp", "image/webp" },
        { "avif", "image/avif" },
        { "woff", "font/woff" },
        { "woff2", "font/woff2" },
        { "ttf", "font/ttf" },
        { "otf", "font/otf" },
        { "mp3", "audio/mpeg" },
        { "ogg", "audio/ogg" },
        { "wav", "audio/wav" },
        { "mid", "audio/midi" },
        { "mp4", "video/mp4" },
        { "webm", "video/webm" },
        { "swf", "application/x-shockwave-flash" },
    };
    const auto found = table.find(extension);
    return found == table.end() ? std::string() : found->second;
}

std::string CharsetParameter(std::string_view contentType)
{
    const std::string lower = Lower(contentType);
    const auto at = lower.find("charset=");
    if (at == std::string::npos)
        return {};
    std::string_view value = contentType.substr(at + 8);
    if (!value.empty() && value.front() == '"')
        value.remove_prefix(1);
    const auto end = value.find_first_of("\"; \t");
    return std::string(value.substr(0, end));
}

bool IsValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t extra = 0;
        std::uint32_t min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i <= extra)
            return false;
        std::uint32_t cp = c & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// A text's encoding as a reader would find it: byte-order mark, what the server or the text
// declares, valid UTF-8, and otherwise the Chinese superset encoding documents are written in.
std::string SniffCharset(
    std::string_view body, const std::string& declaredByServer, const std::string& declaredInText)
{
    if (body.substr(0, 3) == "\xEF\xBB\xBF")
        return "utf-8";
    if (body.substr(0, 2) == "\xFF\xFE")
        return "utf-16le";
    if (body.substr(0, 2) == "\xFE\xFF")
        return "utf-16be";
    if (!declaredByServer.empty())
        return declaredByServer;
    if (!declaredInText.empty())
        return declaredInText;
    return IsValidUtf8(body) ? "utf-8" : "gb18030";
}

bool IsTextType(const std::string& mediaType)
{
    return mediaType.starts_with("text/") || mediaType == "application/xhtml+xml"
        || mediaType == "image/svg+xml" || mediaType == "application/json"
        || mediaType == "application/javascript";
}

// A label may only hold token characters; anything else found in a page is not written.
bool IsCharsetToken(std::string_view label)
{
    if (label.empty() || label.size() > 40)
        return false;
    return std::all_of(label.begin(), label.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
            || c == '_' || c == '.' || c == ':';
    });
}

std::string RfcDate(std::chrono::system_clock::time_point when)
{
    static constexpr const char* Days[] = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
    static constexpr const char* Months[]
        = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm utc {};
    gmtime_r(&seconds, &utc);
    char text[64];
    // Written by hand: the names must not follow the user's locale.
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", Days[utc.tm_wday % 7],
        utc.tm_mday, Months[utc.tm_mon % 12], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

std::string SystemError(int error)
{
    return std::strerror(error);
}

// A file created beside the target under a unique name, renamed over the target by commit() and
// removed by the destructor when it was not committed.
class SiblingFile
{
public:
    explicit SiblingFile(std::filesystem::path target)
        : m_target(std::move(target))
    {
    }
    SiblingFile(const SiblingFile&) = delete;
    SiblingFile& operator=(const SiblingFile&) = delete;
    ~SiblingFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }

    [[nodiscard]] std::string open()
    {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::filesystem::path candidate = m_target;
            candidate += ".part-" + std::to_string(::getpid()) + "-" + std::to_string(random());
            // 0666 lets the umask decide, as for any file the user creates.
            const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                m_fd = fd;
                m_path = std::move(candidate);
                return {};
            }
            if (errno != EEXIST)
                return SystemError(errno);
        }
        return "no unused temporary name";
    }

    [[nodiscard]] std::string write(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return SystemError(errno);
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
        return {};
    }

    [[nodiscard]] std::string commit()
    {
        if (::fsync(m_fd) != 0)
            return SystemError(errno);
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            return SystemError(errno);
        if (::rename(m_path.c_str(), m_target.c_str()) != 0)
            return SystemError(errno);
        m_path.clear();
        return {};
    }

private:
    std::filesystem::path m_target;
    std::filesystem::path m_path;
    int m_fd = -1;
};

class Build
{
public:
    Build(ResourceFetcher& fetcher, ArchiveBuilder::Limits limits)
        : m_fetcher(fetcher)
        , m_limits(limits)
    {
    }

    ArchiveResult run(const std::string& url, const std::filesystem::path& target)
    {
        ArchiveResult result;
        const auto pageUrl = NormaliseUrl(url);
        if (!pageUrl) {
            result.status = ArchiveResult::Status::BadUrl;
            result.error = "\"" + url + "\" is not an http://, https:// or file:// URL";
            return result;
        }
        add(*pageUrl, ResourceRef::Kind::Frame, 0);
        for (std::size_t i = 0; i < m_resources.size(); ++i) {
            fetch(i);
            if (i == 0 && !m_resources[0].fetched) {
                result.status = ArchiveResult::Status::PageNotFetched;
                result.error = "the page " + *pageUrl + " could not be fetched: " + m_pageError;
                return result;
            }
        }
        assignContentIds();
        for (const Resource& resource : m_resources) {
            if (!resource.fetched)
                result.leftOut.push_back(resource.url + ": " + m_errors.at(resource.url));
        }
        if (const std::string error = write(target, result.partCount); !error.empty()) {
            result.status = ArchiveResult::Status::NotWritten;
            result.error = "the archive " + target.string() + " could not be written: " + error;
            result.partCount = 0;
        }
        return result;
    }

private:
    std::size_t add(const std::string& url, ResourceRef::Kind kind, int nesting)
    {
        if (const auto known = m_index.find(url); known != m_index.end())
            return known->second;
        Resource resource;
        resource.url = url;
        resource.kind = kind;
        resource.nesting = nesting;
        m_resources.push_back(std::move(resource));
        m_index.emplace(url, m_resources.size() - 1);
        return m_resources.size() - 1;
    }

    void fetch(std::size_t index)
    {
        FetchResult fetched = m_fetcher.fetch(m_resources[index].url);
        Resource& resource = m_resources[index];
        if (!fetched.ok()) {
            if (index == 0)
                m_pageError = fetched.error;
            m_errors[resource.url] = fetched.error;
            return;
        }
        resource.fetched = true;
        resource.body = std::move(fetched.body);
        const std::string_view serverType = fetched.contentType;
        const auto semicolon = serverType.find(';');
        const std::string fromServer = Lower(TrimBlanks(serverType.substr(0, semicolon)));
        resource.mediaType = MediaTypeForExtension(ExtensionOf(resource.url));
        if (resource.mediaType.empty())
            resource.mediaType = fromServer.find('/') != std::string::npos ? fromServer : std::string();
        // A page or a style sheet named without a known extension is still what its reference says.
        if (resource.mediaType.empty()) {
            if (resource.kind == ResourceRef::Kind::Frame)
                resource.mediaType = "text/html";
            else if (resource.kind == ResourceRef::Kind::StyleSheet)
                resource.mediaType = "text/css";
            else
                resource.mediaType = "application/octet-stream";
        }
        Scan scan = Scan::None;
        if (resource.mediaType == "text/html" || resource.mediaType == "application/xhtml+xml")
            scan = Scan::Html;
        else if (resource.mediaType == "text/css")
            scan = Scan::Css;
        if (resource.kind == ResourceRef::Kind::Resource && index != 0)
            scan = Scan::None; // a picture or script is archived as it is, whatever it holds
        std::string declared;
        if (scan == Scan::Html)
            declared = scanHtml(index);
        else if (scan == Scan::Css)
            declared = scanCss(index);
        if (IsTextType(m_resources[index].mediaType)) {
            std::string charset
                = SniffCharset(m_resources[index].body, CharsetParameter(serverType), declared);
            m_resources[index].charset = IsCharsetToken(charset) ? Lower(charset) : std::string();
        }
    }

    std::string scanHtml(std::size_t index)
    {
        HtmlScan scan = ScanHtmlResources(m_resources[index].body);
        std::string base = m_resources[index].url;
        if (!scan.baseHref.empty()) {
            if (auto resolved = ResolveUrl(base, scan.baseHref))
                base = std::move(*resolved);
        }
        follow(index, base, scan.refs);
        return scan.charset;
    }

    std::string scanCss(std::size_t index)
    {
        const std::vector<ResourceRef> refs = ScanCssResources(m_resources[index].body);
        follow(index, m_resources[index].url, refs);
        return CssCharset(m_resources[index].body);
    }

    // base is taken by value: adding resources moves the list it may come from.
    void follow(std::size_t index, std::string base, const std::vector<ResourceRef>& refs)
    {
        const int nesting = m_resources[index].nesting;
        // A document at the nesting limit is archived, but what it names is not.
        if (nesting >= m_limits.maxNesting)
            return;
        std::vector<Link> links;
        for (const ResourceRef& ref : refs) {
            const auto url = ResolveUrl(base, ref.url);
            if (!url || *url == m_resources[index].url)
                continue;
            std::size_t target = 0;
            if (const auto known = m_index.find(*url); known != m_index.end())
                target = known->second;
            else if (m_resources.size() < m_limits.maxResources)
                target = add(*url, ref.kind, nesting + 1);
            else
                continue;
            if (ref.rewritable)
                links.push_back(Link { ref.offset, ref.length, target });
        }
        std::sort(
            links.begin(), links.end(), [](const Link& a, const Link& b) { return a.offset < b.offset; });
        m_resources[index].links = std::move(links);
    }

    // A browser does not show a file:// part of an archive by its location (whether the page came
    // over the network or from disk), so those parts get a Content-ID and the archived documents
    // refer to them as cid: URLs, which it does resolve.
    void assignContentIds()
    {
        std::random_device random;
        const std::string unique = std::to_string(random()) + "." + std::to_string(random());
        for (std::size_t i = 1; i < m_resources.size(); ++i) {
            if (m_resources[i].fetched && IsFileUrl(m_resources[i].url))
                m_resources[i].contentId = "part" + std::to_string(i) + "." + unique + "@inkwell.archive";
        }
    }

    // The document's bytes with every reference to a part that has a Content-ID replaced by its
    // cid: URL; everything else stays byte for byte.
    std::string archivedBody(const Resource& resource) const
    {
        std::string out;
        std::size_t copied = 0;
        bool changed = false;
        for (const Link& link : resource.links) {
            const Resource& target = m_resources[link.target];
            if (target.contentId.empty() || link.offset < copied)
                continue;
            out.append(resource.body, copied, link.offset - copied);
            out += "cid:" + target.contentId;
            copied = link.offset + link.length;
            changed = true;
        }
        if (!changed)
            return resource.body;
        out.append(resource.body, copied, std::string::npos);
        return out;
    }

    std::string write(const std::filesystem::path& target, std::size_t& partCount) const
    {
        SiblingFile file(target);
        if (std::string error = file.open(); !error.empty())
            return error;
        std::random_device random;
        const MimeWriter writer(
            MimeWriter::makeBoundary((static_cast<unsigned long long>(random()) << 32) ^ random()));
        if (std::string error = file.write(
                writer.messageHeader(m_resources[0].mediaType, RfcDate(std::chrono::system_clock::now())));
            !error.empty())
            return error;
        std::size_t parts = 0;
        std::string chunk;
        for (const Resource& resource : m_resources) {
            if (!resource.fetched)
                continue;
            const std::string body = archivedBody(resource);
            MimePart part;
            part.contentType = resource.mediaType;
            if (!resource.charset.empty())
                part.contentType += "; charset=\"" + resource.charset + "\"";
            part.location = resource.url;
            part.contentId = resource.contentId;
            part.encoding = IsTextType(resource.mediaType) ? TransferEncoding::QuotedPrintable
                                                           : TransferEncoding::Base64;
            part.body = body;
            chunk.clear();
            writer.appendPart(part, chunk);
            if (std::string error = file.write(chunk); !error.empty())
                return error;
            ++parts;
        }
        if (std::string error = file.write(writer.closing()); !error.empty())
            return error;
        if (std::string error = file.commit(); !error.empty())
            return error;
        partCount = parts;
        return {};
    }

    ResourceFetcher& m_fetcher;
    ArchiveBuilder::Limits m_limits;
    std::vector<Resource> m_resources; // the page first, then in the order they were found
    std::unordered_map<std::string, std::size_t> m_index; // URL -> position in m_resources
    std::unordered_map<std::string, std::string> m_errors; // URL -> why it was not fetched
    std::string m_pageError;
};

} // namespace

ArchiveBuilder::ArchiveBuilder(ResourceFetcher& fetcher)
    : ArchiveBuilder(fetcher, Limits {})
{
}

ArchiveBuilder::ArchiveBuilder(ResourceFetcher& fetcher, Limits limits)
    : m_fetcher(fetcher)
    , m_limits(limits)
{
}

ArchiveResult ArchiveBuilder::build(const std::string& url, const std::filesystem::path& target)
{
    return Build(m_fetcher, m_limits).run(url, target);
}

ArchiveResult BuildMhtArchive(const std::string& url, const std::filesystem::path& target)
{
    CurlFetcher fetcher;
    return ArchiveBuilder(fetcher).build(url, target);
}

} // namespace inkwell
