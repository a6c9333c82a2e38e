#include "publishing/requesthandler.h"

#include "core/regularfile.h"
#include "publishing/contenttype.h"
#include "publishing/httprequest.h"
#include "publishing/requestpath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inkwell {
namespace {

// The program's own settings and the recovery copy of the page being edited live in "system";
// none of it is any client's business.
bool isPrivateFolder(const std::filesystem::path& real, const std::filesystem::path& root)
{
    return isInsideRoot(real, root / "system");
}

// Whether what the name leads to now lies inside the root, outside "system", taken on a descriptor that only
// marks the place (it reads nothing, so it opens a folder or a file this user may not read alike). A folder
// is looked for only as a folder, the kind the failed open met.
bool placeIsInside(const std::filesystem::path& entry, const std::filesystem::path& root, bool folder)
{
    const FileDescriptor place(::open(entry.c_str(), O_PATH | O_CLOEXEC | (folder ? O_DIRECTORY : 0)));
    if (!place.isValid())
        return false;
    const Result<std::filesystem::path> real = realPathOf(place.get());
    return real && isInsideRoot(*real, root) && !isPrivateFolder(*real, root);
}

// A file its owner (this user) keeps from everyone else: the server would otherwise hand it to
// any local user who knows the port.
bool isPrivateFile(const OpenedFile& file)
{
    static const uid_t self = ::geteuid();
    return file.owner == self && (file.mode & (S_IRWXG | S_IRWXO)) == 0;
}

} // namespace

Answer answerRequest(const std::filesystem::path& root, std::string_view head)
{
    const std::optional<RequestInfo> info = parseRequest(head);
    if (!info || !isServed(info->host))
        return Answer::notFound();
    // No check by name beyond the path's own form: only what is opened below counts, and a check
    // by name costs a look at every folder on the way for every request.
    const std::optional<std::filesystem::path> entry = joinRequestPath(root, info->path);
    if (!entry || isPrivateFolder(*entry, root))
        return Answer::notFound();

    const std::optional<std::string_view> typeLine = contentTypeLine(pathExtension(info->path));
    const Answer::Encoding encoding = info->acceptsGzip ? Answer::Encoding::Gzip : Answer::Encoding::Plain;
    // A link on the way may lead elsewhere, and a folder on the way may be swapped for one at any
    // moment. So the decision is taken on the file that was really opened, and only that
    // descriptor is read: no second lookup by name follows.
    Result<OpenedFile> opened = openRegularFile(*entry);
    if (!opened) {
        // A folder, or a file this user may not read, has no content to send, but its empty answer
        // still tells that it exists: so it is given only where the entry lies inside the root. A
        // named pipe, a socket or a device is no file to serve, and an entry gone meanwhile is not
        // found.
        const int code = opened.error().code;
        const bool noContent = code == EISDIR || code == EACCES || code == EPERM;
        if (noContent && placeIsInside(*entry, root, code == EISDIR))
            return Answer::found(typeLine, encoding, FileDescriptor {}, 0);
        return Answer::notFound();
    }
    if (!isInsideRoot(opened->realPath, root) || isPrivateFolder(opened->realPath, root)
        || isPrivateFile(*opened))
        return Answer::notFound();
    return Answer::found(typeLine, encoding, std::move(opened->fd), opened->size);
}

} // namespace inkwell
