#include "editing/designviewswitch.h"

#include "codeedits/editcarrier.h"
#include "codeedits/elementplace.h"
#include "editing/codeview.h"
#include "editing/designview.h"
#include "formatter/htmlformatter.h"

#include <optional>
#include <string>
#include <utility>

namespace inkwell {

void switchToCodeView(DesignView& design, CodeView& code)
{
    const std::optional<ElementPlace> caret = design.caretElement();
    // The page as its file holds it: the document type line goes through the code view and back, and so
    // does the newline that opens a pre's text (markup of the root alone lacks both).
    const std::optional<PageText> page = design.readPageText();
    const QString html = page ? page->file : design.getHtml();
    std::string markup = html.toStdString();
    std::string formatted = formatHtml(markup, IndentKind::Tab);
    std::optional<std::size_t> tag;
    if (formatted.empty()) {
        code.setText(html);
        if (caret)
            tag = startTagOf(markup, *caret);
    } else {
        if (caret)
            tag = startTagOf(formatted, *caret);
        code.setFormattedPage(std::move(markup), std::move(formatted));
    }
    if (tag)
        code.placeCaretInMiddle(*tag);
}

void switchToDesignView(const QString& codeText, CodeView& code, DesignView& design, DesignPageSince since)
{
    // The page before the step is the one the code view holds, unless the design view changed since.
    const std::string* before = nullptr;
    if (const auto& page = code.formattedPage()) {
        if (since == DesignPageSince::Unchanged)
            before = &page->markup;
        std::string edited = codeText.toStdString();
        if (auto carried = carryEdits(page->markup, page->formatted, edited)) {
            design.loadCarriedPage(QString::fromStdString(carried->markup), before);
            code.keepFormattedPage(std::move(carried->markup), std::move(edited));
            return;
        }
    }
    design.loadCarriedPage(codeText, before);
}

void showCodeCaretInDesignView(const QString& codeText, const CodeView& code, DesignView& design)
{
    const std::string text = codeText.toStdString();
    if (const auto place = elementAt(text, code.selectionBytes().first))
        design.showElement(*place);
}

} // namespace inkwell
