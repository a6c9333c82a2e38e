// The page's source as plain text in the code-editor component. It is filled by the
// switch to the code view, read by the switch back, and emptied when another page is loaded.
#pragma once

#include "platform/codeeditor.h"

#include <QString>
#include <cstddef>
#include <memory>
#include <utility>

class QMenu;
class QObject;

namespace inkwell {

class CodeView
{
public:
    CodeView();
    ~CodeView();
    CodeView(const CodeView&) = delete;
    CodeView& operator=(const CodeView&) = delete;

    // Takes over the editor (see createCodeEditor): applies the settings in their fixed order, switches
    // it to UTF-8 so that Chinese text shows, and gives it our context menu.
    void attach(std::unique_ptr<CodeEditor> editor);

    // Replaces the whole text; the text ends at its first zero character. Line ends pass unchanged.
    // The new text counts as untouched.
    void setText(const QString& text);
    [[nodiscard]] QString text() const;
    // Whether text (the editor's text, read by the caller) is what was last set or marked untouched, so
    // that nothing changed it since: no keys, menu, paste or drop (an edit undone again counts as none).
    [[nodiscard]] bool isUntouched(const QString& text) const { return text == m_untouchedText; }
    // text, the editor's text, now stands for the page as it is: later changes count from here.
    void markUntouched(QString text) { m_untouchedText = std::move(text); }

    // The selection as byte offsets into the UTF-8 text (start <= end; equal for a caret).
    [[nodiscard]] std::pair<std::size_t, std::size_t> selectionBytes() const;
    // Selects the bytes [start, end) and scrolls them into view.
    void selectBytes(std::size_t start, std::size_t end);

    // The context menu for the editor's present state: undo, redo, cut, copy, paste, delete and select
    // all, each enabled only when it can act.
    [[nodiscard]] std::unique_ptr<QMenu> createContextMenu() const;

private:
    std::unique_ptr<CodeEditor> m_editor;
    std::unique_ptr<QObject> m_menuFilter;
    QString m_untouchedText; // the text as last set or marked untouched
};

} // namespace inkwell
