#include "tests/support/textforms.h"

#include "core/ascii.h"

#include <stdexcept>

namespace inkwell::testing {

std::string crLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

std::string decodeQuotedPrintable(std::string_view text)
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
        const int high = i + 1 < text.size() ? hexDigitValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hexDigitValue(text[i + 2]) : -1;
        if (high < 0 || low < 0)
            throw std::invalid_argument("malformed quoted-printable escape at byte " + std::to_string(i));
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string decodeBase64(std::string_view text)
{
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (const char c : text) {
        const auto at = alphabet.find(c);
        if (at == std::string_view::npos)
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

std::string withoutWhiteSpace(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            out += c;
    }
    return out;
}

std::string replaced(std::string text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return text;
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string shellQuoted(std::string_view text)
{
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace inkwell::testing
