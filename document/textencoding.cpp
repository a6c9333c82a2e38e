#include "document/textencoding.h"

#include "core/ascii.h"
#include "platform/iconvconverter.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace inkwell {
namespace {

struct EncodingInfo
{
    TextEncoding encoding;
    const char* name; // as a page declares it
    const char* iconvName;
};

constexpr std::array encodingTable {
    EncodingInfo { TextEncoding::Utf8, "utf-8", "UTF-8" },
    EncodingInfo { TextEncoding::Utf16Le, "utf-16le", "UTF-16LE" },
    EncodingInfo { TextEncoding::Utf16Be, "utf-16be", "UTF-16BE" },
    EncodingInfo { TextEncoding::Gb18030, "gb18030", "GB18030" },
    EncodingInfo { TextEncoding::Big5, "big5", "BIG5" },
    EncodingInfo { TextEncoding::ShiftJis, "shift_jis", "CP932" },
    EncodingInfo { TextEncoding::EucJp, "euc-jp", "EUC-JP" },
    EncodingInfo { TextEncoding::EucKr, "euc-kr", "CP949" },
    EncodingInfo { TextEncoding::Windows1252, "windows-1252", "WINDOWS-1252" },
    EncodingInfo { TextEncoding::Windows1250, "windows-1250", "WINDOWS-1250" },
    EncodingInfo { TextEncoding::Windows1251, "windows-1251", "WINDOWS-1251" },
    EncodingInfo { TextEncoding::Iso8859_2, "iso-8859-2", "ISO-8859-2" },
    EncodingInfo { TextEncoding::Iso8859_15, "iso-8859-15", "ISO-8859-15" },
    EncodingInfo { TextEncoding::Koi8R, "koi8-r", "KOI8-R" },
};

const EncodingInfo& infoOf(TextEncoding encoding)
{
    for (const auto& info : encodingTable) {
        if (info.encoding == encoding)
            return info;
    }
    return encodingTable[0];
}

struct Label
{
    std::string_view label;
    TextEncoding encoding;
};

// The labels browsers accept for these encodings (lower case).
constexpr std::array labelTable {
    Label { "unicode-1-1-utf-8", TextEncoding::Utf8 },
    Label { "unicode11utf8", TextEncoding::Utf8 },
    Label { "unicode20utf8", TextEncoding::Utf8 },
    Label { "utf-8", TextEncoding::Utf8 },
    Label { "utf8", TextEncoding::Utf8 },
    Label { "x-unicode20utf8", TextEncoding::Utf8 },
    Label { "csunicode", TextEncoding::Utf16Le },
    Label { "iso-10646-ucs-2", TextEncoding::Utf16Le },
    Label { "ucs-2", TextEncoding::Utf16Le },
    Label { "unicode", TextEncoding::Utf16Le },
    Label { "unicodefeff", TextEncoding::Utf16Le },
    Label { "utf-16", TextEncoding::Utf16Le },
    Label { "utf-16le", TextEncoding::Utf16Le },
    Label { "unicodefffe", TextEncoding::Utf16Be },
    Label { "utf-16be", TextEncoding::Utf16Be },
    Label { "chinese", TextEncoding::Gb18030 },
    Label { "csgb2312", TextEncoding::Gb18030 },
    Label { "csiso58gb231280", TextEncoding::Gb18030 },
    Label { "gb2312", TextEncoding::Gb18030 },
    Label { "gb_2312", TextEncoding::Gb18030 },
    Label { "gb_2312-80", TextEncoding::Gb18030 },
    Label { "gbk", TextEncoding::Gb18030 },
    Label { "iso-ir-58", TextEncoding::Gb18030 },
    Label { "x-gbk", TextEncoding::Gb18030 },
    Label { "gb18030", TextEncoding::Gb18030 },
    Label { "big5", TextEncoding::Big5 },
    Label { "big5-hkscs", TextEncoding::Big5 },
    Label { "cn-big5", TextEncoding::Big5 },
    Label { "csbig5", TextEncoding::Big5 },
    Label { "x-x-big5", TextEncoding::Big5 },
    Label { "csshiftjis", TextEncoding::ShiftJis },
    Label { "ms932", TextEncoding::ShiftJis },
    Label { "ms_kanji", TextEncoding::ShiftJis },
    Label { "shift-jis", TextEncoding::ShiftJis },
    Label { "shift_jis", TextEncoding::ShiftJis },
    Label { "sjis", TextEncoding::ShiftJis },
    Label { "windows-31j", TextEncoding::ShiftJis },
    Label { "x-sjis", TextEncoding::ShiftJis },
    Label { "cseucpkdfmtjapanese", TextEncoding::EucJp },
    Label { "euc-jp", TextEncoding::EucJp },
    Label { "x-euc-jp", TextEncoding::EucJp },
    Label { "cseuckr", TextEncoding::EucKr },
    Label { "csksc56011987", TextEncoding::EucKr },
    Label { "euc-kr", TextEncoding::EucKr },
    Label { "iso-ir-149", TextEncoding::EucKr },
    Label { "korean", TextEncoding::EucKr },
    Label { "ks_c_5601-1987", TextEncoding::EucKr },
    Label { "ks_c_5601-1989", TextEncoding::EucKr },
    Label { "ksc5601", TextEncoding::EucKr },
    Label { "ksc_5601", TextEncoding::EucKr },
    Label { "windows-949", TextEncoding::EucKr },
    Label { "ansi_x3.4-1968", TextEncoding::Windows1252 },
    Label { "ascii", TextEncoding::Windows1252 },
    Label { "cp1252", TextEncoding::Windows1252 },
    Label { "cp819", TextEncoding::Windows1252 },
    Label { "csisolatin1", TextEncoding::Windows1252 },
    Label { "ibm819", TextEncoding::Windows1252 },
    Label { "iso-8859-1", TextEncoding::Windows1252 },
    Label { "iso-ir-100", TextEncoding::Windows1252 },
    Label { "iso8859-1", TextEncoding::Windows1252 },
    Label { "iso88591", TextEncoding::Windows1252 },
    Label { "iso_8859-1", TextEncoding::Windows1252 },
    Label { "iso_8859-1:1987", TextEncoding::Windows1252 },
    Label { "l1", TextEncoding::Windows1252 },
    Label { "latin1", TextEncoding::Windows1252 },
    Label { "us-ascii", TextEncoding::Windows1252 },
    Label { "windows-1252", TextEncoding::Windows1252 },
    Label { "x-cp1252", TextEncoding::Windows1252 },
    Label { "cp1250", TextEncoding::Windows1250 },
    Label { "windows-1250", TextEncoding::Windows1250 },
    Label { "x-cp1250", TextEncoding::Windows1250 },
    Label { "cp1251", TextEncoding::Windows1251 },
    Label { "windows-1251", TextEncoding::Windows1251 },
    Label { "x-cp1251", TextEncoding::Windows1251 },
    Label { "csisolatin2", TextEncoding::Iso8859_2 },
    Label { "iso-8859-2", TextEncoding::Iso8859_2 },
    Label { "iso-ir-101", TextEncoding::Iso8859_2 },
    Label { "iso8859-2", TextEncoding::Iso8859_2 },
    Label { "iso88592", TextEncoding::Iso8859_2 },
    Label { "iso_8859-2", TextEncoding::Iso8859_2 },
    Label { "iso_8859-2:1987", TextEncoding::Iso8859_2 },
    Label { "l2", TextEncoding::Iso8859_2 },
    Label { "latin2", TextEncoding::Iso8859_2 },
    Label { "csisolatin9", TextEncoding::Iso8859_15 },
    Label { "iso-8859-15", TextEncoding::Iso8859_15 },
    Label { "iso8859-15", TextEncoding::Iso8859_15 },
    Label { "iso885915", TextEncoding::Iso8859_15 },
    Label { "iso_8859-15", TextEncoding::Iso8859_15 },
    Label { "l9", TextEncoding::Iso8859_15 },
    Label { "cskoi8r", TextEncoding::Koi8R },
    Label { "koi", TextEncoding::Koi8R },
    Label { "koi8", TextEncoding::Koi8R },
    Label { "koi8-r", TextEncoding::Koi8R },
    Label { "koi8_r", TextEncoding::Koi8R },
};

bool isUtf16(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
}

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// A byte that is no text in the encoding a page is read in stands in the page as the character
// kKeptByteBase + byte, from the end of the last private-use plane, and goes back into the file as
// the byte itself: a page read in the wrong encoding, or damaged, loses nothing by being opened and
// saved. In UTF-8 these are four bytes F4 8F B8..BB xx.
constexpr char32_t kKeptByteBase = 0x10FE00;

void appendKeptByte(std::string& out, unsigned char byte)
{
    const char32_t codePoint = kKeptByteBase + byte;
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
}

bool isKeptByte(char32_t codePoint)
{
    return codePoint >= kKeptByteBase && codePoint <= kKeptByteBase + 0xFF;
}

struct Utf8Sequence
{
    std::size_t length = 0; // 0 when the bytes do not start a well-formed sequence
    char32_t codePoint = 0;
};

// The well-formed UTF-8 sequence at text[pos].
Utf8Sequence utf8Sequence(std::string_view text, std::size_t pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char first = byte(0);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (first < 0x80) {
        return { 1, first };
    } else if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
        value = first & 0x1F;
        minimum = 0x80;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        value = first & 0x0F;
        minimum = 0x800;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        value = first & 0x07;
        minimum = 0x10000;
    } else {
        return {};
    }
    if (text.size() - pos < length)
        return {};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return {};
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return {};
    return { length, value };
}

// A text rewritten, with how many characters the rewriting replaced.
struct RewrittenText
{
    std::string text;
    std::size_t replaced = 0;
};

// Well-formed UTF-8: every byte that does not start a sequence becomes one U+FFFD, or is kept.
RewrittenText wellFormedUtf8(std::string_view text, bool keepBytes = false)
{
    RewrittenText out;
    out.text.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto [length, codePoint] = utf8Sequence(text, pos);
        // A character of the file that looks like a kept byte is kept as its own four bytes, or Save
        // would write it as the one byte it seems to stand for.
        if (keepBytes && length != 0 && isKeptByte(codePoint)) {
            for (std::size_t i = 0; i < length; ++i)
                appendKeptByte(out.text, static_cast<unsigned char>(text[pos + i]));
            out.replaced += length;
            pos += length;
        } else if (length == 0) {
            if (keepBytes)
                appendKeptByte(out.text, static_cast<unsigned char>(text[pos]));
            else
                out.text += kReplacementCharacter;
            ++out.replaced;
            ++pos;
        } else {
            out.text.append(text.substr(pos, length));
            pos += length;
        }
    }
    return out;
}

// Reads the attributes of a tag, as browsers do when looking for an encoding declaration before parsing.
class AttributeReader
{
public:
    AttributeReader(std::string_view text, std::size_t pos)
        : m_text(text)
        , m_pos(pos)
    {
    }

    [[nodiscard]] std::size_t position() const { return m_pos; }

    // The next attribute with its name and value in lower case; nothing at the end of the tag.
    std::optional<std::pair<std::string, std::string>> next()
    {
        while (m_pos < m_text.size() && (isAsciiBlank(m_text[m_pos]) || m_text[m_pos] == '/'))
            ++m_pos;
        if (m_pos >= m_text.size() || m_text[m_pos] == '>')
            return std::nullopt;
        std::string name;
        std::string value;
        // The name: an '=' only ends it when something came before.
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == '=' && !name.empty()) {
                ++m_pos;
                return readValue(std::move(name));
            }
            if (isAsciiBlank(c)) {
                skipBlanks();
                if (m_pos < m_text.size() && m_text[m_pos] == '=') {
                    ++m_pos;
                    return readValue(std::move(name));
                }
                return std::pair { std::move(name), std::move(value) };
            }
            if (c == '/' || c == '>')
                return std::pair { std::move(name), std::move(value) };
            name += asciiLower(c);
            ++m_pos;
        }
        return std::pair { std::move(name), std::move(value) };
    }

private:
    void skipBlanks()
    {
        while (m_pos < m_text.size() && isAsciiBlank(m_text[m_pos]))
            ++m_pos;
    }

    std::optional<std::pair<std::string, std::string>> readValue(std::string name)
    {
        skipBlanks();
        std::string value;
        if (m_pos >= m_text.size())
            return std::pair { std::move(name), std::move(value) };
        const char quote = m_text[m_pos];
        if (quote == '"' || quote == '\'') {
            ++m_pos;
            while (m_pos < m_text.size() && m_text[m_pos] != quote)
                value += asciiLower(m_text[m_pos++]);
            if (m_pos < m_text.size())
                ++m_pos;
            return std::pair { std::move(name), std::move(value) };
        }
        while (m_pos < m_text.size() && !isAsciiBlank(m_text[m_pos]) && m_text[m_pos] != '>')
            value += asciiLower(m_text[m_pos++]);
        return std::pair { std::move(name), std::move(value) };
    }

    std::string_view m_text;
    std::size_t m_pos;
};

struct MetaDeclaration
{
    std::optional<TextEncoding> encoding;
    std::size_t end = 0; // where the element's attributes end
};

// The encoding a meta element declares, its attributes read from pos.
MetaDeclaration encodingOfMeta(std::string_view text, std::size_t pos)
{
    AttributeReader reader(text, pos);
    std::vector<std::string> seen;
    bool gotPragma = false;
    std::optional<bool> needPragma;
    std::optional<TextEncoding> charset;
    while (auto attribute = reader.next()) {
        auto& [name, value] = *attribute;
        bool repeated = false;
        for (const auto& s : seen)
            repeated = repeated || s == name;
        if (repeated)
            continue;
        seen.push_back(name);
        if (name == "http-equiv") {
            gotPragma = gotPragma || value == "content-type";
        } else if (name == "content" && !charset) {
            if (auto label = charsetParameter(value)) {
                if (auto encoding = encodingFromLabel(*label)) {
                    charset = encoding;
                    needPragma = true;
                }
            }
        } else if (name == "charset") {
            charset = encodingFromLabel(value);
            needPragma = false;
        }
    }
    if (!charset || !needPragma || (*needPragma && !gotPragma))
        return { std::nullopt, reader.position() };
    return { isUtf16(*charset) ? TextEncoding::Utf8 : *charset, reader.position() };
}

std::string ncr(char32_t codePoint)
{
    return "&#" + std::to_string(static_cast<unsigned long>(codePoint)) + ";";
}

void appendAscii(std::string& out, std::string_view ascii, TextEncoding encoding)
{
    for (const char c : ascii) {
        if (encoding == TextEncoding::Utf16Le) {
            out += c;
            out += '\0';
        } else if (encoding == TextEncoding::Utf16Be) {
            out += '\0';
            out += c;
        } else {
            out += c;
        }
    }
}

} // namespace

std::optional<TextEncoding> encodingFromLabel(std::string_view label)
{
    const std::string key = asciiLower(trimBlanks(label));
    for (const auto& entry : labelTable) {
        if (entry.label == key)
            return entry.encoding;
    }
    return std::nullopt;
}

std::string_view encodingName(TextEncoding encoding)
{
    return infoOf(encoding).name;
}

std::optional<EncodingGuess> encodingFromByteOrderMark(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return EncodingGuess { TextEncoding::Utf8, EncodingSource::ByteOrderMark, 3 };
    if (bytes.starts_with("\xFF\xFE"))
        return EncodingGuess { TextEncoding::Utf16Le, EncodingSource::ByteOrderMark, 2 };
    if (bytes.starts_with("\xFE\xFF"))
        return EncodingGuess { TextEncoding::Utf16Be, EncodingSource::ByteOrderMark, 2 };
    return std::nullopt;
}

namespace {

// The encoding the first meta element that names a known one declares.
std::optional<TextEncoding> encodingOfFirstMeta(std::string_view markup)
{
    std::size_t pos = 0;
    const std::size_t size = markup.size();
    while (pos < size) {
        if (markup.substr(pos).starts_with("<!--")) {
            // "<!-->" closes itself: the end is searched from the dashes of the opening.
            const std::size_t end = markup.find("-->", pos + 2);
            if (end == std::string_view::npos)
                return std::nullopt;
            pos = end + 3;
            continue;
        }
        if (startsWithNoCase(markup, pos, "<meta") && pos + 5 < size
            && (isAsciiBlank(markup[pos + 5]) || markup[pos + 5] == '/')) {
            const MetaDeclaration meta = encodingOfMeta(markup, pos + 6);
            if (meta.encoding)
                return meta.encoding;
            pos = meta.end;
            continue;
        }
        if (markup[pos] == '<' && pos + 1 < size
            && (isAsciiAlpha(markup[pos + 1])
                || (markup[pos + 1] == '/' && pos + 2 < size && isAsciiAlpha(markup[pos + 2])))) {
            // Any other tag: step over its name and attributes so that a quoted ">" or "<meta" inside
            // an attribute value is not taken for markup.
            while (pos < size && !isAsciiBlank(markup[pos]) && markup[pos] != '>')
                ++pos;
            AttributeReader reader(markup, pos);
            while (reader.next()) { }
            pos = reader.position() + 1;
            continue;
        }
        if (markup.substr(pos).starts_with("<!") || markup.substr(pos).starts_with("</")
            || markup.substr(pos).starts_with("<?")) {
            const std::size_t end = markup.find('>', pos + 2);
            if (end == std::string_view::npos)
                return std::nullopt;
            pos = end + 1;
            continue;
        }
        ++pos;
    }
    return std::nullopt;
}

// The encoding an XML declaration at the very start of the text names, as in
// `<?xml version="1.0" encoding="ISO-8859-1"?>`; browsers honour it in a page as well.
std::optional<TextEncoding> encodingOfXmlDeclaration(std::string_view markup)
{
    if (!markup.starts_with("<?xml") || markup.size() < 6 || !isAsciiBlank(markup[5]))
        return std::nullopt;
    const std::size_t end = markup.find("?>");
    if (end == std::string_view::npos)
        return std::nullopt;
    const std::string_view declaration = markup.substr(5, end - 5);
    std::size_t pos = declaration.find("encoding");
    if (pos == std::string_view::npos)
        return std::nullopt;
    pos += 8;
    while (pos < declaration.size() && isAsciiBlank(declaration[pos]))
        ++pos;
    if (pos >= declaration.size() || declaration[pos] != '=')
        return std::nullopt;
    ++pos;
    while (pos < declaration.size() && isAsciiBlank(declaration[pos]))
        ++pos;
    if (pos >= declaration.size() || (declaration[pos] != '"' && declaration[pos] != '\''))
        return std::nullopt;
    const std::size_t close = declaration.find(declaration[pos], pos + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    const auto encoding = encodingFromLabel(declaration.substr(pos + 1, close - pos - 1));
    if (!encoding)
        return std::nullopt;
    return isUtf16(*encoding) ? TextEncoding::Utf8 : *encoding;
}

// One character beyond ASCII of a double-byte encoding, read at the start of the rest of the text:
// its length in bytes (0 when the bytes are not well-formed there), and whether it is one that text in
// the encoding's language is mostly made of.
struct EncodedCharacter
{
    std::size_t length = 0;
    bool common = false;
};

unsigned char byteAt(std::string_view bytes, std::size_t i)
{
    return static_cast<unsigned char>(bytes[i]);
}

// Whether the bytes read as text of an encoding: every character beyond ASCII well-formed, and seven in
// eight of them common ones.
template <typename ReadCharacter> bool readsAsCommonText(std::string_view bytes, ReadCharacter readCharacter)
{
    std::size_t characters = 0;
    std::size_t common = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        if (byteAt(bytes, i) < 0x80) {
            ++i;
            continue;
        }
        const EncodedCharacter character = readCharacter(bytes.substr(i));
        if (character.length == 0)
            return false;
        ++characters;
        common += character.common ? 1 : 0;
        i += character.length;
    }
    return characters > 0 && common * 8 >= characters * 7;
}

// Bytes that read as Chinese in GB18030: every sequence over the whole text well-formed, and seven in
// eight of its characters common in Chinese text: the 3755 frequent hanzi of GB2312's first level and the
// rows of punctuation and full-width forms. The rarer hanzi of the second level, the extension rows and
// the four-byte forms are how other 8-bit text reads in GB18030: Latin-1 letters paired with ASCII bytes
// ("J\xE9r\xF4me"), Latin-2 letters paired with each other ("\xEC\xB9\xE8\xF8", "ěščř", reads as two
// second-level hanzi).
bool isPlainlyGb18030(std::string_view bytes)
{
    return readsAsCommonText(bytes, [](std::string_view rest) -> EncodedCharacter {
        const unsigned char lead = byteAt(rest, 0);
        if (lead == 0x80 || lead == 0xFF || rest.size() < 2)
            return {};
        const unsigned char second = byteAt(rest, 1);
        if (second >= 0x30 && second <= 0x39) {
            if (rest.size() < 4 || byteAt(rest, 2) < 0x81 || byteAt(rest, 2) == 0xFF || byteAt(rest, 3) < 0x30
                || byteAt(rest, 3) > 0x39)
                return {};
            return { 4, false };
        }
        if (second < 0x40 || second == 0x7F || second == 0xFF)
            return {};
        const bool frequentHanzi = lead >= 0xB0 && lead <= 0xD7 && second >= 0xA1 && second <= 0xFE
            && !(lead == 0xD7 && second > 0xF9);
        const bool punctuation = (lead == 0xA1 || lead == 0xA3) && second >= 0xA1 && second <= 0xFE;
        return { 2, frequentHanzi || punctuation };
    });
}

// The same for Shift_JIS: well-formed throughout, and nearly every character a kana, a first-level
// kanji or full-width punctuation. Half-width katakana, the single bytes 0xA1-0xDF, are what GB18030
// and Big5 text looks like here, so they count against it.
bool isPlainlyShiftJis(std::string_view bytes)
{
    return readsAsCommonText(bytes, [](std::string_view rest) -> EncodedCharacter {
        const unsigned char lead = byteAt(rest, 0);
        if (lead >= 0xA1 && lead <= 0xDF)
            return { 1, false };
        const bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
        if (!isLead || rest.size() < 2)
            return {};
        const unsigned char second = byteAt(rest, 1);
        if (second < 0x40 || second == 0x7F || second > 0xFC)
            return {};
        const bool kana = (lead == 0x82 && second >= 0x9F && second <= 0xF1)
            || (lead == 0x83 && second >= 0x40 && second <= 0x96);
        const bool punctuation = lead == 0x81 && second >= 0x40 && second <= 0xAC;
        const bool kanji = (lead == 0x88 && second >= 0x9F) || (lead >= 0x89 && lead <= 0x97)
            || (lead == 0x98 && second <= 0x72);
        return { 2, kana || punctuation || kanji };
    });
}

// The same for Big5: well-formed throughout, and nearly every character a frequent hanzi (rows
// 0xA4-0xC6) or full-width punctuation (rows 0xA1-0xA3).
bool isPlainlyBig5(std::string_view bytes)
{
    return readsAsCommonText(bytes, [](std::string_view rest) -> EncodedCharacter {
        const unsigned char lead = byteAt(rest, 0);
        if (lead < 0x81 || lead > 0xFE || rest.size() < 2)
            return {};
        const unsigned char second = byteAt(rest, 1);
        if (!((second >= 0x40 && second <= 0x7E) || (second >= 0xA1 && second <= 0xFE)))
            return {};
        return { 2, lead >= 0xA1 && lead <= 0xC6 && !(lead == 0xC6 && second > 0x7E) };
    });
}

// UTF-8 with a few stray bytes: the well-formed sequences beyond ASCII outnumber the bytes that are
// not UTF-8 three to one. Text in an 8-bit or a double-byte encoding seldom forms a sequence of UTF-8 by
// chance, so it has more stray bytes than sequences.
bool isMostlyUtf8(std::string_view bytes)
{
    std::size_t sequences = 0;
    std::size_t stray = 0;
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t length = utf8Sequence(bytes, pos).length;
        if (length == 0) {
            ++stray;
            ++pos;
        } else {
            sequences += length > 1 ? 1 : 0;
            pos += length;
        }
    }
    return sequences >= 3 && sequences >= stray * 3;
}

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Where a declaration goes: just after the head element's start tag, else after the html element's;
// npos when the markup has neither.
std::size_t declarationPlace(std::string_view markup)
{
    const std::string lower = asciiLower(markup);
    for (const std::string_view name : { std::string_view("<head"), std::string_view("<html") }) {
        for (std::size_t pos = lower.find(name); pos != std::string::npos; pos = lower.find(name, pos + 1)) {
            const std::size_t after = pos + name.size();
            if (after >= markup.size()
                || !(isAsciiBlank(markup[after]) || markup[after] == '>' || markup[after] == '/'))
                continue;
            AttributeReader reader(markup, after);
            while (reader.next()) { }
            return reader.position() < markup.size() ? reader.position() + 1 : std::string_view::npos;
        }
    }
    return std::string_view::npos;
}

// The text with every character outside ASCII written as a decimal character reference.
RewrittenText withReferencesForNonAscii(std::string_view utf8)
{
    RewrittenText out;
    out.text.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const auto [length, codePoint] = utf8Sequence(utf8, pos);
        if (length == 0) {
            out.text += ncr(0xFFFD);
            ++out.replaced;
            ++pos;
        } else if (codePoint < 0x80 || isKeptByte(codePoint)) {
            out.text.append(utf8.substr(pos, length));
            pos += length;
        } else {
            out.text += ncr(codePoint);
            ++out.replaced;
            pos += length;
        }
    }
    return out;
}

} // namespace

std::optional<TextEncoding> declaredEncoding(std::string_view markup)
{
    if (auto meta = encodingOfFirstMeta(markup))
        return meta;
    return encodingOfXmlDeclaration(markup);
}

std::optional<TextEncoding> utf16WithoutByteOrderMark(std::string_view bytes)
{
    // Markup is mostly ASCII, whose characters are a zero byte beside a letter in UTF-16: three
    // quarters of the first pairs so, with the zero on the same side, tell the byte order.
    constexpr std::size_t kPairsLooked = 512;
    const std::size_t pairs = std::min(bytes.size() / 2, kPairsLooked);
    if (pairs < 2)
        return std::nullopt;
    std::size_t zeroSecond = 0;
    std::size_t zeroFirst = 0;
    for (std::size_t i = 0; i < pairs; ++i) {
        const bool first = bytes[2 * i] == '\0';
        const bool second = bytes[2 * i + 1] == '\0';
        zeroSecond += !first && second ? 1 : 0;
        zeroFirst += first && !second ? 1 : 0;
    }
    if (zeroSecond * 4 >= pairs * 3)
        return TextEncoding::Utf16Le;
    if (zeroFirst * 4 >= pairs * 3)
        return TextEncoding::Utf16Be;
    return std::nullopt;
}

bool isValidUtf8(std::string_view bytes)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t length = utf8Sequence(bytes, pos).length;
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

std::optional<std::string_view> charsetParameter(std::string_view contentType)
{
    const std::string lower = asciiLower(contentType);
    std::size_t pos = 0;
    while (true) {
        pos = lower.find("charset", pos);
        if (pos == std::string_view::npos)
            return std::nullopt;
        pos += 7;
        while (pos < contentType.size() && isAsciiBlank(contentType[pos]))
            ++pos;
        if (pos < contentType.size() && contentType[pos] == '=')
            break;
    }
    ++pos;
    while (pos < contentType.size() && isAsciiBlank(contentType[pos]))
        ++pos;
    if (pos >= contentType.size())
        return std::nullopt;
    const char quote = contentType[pos];
    if (quote == '"' || quote == '\'') {
        const std::size_t end = contentType.find(quote, pos + 1);
        if (end == std::string_view::npos)
            return std::nullopt;
        return contentType.substr(pos + 1, end - pos - 1);
    }
    std::size_t end = pos;
    while (end < contentType.size() && !isAsciiBlank(contentType[end]) && contentType[end] != ';')
        ++end;
    return contentType.substr(pos, end - pos);
}

EncodingGuess sniffEncoding(std::string_view bytes)
{
    return sniffEncoding(bytes, std::nullopt, declaredEncoding(bytes));
}

EncodingGuess sniffEncoding(
    std::string_view bytes, std::optional<TextEncoding> transport, std::optional<TextEncoding> declared)
{
    if (auto bom = encodingFromByteOrderMark(bytes))
        return *bom;
    if (transport)
        return { *transport, EncodingSource::Transport, 0 };
    if (auto wide = utf16WithoutByteOrderMark(bytes))
        return { *wide, EncodingSource::Fallback, 0 };
    if (declared)
        return { *declared, EncodingSource::Declaration, 0 };
    if (isValidUtf8(bytes))
        return { TextEncoding::Utf8, EncodingSource::ValidUtf8, 0 };
    // Browsers read an undeclared page that is not UTF-8 by the reader's locale, often as
    // windows-1252. Here text that plainly is in one of the East Asian encodings is read in it (GB18030
    // first, the encoding this editor's own pages have always been written in), UTF-8 with a few stray
    // bytes as UTF-8, and the rest as windows-1252. Whatever the guess, bytes that are no text in it are
    // kept (see decodeDocument), so a wrong guess garbles only what is shown, never the file.
    if (isPlainlyGb18030(bytes))
        return { TextEncoding::Gb18030, EncodingSource::Fallback, 0 };
    if (isMostlyUtf8(bytes))
        return { TextEncoding::Utf8, EncodingSource::Fallback, 0 };
    if (isPlainlyBig5(bytes))
        return { TextEncoding::Big5, EncodingSource::Fallback, 0 };
    if (isPlainlyShiftJis(bytes))
        return { TextEncoding::ShiftJis, EncodingSource::Fallback, 0 };
    return { TextEncoding::Windows1252, EncodingSource::Fallback, 0 };
}

DecodedText decodeText(std::string_view bytes, TextEncoding encoding, UndecodableBytes undecodable)
{
    const bool keep = undecodable == UndecodableBytes::Keep;
    DecodedText result;
    result.encoding = encoding;
    IconvConverter converter("UTF-8", infoOf(encoding).iconvName);
    if (encoding == TextEncoding::Utf8 || !converter.isOpen()) {
        // Only a C library without this converter gets here for another encoding; the text is then
        // taken as far as it is UTF-8.
        RewrittenText text = wellFormedUtf8(bytes, keep);
        result.utf8 = std::move(text.text);
        result.invalidSequences = text.replaced;
        return result;
    }
    // A UTF-16 error (a lone surrogate) spans a whole code unit; stepping by one byte would misalign
    // everything after it.
    const std::size_t unit = isUtf16(encoding) ? 2 : 1;
    std::string_view input = bytes;
    result.utf8.reserve(bytes.size() * 3 / 2);
    while (true) {
        const auto stop = converter.convert(input, result.utf8);
        if (stop == IconvConverter::Stop::Done)
            break;
        // What is skipped: one unit, or at the end the rest of a sequence that never finished.
        const std::size_t skipped
            = std::min(stop == IconvConverter::Stop::Incomplete ? input.size() : unit, input.size());
        if (keep) {
            for (const char byte : input.substr(0, skipped))
                appendKeptByte(result.utf8, static_cast<unsigned char>(byte));
            result.invalidSequences += skipped;
        } else {
            result.utf8 += kReplacementCharacter;
            ++result.invalidSequences;
        }
        if (stop == IconvConverter::Stop::Incomplete)
            break;
        input.remove_prefix(skipped);
    }
    return result;
}

DecodedText decodeDocument(std::string_view bytes)
{
    const EncodingGuess guess = sniffEncoding(bytes);
    DecodedText result = decodeText(bytes.substr(guess.bomLength), guess.encoding, UndecodableBytes::Keep);
    result.source = guess.source;
    return result;
}

namespace {

// Encodes well-formed UTF-8 that holds no kept bytes, appending to result.
void encodeWellFormed(std::string_view text, TextEncoding encoding, EncodedText& result)
{
    if (encoding == TextEncoding::Utf8) {
        result.bytes.append(text);
        return;
    }
    IconvConverter converter(infoOf(encoding).iconvName, "UTF-8");
    if (!converter.isOpen()) {
        // Writing UTF-8 under another name would lose nothing but the label; references keep the rest
        // readable in any ASCII-compatible reader.
        for (std::size_t pos = 0; pos < text.size();) {
            const auto [length, codePoint] = utf8Sequence(text, pos);
            if (codePoint < 0x80) {
                appendAscii(result.bytes, text.substr(pos, length), encoding);
            } else {
                appendAscii(result.bytes, ncr(codePoint), encoding);
                ++result.characterReferences;
            }
            pos += length;
        }
        return;
    }
    std::string_view input = text;
    while (true) {
        const auto stop = converter.convert(input, result.bytes);
        if (stop != IconvConverter::Stop::Invalid || input.empty())
            break;
        // The input is well-formed, so the character here is one this encoding cannot hold.
        const auto [length, codePoint] = utf8Sequence(input, 0);
        if (length == 0)
            break;
        appendAscii(result.bytes, ncr(codePoint), encoding);
        ++result.characterReferences;
        input.remove_prefix(length);
    }
    // Let a stateful encoding return to its initial state.
    std::string_view none;
    (void)converter.convert(none, result.bytes);
}

} // namespace

EncodedText encodeText(std::string_view utf8, TextEncoding encoding)
{
    EncodedText result;
    result.encoding = encoding;
    const std::string text = wellFormedUtf8(utf8).text;
    result.bytes.reserve(text.size());
    // Kept bytes go back as the bytes they stand for; the text between them is encoded.
    std::size_t from = 0;
    for (std::size_t pos = text.find('\xF4'); pos != std::string::npos; pos = text.find('\xF4', pos + 1)) {
        const auto [length, codePoint] = utf8Sequence(text, pos);
        if (!isKeptByte(codePoint))
            continue;
        encodeWellFormed(std::string_view(text).substr(from, pos - from), encoding, result);
        result.bytes += static_cast<char>(codePoint - kKeptByteBase);
        from = pos + length;
    }
    encodeWellFormed(std::string_view(text).substr(from), encoding, result);
    return result;
}

EncodedText encodeDocument(std::string_view utf8, TextEncoding openedIn)
{
    const auto declared = declaredEncoding(utf8);
    const TextEncoding target = declared.value_or(openedIn);
    // A reader told nothing guesses the encoding, and guesses differ by browser and language. Characters
    // beyond ASCII therefore go out with a declaration of the encoding they are written in, or, where
    // the markup has no head to hold one, as character references.
    std::string declaredText;
    std::string declaration;
    std::size_t references = 0; // characters written as references before encoding
    if (!declared && !isUtf16(target) && !isAscii(utf8)) {
        const std::size_t place = declarationPlace(utf8);
        if (place != std::string_view::npos) {
            declaration = "<meta charset=\"" + std::string(encodingName(target)) + "\">";
            declaredText.reserve(utf8.size() + declaration.size());
            declaredText.append(utf8.substr(0, place)).append(declaration).append(utf8.substr(place));
        } else {
            RewrittenText referenced = withReferencesForNonAscii(utf8);
            declaredText = std::move(referenced.text);
            references = referenced.replaced;
        }
        utf8 = declaredText;
    }
    EncodedText result = encodeText(utf8, target);
    result.characterReferences += references;
    result.declarationAdded = std::move(declaration);
    if (target == TextEncoding::Utf16Le)
        result.bytes.insert(0, "\xFF\xFE");
    else if (target == TextEncoding::Utf16Be)
        result.bytes.insert(0, "\xFE\xFF");
    return result;
}

} // namespace inkwell
