#include "publishing/requesthandler.h"

#include "publishing/contenttype.h"
#include "publishing/httprequest.h"
#include "publishing/requestpath.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace inkwell {

Answer answerRequest(const std::filesystem::path& root, std::string_view request)
{
    const std::optional<RequestInfo> info = parseRequest(request);
    if (!info || !isServed(info->host))
        return Answer::notFound();
    const std::optional<std::filesystem::path> entry = resolveRequestPath(root, info->path);
    if (!entry)
        return Answer::notFound();

    const std::optional<std::string_view> typeLine = contentTypeLine(pathExtension(info->path));
    const Answer::Encoding encoding = info->acceptsGzip ? Answer::Encoding::Gzip : Answer::Encoding::Plain;
    // Opened without blocking so that a named pipe below the root cannot stall the server.
    FileDescriptor file(::open(entry->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat status;
    if (!file.isValid() || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return Answer::found(typeLine, encoding, FileDescriptor {}, 0);
    return Answer::found(typeLine, encoding, std::move(file), static_cast<std::uint64_t>(status.st_size));
}

} // namespace inkwell
