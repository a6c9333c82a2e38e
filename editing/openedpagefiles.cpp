#include "editing/openedpagefiles.h"

#include "archive/cssresourcescanner.h"
#include "archive/htmlresourcescanner.h"
#include "archive/localfilepolicy.h"
#include "archive/localfilereader.h"
#include "core/ascii.h"
#include "core/filedescriptor.h"
#include "core/percentencoding.h"
#include "core/regularfile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace inkwell {
namespace {

using Segments = std::vector<std::string>;
using Refusal = texts::PageFileRefusal;

// How much of a file is read to tell a picture by its bytes: the signatures need a few bytes, an SVG
// document's first element may follow a long prolog.
constexpr std::size_t kPictureHead = 64 * 1024;
// How many names are tried for one file or folder before the document folder is taken to refuse it.
constexpr int kNameAttempts = 1000;
constexpr std::size_t kChunk = 64 * 1024;

struct Address
{
    Segments written; // percent-decoded, split at "/", empty segments left out
    std::string suffix; // "?..." and "#..." as written
};

bool isScheme(std::string_view text)
{
    if (text.empty() || !((text[0] >= 'a' && text[0] <= 'z') || (text[0] >= 'A' && text[0] <= 'Z')))
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+'
            || c == '-' || c == '.';
    });
}

// The path of a relative address, as a browser reads it: tabs and line breaks inside dropped, "\" taken
// as "/". Nothing for addresses with a scheme (remote, file://, data:), absolute paths ("/x", "//host"),
// and those that name the page itself ("", "#top", "?q"): they stay as they are.
std::optional<Address> relativeAddress(std::string_view url)
{
    std::string text;
    text.reserve(url.size());
    for (const char c : url) {
        if (c != '\t' && c != '\n' && c != '\r')
            text += c == '\\' ? '/' : c;
    }
    const std::string_view trimmed = trimBlanks(text, std::string_view(" \f\v\0", 4));
    if (trimmed.empty() || trimmed.front() == '/' || trimmed.front() == '#' || trimmed.front() == '?')
        return std::nullopt;
    const auto colon = trimmed.find(':');
    if (colon != std::string_view::npos && colon < trimmed.find_first_of("/?#")
        && isScheme(trimmed.substr(0, colon)))
        return std::nullopt;
    const auto cut = trimmed.find_first_of("?#");
    const std::string path = percentDecode(trimmed.substr(0, cut));
    if (path.find('\0') != std::string::npos)
        return std::nullopt;
    Address address;
    if (cut != std::string_view::npos)
        address.suffix = std::string(trimmed.substr(cut));
    std::size_t at = 0;
    while (at <= path.size()) {
        const auto slash = std::min(path.find('/', at), path.size());
        if (slash > at)
            address.written.push_back(path.substr(at, slash - at));
        at = slash + 1;
    }
    return address;
}

// The written path taken from `folder` (relative to the page's folder): a ".." above it is kept as a
// leading "..", one for each folder climbed.
Segments resolveFromPage(const Segments& folder, const Segments& written)
{
    Segments out = folder;
    for (const std::string& segment : written) {
        if (segment == ".")
            continue;
        if (segment == "..") {
            if (!out.empty() && out.back() != "..")
                out.pop_back();
            else
                out.push_back(segment);
            continue;
        }
        out.push_back(segment);
    }
    return out;
}

// The written path taken from `folder` inside the document folder, as the design view resolves it;
// nothing when it climbs out of the document folder.
std::optional<Segments> resolveInDocument(const Segments& folder, const Segments& written)
{
    Segments out = folder;
    for (const std::string& segment : written) {
        if (segment == ".")
            continue;
        if (segment == "..") {
            if (out.empty())
                return std::nullopt;
            out.pop_back();
            continue;
        }
        out.push_back(segment);
    }
    return out;
}

std::size_t climbOf(const Segments& source)
{
    std::size_t climb = 0;
    while (climb < source.size() && source[climb] == "..")
        ++climb;
    return climb;
}

std::string joined(const Segments& segments, std::size_t from = 0)
{
    std::string text;
    for (std::size_t i = from; i < segments.size(); ++i) {
        if (i > from)
            text += '/';
        text += segments[i];
    }
    return text;
}

// The address of `target` from a text in `folder`, both inside the document folder, written as a URL
// needs it (each segment percent-encoded).
std::string addressFrom(const Segments& folder, const Segments& target)
{
    std::size_t common = 0;
    while (common < folder.size() && common + 1 < target.size() && folder[common] == target[common])
        ++common;
    std::string address;
    for (std::size_t i = common; i < folder.size(); ++i)
        address += "../";
    for (std::size_t i = common; i < target.size(); ++i) {
        if (i > common)
            address += '/';
        address += percentEncodeSegment(target[i]);
    }
    return address;
}

// A font named in a style sheet's url(): a place a picture could stand in, but not one where a font
// must be a picture.
bool isFontName(std::string_view name)
{
    const std::string lower = asciiLower(name);
    for (const std::string_view extension : { ".woff", ".woff2", ".ttf", ".otf", ".eot" }) {
        if (lower.ends_with(extension))
            return true;
    }
    return false;
}

// "a.png", then "a-2.png", "a-3.png" and so on.
std::string freeName(const std::string& name, int attempt)
{
    if (attempt == 0)
        return name;
    const fs::path path(name);
    return path.stem().string() + "-" + std::to_string(attempt + 1) + path.extension().string();
}

fs::path homeFolder()
{
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        const passwd* entry = ::getpwuid(::getuid());
        home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    std::error_code ec;
    const fs::path canonical = home != nullptr ? fs::canonical(home, ec) : fs::path();
    return ec ? fs::path() : canonical;
}

// Folders a site never reaches up into: the root, a folder right below it (/usr, /home, /tmp), the
// home folder and those above it. A page's "../" can name files only below such a folder.
bool isSharedFolder(const fs::path& folder, const fs::path& home)
{
    const fs::path below = folder.relative_path();
    const auto depth = std::distance(below.begin(), below.end());
    if (depth < 2)
        return true;
    std::error_code ec;
    const fs::path canonical = fs::canonical(folder, ec);
    if (ec || home.empty())
        return false;
    const std::string inside = canonical.string() + "/";
    return canonical == home || home.string().starts_with(inside);
}

// How many folders above `folder` a page in it may reach.
std::size_t climbLimit(const fs::path& folder)
{
    const fs::path home = homeFolder();
    std::size_t limit = 0;
    for (fs::path at = folder; at.has_relative_path(); at = at.parent_path()) {
        if (isSharedFolder(at.parent_path(), home))
            break;
        ++limit;
    }
    return limit;
}

Refusal refusalOfError(const Error& error)
{
    switch (error.code) {
    case ENOENT:
    case ENOTDIR:
        return Refusal::Missing;
    case kNotARegularFile:
        return Refusal::NotAFile;
    case EISDIR:
        return Refusal::Folder;
    default:
        return Refusal::Unreadable;
    }
}

Error systemError(int code)
{
    return Error { code, systemReason(code) };
}

// Reads up to size bytes at offset; fewer only at the end of the file.
Result<std::size_t> readAt(int fd, char* into, std::size_t size, std::uint64_t offset)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, into + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return systemError(errno);
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// What a copy writes: a style sheet's (rewritten) text, or the bytes of an opened file.
struct Content
{
    std::string_view text;
    int fd = -1;

    [[nodiscard]] Result<std::size_t> read(char* into, std::size_t size, std::uint64_t offset) const
    {
        if (fd < 0) {
            if (offset >= text.size())
                return std::size_t { 0 };
            const std::size_t n = std::min<std::size_t>(size, text.size() - static_cast<std::size_t>(offset));
            std::copy_n(text.data() + offset, n, into);
            return n;
        }
        return readAt(fd, into, size, offset);
    }
};

Result<void> writeAll(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return systemError(written < 0 ? errno : ENOSPC);
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return {};
}

Result<void> writeContent(int fd, const Content& content)
{
    std::string buffer(kChunk, '\0');
    for (std::uint64_t offset = 0;;) {
        INKWELL_TRY(const std::size_t got, content.read(buffer.data(), buffer.size(), offset));
        if (got == 0)
            return {};
        INKWELL_TRY_VOID(writeAll(fd, buffer.data(), got));
        offset += got;
    }
}

// True when the opened file holds exactly the content's bytes.
Result<bool> sameBytes(int fd, const Content& content)
{
    std::string mine(kChunk, '\0');
    std::string theirs(kChunk, '\0');
    for (std::uint64_t offset = 0;;) {
        INKWELL_TRY(const std::size_t a, content.read(mine.data(), mine.size(), offset));
        INKWELL_TRY(const std::size_t b, readAt(fd, theirs.data(), theirs.size(), offset));
        if (a != b || std::string_view(mine.data(), a) != std::string_view(theirs.data(), b))
            return false;
        if (a == 0)
            return true;
        offset += a;
    }
}

struct PutFile
{
    std::string name;
    bool written = false; // false: an identical file was there already
};

// Puts the content into the open folder as `name`, or, where another file holds that name, under the
// next free one. A file is only ever created, never opened for writing where one exists; an identical
// one is taken as it is. A file that cannot be written whole is removed again.
Result<PutFile> putFile(int folderFd, const std::string& name, const Content& content)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string candidate = freeName(name, attempt);
        FileDescriptor fd(::openat(folderFd, candidate.c_str(),
            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666));
        if (fd.isValid()) {
            Result<void> written = writeContent(fd.get(), content);
            if (written && ::close(fd.release()) != 0)
                written = systemError(errno);
            if (!written) {
                ::unlinkat(folderFd, candidate.c_str(), 0);
                return written.error();
            }
            return PutFile { candidate, true };
        }
        if (errno != EEXIST)
            return systemError(errno);
        // Opened without following a link and without waiting on a pipe: only a regular file of the
        // folder itself can be the copy already made.
        const Result<OpenedFile> existing = openRegularFileAt(folderFd, candidate, FinalLink::Refuse);
        if (!existing)
            continue;
        if (const Result<bool> same = sameBytes(existing->fd.get(), content); same && *same)
            return PutFile { candidate, false };
    }
    return systemError(EEXIST);
}

// Opens (making what is missing) the folders below the document folder; one whose name is taken by a
// file or a link takes a free name, so that nothing is ever written through a link out of it. The
// folder and the names the path got.
Result<std::pair<FileDescriptor, Segments>> openFolders(
    const fs::path& documentFolder, const Segments& folders)
{
    FileDescriptor current(::open(documentFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!current.isValid())
        return systemError(errno);
    Segments names;
    for (const std::string& folder : folders) {
        int attempt = 0;
        for (;;) {
            if (attempt == kNameAttempts)
                return systemError(EEXIST);
            const std::string candidate = freeName(folder, attempt);
            FileDescriptor next(
                ::openat(current.get(), candidate.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (next.isValid()) {
                current = std::move(next);
                names.push_back(candidate);
                break;
            }
            if (errno == ENOENT) {
                if (::mkdirat(current.get(), candidate.c_str(), 0777) != 0 && errno != EEXIST)
                    return systemError(errno);
                continue; // opened on the next round, as whatever now holds the name
            }
            if (errno != ENOTDIR && errno != ELOOP)
                return systemError(errno);
            ++attempt;
        }
    }
    return std::pair { std::move(current), std::move(names) };
}

} // namespace

OpenedPageFiles::OpenedPageFiles(const fs::path& pageFile, std::string html, const fs::path& documentFolder)
    : m_html(std::move(html))
    , m_pageFile(fs::absolute(pageFile).lexically_normal())
    , m_documentFolder(documentFolder)
{
    m_pageFolder = m_pageFile.parent_path();
    plan();
}

void OpenedPageFiles::plan()
{
    std::error_code ec;
    if (fs::equivalent(m_pageFolder, m_documentFolder, ec))
        return; // the page's files lie where the document's are looked for
    HtmlScan scan = scanHtmlResources(m_html);
    if (!scan.baseHref.empty())
        return; // the page says itself where its addresses lead
    // The site: the page's folder and those above it that the page's own "../" addresses reach.
    std::size_t climb = 0;
    for (const ResourceRef& ref : scan.refs) {
        if (ref.kind == ResourceRef::Kind::Frame)
            continue;
        if (const auto address = relativeAddress(ref.url))
            climb = std::max(climb, climbOf(resolveFromPage({}, address->written)));
    }
    m_allowedClimb = std::min(climb, climbLimit(m_pageFolder));
    fs::path root = m_pageFolder;
    for (std::size_t i = 0; i < m_allowedClimb; ++i)
        root = root.parent_path();
    const fs::path realRoot = fs::canonical(root, ec);
    if (ec)
        return;
    m_siteRoot = realRoot == realRoot.root_path() ? realRoot.string() : realRoot.string() + "/";

    m_pageReferences = references(scan.refs, {});
    // Style sheets found on the way are read for their own references, breadth first.
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        if (!m_files[i].styleSheet || m_files[i].plan != Plan::Copy)
            continue;
        const Segments folder(m_files[i].source.begin(), m_files[i].source.end() - 1);
        std::vector<Reference> found = references(scanCssResources(m_files[i].text), folder);
        m_files[i].references = std::move(found);
    }
}

std::vector<OpenedPageFiles::Reference> OpenedPageFiles::references(
    const std::vector<ResourceRef>& refs, const Segments& folder)
{
    const Segments self { m_pageFile.filename().string() };
    std::vector<Reference> out;
    for (const ResourceRef& ref : refs) {
        // A frame is a page of its own, with its own files; it is not brought along.
        if (ref.kind == ResourceRef::Kind::Frame)
            continue;
        std::optional<Address> address = relativeAddress(ref.url);
        if (!address)
            continue;
        Segments source = resolveFromPage(folder, address->written);
        if (source.empty() || source == self)
            continue;
        const bool picture = ref.kind == ResourceRef::Kind::Picture && !isFontName(source.back());
        const std::size_t file
            = fileFor(std::move(source), ref.kind == ResourceRef::Kind::StyleSheet, picture);
        out.push_back(Reference { ref.offset, ref.length, ref.rewritable, file, std::move(address->written),
            std::move(address->suffix) });
    }
    return out;
}

std::size_t OpenedPageFiles::fileFor(Segments source, bool styleSheet, bool picturePlace)
{
    const std::string key = joined(source);
    if (const auto known = m_fileIndex.find(key); known != m_fileIndex.end()) {
        PageFile& file = m_files[known->second];
        if (picturePlace && !file.picturePlace && file.plan == Plan::Copy) {
            // Named as a picture somewhere too: its bytes must then be a picture.
            file.picturePlace = true;
            examine(file);
        }
        return known->second;
    }
    PageFile file;
    file.source = std::move(source);
    file.place.assign(
        file.source.begin() + static_cast<std::ptrdiff_t>(climbOf(file.source)), file.source.end());
    file.styleSheet = styleSheet;
    file.picturePlace = picturePlace;
    file.refusal.address = key;
    examine(file);
    m_fileIndex.emplace(key, m_files.size());
    m_files.push_back(std::move(file));
    return m_files.size() - 1;
}

fs::path OpenedPageFiles::sourcePath(const PageFile& file) const
{
    return (m_pageFolder / joined(file.source)).lexically_normal();
}

Result<OpenedFile> OpenedPageFiles::openChecked(PageFile& file) const
{
    const auto refuse = [&](Refusal refusal, Error error = {}) -> Error {
        file.plan = Plan::Refused;
        file.refusal.refusal = refusal;
        file.refusal.error = error;
        return error;
    };
    if (file.place.empty())
        return refuse(Refusal::Folder);
    if (climbOf(file.source) > m_allowedClimb || m_siteRoot.empty())
        return refuse(Refusal::OutsideSite);
    Result<OpenedFile> opened = openRegularFile(sourcePath(file));
    if (!opened)
        return refuse(refusalOfError(opened.error()), opened.error());
    // Judged by where the opened file really lies, so that a link to elsewhere is seen as what it is.
    const std::string real = opened->realPath.string();
    if (!real.starts_with(m_siteRoot))
        return refuse(Refusal::LinkOutside);
    if (file.picturePlace) {
        std::string head(kPictureHead, '\0');
        const Result<std::size_t> got = readAt(opened->fd.get(), head.data(), head.size(), 0);
        if (!got)
            return refuse(Refusal::Unreadable, got.error());
        head.resize(*got);
        if (!isPictureBytes(head))
            return refuse(Refusal::NotAPicture);
    }
    return opened;
}

void OpenedPageFiles::examine(PageFile& file)
{
    Result<OpenedFile> opened = openChecked(file);
    if (!opened)
        return;
    file.size = opened->size;
    if (!file.styleSheet)
        return;
    if (file.size > kLargestStyleSheet) {
        file.plan = Plan::Refused;
        file.refusal.refusal = Refusal::TooLarge;
        return;
    }
    Result<FetchedResource> read = readOpenedFile(*opened, kLargestStyleSheet);
    if (!read) {
        file.plan = Plan::Refused;
        file.refusal.refusal
            = read.error().code == kLargerThanLimit ? Refusal::TooLarge : Refusal::Unreadable;
        file.refusal.error = read.error();
        return;
    }
    file.text = std::move(read->body);
    file.size = file.text.size();
}

std::size_t OpenedPageFiles::fileCount() const
{
    return static_cast<std::size_t>(std::count_if(
        m_files.begin(), m_files.end(), [](const PageFile& file) { return file.plan == Plan::Copy; }));
}

std::uint64_t OpenedPageFiles::byteCount() const
{
    std::uint64_t bytes = 0;
    for (const PageFile& file : m_files) {
        if (file.plan == Plan::Copy)
            bytes += file.size;
    }
    return bytes;
}

bool OpenedPageFiles::isLarge() const
{
    return fileCount() > kAskAboveFiles || byteCount() > kAskAboveBytes;
}

OpenedPageFiles::Outcome OpenedPageFiles::copy()
{
    for (const Reference& reference : m_pageReferences)
        copyWithItsFiles(reference.file);
    Outcome outcome;
    outcome.html = rewritten(m_html, m_pageReferences, {});
    for (const PageFile& file : m_files) {
        if (file.plan == Plan::Refused)
            outcome.uncopied.push_back(file.refusal);
    }
    outcome.uncopied.insert(outcome.uncopied.end(), m_notRewritten.begin(), m_notRewritten.end());
    outcome.copied = m_copied;
    return outcome;
}

// Depth first, a style sheet after the files it names: its text is rewritten to where they went. Style
// sheets that import each other are met again while on the way; such a reference is taken to lead to
// the place the other one was meant for.
void OpenedPageFiles::copyWithItsFiles(std::size_t index)
{
    std::vector<std::pair<std::size_t, std::size_t>> stack { { index, 0 } };
    while (!stack.empty()) {
        const std::size_t current = stack.back().first;
        PageFile& file = m_files[current];
        if (file.plan != Plan::Copy || file.done || (file.copying && stack.back().second == 0)) {
            stack.pop_back();
            continue;
        }
        file.copying = true;
        if (stack.back().second < file.references.size()) {
            const std::size_t next = file.references[stack.back().second++].file;
            stack.push_back({ next, 0 });
            continue;
        }
        copyOne(file);
        file.copying = false;
        file.done = true;
        stack.pop_back();
    }
}

void OpenedPageFiles::copyOne(PageFile& file)
{
    const auto fail = [&](Refusal refusal, Error error) {
        file.plan = Plan::Refused;
        file.refusal.refusal = refusal;
        file.refusal.error = std::move(error);
    };
    const Segments folders(file.place.begin(), file.place.end() - 1);
    Result<std::pair<FileDescriptor, Segments>> folder = openFolders(m_documentFolder, folders);
    if (!folder)
        return fail(Refusal::NotWritten, folder.error());
    Segments placed = std::move(folder->second);
    Result<PutFile> put = systemError(EINVAL);
    if (file.styleSheet) {
        const std::string text = rewritten(file.text, file.references, placed);
        put = putFile(folder->first.get(), file.place.back(), Content { text });
    } else {
        // Checked again on the descriptor its bytes are copied from: the file may have been swapped for
        // a link or a pipe since it was planned.
        const Result<OpenedFile> opened = openChecked(file);
        if (!opened)
            return;
        put = putFile(folder->first.get(), file.place.back(), Content { {}, opened->fd.get() });
    }
    if (!put)
        return fail(Refusal::NotWritten, put.error());
    placed.push_back(put->name);
    file.placed = std::move(placed);
    if (put->written)
        ++m_copied;
}

std::string OpenedPageFiles::rewritten(
    std::string_view text, const std::vector<Reference>& references, const Segments& folder)
{
    std::vector<const Reference*> inOrder;
    inOrder.reserve(references.size());
    for (const Reference& reference : references)
        inOrder.push_back(&reference);
    std::stable_sort(inOrder.begin(), inOrder.end(),
        [](const Reference* a, const Reference* b) { return a->offset < b->offset; });
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    for (const Reference* reference : inOrder) {
        const PageFile& file = m_files[reference->file];
        if (file.plan != Plan::Copy || (!file.done && !file.copying))
            continue; // not copied: the address stays as the page wrote it
        const Segments& target = file.done ? file.placed : file.place;
        if (resolveInDocument(folder, reference->written) == target)
            continue;
        if (!reference->rewritable || reference->length == 0 || reference->offset < at
            || reference->offset + reference->length > text.size()) {
            const bool told = std::any_of(m_notRewritten.begin(), m_notRewritten.end(),
                [&](const texts::UncopiedPageFile& said) { return said.address == file.refusal.address; });
            if (!told)
                m_notRewritten.push_back({ file.refusal.address, Refusal::AddressNotRewritable, {} });
            continue;
        }
        out.append(text.substr(at, reference->offset - at));
        out += addressFrom(folder, target);
        out += reference->suffix;
        at = reference->offset + reference->length;
    }
    out.append(text.substr(at));
    return out;
}

} // namespace inkwell
