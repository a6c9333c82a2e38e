#include "html/entities.h"

#include "core/ascii.h"
#include "core/utf8.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace inkwell {
namespace {

struct NamedReference
{
    std::string_view name;
    std::string_view text;
};

#include "html/entities.inc"

// The longest name of a named character reference.
constexpr std::size_t kLongestReferenceName = 32;

// The characters that numeric references 0x80 to 0x9F stand for: those of windows-1252, as
// browsers read them; 0 where the number stands for itself.
constexpr std::array<std::uint16_t, 32> kWindows1252 = { 0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020,
    0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178 };

} // namespace

std::uint32_t numericReference(std::uint64_t code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0xFFFD;
    if (code >= 0x80 && code <= 0x9F && kWindows1252[code - 0x80] != 0)
        return kWindows1252[code - 0x80];
    return static_cast<std::uint32_t>(code);
}

std::string decodeAttributeValue(std::string_view raw)
{
    std::string out;
    out.reserve(raw.size());
    std::size_t i = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c == '\r') {
            out += '\n';
            i += i + 1 < raw.size() && raw[i + 1] == '\n' ? 2 : 1;
            continue;
        }
        if (c == '\0') {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (c != '&' || i + 1 >= raw.size()) {
            out += c;
            ++i;
            continue;
        }
        if (raw[i + 1] == '#') {
            std::size_t at = i + 2;
            const bool hex = at < raw.size() && (raw[at] == 'x' || raw[at] == 'X');
            if (hex)
                ++at;
            const std::size_t digits = at;
            std::uint64_t code = 0;
            while (at < raw.size()) {
                const int digit
                    = hex ? hexDigitValue(raw[at]) : (raw[at] >= '0' && raw[at] <= '9' ? raw[at] - '0' : -1);
                if (digit < 0)
                    break;
                code = std::min<std::uint64_t>(
                    code * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit), 0x110000);
                ++at;
            }
            if (at == digits) {
                out += c; // "&#" without digits is text
                ++i;
                continue;
            }
            if (at < raw.size() && raw[at] == ';')
                ++at;
            appendUtf8(out, numericReference(code));
            i = at;
            continue;
        }
        // The longest name the text begins with: names are sorted, so every name that is a prefix of
        // the text lies in the range of names that begin with the text's first letters.
        const std::string_view rest = raw.substr(i + 1, kLongestReferenceName);
        const NamedReference* best = nullptr;
        for (std::size_t length = 1; length <= rest.size(); ++length) {
            const std::string_view prefix = rest.substr(0, length);
            const auto* found = std::lower_bound(std::begin(kNamedReferences), std::end(kNamedReferences),
                prefix, [](const NamedReference& entry, std::string_view name) { return entry.name < name; });
            if (found == std::end(kNamedReferences) || !found->name.starts_with(prefix))
                break;
            if (found->name == prefix)
                best = found;
        }
        if (best == nullptr) {
            out += c;
            ++i;
            continue;
        }
        const std::size_t after = i + 1 + best->name.size();
        if (best->name.back() != ';' && after < raw.size()
            && (raw[after] == '=' || isAsciiAlnum(raw[after]))) {
            out += c;
            ++i;
            continue;
        }
        out += best->text;
        i = after;
    }
    return out;
}

} // namespace inkwell
