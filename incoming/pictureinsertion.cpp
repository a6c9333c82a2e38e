#include "incoming/pictureinsertion.h"

#include "core/atomicfile.h"
#include "core/readfile.h"
#include "core/regularfile.h"

#include <cerrno>
#include <system_error>

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

Result<fs::path> copyPictureIntoFolder(const fs::path& picture, const fs::path& folder)
{
    if (picture.empty())
        return Error { ENOENT, "no picture was chosen" };
    // Opened first, and everything after decided on what was opened: the name could be swapped for
    // something else between a check and a read.
    INKWELL_TRY(const OpenedFile opened, openRegularFile(picture));
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return Error { ENOTDIR, "cannot copy into " + folder.string() + ": " + systemReason(ENOTDIR) };
    const fs::path target = folder / picture.filename();
    // The picture already is that file: copying it onto itself would cut it.
    if (const auto real = fs::canonical(target, error); !error && real == opened.realPath)
        return target;

    INKWELL_TRY(const std::string bytes, readAll(opened.fd.get(), picture.string()));
    // Written beside the target and renamed over it, so a failed copy never leaves a cut picture.
    INKWELL_TRY_VOID(writeFileAtomically(target, bytes));
    return target;
}

} // namespace inkwell
