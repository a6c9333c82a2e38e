#include "publishing/httprequest.h"

#include "core/percentencoding.h"

namespace inkwell {

std::optional<std::size_t> requestHeadLength(std::string_view bytes, std::size_t from)
{
    // An empty line is a line feed followed by a line feed, or by CR and a line feed; the last two
    // bytes searched before may have begun one.
    std::size_t at = from < 2 ? 0 : from - 2;
    while (true) {
        at = bytes.find('\n', at);
        if (at == std::string_view::npos)
            return std::nullopt;
        const std::string_view rest = bytes.substr(at + 1);
        if (rest.starts_with('\n'))
            return at + 2;
        if (rest.starts_with("\r\n"))
            return at + 3;
        ++at;
    }
}

std::vector<std::string_view> splitFields(std::string_view text, char separator)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            // What follows the last separator is a field unless it is the empty tail of a final separator.
            if (start < text.size() || start == 0)
                fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

std::optional<RequestInfo> parseRequest(std::string_view bytes)
{
    const std::string_view text = bytes.substr(0, bytes.find('\0'));
    const std::vector<std::string_view> fields = splitFields(text, ' ');
    if (fields.size() < 2 || fields[1].empty())
        return std::nullopt;

    RequestInfo info;
    info.method = fields[0];
    // Decoding comes after the query is cut, so that an escaped "?" (%3F) stays part of the name.
    const std::string_view target = fields[1];
    info.path = percentDecode(target.substr(0, target.find('?')));
    if (!info.path.empty() && info.path.back() == '/')
        info.path += "index.html";
    info.acceptsGzip = text.find("gzip") != std::string_view::npos;
    // A zero byte must not hide a Host line behind it.
    info.host = requestHost(bytes);
    return info;
}

} // namespace inkwell
