#include "formatter/htmlscanner.h"

#include "core/ascii.h"

#include <cstring>

namespace inkwell {

bool isTagNamedAt(std::string_view text, std::size_t at, std::string_view lowerName)
{
    if (at >= text.size() || text[at] != '<' || !startsWithNoCase(text, at + 1, lowerName))
        return false;
    const std::size_t after = at + 1 + lowerName.size();
    return after >= text.size() || isHtmlSpace(text[after]) || text[after] == '/' || text[after] == '>';
}

std::size_t findTagNamed(std::string_view text, std::size_t from, std::string_view lowerName)
{
    while (from < text.size()) {
        const void* hit = std::memchr(text.data() + from, '<', text.size() - from);
        if (!hit)
            break;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (isTagNamedAt(text, at, lowerName))
            return at;
        from = at + 1;
    }
    return text.size();
}

std::size_t findScriptEnd(std::string_view text, std::size_t from)
{
    while (from < text.size()) {
        const void* hit = std::memchr(text.data() + from, '<', text.size() - from);
        if (!hit)
            break;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (startsWithNoCase(text, at, "</script>"))
            return at;
        from = at + 1;
    }
    return text.size();
}

std::size_t endOfPre(std::string_view text, std::size_t from)
{
    int depth = 1;
    std::size_t i = from;
    const std::size_t n = text.size();
    while (i < n) {
        const void* hit = std::memchr(text.data() + i, '<', n - i);
        if (!hit)
            return n;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (text.substr(at, 4) == "<!--") {
            const std::size_t close = text.find("-->", at + 4);
            if (close == std::string_view::npos)
                return n;
            i = close + 3;
            continue;
        }
        if (isTagNamedAt(text, at, "/pre")) {
            if (--depth == 0)
                return at;
        } else if (isTagNamedAt(text, at, "pre")) {
            ++depth;
        }
        i = at + 1;
    }
    return n;
}

std::optional<std::string_view> attributeValue(std::string_view tag, std::string_view lowerName)
{
    std::size_t i = 1;
    while (i < tag.size() && !isHtmlSpace(tag[i]) && tag[i] != '>' && tag[i] != '/')
        ++i;
    while (i < tag.size()) {
        while (i < tag.size() && (isHtmlSpace(tag[i]) || tag[i] == '/'))
            ++i;
        const std::size_t nameStart = i;
        while (i < tag.size() && !isHtmlSpace(tag[i]) && tag[i] != '=' && tag[i] != '>' && tag[i] != '/')
            ++i;
        const std::string_view name = tag.substr(nameStart, i - nameStart);
        if (name.empty() && (i >= tag.size() || tag[i] == '>'))
            break;
        while (i < tag.size() && isHtmlSpace(tag[i]))
            ++i;
        std::string_view value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && isHtmlSpace(tag[i]))
                ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const char quote = tag[i];
                const std::size_t close = tag.find(quote, i + 1);
                const std::size_t stop = close == std::string_view::npos ? tag.size() : close;
                value = tag.substr(i + 1, stop - i - 1);
                i = stop + 1;
            } else {
                const std::size_t valueStart = i;
                while (i < tag.size() && !isHtmlSpace(tag[i]) && tag[i] != '>')
                    ++i;
                value = tag.substr(valueStart, i - valueStart);
            }
        } else if (name.empty()) {
            ++i;
        }
        if (!name.empty() && equalsNoCase(name, lowerName))
            return value;
    }
    return std::nullopt;
}

} // namespace inkwell
