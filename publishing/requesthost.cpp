#include "publishing/requesthost.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace inkwell {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isPort(std::string_view text)
{
    return !text.empty() && text.size() <= 5
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

bool isLoopbackHost(std::string_view value)
{
    static constexpr std::array<std::string_view, 3> kNames { "127.0.0.1", "localhost", "[::1]" };
    for (const std::string_view name : kNames) {
        if (value.size() < name.size() || !equalsIgnoringCase(value.substr(0, name.size()), name))
            continue;
        const std::string_view rest = value.substr(name.size());
        if (rest.empty() || (rest.front() == ':' && isPort(rest.substr(1))))
            return true;
    }
    return false;
}

RequestHost requestHost(std::string_view requestText)
{
    RequestHost host = RequestHost::Absent;
    std::size_t lineStart = requestText.find('\n');
    while (lineStart != std::string_view::npos) {
        ++lineStart;
        const std::size_t lineEnd = requestText.find('\n', lineStart);
        std::string_view line = requestText.substr(
            lineStart, lineEnd == std::string_view::npos ? lineEnd : lineEnd - lineStart);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty())
            break; // the end of the header lines; a body is not looked at
        const std::size_t colon = line.find(':');
        // "Host :" is not valid HTTP, but a server that ignored it would let it through.
        if (colon != std::string_view::npos
            && equalsIgnoringCase(trimBlanks(line.substr(0, colon)), "host")) {
            if (host != RequestHost::Absent)
                return RequestHost::Repeated;
            host = isLoopbackHost(trimBlanks(line.substr(colon + 1))) ? RequestHost::Loopback
                                                                      : RequestHost::Foreign;
        }
        lineStart = lineEnd;
    }
    return host;
}

} // namespace inkwell
