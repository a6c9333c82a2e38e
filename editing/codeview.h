// The page's source as plain text in the code-editor component. It is filled by the
// switch to the code view, read by the switch back, and emptied when another page is loaded.
#pragma once

#include "platform/codeeditor.h"

#include <QString>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
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
    // The new text counts as untouched, starts a new undo history, and the view holds no formatted page
    // (see below).
    void setText(const QString& text);

    // The page's markup and the text it was formatted into, which the view shows: what the view's
    // edits are carried back into.
    struct FormattedPage
    {
        std::string markup;
        std::string formatted;
    };
    // Shows the formatted text of the markup (UTF-8), as setText does, and keeps both.
    void setFormattedPage(std::string markup, std::string formatted);
    // The page now is `markup`, and the view's text, unchanged, stands for it as `formatted`.
    void keepFormattedPage(std::string markup, std::string formatted)
    {
        m_page = FormattedPage { std::move(markup), std::move(formatted) };
    }
    [[nodiscard]] const std::optional<FormattedPage>& formattedPage() const { return m_page; }
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
    // Puts the caret at the byte and scrolls its line to the middle of the view (as far as the text
    // allows).
    void placeCaretInMiddle(std::size_t byte);

    // The context menu for the editor's present state: undo, redo, cut, copy, paste, delete and select
    // all, each enabled only when it can act.
    [[nodiscard]] std::unique_ptr<QMenu> createContextMenu() const;

private:
    std::unique_ptr<CodeEditor> m_editor;
    std::unique_ptr<QObject> m_menuFilter;
    QString m_untouchedText; // the text as last set or marked untouched
    std::optional<FormattedPage> m_page;
};

} // namespace inkwell
