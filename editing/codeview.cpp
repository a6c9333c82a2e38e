#include "editing/codeview.h"

#include "platform/scintillamessages.h"

#include <QAbstractScrollArea>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <array>

namespace inkwell {
namespace {

using Message = ScintillaMessage;
namespace value = scintilla;

struct Setting
{
    Message message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// Sent once, in this order, when the editor is attached. Colours are 0x00BBGGRR.
constexpr std::array kSettings {
    Setting { Message::SetMarginWidthN, 1, 0 },
    Setting { Message::SetReadOnly, 0, 0 },
    Setting { Message::SetHScrollBar, 0, 0 },
    Setting { Message::SetVScrollBar, 0, 0 },
    Setting { Message::SetViewWs, std::uintptr_t(value::kWhitespaceInvisible), 0 },
    Setting { Message::SetWhitespaceFore, 1, 0x000000 },
    Setting { Message::SetWhitespaceBack, 1, 0xFFFFFF },
    Setting { Message::SetCursor, std::uintptr_t(value::kCursorNormal), 0 },
    Setting { Message::SetEolMode, std::uintptr_t(value::kEolCrLf), 0 },
    Setting { Message::SetViewEol, 0, 0 },
    Setting { Message::SetSelFore, 1, 0xFFFFFF },
    Setting { Message::SetSelBack, 1, 0x800000 },
    Setting { Message::SetCaretFore, 0x000000, 0 },
    Setting { Message::SetCaretLineVisible, 0, 0 },
    Setting { Message::SetCaretLineBack, 0xFFFFFF, 0 },
    Setting { Message::SetIndentationGuides, std::uintptr_t(value::kIndentGuidesNone), 0 },
    Setting { Message::SetWrapMode, std::uintptr_t(value::kWrapNone), 0 },
    // Texts are UTF-8 in this program; without this the component would show Chinese as raw bytes.
    Setting { Message::SetCodePage, std::uintptr_t(value::kCodePageUtf8), 0 },
};

// Shows the code view's menu instead of the component's own (whose labels are not ours).
class MenuFilter final : public QObject
{
public:
    explicit MenuFilter(const CodeView& view)
        : m_view(view)
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::ContextMenu)
            return false;
        const auto menu = m_view.createContextMenu();
        menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }

private:
    const CodeView& m_view;
};

} // namespace

CodeView::CodeView() = default;
CodeView::~CodeView() = default;

void CodeView::attach(std::unique_ptr<CodeEditor> editor)
{
    m_menuFilter.reset();
    m_editor = std::move(editor);
    if (!m_editor)
        return;
    for (const Setting& setting : kSettings)
        m_editor->send(setting.message, setting.wParam, setting.lParam);
    if (QWidget* widget = m_editor->widget()) {
        m_menuFilter = std::make_unique<MenuFilter>(*this);
        widget->installEventFilter(m_menuFilter.get());
        // Mouse events reach a scrolling widget through its viewport.
        if (auto* area = qobject_cast<QAbstractScrollArea*>(widget))
            area->viewport()->installEventFilter(m_menuFilter.get());
    }
}

void CodeView::setText(const QString& text)
{
    if (!m_editor)
        return;
    // The component reads up to the terminating zero, so an embedded zero ends the text there.
    const QByteArray bytes = text.toUtf8();
    m_editor->sendText(Message::SetText, 0, bytes.constData());
    // A new text starts a history of its own: undo never brings back the text of an earlier page.
    m_editor->send(Message::EmptyUndoBuffer);
    markUntouched(this->text());
    m_page.reset();
}

void CodeView::setFormattedPage(std::string markup, std::string formatted)
{
    setText(QString::fromStdString(formatted));
    if (m_editor)
        m_page = FormattedPage { std::move(markup), std::move(formatted) };
}

std::pair<std::size_t, std::size_t> CodeView::selectionBytes() const
{
    if (!m_editor)
        return { 0, 0 };
    const auto start = m_editor->send(Message::GetSelectionStart);
    const auto end = m_editor->send(Message::GetSelectionEnd);
    return { static_cast<std::size_t>(std::max<std::intptr_t>(start, 0)),
        static_cast<std::size_t>(std::max<std::intptr_t>(end, 0)) };
}

void CodeView::selectBytes(std::size_t start, std::size_t end)
{
    if (!m_editor)
        return;
    m_editor->send(Message::SetSel, start, static_cast<std::intptr_t>(end));
    m_editor->send(Message::ScrollCaret);
}

void CodeView::placeCaretInMiddle(std::size_t byte)
{
    if (!m_editor)
        return;
    m_editor->send(Message::SetSel, byte, static_cast<std::intptr_t>(byte));
    // Lines are never wrapped here, so a line of the text is a line of the view.
    const std::intptr_t line = m_editor->send(Message::LineFromPosition, byte);
    const std::intptr_t onScreen = m_editor->send(Message::LinesOnScreen);
    m_editor->send(Message::SetFirstVisibleLine,
        static_cast<std::uintptr_t>(std::max<std::intptr_t>(line - onScreen / 2, 0)));
    m_editor->send(Message::ScrollCaret);
}

QString CodeView::text() const
{
    if (!m_editor)
        return {};
    const auto length = m_editor->send(Message::GetLength);
    if (length <= 0)
        return {};
    QByteArray buffer(length + 1, '\0');
    m_editor->receiveText(Message::GetText, std::uintptr_t(length + 1), buffer.data());
    return QString::fromUtf8(buffer.constData(), length);
}

std::unique_ptr<QMenu> CodeView::createContextMenu() const
{
    auto menu = std::make_unique<QMenu>();
    CodeEditor* editor = m_editor.get();
    if (!editor)
        return menu;
    const bool writable = editor->send(Message::GetReadOnly) == 0;
    const bool selection = editor->send(Message::GetSelectionEmpty) == 0;
    const auto add = [&](const QString& label, Message message, bool enabled) {
        QAction* action = menu->addAction(label);
        action->setEnabled(enabled);
        QObject::connect(action, &QAction::triggered, action, [editor, message] { editor->send(message); });
    };
    add(QStringLiteral("撤消"), Message::Undo, writable && editor->send(Message::CanUndo) != 0);
    add(QStringLiteral("重复"), Message::Redo, writable && editor->send(Message::CanRedo) != 0);
    menu->addSeparator();
    add(QStringLiteral("剪切"), Message::Cut, writable && selection);
    add(QStringLiteral("复制"), Message::Copy, selection);
    // The component's own test only asks whether the text takes input, not whether there is text to paste.
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    const bool pasteable = clipboard && clipboard->hasText() && !clipboard->text().isEmpty();
    add(QStringLiteral("粘贴"), Message::Paste,
        writable && pasteable && editor->send(Message::CanPaste) != 0);
    add(QStringLiteral("删除"), Message::Clear, writable && selection);
    menu->addSeparator();
    add(QStringLiteral("选择全部"), Message::SelectAll, true);
    return menu;
}

} // namespace inkwell
