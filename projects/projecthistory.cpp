#include "projects/projecthistory.h"

#include <fstream>
#include <sstream>

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

std::string ProjectHistory::currentText() const
{
    std::ifstream in(m_path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream buffer;
    buffer << in.rdbuf();
    auto text = std::move(buffer).str();
    // A text read from a file ends at its first zero byte.
    if (const auto zero = text.find('\0'); zero != std::string::npos)
        text.resize(zero);
    return text;
}

std::vector<std::string> ProjectHistory::entries() const
{
    return split(currentText());
}

FileWriteResult ProjectHistory::append(std::string_view entry) const
{
    auto text = currentText();
    text.append(entry).append("\r\n");
    return WriteFileAtomically(m_path, text);
}

} // namespace inkwell
