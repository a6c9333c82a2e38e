// The HTML formatter, UTF-8 in and out: re-lays markup one tag per line with the content of each element
// indented one level deeper, white space in text collapsed and long text broken into lines.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace inkwell {

// Indentation depth beyond which lines get no further indentation. The depth itself is tracked without
// limit; only the printed indentation stops growing, so that markup nested a hundred thousand deep does
// not turn into gigabytes of tabs.
inline constexpr int kMaxIndentLevels = 100;

// Parameters of styleHtml. A zero size or width and an empty character take the defaults, as when the
// caller leaves them out.
struct HtmlStyle
{
    int indentSize = 2; // indentation characters per level
    std::string indentCharacter = " "; // the indentation character (any text is repeated as given)
    int maxChar = 70; // line length, in characters, at which text is broken
};

// The routine itself. Counts characters as Unicode code points. Throws only what allocation throws.
[[nodiscard]] std::string styleHtml(std::string_view html, const HtmlStyle& style = {});

// The indentation formatHtml offers: one tab per level (the code view's) or two spaces.
enum class IndentKind
{
    Tab,
    TwoSpaces,
};

// The style formatHtml uses for an indent kind, with lines broken at 80 characters.
[[nodiscard]] HtmlStyle styleForIndentKind(IndentKind kind);

// styleHtml guarded for callers that put the result in front of the user: the markup comes back
// unchanged when the routine fails or yields empty text for markup that is not empty.
[[nodiscard]] std::string formatHtmlWithStyle(std::string_view html, const HtmlStyle& style);

// Receives formatted text piece by piece, in order; a piece is valid only during the call.
using HtmlPieceSink = std::function<void(std::string_view piece)>;

// Bytes of output held before a piece is handed on: small enough to stay in the processor's cache until it
// is written, large enough that each write is worth its call.
inline constexpr std::size_t kHtmlPieceBytes = 256 * 1024;

// formatHtmlWithStyle for output that goes straight on (to a file, a pipe): the text is handed to `sink` in
// pieces of at least pieceBytes (the last may be shorter) as it is made, so memory stays small and what is
// written is still in cache. Markup that formats to nothing is handed on unchanged; so is markup whose
// formatting fails before the first piece. A failure after that propagates, the pieces given standing.
void formatHtmlInto(std::string_view html, const HtmlStyle& style, const HtmlPieceSink& sink,
    std::size_t pieceBytes = kHtmlPieceBytes);

// The program's entry: formatHtmlWithStyle with the style of the indent kind; the code view asks for
// IndentKind::Tab.
[[nodiscard]] std::string formatHtml(std::string_view html, IndentKind kind);

} // namespace inkwell
