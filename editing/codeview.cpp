#include "editing/codeview.h"

#include "platform/scintillacodeeditor.h"
#include "platform/scintillamessages.h"

#include <QAbstractScrollArea>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <array>

namespace {

struct Setting
{
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// Sent once, in this order, when the editor is attached. Colours are 0x00BBGGRR.
constexpr std::array kSettings {
    Setting { sci::SCI_SETMARGINWIDTHN, 1, 0 },
    Setting { sci::SCI_SETREADONLY, 0, 0 },
    Setting { sci::SCI_SETHSCROLLBAR, 0, 0 },
    Setting { sci::SCI_SETVSCROLLBAR, 0, 0 },
    Setting { sci::SCI_SETVIEWWS, sci::SCWS_INVISIBLE, 0 },
    Setting { sci::SCI_SETWHITESPACEFORE, 1, 0x000000 },
    Setting { sci::SCI_SETWHITESPACEBACK, 1, 0xFFFFFF },
    Setting { sci::SCI_SETCURSOR, std::uintptr_t(sci::SC_CURSORNORMAL), 0 },
    Setting { sci::SCI_SETEOLMODE, sci::SC_EOL_CRLF, 0 },
    Setting { sci::SCI_SETVIEWEOL, 0, 0 },
    Setting { sci::SCI_SETSELFORE, 1, 0xFFFFFF },
    Setting { sci::SCI_SETSELBACK, 1, 0x800000 },
    Setting { sci::SCI_SETCARETFORE, 0x000000, 0 },
    Setting { sci::SCI_SETCARETLINEVISIBLE, 0, 0 },
    Setting { sci::SCI_SETCARETLINEBACK, 0xFFFFFF, 0 },
    Setting { sci::SCI_SETINDENTATIONGUIDES, sci::SC_IV_NONE, 0 },
    Setting { sci::SCI_SETWRAPMODE, sci::SC_WRAP_NONE, 0 },
    // Texts are UTF-8 in this program; without this the component would show Chinese as raw bytes.
    Setting { sci::SCI_SETCODEPAGE, sci::SC_CP_UTF8, 0 },
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

void CodeView::Attach(QsciScintilla* editor)
{
    Attach(std::make_unique<ScintillaCodeEditor>(editor));
}

void CodeView::Attach(std::unique_ptr<CodeEditor> editor)
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

void CodeView::SetText(const QString& text)
{
    if (!m_editor)
        return;
    // The component reads up to the terminating zero, so an embedded zero ends the text there.
    const QByteArray bytes = text.toUtf8();
    m_editor->sendText(sci::SCI_SETTEXT, 0, bytes.constData());
    markUntouched(GetText());
}

std::pair<std::size_t, std::size_t> CodeView::selectionBytes() const
{
    if (!m_editor)
        return { 0, 0 };
    const auto start = m_editor->send(sci::SCI_GETSELECTIONSTART);
    const auto end = m_editor->send(sci::SCI_GETSELECTIONEND);
    return { static_cast<std::size_t>(std::max<std::intptr_t>(start, 0)),
        static_cast<std::size_t>(std::max<std::intptr_t>(end, 0)) };
}

void CodeView::selectBytes(std::size_t start, std::size_t end)
{
    if (!m_editor)
        return;
    m_editor->send(sci::SCI_SETSEL, start, static_cast<std::intptr_t>(end));
    m_editor->send(sci::SCI_SCROLLCARET);
}

QString CodeView::GetText() const
{
    if (!m_editor)
        return {};
    const auto length = m_editor->send(sci::SCI_GETLENGTH);
    if (length <= 0)
        return {};
    QByteArray buffer(length + 1, '\0');
    m_editor->receiveText(sci::SCI_GETTEXT, std::uintptr_t(length + 1), buffer.data());
    return QString::fromUtf8(buffer.constData(), length);
}

std::unique_ptr<QMenu> CodeView::createContextMenu() const
{
    auto menu = std::make_unique<QMenu>();
    CodeEditor* editor = m_editor.get();
    if (!editor)
        return menu;
    const bool writable = editor->send(sci::SCI_GETREADONLY) == 0;
    const bool selection = editor->send(sci::SCI_GETSELECTIONEMPTY) == 0;
    const auto add = [&](const QString& label, unsigned message, bool enabled) {
        QAction* action = menu->addAction(label);
        action->setEnabled(enabled);
        QObject::connect(action, &QAction::triggered, action, [editor, message] { editor->send(message); });
    };
    add(QStringLiteral("撤消"), sci::SCI_UNDO, writable && editor->send(sci::SCI_CANUNDO) != 0);
    add(QStringLiteral("重复"), sci::SCI_REDO, writable && editor->send(sci::SCI_CANREDO) != 0);
    menu->addSeparator();
    add(QStringLiteral("剪切"), sci::SCI_CUT, writable && selection);
    add(QStringLiteral("复制"), sci::SCI_COPY, selection);
    // The component's own test only asks whether the text takes input, not whether there is text to paste.
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    const bool pasteable = clipboard && clipboard->hasText() && !clipboard->text().isEmpty();
    add(QStringLiteral("粘贴"), sci::SCI_PASTE,
        writable && pasteable && editor->send(sci::SCI_CANPASTE) != 0);
    add(QStringLiteral("删除"), sci::SCI_CLEAR, writable && selection);
    menu->addSeparator();
    add(QStringLiteral("选择全部"), sci::SCI_SELECTALL, true);
    return menu;
}
