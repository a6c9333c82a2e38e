#include "core/inifile.h"

#include "core/ascii.h"
#include "core/atomicfile.h"
#include "core/readfile.h"

#include <cerrno>
#include <optional>
#include <utility>
#include <vector>

namespace inkwell {
namespace {

// Sections, keys and values are trimmed of spaces, tabs and line ends; a form feed is kept.
std::string_view trimmed(std::string_view s)
{
    return trimBlanks(s, " \t\r\n");
}

// A line "[name]" gives name; anything else gives nothing.
std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trimmed(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trimmed(line.substr(1, close - 1));
}

struct KeyLine
{
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line)
{
    const auto t = trimmed(line);
    if (t.empty() || t.front() == ';' || t.front() == '[')
        return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return KeyLine { trimmed(line.substr(0, eq)), trimmed(line.substr(eq + 1)) };
}

// Lines without their terminators; the terminator style of the file is kept separately.
std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        auto line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Cuts a UTF-8 text to at most limit bytes without splitting a character.
std::string cutToBytes(std::string_view value, std::size_t limit)
{
    if (value.size() <= limit)
        return std::string(value);
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80)
        --end;
    return std::string(value.substr(0, end));
}

std::string_view unquoted(std::string_view value)
{
    if (value.size() >= 2
        && ((value.front() == '"' && value.back() == '"') || (value.front() == '\'' && value.back() == '\'')))
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

std::string IniFile::read(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    const auto text = readFile(m_path);
    if (!text)
        return cutToBytes(defaultValue, kValueBufferSize - 1);
    const std::string_view whole(*text);
    // A text read from a file ends at its first zero byte.
    const auto content = whole.substr(0, whole.find('\0'));
    bool inSection = false;
    for (const auto line : splitLines(content)) {
        if (const auto name = sectionName(line)) {
            inSection = equalsNoCase(*name, section);
            continue;
        }
        if (!inSection)
            continue;
        if (const auto kv = keyLine(line); kv && equalsNoCase(kv->key, key))
            return cutToBytes(unquoted(kv->value), kValueBufferSize - 1);
    }
    return cutToBytes(defaultValue, kValueBufferSize - 1);
}

bool IniFile::write(std::string_view section, std::string_view key, std::string_view value) const
{
    // Only a missing file starts empty. One that cannot be read (no permission, a named pipe, a device)
    // is left alone: writing over it would lose every other line, or put a file where something else was.
    auto read = readFile(m_path);
    if (!read && read.error().code != ENOENT)
        return false;
    const std::string old = std::move(read).valueOr({});
    // Reads end at the first zero byte; what lies behind it is not part of the settings, and a key
    // written there could never be read back.
    const std::string_view whole(old);
    const std::string_view text = whole.substr(0, whole.find('\0'));
    const bool crlf = text.find("\r\n") != std::string_view::npos;
    const std::string_view eol = crlf ? "\r\n" : "\n";
    const auto lines = splitLines(text);

    std::string newKeyLine;
    newKeyLine.append(key).append("=").append(value);
    std::vector<std::string> out;
    out.reserve(lines.size() + 2);

    bool inSection = false;
    bool sectionFound = false;
    bool written = false;
    std::size_t lastLineOfSection = 0; // index in out after which a new key goes
    for (const auto line : lines) {
        if (const auto name = sectionName(line)) {
            inSection = equalsNoCase(*name, section) && !written;
            if (inSection) {
                sectionFound = true;
                lastLineOfSection = out.size();
            }
            out.emplace_back(line);
            continue;
        }
        if (inSection && !written) {
            if (const auto kv = keyLine(line); kv && equalsNoCase(kv->key, key)) {
                out.push_back(newKeyLine);
                written = true;
                continue;
            }
            if (!trimmed(line).empty())
                lastLineOfSection = out.size();
        }
        out.emplace_back(line);
    }
    if (!written) {
        if (sectionFound) {
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(lastLineOfSection + 1), newKeyLine);
        } else {
            std::string header;
            header.append("[").append(section).append("]");
            out.push_back(std::move(header));
            out.push_back(newKeyLine);
        }
    }

    std::string result;
    for (const auto& line : out) {
        result += line;
        result += eol;
    }
    return writeFileAtomically(m_path, result).ok();
}

} // namespace inkwell
