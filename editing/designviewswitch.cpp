#include "editing/designviewswitch.h"

#include "editing/codeview.h"
#include "editing/designview.h"
#include "editing/htmlformatter.h"

namespace inkwell {

void switchToCodeView(DesignView& design, CodeView& code)
{
    const QString html = design.getHtml();
    const std::string markup = html.toStdString();
    const std::string formatted = formatHtml(markup, IndentKind::Tab);
    code.setText(formatted.empty() ? html : QString::fromStdString(formatted));
}

void switchToDesignView(const QString& codeText, DesignView& design)
{
    design.loadHtml(codeText);
}

} // namespace inkwell
