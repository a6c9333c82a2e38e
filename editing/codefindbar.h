// The one-line find bar laid over the bottom edge of the code editor: "查找", a text field, "上一个" and
// "下一个", with "未找到" beside the field after a search that found nothing. It never resizes the
// editor and never changes its text; it only moves the selection.
#pragma once

#include "editing/textsearch.h"

#include <QWidget>

class QLabel;
class QLineEdit;

namespace inkwell {

class CodeView;

class CodeFindBar : public QWidget
{
    Q_OBJECT

public:
    // Lies over editor's bottom edge, in editor's parent, hidden until toggled; finds in view's text.
    CodeFindBar(CodeView& view, QWidget* editor);

    // Shows the bar with the field focused, or hides it and gives the editor the focus back.
    void toggle();
    void findNext() { find(SearchDirection::Forward); }
    void findPrevious() { find(SearchDirection::Backward); }

    static constexpr int kHeight = 26; // pixels

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void find(SearchDirection direction);
    void placeOverEditor();
    void showNoMatch(bool noMatch);

    CodeView& m_view;
    QWidget* m_editor = nullptr;
    QLineEdit* m_field = nullptr;
    QLabel* m_noMatchLabel = nullptr; // "未找到", shown while the last search found nothing
    bool m_noMatch = false; // after a search that found nothing, until the field changes
};

} // namespace inkwell
