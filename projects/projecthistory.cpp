#include "projects/projecthistory.h"

#include "core/readfile.h"

#include <cerrno>

namespace inkwell {

std::vector<std::string> ProjectHistory::split(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        if (end == std::string_view::npos) {
            entries.emplace_back(text.substr(start));
            break;
        }
        entries.emplace_back(text.substr(start, end - start));
        start = end + 2;
    }
    return entries;
}

Result<std::string> ProjectHistory::currentText() const
{
    Result<std::string> read = readFile(m_path);
    if (!read)
        return read.error().code == ENOENT ? Result<std::string>(std::string()) : read;
    std::string text = std::move(read).value();
    // A text read from a file ends at its first zero byte.
    if (const auto zero = text.find('\0'); zero != std::string::npos)
        text.resize(zero);
    return text;
}

std::vector<std::string> ProjectHistory::entries() const
{
    return split(currentText().valueOr({}));
}

Result<void> ProjectHistory::append(std::string_view entry) const
{
    // A history that is there but cannot be read (no permission, a named pipe) is left as it is:
    // replacing it would lose every earlier entry.
    Result<std::string> text = currentText();
    if (!text)
        return text.error();
    text->append(entry).append("\r\n");
    return writeFileAtomically(m_path, *text);
}

} // namespace inkwell
