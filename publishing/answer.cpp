#include "publishing/answer.h"

namespace inkwell {

namespace {

// "<title>404 未找到指定内容</title>404 NOT FOUND <br> Powered By Wisp" in GBK, as clients have always seen
// it, behind its header.
constexpr std::string_view kNotFound
    = "HTTP/1.1 404 Not Found\r\nServer: Wisp beta\r\n\r\n"
      "<title>404 \xce\xb4\xd5\xd2\xb5\xbd\xd6\xb8\xb6\xa8\xc4\xda\xc8\xdd</title>"
      "404 NOT FOUND <br> Powered By Wisp";

} // namespace

Answer Answer::notFound()
{
    return Answer {};
}

Answer Answer::found(
    std::optional<std::string_view> typeLine, Encoding encoding, FileDescriptor body, std::uint64_t size)
{
    Answer answer;
    answer.m_status = Status::Found;
    answer.m_typeLine = typeLine;
    answer.m_encoding = encoding;
    answer.m_body = std::move(body);
    answer.m_size = answer.m_body.isValid() ? size : 0;
    return answer;
}

std::string Answer::header(Encoding encoding) const
{
    std::string header = "HTTP/1.1 200 OK\r\n";
    if (m_typeLine) {
        header += *m_typeLine;
        header += "\r\n";
    }
    header += "Server: Wisp beta\r\n";
    if (encoding == Encoding::Gzip)
        header += "Content-Encoding: gzip\r\n";
    header += "\r\n";
    return header;
}

std::string_view Answer::notFoundBytes()
{
    return kNotFound;
}

} // namespace inkwell
