#include "publishing/requesthandler.h"

#include "publishing/contenttype.h"
#include "publishing/gzipencoder.h"
#include "publishing/httprequest.h"
#include "publishing/requestpath.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kStatusOk = "HTTP/1.1 200 OK\r\n";
constexpr std::string_view kServerLine = "Server: Wisp beta\r\n";
constexpr std::string_view kGzipLine = "Content-Encoding: gzip\r\n";
// "<title>404 未找到指定内容</title>404 NOT FOUND <br> Powered By Wisp" in GBK, as clients have always seen
// it.
constexpr std::string_view kNotFoundBody
    = "<title>404 \xce\xb4\xd5\xd2\xb5\xbd\xd6\xb8\xb6\xa8\xc4\xda\xc8\xdd</title>"
      "404 NOT FOUND <br> Powered By Wisp";

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd = -1;
};

// Appends the whole content of a regular file to `out`; nothing for anything else or when reading
// fails. The file is opened without blocking so that a named pipe below the root cannot stall the
// server.
void appendWholeFile(const std::filesystem::path& path, std::string& out)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0)
        return;
    struct stat info;
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return;

    // The size fstat gave is what is sent: a file being written meanwhile is cut there rather
    // than read on without end.
    const std::size_t start = out.size();
    const std::size_t size = static_cast<std::size_t>(info.st_size);
    out.resize(start + size);
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::read(file.get(), out.data() + start + filled, size - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            filled = 0; // an unreadable file has no content at all, not a part of it
            break;
        }
        if (got == 0)
            break; // the file shrank
        filled += static_cast<std::size_t>(got);
    }
    out.resize(start + filled);
}

std::string headerText(std::optional<std::string_view> typeLine, bool compressed)
{
    std::string header(kStatusOk);
    if (typeLine) {
        header += *typeLine;
        header += "\r\n";
    }
    header += kServerLine;
    if (compressed)
        header += kGzipLine;
    header += "\r\n";
    return header;
}

} // namespace

std::string NotFoundAnswer()
{
    std::string answer = "HTTP/1.1 404 Not Found\r\n";
    answer += kServerLine;
    answer += "\r\n";
    answer += kNotFoundBody;
    return answer;
}

std::string HandleRequest(const std::filesystem::path& root, std::string_view request)
{
    const std::optional<RequestInfo> info = parseRequest(request);
    if (!info)
        return NotFoundAnswer();
    const std::optional<std::filesystem::path> file = resolveRequestPath(root, info->path);
    if (!file)
        return NotFoundAnswer();

    const std::optional<std::string_view> typeLine = contentTypeLine(pathExtension(info->path));
    if (info->acceptsGzip) {
        std::string body;
        appendWholeFile(*file, body);
        if (std::optional<std::string> encoded = GzipEncode(body))
            return headerText(typeLine, true) + *encoded;
        // The encoder failed: the file goes out as it is, announced as such, rather than as a
        // cut gzip stream that no client could decode.
        return headerText(typeLine, false) + body;
    }
    // Header and body in one buffer, the file read straight into place behind the header.
    std::string answer = headerText(typeLine, false);
    appendWholeFile(*file, answer);
    return answer;
}
