#include "editing/designviewswitch.h"

#include "editing/codeview.h"
#include "editing/designview.h"
#include "editing/editcarrier.h"
#include "editing/htmlformatter.h"

#include <string>
#include <utility>

namespace inkwell {

void switchToCodeView(DesignView& design, CodeView& code)
{
    const QString html = design.getHtml();
    std::string markup = html.toStdString();
    std::string formatted = formatHtml(markup, IndentKind::Tab);
    if (formatted.empty()) {
        code.setText(html);
        return;
    }
    code.setFormattedPage(std::move(markup), std::move(formatted));
}

void switchToDesignView(const QString& codeText, CodeView& code, DesignView& design)
{
    if (const auto& page = code.formattedPage()) {
        std::string edited = codeText.toStdString();
        if (auto carried = carryEdits(page->markup, page->formatted, edited)) {
            design.loadHtml(QString::fromStdString(carried->markup));
            code.keepFormattedPage(std::move(carried->markup), std::move(edited));
            return;
        }
    }
    design.loadHtml(codeText);
}

} // namespace inkwell
