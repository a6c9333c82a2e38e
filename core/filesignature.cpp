#include "core/filesignature.h"

#include "core/ascii.h"

#include <cstdint>

namespace inkwell {
namespace {

bool startsWith(std::string_view bytes, std::string_view prefix)
{
    return bytes.substr(0, prefix.size()) == prefix;
}

bool holdsAt(std::string_view bytes, std::size_t at, std::string_view part)
{
    return at <= bytes.size() && bytes.substr(at, part.size()) == part;
}

std::uint32_t littleEndian32(std::string_view bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

// An SVG document: after a byte-order mark, blanks, an XML declaration, comments and a document
// type declaration, the first element is <svg>. Only the start of the text is looked at.
bool isSvg(std::string_view bytes)
{
    bytes = bytes.substr(0, 64 * 1024);
    if (startsWith(bytes, "\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    for (;;) {
        while (!bytes.empty() && isAsciiBlank(bytes.front()))
            bytes.remove_prefix(1);
        std::string_view end;
        if (startsWith(bytes, "<?"))
            end = "?>";
        else if (startsWith(bytes, "<!--"))
            end = "-->";
        else if (startsWith(bytes, "<!"))
            end = ">";
        else
            break;
        const auto at = bytes.find(end, 2);
        if (at == std::string_view::npos)
            return false;
        bytes.remove_prefix(at + end.size());
    }
    if (!startsWith(bytes, "<svg") || bytes.size() < 5)
        return false;
    const char next = bytes[4];
    return isAsciiBlank(next) || next == '>' || next == '/';
}

// The binary pictures a browser shows.
bool isBrowserPicture(std::string_view bytes)
{
    if (startsWith(bytes, "\x89PNG\r\n\x1A\n"))
        return true;
    if (startsWith(bytes, "\xFF\xD8\xFF"))
        return true;
    if (startsWith(bytes, "GIF87a") || startsWith(bytes, "GIF89a"))
        return true;
    if (bytes.size() >= 12 && startsWith(bytes, "RIFF") && bytes.substr(8, 4) == "WEBP")
        return true;
    // "BM" alone begins too many texts: the size of the header that follows must be one a BMP has.
    if (bytes.size() >= 18 && startsWith(bytes, "BM")) {
        const std::uint32_t header = littleEndian32(bytes, 14);
        if (header == 12 || header == 40 || header == 52 || header == 56 || header == 64 || header == 108
            || header == 124)
            return true;
    }
    // An icon directory: reserved zero, type 1, and at least one image.
    return bytes.size() >= 6 && startsWith(bytes, std::string_view("\0\0\1\0", 4))
        && (bytes[4] != 0 || bytes[5] != 0);
}

// Pictures of other programs: TIFF, the HEIF family (AVIF, HEIC) and Photoshop's own files.
bool isOtherPicture(std::string_view bytes)
{
    if (startsWith(bytes, std::string_view("II*\0", 4)) || startsWith(bytes, std::string_view("MM\0*", 4)))
        return true;
    if (startsWith(bytes, std::string_view("8BPS\0\1", 6)))
        return true;
    // An ISO media file names its brand after "ftyp"; only these brands are still pictures.
    if (holdsAt(bytes, 4, "ftyp")) {
        for (const std::string_view brand : { "avif", "avis", "heic", "heix", "heif", "mif1", "msf1" }) {
            if (holdsAt(bytes, 8, brand))
                return true;
        }
    }
    return false;
}

bool isArchive(std::string_view bytes)
{
    for (const std::string_view magic :
        { std::string_view("PK\3\4", 4), std::string_view("PK\5\6", 4), std::string_view("PK\7\x08", 4),
            std::string_view("\x1F\x8B", 2), std::string_view("\x1F\x9D", 2),
            std::string_view("\xFD"
                             "7zXZ\0",
                6),
            std::string_view("7z\xBC\xAF\x27\x1C", 6), std::string_view("Rar!\x1A\x07", 6),
            std::string_view("\x28\xB5\x2F\xFD", 4), std::string_view("\x04\x22\x4D\x18", 4),
            std::string_view("!<arch>\n", 8), std::string_view("MSCF\0\0\0\0", 8),
            std::string_view("LZIP\1", 5),
            // A compound file: the older office documents and installer packages.
            std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) }) {
        if (startsWith(bytes, magic))
            return true;
    }
    // "BZh" and a block size begin texts too; the first block's own signature follows them.
    if (bytes.size() >= 10 && startsWith(bytes, "BZh") && bytes[3] >= '1' && bytes[3] <= '9'
        && (holdsAt(bytes, 4, "1AY&SY") || holdsAt(bytes, 4, "\x17\x72\x45\x38\x50\x90")))
        return true;
    // A tar file's first header has its format's name 257 bytes in, ended as the format ends it.
    return holdsAt(bytes, 257, std::string_view("ustar\0", 6))
        || holdsAt(bytes, 257, std::string_view("ustar  \0", 8));
}

bool isProgram(std::string_view bytes)
{
    for (const std::string_view magic : { std::string_view("\x7F"
                                                           "ELF",
                                              4),
             std::string_view("\xFE\xED\xFA\xCE", 4), std::string_view("\xFE\xED\xFA\xCF", 4),
             std::string_view("\xCE\xFA\xED\xFE", 4), std::string_view("\xCF\xFA\xED\xFE", 4),
             // Universal binaries and compiled Java classes share this one.
             std::string_view("\xCA\xFE\xBA\xBE", 4), std::string_view("\0asm", 4) }) {
        if (startsWith(bytes, magic))
            return true;
    }
    // "MZ" begins texts too: a Windows program's header names where its "PE" header lies.
    if (bytes.size() >= 64 && startsWith(bytes, "MZ")) {
        const std::uint32_t at = littleEndian32(bytes, 0x3C);
        return holdsAt(bytes, at, std::string_view("PE\0\0", 4));
    }
    return false;
}

} // namespace

std::optional<BinaryKind> binaryKind(std::string_view bytes)
{
    if (isBrowserPicture(bytes) || isOtherPicture(bytes))
        return BinaryKind::Picture;
    if (startsWith(bytes, "%PDF-"))
        return BinaryKind::Pdf;
    if (isArchive(bytes))
        return BinaryKind::Archive;
    if (isProgram(bytes))
        return BinaryKind::Program;
    return std::nullopt;
}

bool isPictureBytes(std::string_view bytes)
{
    return isBrowserPicture(bytes) || isSvg(bytes);
}

} // namespace inkwell
