#include "archive/localfilereader.h"

#include "archive/localfilepolicy.h"

#include <cerrno>
#include <unistd.h>

namespace inkwell {
namespace {

std::string tooLargeReason(std::uint64_t maxBytes)
{
    return "it is larger than the limit of " + std::to_string(maxBytes) + " bytes";
}

} // namespace

std::string localFileReason(const Error& error)
{
    if (error.code == kNotARegularFile)
        return "not a file";
    return error.code != 0 ? systemReason(error.code) : error.message;
}

FetchResult readOpenedFile(const OpenedFile& file, std::uint64_t maxBytes)
{
    FetchResult result;
    if (file.size > maxBytes) {
        result.tooLarge = true;
        result.error = tooLargeReason(maxBytes);
        return result;
    }
    // The size is what the file held when it was opened; it is read to its end all the same, so that a
    // file that grew since is still caught at the limit.
    constexpr std::size_t kChunk = 1 << 16;
    std::string& body = result.body;
    body.reserve(static_cast<std::size_t>(file.size));
    for (;;) {
        const std::size_t start = body.size();
        body.resize(start + kChunk);
        const ssize_t got = ::read(file.fd.get(), body.data() + start, kChunk);
        if (got < 0 && errno == EINTR) {
            body.resize(start);
            continue;
        }
        if (got < 0) {
            const int error = errno;
            body.clear();
            result.error = systemReason(error);
            return result;
        }
        body.resize(start + static_cast<std::size_t>(got));
        if (got == 0)
            return result;
        if (body.size() > maxBytes) {
            body.clear();
            body.shrink_to_fit();
            result.tooLarge = true;
            result.error = tooLargeReason(maxBytes);
            return result;
        }
    }
}

FetchResult readFileUrl(std::string_view fileUrl, std::uint64_t maxBytes)
{
    FetchResult result;
    const std::optional<std::string> path = localPathOfFileUrl(fileUrl);
    if (!path || path->empty()) {
        result.error = "it does not name a file on this computer";
        return result;
    }
    const Result<OpenedFile> opened = openRegularFile(*path);
    if (!opened) {
        result.error = localFileReason(opened.error());
        return result;
    }
    return readOpenedFile(*opened, maxBytes);
}

} // namespace inkwell
