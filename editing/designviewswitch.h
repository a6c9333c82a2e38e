// Carrying the page between the design view and the code view. The caller
// shows the matching tab first.
#pragma once

#include <QString>

namespace inkwell {

class CodeView;
class DesignView;

// The design view's markup, re-indented by one tab per level, replaces the code view's text. Should the
// formatter yield nothing for a page that has markup, the markup goes across unformatted.
void switchToCodeView(DesignView& design, CodeView& code);

// The code view's text (read once by the caller: megabytes for a large page) is loaded into the design
// view, which stays editable.
void switchToDesignView(const QString& codeText, DesignView& design);

} // namespace inkwell
