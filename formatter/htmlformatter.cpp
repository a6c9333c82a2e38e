#include "formatter/htmlformatter.h"

#include "formatter/htmlprinter.h"

#include <exception>

namespace inkwell {

std::string styleHtml(std::string_view html, const HtmlStyle& style)
{
    return HtmlPrinter(html, style).run();
}

void formatHtmlInto(
    std::string_view html, const HtmlStyle& style, const HtmlPieceSink& sink, std::size_t pieceBytes)
{
    bool handedOn = false;
    const HtmlPieceSink counting = [&](std::string_view piece) {
        handedOn = handedOn || !piece.empty();
        sink(piece);
    };
    try {
        HtmlPrinter(html, style).runInto(counting, pieceBytes);
    } catch (const std::exception&) {
        if (handedOn)
            throw;
    }
    if (!handedOn && !html.empty())
        sink(html);
}

HtmlStyle styleForIndentKind(IndentKind kind)
{
    if (kind == IndentKind::TwoSpaces)
        return HtmlStyle { 2, " ", 80 };
    return HtmlStyle { 1, "\t", 80 };
}

std::string formatHtmlWithStyle(std::string_view html, const HtmlStyle& style)
{
    try {
        std::string formatted = styleHtml(html, style);
        if (formatted.empty() && !html.empty())
            return std::string(html);
        return formatted;
    } catch (const std::exception&) {
        return std::string(html);
    }
}

std::string formatHtml(std::string_view html, IndentKind kind)
{
    return formatHtmlWithStyle(html, styleForIndentKind(kind));
}

} // namespace inkwell
