#include "incoming/pictureinsertion.h"

#include "core/atomicfile.h"
#include "core/filedescriptor.h"
#include "core/readfile.h"
#include "core/regularfile.h"
#include "incoming/newpicturefile.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace inkwell {
namespace {

// What a reference to a file cannot hold as it is: blanks and control characters, the marks that end
// a path ("#", "?") or start an escape ("%"), and what an attribute or the page's markup would read
// otherwise (a quote, "&", "<", ">", and a backslash, which browsers take for "/"). Everything else, letters
// of any script included, stays as the file is called.
bool mustEscape(unsigned char c)
{
    return c <= 0x20 || c == 0x7F || c == '#' || c == '?' || c == '%' || c == '"' || c == '&' || c == '<'
        || c == '>' || c == '\\';
}

// The absolute path with "." and ".." resolved and symbolic links followed where they exist.
fs::path resolved(const fs::path& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        return path.lexically_normal();
    fs::path canonical = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : canonical;
}

} // namespace

std::string percentEncodePath(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (!mustEscape(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

std::string fileUrl(const fs::path& absolute)
{
    return "file://" + percentEncodePath(absolute.generic_string());
}

std::string pictureSource(const fs::path& picture, const fs::path& documentFolder)
{
    if (picture.empty())
        return {};
    const fs::path file = resolved(picture);
    if (!documentFolder.empty()) {
        const fs::path relative = file.lexically_relative(resolved(documentFolder));
        if (!relative.empty() && *relative.begin() != ".." && relative != ".") {
            std::string reference = percentEncodePath(relative.generic_string());
            // A colon in the first segment would make it read as a scheme ("c:x.png").
            if (const auto colon = reference.find(':');
                colon != std::string::npos && colon < reference.find('/'))
                reference.insert(0, "./");
            return reference;
        }
    }
    return fileUrl(file);
}

namespace {

// The picture to copy, opened, and the folder checked. Opened first, and everything after decided on
// what was opened: the name could be swapped for something else between a check and a read.
Result<OpenedFile> openPictureToCopy(const fs::path& picture, const fs::path& folder)
{
    if (picture.empty())
        return Error { ENOENT, "no picture was chosen" };
    INKWELL_TRY(OpenedFile opened, openRegularFile(picture));
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return Error { ENOTDIR, "cannot copy into " + folder.string() + ": " + systemReason(ENOTDIR) };
    return opened;
}

// The picture already is that file: copying it onto itself would cut it.
bool isTheSameFile(const OpenedFile& opened, const fs::path& file)
{
    std::error_code error;
    const auto real = fs::canonical(file, error);
    return !error && real == opened.realPath;
}

} // namespace

Result<fs::path> copyPictureIntoFolder(const fs::path& picture, const fs::path& folder)
{
    INKWELL_TRY(const OpenedFile opened, openPictureToCopy(picture, folder));
    const fs::path target = folder / picture.filename();
    if (isTheSameFile(opened, target))
        return target;

    INKWELL_TRY(const std::string bytes, readAll(opened.fd.get(), picture.string()));
    // Written beside the target and renamed over it, so a failed copy never leaves a cut picture.
    INKWELL_TRY_VOID(writeFileAtomically(target, bytes));
    return target;
}

namespace {

// Pieces a dropped picture is compared and copied in: memory stays this small whatever the file's size.
constexpr std::size_t kCopyPiece = 256 * 1024;

Result<void> writeAll(int fd, std::string_view bytes, const fs::path& path)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int code = n < 0 ? errno : ENOSPC;
            return Error { code, "cannot write " + path.string() + ": " + systemReason(code) };
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

// True when the file at path holds the same bytes as the open picture.
bool sameBytes(const OpenedFile& picture, const fs::path& path)
{
    Result<OpenedFile> other = openRegularFile(path);
    if (!other || other->size != picture.size)
        return false;
    std::string mine(kCopyPiece, '\0');
    std::string theirs(kCopyPiece, '\0');
    for (off_t at = 0;; at += static_cast<off_t>(kCopyPiece)) {
        const auto a = readAt(
            picture.fd.get(), mine.data(), kCopyPiece, static_cast<std::uint64_t>(at), path.string());
        const auto b = readAt(
            other->fd.get(), theirs.data(), kCopyPiece, static_cast<std::uint64_t>(at), path.string());
        if (!a || !b || *a != *b || mine.compare(0, *a, theirs, 0, *b) != 0)
            return false;
        if (*a < kCopyPiece)
            return true;
    }
}

} // namespace

Result<fs::path> copyPictureUnderFreeName(
    const fs::path& picture, const fs::path& folder, const CopyProgress& progress)
{
    INKWELL_TRY(const OpenedFile opened, openPictureToCopy(picture, folder));
    const fs::path own = folder / picture.filename();
    if (isTheSameFile(opened, own) || sameBytes(opened, own))
        return own;

    const std::string stem = picture.stem().string();
    const std::string extension = picture.extension().string();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const fs::path target = folder / (nextFreeName(stem, attempt) + extension);
        // O_EXCL: created here or not at all, so no file that exists is ever written over.
        FileDescriptor out(
            ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (!out.isValid()) {
            if (errno == EEXIST) {
                if (attempt > 0 && sameBytes(opened, target))
                    return target; // the same picture dropped before
                continue;
            }
            return Error { errno, "cannot create " + target.string() + ": " + systemReason(errno) };
        }
        // Copied piece by piece; a copy that fails is taken away again, never left cut.
        std::string piece(kCopyPiece, '\0');
        for (off_t at = 0;; at += static_cast<off_t>(kCopyPiece)) {
            const Result<std::size_t> got = readAt(
                opened.fd.get(), piece.data(), kCopyPiece, static_cast<std::uint64_t>(at), picture.string());
            Result<void> written = got ? writeAll(out.get(), std::string_view(piece).substr(0, *got), target)
                                       : Result<void>(got.error());
            if (!written) {
                out.reset();
                ::unlink(target.c_str());
                return written.error();
            }
            if (progress && !progress(static_cast<std::uint64_t>(at) + *got)) {
                out.reset();
                ::unlink(target.c_str());
                return Error { ECANCELED, "the copy of " + picture.string() + " was cancelled" };
            }
            if (*got < kCopyPiece)
                break;
        }
        if (::close(out.release()) != 0) {
            const int code = errno;
            ::unlink(target.c_str());
            return Error { code, "cannot write " + target.string() + ": " + systemReason(code) };
        }
        return target;
    }
    return Error { EEXIST, "cannot create a new file in " + folder.string() + ": " + systemReason(EEXIST) };
}

} // namespace inkwell
