// The printer of the HTML formatter: lays out the tokenizer's tokens one per line, each indented by the
// depth of the elements open around it, and decides in one place where a line breaks and how deep it is.
#pragma once

#include "formatter/htmlformatter.h"
#include "formatter/htmltokenizer.h"
#include "formatter/opentagrecord.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace inkwell {

// One run of the printer over one text.
class HtmlPrinter
{
public:
    HtmlPrinter(std::string_view input, const HtmlStyle& style);

    // The whole output as one text.
    [[nodiscard]] std::string run();

    // The output handed to `sink` in pieces of at least pieceBytes (but the last), each as it is made.
    void runInto(const HtmlPieceSink& sink, std::size_t pieceBytes);

private:
    // The line break before a token: none, one that first drops the white space the output ends with
    // (pruning), or one that keeps it.
    enum class Break
    {
        None,
        Pruning,
        Keeping,
    };

    // Where a token goes: the breaks before it and the indentation levels it is printed at and leaves.
    struct Placement
    {
        bool blankLine = false; // an extra keeping break before the token's own
        Break breakBefore = Break::None;
        int level = 0;
        int levelAfter = 0;
    };

    enum class Chunk
    {
        Normal,
        Kept,
    };

    void printTokens();
    [[nodiscard]] Placement placementOf(const HtmlToken& token, bool glued);
    void setLevel(int level);
    void printBreak(Break kind);
    void appendOutput(std::string_view chunk, Chunk kind = Chunk::Normal);
    void handOnPiece();

    HtmlTokenizer m_tokenizer;
    OpenTagRecord m_openTags;
    std::size_t m_inputSize = 0;
    std::string m_indentString;
    std::string m_indentBlock; // m_indentString repeated kMaxIndentLevels times
    bool m_indentIsPrunable = false;
    int m_level = 0;
    LineFill m_fill;
    bool m_glueNext = false; // the next tag shares the line of the content before it
    std::string m_script; // the re-indented text of a script

    // The output is kept as one string; since pruning only ever removes the single-white-space chunks at
    // its end, it is enough to remember where the last chunk that is not one ends.
    std::string m_output; // the output not yet handed on
    std::size_t m_prunableFrom = 0;
    const HtmlPieceSink* m_sink = nullptr;
    std::size_t m_pieceBytes = 0;
    std::size_t m_handedOn = 0; // bytes of output already given to the sink
};

} // namespace inkwell
