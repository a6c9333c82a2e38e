#include "archive/cssresourcescanner.h"

#include "core/ascii.h"
#include "core/utf8.h"

#include <cstdint>

namespace inkwell {
namespace {

bool isHex(char c)
{
    return hexDigitValue(c) >= 0;
}

// Characters that continue an identifier; bytes of multi-byte characters count as such too.
bool isNameChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return isAsciiAlnum(c) || c == '-' || c == '_' || u >= 0x80;
}

// Undoes CSS escapes: a backslash and up to six hex digits (and one blank after them) is that
// code point, a backslash before a line break is nothing, a backslash before anything else is
// that character.
std::string unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        ++i;
        if (isHex(text[i])) {
            std::uint32_t cp = 0;
            std::size_t n = 0;
            while (i < text.size() && n < 6 && isHex(text[i])) {
                cp = cp * 16 + static_cast<std::uint32_t>(hexDigitValue(text[i]));
                ++i;
                ++n;
            }
            if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            else if (i >= text.size() || !isAsciiBlank(text[i]))
                --i;
            appendUtf8(out, cp);
        } else if (text[i] == '\n' || text[i] == '\f') {
        } else if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

class CssReferenceReader
{
public:
    explicit CssReferenceReader(std::string_view css)
        : m_css(css)
    {
    }

    std::vector<ResourceRef> run()
    {
        while (m_pos < m_css.size()) {
            const char c = m_css[m_pos];
            if (c == '/' && peek(1) == '*') {
                skipComment();
            } else if (c == '"' || c == '\'') {
                skipString();
            } else if (c == '\\') {
                m_pos += 2;
            } else if (c == '@' && startsWithNoCase(m_css, m_pos + 1, "import") && !isNameChar(peek(7))) {
                m_pos += 7;
                importRule();
            } else if (isNameChar(c)) {
                identifier();
            } else {
                ++m_pos;
            }
        }
        return std::move(m_refs);
    }

private:
    char peek(std::size_t ahead) const { return m_pos + ahead < m_css.size() ? m_css[m_pos + ahead] : '\0'; }

    // A backslash escape at m_pos: hex digits with the one blank that may end them, or one character.
    void skipEscape()
    {
        ++m_pos;
        if (m_pos >= m_css.size())
            return;
        if (!isHex(m_css[m_pos])) {
            ++m_pos;
            return;
        }
        for (int n = 0; n < 6 && m_pos < m_css.size() && isHex(m_css[m_pos]); ++n)
            ++m_pos;
        if (m_pos + 1 < m_css.size() && m_css[m_pos] == '\r' && m_css[m_pos + 1] == '\n')
            m_pos += 2;
        else if (m_pos < m_css.size() && isAsciiBlank(m_css[m_pos]))
            ++m_pos;
    }

    void skipComment()
    {
        const auto end = m_css.find("*/", m_pos + 2);
        m_pos = end == std::string_view::npos ? m_css.size() : end + 2;
    }

    void skipBlanksAndComments()
    {
        while (m_pos < m_css.size()) {
            if (isAsciiBlank(m_css[m_pos]))
                ++m_pos;
            else if (m_css[m_pos] == '/' && peek(1) == '*')
                skipComment();
            else
                break;
        }
    }

    // A quoted string starting at m_pos; returns the span of its content. An unclosed string ends
    // at the line break, as a browser ends it.
    std::pair<std::size_t, std::size_t> skipString()
    {
        const char quote = m_css[m_pos++];
        const std::size_t start = m_pos;
        while (m_pos < m_css.size()) {
            const char c = m_css[m_pos];
            if (c == '\\') {
                m_pos += 2;
                continue;
            }
            if (c == quote) {
                const std::size_t end = m_pos++;
                return { start, end - start };
            }
            if (c == '\n' || c == '\r' || c == '\f')
                break;
            ++m_pos;
        }
        m_pos = std::min(m_pos, m_css.size());
        return { start, m_pos - start };
    }

    // The argument of url( with m_pos just after the parenthesis.
    void urlFunction(ResourceRef::Kind kind)
    {
        skipBlanksAndComments();
        if (m_pos >= m_css.size())
            return;
        if (m_css[m_pos] == '"' || m_css[m_pos] == '\'') {
            const auto [start, length] = skipString();
            add(start, length, kind);
            return;
        }
        const std::size_t start = m_pos;
        while (m_pos < m_css.size() && m_css[m_pos] != ')' && !isAsciiBlank(m_css[m_pos])) {
            if (m_css[m_pos] == '\\')
                skipEscape();
            else
                ++m_pos;
        }
        add(start, m_pos - start, kind);
    }

    void importRule()
    {
        skipBlanksAndComments();
        if (m_pos >= m_css.size())
            return;
        if (m_css[m_pos] == '"' || m_css[m_pos] == '\'') {
            const auto [start, length] = skipString();
            add(start, length, ResourceRef::Kind::StyleSheet);
        } else if (startsWithNoCase(m_css, m_pos, "url(")) {
            m_pos += 4;
            urlFunction(ResourceRef::Kind::StyleSheet);
        }
    }

    void identifier()
    {
        const std::size_t start = m_pos;
        while (m_pos < m_css.size() && (isNameChar(m_css[m_pos]) || m_css[m_pos] == '\\')) {
            if (m_css[m_pos] == '\\')
                skipEscape();
            else
                ++m_pos;
        }
        if (m_pos - start == 3 && startsWithNoCase(m_css, start, "url") && peek(0) == '(') {
            ++m_pos;
            urlFunction(ResourceRef::Kind::Picture);
        }
    }

    void add(std::size_t offset, std::size_t length, ResourceRef::Kind kind)
    {
        std::string url = unescape(m_css.substr(offset, length));
        // An empty reference names the style sheet itself; there is nothing more to fetch.
        if (url.empty())
            return;
        m_refs.push_back(ResourceRef { offset, length, std::move(url), kind });
    }

    std::string_view m_css;
    std::size_t m_pos = 0;
    std::vector<ResourceRef> m_refs;
};

} // namespace

std::vector<ResourceRef> scanCssResources(std::string_view css)
{
    return CssReferenceReader(css).run();
}

std::string cssCharset(std::string_view css)
{
    constexpr std::string_view kPrefix = "@charset \"";
    if (css.substr(0, 3) == "\xEF\xBB\xBF")
        css.remove_prefix(3);
    if (css.substr(0, kPrefix.size()) != kPrefix)
        return {};
    const auto end = css.find("\";", kPrefix.size());
    if (end == std::string_view::npos || end - kPrefix.size() > 40)
        return {};
    return std::string(css.substr(kPrefix.size(), end - kPrefix.size()));
}

} // namespace inkwell
