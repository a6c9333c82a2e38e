// Carrying the page between the design view and the code view. The caller
// shows the matching tab first.
#pragma once

#include <QString>

namespace inkwell {

class CodeView;
class DesignView;

// The design view's page as its file holds it (the document type line and the root element), re-indented
// by one tab per level, replaces the code view's text, which keeps the markup it was made from. Should the
// formatter yield nothing for a page that has markup, the markup goes across unformatted. The code view's
// caret goes to the start tag of the element that held the design view's caret, its line in the middle
// of the view.
void switchToCodeView(DesignView& design, CodeView& code);

// Whether the design view's page is still the markup of the code view's formatted page (the page read by
// the switch to the code view, or carried back by the last switch to the design view).
enum class DesignPageSince
{
    Unchanged,
    Changed
};

// The code view's text (read once by the caller: megabytes for a large page) is loaded into the design
// view, which stays editable. When the code view holds the page it was formatted from, the page gets only
// what the user changed in the text (see carryEdits), and the code view's text stands for that page from
// then on; otherwise it gets the text as it is. Either way it is one step of the design view's history.
void switchToDesignView(const QString& codeText, CodeView& code, DesignView& design,
    DesignPageSince since = DesignPageSince::Changed);

// Scrolls the design view to the element at the code view's caret in codeText (the code view's text) and
// puts the design view's caret inside it.
void showCodeCaretInDesignView(const QString& codeText, const CodeView& code, DesignView& design);

} // namespace inkwell
