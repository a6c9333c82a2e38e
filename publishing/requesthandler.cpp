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

// The whole content of a regular file; empty for anything else or when reading fails. The file is
// opened without blocking so that a named pipe below the root cannot stall the server.
std::string readWholeFile(const std::filesystem::path& path)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0)
        return {};
    struct stat info
    {
    };
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};

    std::string content;
    content.resize(static_cast<std::size_t>(info.st_size));
    std::size_t filled = 0;
    while (true) {
        if (filled == content.size())
            content.resize(content.size() + 65536); // the file grew since fstat
        const ssize_t got = ::read(file.get(), content.data() + filled, content.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {};
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    content.resize(filled);
    return content;
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
    std::string body = readWholeFile(*file);
    if (info->acceptsGzip) {
        if (std::optional<std::string> encoded = GzipEncode(body))
            return headerText(typeLine, true) + *encoded;
        // The encoder could not even start: the file goes out as it is, announced as such,
        // rather than as a gzip stream that no client could decode.
    }
    std::string answer = headerText(typeLine, false);
    answer += body;
    return answer;
}
