#include "archive/mimewriter.h"

#include <cstdio>

namespace inkwell {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::size_t kMaxLine = 76;

void appendHex(std::string& out, unsigned char c)
{
    out += '=';
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 0x0F];
}

} // namespace

MimeWriter::MimeWriter(std::string boundary)
    : m_boundary(std::move(boundary))
{
}

std::string MimeWriter::makeBoundary(unsigned long long randomBits)
{
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llX", randomBits);
    return std::string("----=_InkwellPart_") + hex;
}

std::string MimeWriter::messageHeader(std::string_view rootType, std::string_view date) const
{
    std::string out;
    out += "MIME-Version: 1.0\r\n";
    if (!date.empty())
        out += "Date: " + headerSafe(date) + "\r\n";
    out += "Content-Type: multipart/related;\r\n\ttype=\"" + headerSafe(rootType) + "\";\r\n\tboundary=\""
        + m_boundary + "\"\r\n";
    out += "\r\nThis is a multi-part message in MIME format.\r\n";
    return out;
}

void MimeWriter::appendPart(const MimePart& part, std::string& out) const
{
    appendPartHeader(part, out);
    out += part.encoding == TransferEncoding::QuotedPrintable ? encodeQuotedPrintable(part.body)
                                                              : encodeBase64(part.body);
}

void MimeWriter::appendPartHeader(const MimePart& part, std::string& out) const
{
    // The line break before a delimiter belongs to the delimiter, not to the body before it.
    out += "\r\n--" + m_boundary + "\r\n";
    out += "Content-Type: " + headerSafe(part.contentType) + "\r\n";
    out += part.encoding == TransferEncoding::QuotedPrintable
        ? "Content-Transfer-Encoding: quoted-printable\r\n"
        : "Content-Transfer-Encoding: base64\r\n";
    out += "Content-Location: " + headerSafe(part.location) + "\r\n";
    if (!part.contentId.empty())
        out += "Content-ID: <" + headerSafe(part.contentId) + ">\r\n";
    out += "\r\n";
}

std::string MimeWriter::closing() const
{
    return "\r\n--" + m_boundary + "--\r\n";
}

std::string encodeQuotedPrintable(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8 + 16);
    const std::size_t size = bytes.size();
    // True when the byte at i is the last one before a line break or the end of the text.
    const auto lastOnLine = [&](std::size_t i) {
        return i + 1 == size || bytes[i + 1] == '\n'
            || (bytes[i + 1] == '\r' && i + 2 < size && bytes[i + 2] == '\n');
    };
    std::size_t column = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r' && i + 1 < size && bytes[i + 1] == '\n')
            continue; // the line feed after it writes the line break
        if (c == '\n') {
            out += "\r\n";
            column = 0;
            continue;
        }
        const bool blank = c == ' ' || c == '\t';
        const bool literal = (c >= 33 && c <= 126 && c != '=') || (blank && !lastOnLine(i));
        const std::size_t width = literal ? 1 : 3;
        // A soft break takes one column for its "="; the last token of a line may use it instead.
        if (column + width > kMaxLine - 1 && !(lastOnLine(i) && column + width <= kMaxLine)) {
            out += "=\r\n";
            column = 0;
        }
        if (literal)
            out += static_cast<char>(c);
        else
            appendHex(out, c);
        column += width;
    }
    return out;
}

std::string encodeBase64(std::string_view bytes)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4 + bytes.size() / 57 * 2 + 2);
    std::size_t column = 0;
    const auto put = [&](char c) {
        if (column == kMaxLine) {
            out += "\r\n";
            column = 0;
        }
        out += c;
        ++column;
    };
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const auto v = static_cast<unsigned>((static_cast<unsigned char>(bytes[i]) << 16)
            | (static_cast<unsigned char>(bytes[i + 1]) << 8) | static_cast<unsigned char>(bytes[i + 2]));
        put(kAlphabet[(v >> 18) & 63]);
        put(kAlphabet[(v >> 12) & 63]);
        put(kAlphabet[(v >> 6) & 63]);
        put(kAlphabet[v & 63]);
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        auto v = static_cast<unsigned>(static_cast<unsigned char>(bytes[i]) << 16);
        if (rest == 2)
            v |= static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1]) << 8);
        put(kAlphabet[(v >> 18) & 63]);
        put(kAlphabet[(v >> 12) & 63]);
        put(rest == 2 ? kAlphabet[(v >> 6) & 63] : '=');
        put('=');
    }
    return out;
}

std::string headerSafe(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7F) {
            out += '%';
            out += kHexDigits[c >> 4];
            out += kHexDigits[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

} // namespace inkwell
