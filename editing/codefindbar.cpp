#include "editing/codefindbar.h"

#include "editing/codeview.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace inkwell {

CodeFindBar::CodeFindBar(CodeView& view, QWidget* editor)
    : QWidget(editor->parentWidget())
    , m_view(view)
    , m_editor(editor)
{
    setObjectName(QStringLiteral("查找栏"));
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(4);
    layout->addWidget(new QLabel(QStringLiteral("查找"), this));
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("查找框"));
    layout->addWidget(m_field, 1);
    // Beside the field the user is typing in, where the eyes are; a placeholder would never show,
    // since the field holds the search text whenever nothing is found.
    m_noMatchLabel = new QLabel(QStringLiteral("未找到"), this);
    m_noMatchLabel->setObjectName(QStringLiteral("标签_未找到"));
    m_noMatchLabel->setStyleSheet(QStringLiteral("QLabel { color: #b00000; }"));
    m_noMatchLabel->hide();
    layout->addWidget(m_noMatchLabel);
    auto* previous = new QPushButton(QStringLiteral("上一个"), this);
    previous->setObjectName(QStringLiteral("按钮_上一个"));
    auto* next = new QPushButton(QStringLiteral("下一个"), this);
    next->setObjectName(QStringLiteral("按钮_下一个"));
    for (auto* button : { previous, next }) {
        button->setFocusPolicy(Qt::NoFocus); // the field keeps the keys
        layout->addWidget(button);
    }
    connect(previous, &QPushButton::clicked, this, &CodeFindBar::findPrevious);
    connect(next, &QPushButton::clicked, this, &CodeFindBar::findNext);
    connect(m_field, &QLineEdit::returnPressed, this, &CodeFindBar::findNext);
    connect(m_field, &QLineEdit::textChanged, this, [this] { showNoMatch(false); });
    m_field->installEventFilter(this);
    m_editor->installEventFilter(this);

    // The code page's keys: Ctrl+F shows or hides the bar, F3 and Shift+F3 find while it is shown.
    QWidget* page = editor->parentWidget();
    const auto addKey = [page, this](const QKeySequence& key, auto slot) {
        auto* shortcut = new QShortcut(key, page);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    addKey(QKeySequence::Find, &CodeFindBar::toggle);
    addKey(QKeySequence(Qt::Key_F3), [this] {
        if (isVisible())
            findNext();
    });
    addKey(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] {
        if (isVisible())
            findPrevious();
    });
    hide();
}

void CodeFindBar::toggle()
{
    if (isVisible()) {
        hide();
        m_editor->setFocus();
        return;
    }
    placeOverEditor();
    show();
    raise();
    m_field->setFocus();
    m_field->selectAll();
}

void CodeFindBar::placeOverEditor()
{
    const QRect editor = m_editor->geometry();
    setGeometry(editor.left(), editor.bottom() + 1 - kHeight, editor.width(), kHeight);
}

void CodeFindBar::find(SearchDirection direction)
{
    const QByteArray needle = m_field->text().toUtf8();
    if (needle.isEmpty())
        return;
    const QByteArray text = m_view.text().toUtf8();
    const auto [start, end] = m_view.selectionBytes();
    const auto match = findText(std::string_view(text.constData(), std::size_t(text.size())),
        std::string_view(needle.constData(), std::size_t(needle.size())),
        direction == SearchDirection::Forward ? end : start, direction);
    if (!match) {
        showNoMatch(true);
        return;
    }
    showNoMatch(false);
    m_view.selectBytes(match->start, match->end);
}

void CodeFindBar::showNoMatch(bool noMatch)
{
    if (noMatch == m_noMatch)
        return;
    m_noMatch = noMatch;
    m_field->setStyleSheet(noMatch ? QStringLiteral("QLineEdit { background: #ffc8c8; }") : QString());
    m_noMatchLabel->setVisible(noMatch);
}

bool CodeFindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_editor && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        placeOverEditor();
    if (watched == m_field && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        toggle();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace inkwell
