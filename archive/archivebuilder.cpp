#include "archive/archivebuilder.h"

#include "archive/cssresourcescanner.h"
#include "archive/curlfetcher.h"
#include "archive/htmlresourcescanner.h"
#include "archive/localfilereader.h"
#include "archive/mimewriter.h"
#include "archive/urlresolver.h"
#include "core/ascii.h"
#include "core/atomicfile.h"
#include "core/filedescriptor.h"
#include "core/filesignature.h"
#include "core/regularfile.h"
#include "document/textencoding.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <random>
#include <unistd.h>
#include <unordered_map>
#include <utility>

namespace inkwell {
namespace {

enum class Scan
{
    None,
    Html,
    Css
};

// The extension of the last path segment of a URL, lower case, without query or fragment.
std::string extensionOf(std::string_view url)
{
    const auto query = url.find_first_of("?#");
    if (query != std::string_view::npos)
        url = url.substr(0, query);
    const auto slash = url.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? url : url.substr(slash + 1);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : asciiLower(name.substr(dot + 1));
}

// Media types for the extensions a small web site uses. They take precedence over what the server
// says, because the page server announces some of them by the bare extension (text/js, image/ico).
std::string mediaTypeForExtension(const std::string& extension)
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

// A page or style sheet as its references are read: decoded to UTF-8 from the encoding a browser
// reads it in, so that a name written in GB18030 is the same name as the file it stands for.
struct DocumentText
{
    std::string utf8;
    TextEncoding encoding = TextEncoding::Utf8;
    std::size_t bomLength = 0; // bytes of byte-order mark before the text
    bool sameBytes = false; // utf8 is the body after its mark byte for byte: offsets carry over
};

// Decoded as the sniffer finds: byte-order mark, the charset the server sent, what the text declares,
// valid UTF-8, else GB18030 (what documents are saved in).
DocumentText decodeForScan(std::string_view body, const EncodingGuess& guess)
{
    DocumentText text;
    text.encoding = guess.encoding;
    text.bomLength = guess.bomLength;
    body.remove_prefix(text.bomLength);
    if (text.encoding == TextEncoding::Utf8 && isValidUtf8(body)) {
        text.utf8 = std::string(body);
    } else {
        text.utf8 = decodeText(body, text.encoding).utf8;
    }
    text.sameBytes = text.utf8 == body;
    return text;
}

// Turns the offsets of refs, found in text.utf8, into offsets into the body's bytes. The text
// between references is encoded back and compared with the body as it goes; from the first place
// where the two differ (bytes that were not text, a character with two encodings) no reference is
// rewritable any more, since its bytes could not be found for sure.
void mapToBodyOffsets(std::vector<ResourceRef>& refs, std::string_view body, const DocumentText& text)
{
    if (text.sameBytes) {
        for (ResourceRef& ref : refs)
            ref.offset += text.bomLength;
        return;
    }
    body.remove_prefix(text.bomLength);
    const std::string_view decoded = text.utf8;
    std::size_t decodedAt = 0; // text.utf8 up to here corresponds to body up to bodyAt
    std::size_t bodyAt = 0;
    bool inStep = true;
    const auto advance = [&](std::size_t decodedEnd) {
        const std::string bytes
            = encodeText(decoded.substr(decodedAt, decodedEnd - decodedAt), text.encoding).bytes;
        if (body.substr(bodyAt, bytes.size()) != bytes)
            return false;
        decodedAt = decodedEnd;
        bodyAt += bytes.size();
        return true;
    };
    for (ResourceRef& ref : refs) {
        if (!ref.rewritable)
            continue;
        if (!inStep || ref.offset < decodedAt || ref.offset > decoded.size()
            || ref.length > decoded.size() - ref.offset || !advance(ref.offset)) {
            inStep = false;
            ref.rewritable = false;
            continue;
        }
        const std::size_t start = bodyAt;
        if (!advance(ref.offset + ref.length)) {
            inStep = false;
            ref.rewritable = false;
            continue;
        }
        ref.offset = text.bomLength + start;
        ref.length = bodyAt - start;
    }
}

bool isTextType(const std::string& mediaType)
{
    return mediaType.starts_with("text/") || mediaType == "application/xhtml+xml"
        || mediaType == "image/svg+xml" || mediaType == "application/json"
        || mediaType == "application/javascript";
}

// A label may only hold token characters; anything else found in a page is not written.
bool isCharsetToken(std::string_view label)
{
    if (label.empty() || label.size() > 40)
        return false;
    return std::all_of(label.begin(), label.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
            || c == '_' || c == '.' || c == ':';
    });
}

// The charset a text part is labelled with: the label that decided its encoding, as the server or the
// text wrote it, where that label names the encoding found; otherwise the encoding's own name.
std::string charsetLabel(
    const EncodingGuess& guess, std::string_view serverLabel, std::string_view declaredLabel)
{
    std::string_view label;
    if (guess.source == EncodingSource::Transport)
        label = trimBlanks(serverLabel);
    else if (guess.source == EncodingSource::Declaration)
        label = trimBlanks(declaredLabel);
    if (encodingFromLabel(label) != guess.encoding)
        label = encodingName(guess.encoding);
    return isCharsetToken(label) ? asciiLower(label) : std::string();
}

std::string rfcDate(std::chrono::system_clock::time_point when)
{
    static constexpr const char* kDays[] = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
    static constexpr const char* kMonths[]
        = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm utc {};
    gmtime_r(&seconds, &utc);
    char text[64];
    // Written by hand: the names must not follow the user's locale.
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday % 7],
        utc.tm_mday, kMonths[utc.tm_mon % 12], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

Error systemError(int error)
{
    return { error, std::strerror(error) };
}

// The archive's messages name the archive themselves; from a failed write they take the system's reason.
std::string reasonOf(const Error& error)
{
    return error.code != 0 ? systemReason(error.code) : error.message;
}

// The fetched bodies of one build, kept on disk in an unnamed file beside the target until the
// archive is written, so that the builder holds only one resource at a time in memory. Beside the
// target, not in the temporary folder, which is often held in memory itself.
class Spool
{
public:
    [[nodiscard]] Result<void> open(const std::filesystem::path& folder)
    {
        const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
        m_fd = FileDescriptor(::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
        if (m_fd.isValid())
            return {};
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return systemError(errno);
        // A file system without unnamed files: a named one, removed at once.
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::filesystem::path candidate
                = where / (".inkwell-spool-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
            FileDescriptor fd(::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
            if (fd.isValid()) {
                ::unlink(candidate.c_str());
                m_fd = std::move(fd);
                return {};
            }
            if (errno != EEXIST)
                return systemError(errno);
        }
        return Error { 0, "no unused temporary name" };
    }

    // Bytes held so far; the offset at which the next append lands.
    [[nodiscard]] std::uint64_t size() const { return m_size; }

    [[nodiscard]] Result<void> append(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t written
                = ::pwrite(m_fd.get(), bytes.data(), bytes.size(), static_cast<off_t>(m_size));
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return systemError(errno);
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
            m_size += static_cast<std::uint64_t>(written);
        }
        return {};
    }

    // Appends size bytes from offset to out.
    [[nodiscard]] Result<void> readInto(std::uint64_t offset, std::size_t size, std::string& out) const
    {
        const std::size_t start = out.size();
        out.resize(start + size);
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got = ::pread(
                m_fd.get(), out.data() + start + done, size - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                out.resize(start);
                if (got < 0)
                    return systemError(errno);
                return Error { 0, "the temporary file is shorter than written" };
            }
            done += static_cast<std::size_t>(got);
        }
        return {};
    }

private:
    FileDescriptor m_fd;
    std::uint64_t m_size = 0;
};

// A size for a sentence: whole mebibytes where it is one.
std::string sizeText(std::uint64_t bytes)
{
    constexpr std::uint64_t kMebibyte = std::uint64_t { 1 } << 20;
    if (bytes >= kMebibyte && bytes % kMebibyte == 0)
        return std::to_string(bytes / kMebibyte) + " MiB";
    return std::to_string(bytes) + " bytes";
}

// The building of one archive, from the page at its URL to the file written at its target.
class ArchiveBuild
{
public:
    ArchiveBuild(ResourceFetcher& fetcher, ArchiveBuilder::Limits limits, const ArchiveOptions& options)
        : m_fetcher(fetcher)
        , m_limits(limits)
        , m_options(options)
        , m_policy(options.localFiles, options.trustedFolders)
    {
    }

    ArchiveResult run(const std::string& url, const std::filesystem::path& target)
    {
        ArchiveResult result;
        const auto pageUrl = normaliseUrl(url);
        if (!pageUrl) {
            result.status = ArchiveResult::Status::BadUrl;
            result.error = Error { 0, "\"" + url + "\" is not an http://, https:// or file:// URL" };
            return result;
        }
        const auto notWritten = [&](const Error& error) {
            result.status = ArchiveResult::Status::NotWritten;
            result.error = Error { error.code,
                "the archive " + target.string() + " could not be written: " + reasonOf(error) };
            result.partCount = 0;
            result.notFetched.clear();
            result.localFilesLeftOut.clear();
            return result;
        };
        if (Result<void> opened = m_spool.open(target.parent_path()); !opened)
            return notWritten(opened.error());
        if (m_options.trustPageFolder && m_options.localFiles == LocalFiles::Confined
            && isFileUrl(*pageUrl)) {
            const std::optional<std::string> path = localPathOfFileUrl(*pageUrl);
            Result<OpenedFile> page = path
                ? m_policy.trustPageFolder(*path)
                : Result<OpenedFile>(Error { 0, "it does not name a file on this computer" });
            if (!page) {
                result.status = ArchiveResult::Status::PageNotFetched;
                result.error = Error { 0,
                    "the page " + *pageUrl + " could not be fetched: " + localFileReason(page.error()) };
                return result;
            }
            m_pageFile = std::move(page).value();
        }
        add(*pageUrl, ResourceRef::Kind::Frame, 0);
        for (std::size_t i = 0; i < m_resources.size(); ++i) {
            fetch(i);
            if (m_spoolError)
                return notWritten(*m_spoolError);
            if (i == 0 && m_resources[0].state != State::Fetched) {
                result.status = ArchiveResult::Status::PageNotFetched;
                result.error
                    = Error { 0, "the page " + *pageUrl + " could not be fetched: " + m_resources[0].error };
                return result;
            }
        }
        assignContentIds();
        for (const Resource& resource : m_resources) {
            if (resource.state == State::Failed)
                result.notFetched.push_back(MissingResource { resource.url, resource.error });
            else if (resource.state == State::LocalFileLeftOut)
                result.localFilesLeftOut.push_back(resource.localPath);
        }
        if (!m_beyondLimits.url.empty()) {
            if (m_moreBeyondLimits > 0)
                m_beyondLimits.reason
                    += ", and so are " + std::to_string(m_moreBeyondLimits) + " more references";
            result.notFetched.push_back(m_beyondLimits);
        }
        if (!result.notFetched.empty() && m_options.missing == MissingResources::RefuseArchive) {
            result.status = ArchiveResult::Status::Incomplete;
            result.error = Error { 0,
                std::to_string(result.notFetched.size())
                    + " of the resources the page refers to could not be fetched; nothing was written" };
            return result;
        }
        if (const Result<std::size_t> written = write(target); written)
            result.partCount = *written;
        else
            return notWritten(written.error());
        return result;
    }

private:
    enum class State
    {
        Waiting,
        Fetched,
        Failed,
        LocalFileLeftOut, // kept out by the local-file rule; never read, or not a picture
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
        bool picturePlace = false; // named where a picture belongs, by the references seen so far
        int nesting = 0;
        State state = State::Waiting;
        std::string error; // why it could not be fetched
        std::string localPath; // for a file:// resource, the path it names
        std::string mediaType; // lower case, without parameters
        std::string charset;
        std::string contentId;
        std::uint64_t spoolOffset = 0; // where its body lies in the spool
        std::size_t size = 0; // bytes of its body
        std::vector<Link> links; // in increasing offset order, only rewritable ones
    };

    std::size_t add(const std::string& url, ResourceRef::Kind kind, int nesting)
    {
        if (const auto known = m_index.find(url); known != m_index.end()) {
            if (kind == ResourceRef::Kind::Picture)
                m_resources[known->second].picturePlace = true;
            return known->second;
        }
        Resource resource;
        resource.url = url;
        resource.kind = kind;
        resource.picturePlace = kind == ResourceRef::Kind::Picture;
        resource.nesting = nesting;
        m_resources.push_back(std::move(resource));
        m_index.emplace(url, m_resources.size() - 1);
        return m_resources.size() - 1;
    }

    void fail(std::size_t index, std::string error)
    {
        m_resources[index].state = State::Failed;
        m_resources[index].error = std::move(error);
    }

    void fetch(std::size_t index)
    {
        bool mustBePicture = false;
        std::optional<OpenedFile> checkedFile;
        // The page itself is what the user asked for; what it names from the disk is checked.
        if (index != 0 && isFileUrl(m_resources[index].url)) {
            LocalFilePolicy::Decision decision
                = m_policy.decide(m_resources[index].url, m_resources[index].picturePlace);
            m_resources[index].localPath = std::move(decision.path);
            switch (decision.verdict) {
            case LocalFilePolicy::Verdict::LeaveOut:
                m_resources[index].state = State::LocalFileLeftOut;
                return;
            case LocalFilePolicy::Verdict::Unreadable:
                fail(index, decision.reason);
                return;
            case LocalFilePolicy::Verdict::IncludeIfPicture:
                mustBePicture = true;
                break;
            case LocalFilePolicy::Verdict::Include:
                break;
            }
            checkedFile = std::move(decision.file);
        } else if (index == 0 && m_pageFile) {
            checkedFile = std::exchange(m_pageFile, std::nullopt);
        }
        // A checked local file is read from the descriptor it was checked on, and only from there.
        Result<FetchedResource> answer = checkedFile ? readOpenedFile(*checkedFile, m_limits.maxResourceBytes)
                                                     : m_fetcher.fetch(m_resources[index].url);
        const std::string tooLarge
            = "it is larger than the archive's limit of " + sizeText(m_limits.maxResourceBytes);
        if (!answer) {
            fail(index, answer.error().code == kLargerThanLimit ? tooLarge : answer.error().message);
            return;
        }
        const FetchedResource fetched = std::move(answer).value();
        if (fetched.body.size() > m_limits.maxResourceBytes) {
            fail(index, tooLarge);
            return;
        }
        if (mustBePicture && !isPictureBytes(fetched.body)) {
            m_resources[index].state = State::LocalFileLeftOut;
            return;
        }
        Resource& resource = m_resources[index];
        const std::string_view serverType = fetched.contentType;
        const auto semicolon = serverType.find(';');
        const std::string fromServer = asciiLower(trimBlanks(serverType.substr(0, semicolon), " \t"));
        resource.mediaType = mediaTypeForExtension(extensionOf(resource.url));
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
        const bool document
            = resource.kind == ResourceRef::Kind::Frame || resource.kind == ResourceRef::Kind::StyleSheet;
        if (!document && index != 0)
            scan = Scan::None; // a picture or script is archived as it is, whatever it holds
        if (scan != Scan::None && fetched.body.size() > m_limits.maxDocumentBytes) {
            fail(index,
                "it is larger than the " + sizeText(m_limits.maxDocumentBytes)
                    + " the archive reads of a page or style sheet");
            return;
        }
        // One guess both reads the references and labels the part, so that a reader of the archive
        // reads the text as its references were read, and as the editor would read the same page.
        const bool text = isTextType(resource.mediaType);
        const std::string_view serverLabel
            = charsetParameter(fetched.contentType).value_or(std::string_view());
        std::string declaredLabel; // as the text writes it
        std::optional<TextEncoding> declared;
        if (scan == Scan::Html) {
            declared = declaredEncoding(fetched.body);
        } else if (scan == Scan::Css) {
            declaredLabel = cssCharset(fetched.body);
            declared = encodingFromLabel(declaredLabel);
            // A UTF-16 label in text that could be read as ASCII is a mistake; browsers read it as UTF-8.
            if (declared == TextEncoding::Utf16Le || declared == TextEncoding::Utf16Be)
                declared = TextEncoding::Utf8;
        }
        std::optional<EncodingGuess> guess;
        if (scan != Scan::None || text)
            guess = sniffEncoding(fetched.body, encodingFromLabel(serverLabel), declared);
        if (scan == Scan::Html)
            declaredLabel = scanHtml(index, fetched.body, *guess);
        else if (scan == Scan::Css)
            scanCss(index, fetched.body, *guess);
        Resource& scanned = m_resources[index]; // scanning may have moved the list
        if (text)
            scanned.charset = charsetLabel(*guess, serverLabel, declaredLabel);
        scanned.spoolOffset = m_spool.size();
        scanned.size = fetched.body.size();
        if (Result<void> kept = m_spool.append(fetched.body); !kept) {
            m_spoolError = kept.error();
            return;
        }
        scanned.state = State::Fetched;
    }

    // The references are read from the decoded page; the page itself stays as it was served.
    // Gives the charset label the page's first meta element that has one writes.
    std::string scanHtml(std::size_t index, std::string_view body, const EncodingGuess& guess)
    {
        const DocumentText text = decodeForScan(body, guess);
        HtmlScan scan = scanHtmlResources(text.utf8);
        mapToBodyOffsets(scan.refs, body, text);
        std::string base = m_resources[index].url;
        if (!scan.baseHref.empty()) {
            if (auto resolved = resolveUrl(base, scan.baseHref))
                base = std::move(*resolved);
        }
        follow(index, base, scan.refs);
        return scan.charset;
    }

    void scanCss(std::size_t index, std::string_view body, const EncodingGuess& guess)
    {
        const DocumentText text = decodeForScan(body, guess);
        std::vector<ResourceRef> refs = scanCssResources(text.utf8);
        mapToBodyOffsets(refs, body, text);
        follow(index, m_resources[index].url, refs);
    }

    // base is taken by value: adding resources moves the list it may come from.
    void follow(std::size_t index, std::string base, const std::vector<ResourceRef>& refs)
    {
        const int nesting = m_resources[index].nesting;
        std::vector<Link> links;
        for (const ResourceRef& ref : refs) {
            const auto url = resolveUrl(base, ref.url);
            if (!url || *url == m_resources[index].url)
                continue;
            // A document at the nesting limit is archived, but what only it names is not; nor is
            // anything past the number of parts an archive may have. Either way it is missing.
            if (!m_index.contains(*url)) {
                if (nesting >= m_limits.maxNesting) {
                    noteBeyondLimits(*url,
                        "it is nested deeper than the archive's limit of "
                            + std::to_string(m_limits.maxNesting) + " levels");
                    continue;
                }
                if (m_resources.size() >= m_limits.maxResources) {
                    noteBeyondLimits(*url,
                        "the archive holds at most " + std::to_string(m_limits.maxResources) + " parts");
                    continue;
                }
            }
            const std::size_t target = add(*url, ref.kind, nesting + 1);
            if (ref.rewritable)
                links.push_back(Link { ref.offset, ref.length, target });
        }
        std::sort(
            links.begin(), links.end(), [](const Link& a, const Link& b) { return a.offset < b.offset; });
        m_resources[index].links = std::move(links);
    }

    // Only the first resource beyond the limits is named, with a count of the rest, so that a
    // page naming millions of them cannot fill the memory with its list.
    void noteBeyondLimits(const std::string& url, std::string reason)
    {
        if (m_beyondLimits.url.empty())
            m_beyondLimits = MissingResource { url, std::move(reason) };
        else if (url != m_beyondLimits.url)
            ++m_moreBeyondLimits;
    }

    // A browser does not show a file:// part of an archive by its location (whether the page came
    // over the network or from disk), so those parts get a Content-ID and the archived documents
    // refer to them as cid: URLs, which it does resolve.
    void assignContentIds()
    {
        std::random_device random;
        const std::string unique = std::to_string(random()) + "." + std::to_string(random());
        for (std::size_t i = 1; i < m_resources.size(); ++i) {
            if (m_resources[i].state == State::Fetched && isFileUrl(m_resources[i].url))
                m_resources[i].contentId = "part" + std::to_string(i) + "." + unique + "@inkwell.archive";
        }
    }

    // The document's bytes with every reference to a part that has a Content-ID replaced by its
    // cid: URL; everything else, references to what was left out included, stays byte for byte.
    std::string archivedBody(const Resource& resource, std::string body) const
    {
        std::string out;
        std::size_t copied = 0;
        bool changed = false;
        for (const Link& link : resource.links) {
            const Resource& target = m_resources[link.target];
            if (target.contentId.empty() || link.offset < copied)
                continue;
            out.append(body, copied, link.offset - copied);
            out += "cid:" + target.contentId;
            copied = link.offset + link.length;
            changed = true;
        }
        if (!changed)
            return body;
        out.append(body, copied, std::string::npos);
        return out;
    }

    // A text part, encoded in pieces that end after a line feed: quoted-printable starts every
    // line afresh, so the pieces encode exactly as the whole would, with a bounded copy.
    static Result<void> writeQuotedPrintable(AtomicFile& file, std::string_view body)
    {
        constexpr std::size_t kPiece = 1 << 20;
        std::size_t start = 0;
        while (start < body.size()) {
            std::size_t end = body.size();
            if (body.size() - start > kPiece) {
                const auto lineFeed = body.find('\n', start + kPiece - 1);
                if (lineFeed != std::string_view::npos)
                    end = lineFeed + 1;
            }
            INKWELL_TRY_VOID(file.write(encodeQuotedPrintable(body.substr(start, end - start))));
            start = end;
        }
        return {};
    }

    // A binary part streamed from the spool: whole 57-byte groups make whole 76-character lines,
    // so each chunk's lines only need the line break between them.
    Result<void> writeBase64(AtomicFile& file, const Resource& resource) const
    {
        constexpr std::size_t kChunk = 57 * 16384;
        std::string bytes;
        for (std::size_t done = 0; done < resource.size; done += kChunk) {
            bytes.clear();
            const std::size_t size = std::min(kChunk, resource.size - done);
            INKWELL_TRY_VOID(m_spool.readInto(resource.spoolOffset + done, size, bytes));
            std::string encoded = done == 0 ? std::string() : std::string("\r\n");
            encoded += encodeBase64(bytes);
            INKWELL_TRY_VOID(file.write(encoded));
        }
        return {};
    }

    // Writes the archive over target; gives the number of parts it holds.
    Result<std::size_t> write(const std::filesystem::path& target) const
    {
        INKWELL_TRY(AtomicFile file, AtomicFile::create(target));
        std::random_device random;
        const MimeWriter writer(
            MimeWriter::makeBoundary((static_cast<unsigned long long>(random()) << 32) ^ random()));
        INKWELL_TRY_VOID(file.write(
            writer.messageHeader(m_resources[0].mediaType, rfcDate(std::chrono::system_clock::now()))));
        std::size_t parts = 0;
        for (const Resource& resource : m_resources) {
            if (resource.state != State::Fetched)
                continue;
            MimePart part;
            part.contentType = resource.mediaType;
            if (!resource.charset.empty())
                part.contentType += "; charset=\"" + resource.charset + "\"";
            part.location = resource.url;
            part.contentId = resource.contentId;
            part.encoding = isTextType(resource.mediaType) ? TransferEncoding::QuotedPrintable
                                                           : TransferEncoding::Base64;
            std::string header;
            writer.appendPartHeader(part, header);
            INKWELL_TRY_VOID(file.write(header));
            if (part.encoding == TransferEncoding::QuotedPrintable) {
                std::string body;
                INKWELL_TRY_VOID(m_spool.readInto(resource.spoolOffset, resource.size, body));
                INKWELL_TRY_VOID(writeQuotedPrintable(file, archivedBody(resource, std::move(body))));
            } else {
                INKWELL_TRY_VOID(writeBase64(file, resource));
            }
            ++parts;
        }
        INKWELL_TRY_VOID(file.write(writer.closing()));
        INKWELL_TRY_VOID(file.commit());
        return parts;
    }

    ResourceFetcher& m_fetcher;
    ArchiveBuilder::Limits m_limits;
    ArchiveOptions m_options;
    LocalFilePolicy m_policy;
    std::optional<OpenedFile> m_pageFile; // a file:// page opened from its trusted folder
    Spool m_spool;
    std::optional<Error> m_spoolError; // set when a body could not be kept; ends the build
    std::vector<Resource> m_resources; // the page first, then in the order they were found
    std::unordered_map<std::string, std::size_t> m_index; // URL -> position in m_resources
    MissingResource m_beyondLimits; // the first resource past the limits, if any
    std::size_t m_moreBeyondLimits = 0; // references past the limits after that one
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

ArchiveResult ArchiveBuilder::build(
    const std::string& url, const std::filesystem::path& target, const ArchiveOptions& options)
{
    return ArchiveBuild(m_fetcher, m_limits, options).run(url, target);
}

ArchiveResult buildMhtArchive(
    const std::string& url, const std::filesystem::path& target, const ArchiveOptions& options)
{
    const ArchiveBuilder::Limits limits;
    CurlFetcher::Limits fetchLimits;
    // The fetcher stops reading at the builder's limit instead of holding a larger body first.
    fetchLimits.maxBytes = limits.maxResourceBytes;
    CurlFetcher fetcher(fetchLimits);
    return ArchiveBuilder(fetcher, limits).build(url, target, options);
}

} // namespace inkwell
