#include "archive/mimewriter.h"

#include <gtest/gtest.h>
#include <random>

namespace inkwell {
namespace {

// Decoders written from RFC 2045 for checking the encoders, independent of them.
std::string DecodeQuotedPrintable(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
            continue;
        }
        if (text.substr(i + 1, 2) == "\r\n") {
            i += 2;
            continue;
        }
        out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
        i += 2;
    }
    return out;
}

std::string DecodeBase64(std::string_view text)
{
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        const auto at = alphabet.find(c);
        if (at == std::string::npos)
            continue;
        value = (value << 6) | static_cast<unsigned>(at);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return out;
}

// Text line breaks are written as CR LF; everything else must come back byte for byte.
std::string CanonicalLineBreaks(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

void ExpectLinesAtMost76(std::string_view encoded)
{
    std::size_t start = 0;
    while (start <= encoded.size()) {
        auto end = encoded.find("\r\n", start);
        if (end == std::string_view::npos)
            end = encoded.size();
        EXPECT_LE(end - start, 76u) << encoded.substr(start, end - start);
        EXPECT_EQ(encoded.substr(start, end - start).find_first_of("\r\n"), std::string_view::npos);
        start = end + 2;
    }
}

TEST(QuotedPrintable, EncodesExactly)
{
    const std::string line75(75, 'a');
    const std::vector<std::pair<std::string, std::string>> cases {
        { "", "" },
        { "plain text", "plain text" },
        { "a=b", "a=3Db" },
        { "tab\tinside", "tab\tinside" },
        { "blank at end ", "blank at end=20" },
        { "blank before break \nnext\t\r\nlast", "blank before break=20\r\nnext=09\r\nlast" },
        { "lone\rcr", "lone=0Dcr" },
        { "\xE4\xB8\xAD\x01\x7F", "=E4=B8=AD=01=7F" },
        { line75 + "b", line75 + "b" },
        { line75 + "bc", line75 + "=\r\nbc" },
        { line75 + "=", line75 + "=\r\n=3D" },
        { std::string(74, 'a') + "==", std::string(74, 'a') + "=\r\n=3D=3D" },
        { std::string(73, 'a') + "=\n", std::string(73, 'a') + "=3D\r\n" },
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(encodeQuotedPrintable(input), expected) << input;
}

TEST(Base64, EncodesExactlyIn76CharacterLines)
{
    EXPECT_EQ(encodeBase64(""), "");
    EXPECT_EQ(encodeBase64("f"), "Zg==");
    EXPECT_EQ(encodeBase64("fo"), "Zm8=");
    EXPECT_EQ(encodeBase64("foo"), "Zm9v");
    EXPECT_EQ(encodeBase64(std::string(57, '\0')), std::string(76, 'A'));
    EXPECT_EQ(encodeBase64(std::string(58, '\0')), std::string(76, 'A') + "\r\nAA==");
}

TEST(Encoders, RoundTripRandomBytesWithinLineLimits)
{
    std::mt19937 random(20261210);
    // Biased towards the bytes that matter to the encoders: breaks, blanks, "=".
    const std::string special = "\r\n \t=.a\x80\xff";
    for (int round = 0; round < 300; ++round) {
        std::string bytes(random() % 400, '\0');
        for (char& c : bytes)
            c = random() % 2 ? special[random() % special.size()] : static_cast<char>(random());
        const std::string qp = encodeQuotedPrintable(bytes);
        ExpectLinesAtMost76(qp);
        EXPECT_EQ(DecodeQuotedPrintable(qp), CanonicalLineBreaks(bytes));
        const std::string b64 = encodeBase64(bytes);
        ExpectLinesAtMost76(b64);
        EXPECT_EQ(DecodeBase64(b64), bytes);
        if (HasFailure())
            return;
    }
}

TEST(MimeWriter, WritesHeaderPartsAndClosing)
{
    const MimeWriter writer("----=_B");
    std::string message = writer.messageHeader("text/html", "Thu, 10 Dec 2026 04:00:00 +0000");
    MimePart page { "text/html; charset=\"utf-8\"", "http://127.0.0.1:8889/tmp/p.html", "",
        TransferEncoding::QuotedPrintable, "<p>a=b</p>\n" };
    MimePart picture { "image/png", "file:///tmp/a.png", "part1@x", TransferEncoding::Base64, "foo" };
    writer.appendPart(page, message);
    writer.appendPart(picture, message);
    message += writer.closing();
    EXPECT_EQ(message,
        "MIME-Version: 1.0\r\n"
        "Date: Thu, 10 Dec 2026 04:00:00 +0000\r\n"
        "Content-Type: multipart/related;\r\n\ttype=\"text/html\";\r\n\tboundary=\"----=_B\"\r\n"
        "\r\nThis is a multi-part message in MIME format.\r\n"
        "\r\n------=_B\r\n"
        "Content-Type: text/html; charset=\"utf-8\"\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "Content-Location: http://127.0.0.1:8889/tmp/p.html\r\n"
        "\r\n<p>a=3Db</p>\r\n"
        "\r\n------=_B\r\n"
        "Content-Type: image/png\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Location: file:///tmp/a.png\r\n"
        "Content-ID: <part1@x>\r\n"
        "\r\nZm9v"
        "\r\n------=_B--\r\n");
}

TEST(MimeWriter, HeaderValuesCannotStartHeadersOfTheirOwn)
{
    const MimeWriter writer(MimeWriter::makeBoundary(0x0123456789ABCDEFull));
    EXPECT_EQ(writer.boundary(), "----=_InkwellPart_0123456789ABCDEF");
    std::string out;
    writer.appendPart(
        MimePart { "text/plain", "http://h/a\r\nContent-Type: text/evil", "", TransferEncoding::Base64, "" },
        out);
    EXPECT_NE(out.find("Content-Location: http://h/a%0D%0AContent-Type: text/evil\r\n"), std::string::npos)
        << out;
    EXPECT_EQ(headerSafe("caf\xC3\xA9\t1"), "caf%C3%A9%091");
}

} // namespace
} // namespace inkwell
