// Composes a MIME multipart/related message (the layout of a web archive): the message header,
// one part per resource with quoted-printable or base64 bodies in lines of at most 76
// characters, and the closing delimiter. The output is built piece by piece so that a large
// archive can be streamed to its file.
#pragma once

#include <string>
#include <string_view>

namespace inkwell {

enum class TransferEncoding
{
    QuotedPrintable,
    Base64
};

struct MimePart
{
    std::string contentType; // the whole header value, e.g. `text/html; charset="utf-8"`
    std::string location; // Content-Location, an absolute URL
    std::string contentId; // without angle brackets; empty for none
    TransferEncoding encoding = TransferEncoding::Base64;
    std::string_view body;
};

class MimeWriter
{
public:
    // boundary must be at most 70 characters from the RFC 2046 set. A boundary that contains "=_"
    // cannot occur in quoted-printable or base64 text, so no body can end a part early.
    explicit MimeWriter(std::string boundary);

    // A boundary built from the given random bits that satisfies the rule above.
    [[nodiscard]] static std::string makeBoundary(unsigned long long randomBits);

    // The message header and preamble. rootType is the media type of the first part.
    [[nodiscard]] std::string messageHeader(std::string_view rootType, std::string_view date) const;
    // Appends one part, its delimiter line included.
    void appendPart(const MimePart& part, std::string& out) const;
    // Appends the delimiter line and the headers of a part; its encoded body is the caller's to
    // append, so that a large body can be encoded piece by piece.
    void appendPartHeader(const MimePart& part, std::string& out) const;
    // The closing delimiter that ends the message.
    [[nodiscard]] std::string closing() const;

    [[nodiscard]] const std::string& boundary() const { return m_boundary; }

private:
    std::string m_boundary;
};

// Quoted-printable text (RFC 2045): line breaks of the text (LF or CR LF) become CR LF, other
// bytes outside printable ASCII, "=" and blanks before a line break are written as =XX, and long
// lines are cut with soft breaks so that no line exceeds 76 characters.
[[nodiscard]] std::string encodeQuotedPrintable(std::string_view bytes);

// Base64 in lines of 76 characters separated by CR LF, without a line break after the last.
[[nodiscard]] std::string encodeBase64(std::string_view bytes);

// A header value made safe to write on one line: control bytes and bytes outside ASCII are
// percent-encoded, so that no value can break its line and start a header of its own.
[[nodiscard]] std::string headerSafe(std::string_view value);

} // namespace inkwell
