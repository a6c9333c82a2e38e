#include "app/documentfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace inkwell {
namespace {

class ReadDescriptor
{
public:
    explicit ReadDescriptor(const std::filesystem::path& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
    }
    ~ReadDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ReadDescriptor(const ReadDescriptor&) = delete;
    ReadDescriptor& operator=(const ReadDescriptor&) = delete;

    [[nodiscard]] int get() const { return m_fd; }

private:
    int m_fd = -1;
};

std::string describe(const char* what, const std::filesystem::path& path, int error)
{
    return std::string(what) + " " + path.string() + ": " + std::strerror(error);
}

} // namespace

DecodedText decodeDocumentBytes(std::string_view bytes)
{
    const auto bom = EncodingFromByteOrderMark(bytes);
    const bool wide = bom && bom->encoding != TextEncoding::Utf8;
    // In every other encoding a zero byte is the zero character, so the cut comes before sniffing: what
    // follows it must not sway the choice of encoding.
    if (!wide)
        bytes = bytes.substr(0, bytes.find('\0'));
    DecodedText text = DecodeDocument(bytes);
    if (wide)
        text.utf8.resize(std::min(text.utf8.size(), text.utf8.find('\0')));
    return text;
}

DocumentReadResult readDocumentFile(const std::filesystem::path& path)
{
    ReadDescriptor fd(path);
    if (fd.get() < 0)
        return { {}, TextEncoding::Gb18030, describe("cannot open", path, errno) };
    struct stat info
    {
    };
    if (::fstat(fd.get(), &info) == 0 && S_ISDIR(info.st_mode))
        return { {}, TextEncoding::Gb18030, describe("cannot read", path, EISDIR) };
    std::string bytes;
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return { {}, TextEncoding::Gb18030, describe("cannot read", path, errno) };
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    DecodedText text = decodeDocumentBytes(bytes);
    return { std::move(text.utf8), text.encoding, {} };
}

FileWriteResult writeDocumentFile(
    const std::filesystem::path& path, std::string_view html, TextEncoding openedIn)
{
    return WriteFileAtomically(path, EncodeDocument(html, openedIn).bytes);
}

} // namespace inkwell
