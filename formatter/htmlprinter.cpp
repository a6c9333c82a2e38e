// The printing rules, all applied in placementOf:
// - Every tag and every text starts a line of its own, indented by one level per element open around it.
//   Text keeps the level of its element; the content of a start tag is one level deeper than the tag.
// - An end tag returns to the level of the newest open start tag of its name, closing whatever was left
//   open inside that element; an end tag without one stays at the current level. "<![endif]-->" steps
//   back one level from the "<!--[if ...]>" it ends, which indents like a start tag.
// - Single tags (elements without end tag, "<x/>", comments, declarations, CDATA sections) keep the level.
// - The break before a start tag, a single tag or text first drops the white space the output ends with,
//   so an element with nothing in it leaves no blank line; the break before an end tag keeps it. Where
//   the indentation is one white-space character it counts as such white space and is dropped too.
// - head, body and the end tag of html get one more line break before them, which keeps its white space.
// - Content kept as it stands (pre, textarea, a script of another language) follows its start tag on the
//   same line, and its end tag follows it byte for byte on its last line. So does the end tag of a script
//   whose text stops inside a literal, which a line break would otherwise lengthen.
// - Printed indentation stops growing at kMaxIndentLevels; the level itself does not.
// Inside a token (a long text, a long tag) lines are broken by the tokenizer's LineFill at the token's
// level; the first line of the page gets no line break before it.
#include "formatter/htmlprinter.h"

#include "formatter/htmlscanner.h"
#include "formatter/scriptreindent.h"

#include <algorithm>
#include <utility>

namespace inkwell {

HtmlPrinter::HtmlPrinter(std::string_view input, const HtmlStyle& style)
    : m_tokenizer(input)
    , m_inputSize(input.size())
{
    const int size = style.indentSize == 0 ? 2 : style.indentSize;
    const std::string character = style.indentCharacter.empty() ? std::string(" ") : style.indentCharacter;
    for (int i = 0; i < size; ++i)
        m_indentString += character;
    m_indentIsPrunable = m_indentString.size() == 1 && isHtmlSpace(m_indentString[0]);
    m_indentBlock.reserve(m_indentString.size() * kMaxIndentLevels);
    for (int i = 0; i < kMaxIndentLevels; ++i)
        m_indentBlock += m_indentString;
    m_fill.width = style.maxChar == 0 ? 70 : style.maxChar;
    setLevel(0);
}

std::string HtmlPrinter::run()
{
    // Real pages come out 1.0 to 1.7 times their size; reserving half as much again avoids the copy of a
    // late reallocation, which would briefly hold the output twice.
    m_output.reserve(m_inputSize + m_inputSize / 2 + 4096);
    printTokens();
    return std::move(m_output);
}

void HtmlPrinter::runInto(const HtmlPieceSink& sink, std::size_t pieceBytes)
{
    m_sink = &sink;
    m_pieceBytes = std::max<std::size_t>(pieceBytes, 1);
    m_output.reserve(2 * m_pieceBytes);
    printTokens();
    if (!m_output.empty())
        sink(m_output);
}

void HtmlPrinter::printTokens()
{
    while (true) {
        // Every token is read counting from the start of a line: the break before it, or the glued end
        // tag's reset below, leaves the count at zero.
        HtmlToken token = m_tokenizer.next(m_fill);
        if (token.kind == HtmlTokenKind::Eof)
            break;
        const bool glued = std::exchange(m_glueNext, false);
        if (token.kind == HtmlTokenKind::ScriptText) {
            // Script text goes to the re-indenter, with the run's own indentation unit.
            ReindentedScript reindented
                = reindentScript(token.text, m_indentString, m_level, kMaxIndentLevels);
            m_script = std::move(reindented.text);
            token.text = m_script;
            // A script that stops inside a literal or comment is closed by its end tag; a line break put
            // before that tag would become part of the literal, one more on every formatting.
            m_glueNext = reindented.endsInsideLiteral;
        } else if (token.kind == HtmlTokenKind::Verbatim) {
            m_glueNext = true;
        }
        if (m_glueNext) {
            // Rewritten ("</pre\n=x>" would become "</pre=x>"), the end tag might no longer end the
            // element for a browser.
            m_tokenizer.keepNextTagAsWritten();
        }

        const Placement placement = placementOf(token, glued);
        setLevel(placement.level);
        if (placement.blankLine)
            printBreak(Break::Keeping);
        printBreak(placement.breakBefore);
        if (token.kind == HtmlTokenKind::Text) {
            // Printed straight into the output as it is read, which saves copying every text twice.
            m_tokenizer.readText(m_output, m_fill);
            m_prunableFrom = m_output.size();
            m_fill.count = 0;
        } else {
            appendOutput(token.text, token.kind == HtmlTokenKind::Verbatim ? Chunk::Kept : Chunk::Normal);
        }
        setLevel(placement.levelAfter);

        if (glued) {
            // The end tag of content kept as it stands shares the line of that content's last line;
            // whatever comes next starts a line of its own and so counts from nothing, as after any
            // other tag. Carrying the content's count (all of it when it has no line break) over
            // would break the next text early.
            m_fill.count = 0;
        }
        if (m_sink && m_prunableFrom >= m_pieceBytes)
            handOnPiece();
    }
}

HtmlPrinter::Placement HtmlPrinter::placementOf(const HtmlToken& token, bool glued)
{
    Placement placement { false, Break::None, m_level, m_level };
    const Break tagBreak = glued ? Break::None : Break::Pruning;
    switch (token.kind) {
    case HtmlTokenKind::Text:
        placement.breakBefore = Break::Pruning;
        break;
    case HtmlTokenKind::ScriptText:
        placement.breakBefore = token.text.empty() ? Break::None : Break::Pruning;
        break;
    case HtmlTokenKind::Verbatim:
    case HtmlTokenKind::Eof:
        break;
    case HtmlTokenKind::SingleTag:
        placement.breakBefore = tagBreak;
        break;
    case HtmlTokenKind::StartTag:
    case HtmlTokenKind::ScriptTag:
    case HtmlTokenKind::StyleTag:
    case HtmlTokenKind::ConditionalStart:
        if (token.complete && token.kind != HtmlTokenKind::ConditionalStart)
            m_openTags.recordTag(token.name, m_level);
        placement.blankLine = token.complete && (token.name == "head" || token.name == "body");
        placement.breakBefore = tagBreak;
        placement.levelAfter = m_level + 1;
        break;
    case HtmlTokenKind::EndTag:
    case HtmlTokenKind::ConditionalEnd:
        if (token.complete) {
            if (token.kind == HtmlTokenKind::ConditionalEnd)
                placement.level = std::max(m_level - 1, 0);
            else
                placement.level = m_openTags.retrieveTag(token.name.substr(1)).value_or(m_level);
        }
        placement.levelAfter = placement.level;
        placement.blankLine = token.complete && token.name == "/html";
        placement.breakBefore = glued ? Break::None : Break::Keeping;
        break;
    }
    return placement;
}

void HtmlPrinter::setLevel(int level)
{
    m_level = level;
    const auto printed = static_cast<std::size_t>(std::clamp(level, 0, kMaxIndentLevels));
    m_fill.indentation = std::string_view(m_indentBlock).substr(0, printed * m_indentString.size());
}

void HtmlPrinter::printBreak(Break kind)
{
    if (kind == Break::None)
        return;
    m_fill.count = 0;
    if (m_output.empty() && m_handedOn == 0)
        return;
    if (kind == Break::Pruning)
        m_output.resize(m_prunableFrom);
    m_output += '\n';
    if (m_level > 0) {
        m_output.append(m_fill.indentation);
        if (!m_indentIsPrunable)
            m_prunableFrom = m_output.size();
    }
}

// Appends one chunk to the output; only a chunk of exactly one white-space character may be pruned.
void HtmlPrinter::appendOutput(std::string_view chunk, Chunk kind)
{
    m_output.append(chunk);
    if (kind == Chunk::Kept || chunk.size() != 1 || !isHtmlSpace(chunk[0]))
        m_prunableFrom = m_output.size();
}

// Hands on the output up to where pruning could reach back; the rest stays to be pruned or printed.
void HtmlPrinter::handOnPiece()
{
    (*m_sink)(std::string_view(m_output).substr(0, m_prunableFrom));
    m_handedOn += m_prunableFrom;
    m_output.erase(0, m_prunableFrom);
    m_prunableFrom = 0;
}

} // namespace inkwell
