#include "editing/designviewswitch.h"

#include "editing/codeview.h"
#include "editing/designview.h"
#include "editing/htmlformatter.h"

void SwitchToCodeView(DesignView& design, CodeView& code)
{
    const QString html = design.GetHtml();
    const std::string markup = html.toStdString();
    const std::string formatted = inkwell::formatHtml(markup, inkwell::IndentKind::Tab);
    code.SetText(formatted.empty() ? html : QString::fromStdString(formatted));
}

void SwitchToDesignView(const QString& codeText, DesignView& design)
{
    design.LoadHtml(codeText);
}
