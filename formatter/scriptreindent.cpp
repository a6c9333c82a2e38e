#include "formatter/scriptreindent.h"

#include <algorithm>
#include <array>

namespace inkwell {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

// Only spaces and tabs count as indentation; a form feed at the start of a line is left where it is.
bool isIndentation(char c)
{
    return c == ' ' || c == '\t';
}

bool isWordByte(char ch)
{
    const auto c = static_cast<unsigned char>(ch);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$'
        || c >= 0x80;
}

// Words after which an operand is expected, so that a following "/" opens a regular expression.
bool expectsOperandAfter(std::string_view word)
{
    static constexpr std::array<std::string_view, 14> kOperandBefore = { "return", "typeof", "instanceof",
        "in", "of", "new", "delete", "void", "throw", "case", "do", "else", "yield", "await" };
    return std::find(kOperandBefore.begin(), kOperandBefore.end(), word) != kOperandBefore.end();
}

enum class Mode
{
    Code,
    SingleQuote,
    DoubleQuote,
    Template,
    Regex,
    RegexClass,
    LineComment,
    BlockComment
};

// A single forward pass over the script. The only step back is when a "/" taken for the start of a
// regular expression finds no end on its line: it was a division after all, and the rest of that line
// is read again with every further "/" taken as an operator, so each line is read at most twice.
class ScriptScanner
{
public:
    explicit ScriptScanner(std::string_view script)
        : m_s(script)
    {
    }

    ScriptScan scan()
    {
        ScriptScan result;
        std::vector<ScriptLine>& lines = result.lines;
        std::size_t pos = 0;
        const std::size_t n = m_s.size();
        while (true) {
            ScriptLine line;
            line.begin = pos;
            std::size_t end = pos;
            while (end < n && m_s[end] != '\n' && m_s[end] != '\r')
                ++end;
            line.end = end;
            line.next = end;
            if (end < n)
                line.next = end + ((m_s[end] == '\r' && end + 1 < n && m_s[end + 1] == '\n') ? 2 : 1);
            line.insideLiteral = m_mode != Mode::Code || !m_templates.empty();

            std::size_t first = pos;
            while (first < end && isBlank(m_s[first]))
                ++first;
            const bool startsWithCloser
                = first < end && (m_s[first] == '}' || m_s[first] == ']' || m_s[first] == ')');
            m_lineDepth = m_brackets.empty() ? 0 : m_brackets.back() + 1;
            if (startsWithCloser && !m_brackets.empty() && !line.insideLiteral)
                m_lineDepth = m_brackets.back();
            line.depth = m_lineDepth;

            scanLine(pos, end, first);
            lines.push_back(line);
            if (end >= n)
                break;
            pos = line.next;
        }
        result.endsInsideLiteral = m_mode != Mode::Code || !m_templates.empty();
        return result;
    }

private:
    void scanLine(std::size_t i, std::size_t end, std::size_t firstNonBlank)
    {
        bool regexFailed = false;
        bool continued = false;
        std::size_t regexStart = 0;
        while (true) {
            while (i < end) {
                const char c = m_s[i];
                switch (m_mode) {
                case Mode::Code:
                    if (isBlank(c)) {
                        ++i;
                    } else if (c == '/' && i + 1 < end && m_s[i + 1] == '/') {
                        m_mode = Mode::LineComment;
                        i = end;
                    } else if (c == '/' && i + 1 < end && m_s[i + 1] == '*') {
                        m_mode = Mode::BlockComment;
                        i += 2;
                    } else if (c == '/') {
                        if (m_operandExpected && !regexFailed) {
                            m_mode = Mode::Regex;
                            regexStart = i;
                        } else {
                            m_operandExpected = true;
                        }
                        ++i;
                    } else if (m_s.substr(i, 4) == "<!--"
                        || (i == firstNonBlank && m_s.substr(i, 3) == "-->")) {
                        // HTML-like comments run to the end of the line in scripts embedded in pages.
                        m_mode = Mode::LineComment;
                        i = end;
                    } else if (c == '\'' || c == '"' || c == '`') {
                        m_mode = c == '\'' ? Mode::SingleQuote
                            : c == '"'     ? Mode::DoubleQuote
                                           : Mode::Template;
                        ++i;
                    } else if (isWordByte(c)) {
                        std::size_t j = i;
                        while (j < end && isWordByte(m_s[j]))
                            ++j;
                        m_operandExpected = expectsOperandAfter(m_s.substr(i, j - i));
                        i = j;
                    } else if (c == '{' || c == '[' || c == '(') {
                        if (!m_templates.empty()) {
                            if (c == '{')
                                ++m_templates.back();
                        } else {
                            m_brackets.push_back(m_lineDepth);
                        }
                        m_operandExpected = true;
                        ++i;
                    } else if (c == '}' || c == ']' || c == ')') {
                        ++i;
                        m_operandExpected = false;
                        if (!m_templates.empty()) {
                            if (c == '}') {
                                if (m_templates.back() == 0) {
                                    m_templates.pop_back();
                                    m_mode = Mode::Template;
                                } else {
                                    --m_templates.back();
                                }
                            }
                        } else if (!m_brackets.empty()) {
                            m_brackets.pop_back();
                        }
                    } else {
                        m_operandExpected = true;
                        ++i;
                    }
                    break;
                case Mode::SingleQuote:
                case Mode::DoubleQuote:
                    if (c == '\\') {
                        if (i + 1 >= end)
                            continued = true;
                        i += 2;
                    } else {
                        if (c == (m_mode == Mode::SingleQuote ? '\'' : '"')) {
                            m_mode = Mode::Code;
                            m_operandExpected = false;
                        }
                        ++i;
                    }
                    break;
                case Mode::Template:
                    if (c == '\\') {
                        i += 2;
                    } else if (c == '`') {
                        m_mode = Mode::Code;
                        m_operandExpected = false;
                        ++i;
                    } else if (c == '$' && i + 1 < end && m_s[i + 1] == '{') {
                        m_templates.push_back(0);
                        m_mode = Mode::Code;
                        m_operandExpected = true;
                        i += 2;
                    } else {
                        ++i;
                    }
                    break;
                case Mode::Regex:
                    if (c == '\\') {
                        i += 2;
                    } else {
                        if (c == '[')
                            m_mode = Mode::RegexClass;
                        else if (c == '/') {
                            m_mode = Mode::Code;
                            m_operandExpected = false;
                        }
                        ++i;
                    }
                    break;
                case Mode::RegexClass:
                    if (c == '\\')
                        i += 2;
                    else {
                        if (c == ']')
                            m_mode = Mode::Regex;
                        ++i;
                    }
                    break;
                case Mode::LineComment:
                    i = end;
                    break;
                case Mode::BlockComment: {
                    const std::size_t close = m_s.substr(0, end).find("*/", i);
                    if (close == std::string_view::npos) {
                        i = end;
                    } else {
                        m_mode = Mode::Code;
                        i = close + 2;
                    }
                    break;
                }
                }
            }
            if (m_mode == Mode::Regex || m_mode == Mode::RegexClass) {
                // A regular expression cannot span lines: that "/" was a division.
                m_mode = Mode::Code;
                m_operandExpected = true;
                regexFailed = true;
                i = regexStart + 1;
                continue;
            }
            break;
        }
        if (m_mode == Mode::LineComment)
            m_mode = Mode::Code;
        if ((m_mode == Mode::SingleQuote || m_mode == Mode::DoubleQuote) && !continued) {
            // An unterminated string ends with its line; the engine would reject it anyway.
            m_mode = Mode::Code;
            m_operandExpected = false;
        }
    }

    std::string_view m_s;
    Mode m_mode = Mode::Code;
    bool m_operandExpected = true;
    int m_lineDepth = 0;
    std::vector<int> m_brackets; // per open bracket of plain code, the depth of the line that opened it
    std::vector<int> m_templates; // per open "${" of a template literal, the count of "{" open inside it
};

bool isBlankLine(std::string_view script, const ScriptLine& line)
{
    if (line.insideLiteral)
        return false;
    for (std::size_t i = line.begin; i < line.end; ++i) {
        if (!isIndentation(script[i]))
            return false;
    }
    return true;
}

} // namespace

ScriptScan scanScript(std::string_view script)
{
    return ScriptScanner(script).scan();
}

ReindentedScript reindentScript(
    std::string_view script, std::string_view indentUnit, int baseLevel, int maxLevel)
{
    const ScriptScan scan = scanScript(script);
    const std::vector<ScriptLine>& lines = scan.lines;
    std::size_t first = 0;
    while (first < lines.size() && isBlankLine(script, lines[first]))
        ++first;
    if (first == lines.size())
        return { {}, scan.endsInsideLiteral };
    std::size_t last = lines.size() - 1;
    while (isBlankLine(script, lines[last]))
        --last;

    std::string out;
    out.reserve(script.size() + (last - first) * indentUnit.size() * 4);
    for (std::size_t i = first; i <= last; ++i) {
        const ScriptLine& line = lines[i];
        if (i > first) {
            const ScriptLine& previous = lines[i - 1];
            out.append(script.substr(previous.end, previous.next - previous.end));
        }
        if (line.insideLiteral) {
            out.append(script.substr(line.begin, line.end - line.begin));
            continue;
        }
        std::size_t text = line.begin;
        while (text < line.end && isIndentation(script[text]))
            ++text;
        if (text < line.end && i > first) {
            const int level = std::clamp(baseLevel + line.depth, 0, std::max(maxLevel, 0));
            for (int k = 0; k < level; ++k)
                out.append(indentUnit);
        }
        out.append(script.substr(text, line.end - text));
    }
    return { std::move(out), scan.endsInsideLiteral };
}

} // namespace inkwell
