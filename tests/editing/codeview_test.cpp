// The code view over the real code-editor component.
#include "editing/codeview.h"
#include "platform/codeeditor.h"
#include "tests/support/eventually.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

using Message = ScintillaMessage;

class CodeViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        widget.setObjectName(QStringLiteral("代码编辑框1"));
        widget.resize(800, 480);
        QApplication::clipboard()->clear();
    }
    void attachAndShow()
    {
        view.attach(std::move(parts.editor));
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }
    long send(Message message, unsigned long wParam = 0, long lParam = 0)
    {
        return long(editor->send(message, wParam, lParam));
    }

    CodeEditorParts parts = createCodeEditor(nullptr);
    std::unique_ptr<QWidget> owned { parts.widget };
    // The component's widget scrolls its text in a viewport, as a scroll area does.
    QAbstractScrollArea& widget = *qobject_cast<QAbstractScrollArea*>(parts.widget);
    CodeEditor* editor = parts.editor.get();
    CodeView view;
};

// Each entry as the user sees it: its label ("" for a separator) and whether it can be chosen.
std::vector<std::pair<QString, bool>> Entries(const QMenu& menu)
{
    std::vector<std::pair<QString, bool>> entries;
    for (const QAction* action : menu.actions())
        entries.emplace_back(action->isSeparator() ? QString() : action->text(), action->isEnabled());
    return entries;
}

TEST_F(CodeViewTest, TextsComeBackAsTheyWereSetUpToTheFirstZero)
{
    attachAndShow();
    EXPECT_EQ(view.text(), QString());
    struct Case
    {
        QString set;
        QString expected;
    };
    const Case cases[] = {
        { QStringLiteral("<p>中文网页 汉字</p>"), QStringLiteral("<p>中文网页 汉字</p>") },
        { QStringLiteral("a\nb\r\nc\rd\n"), QStringLiteral("a\nb\r\nc\rd\n") }, // line ends unchanged
        { QString::fromUtf16(u"ab\0cd", 5), QStringLiteral("ab") },
        { QString(), QString() },
    };
    for (const Case& c : cases) {
        view.setText(c.set);
        EXPECT_EQ(view.text(), c.expected) << c.set.toStdString();
    }
}

TEST_F(CodeViewTest, AttachOverridesWhateverTheComponentHadAndReadsBack)
{
    // Values other than ours first, so that each read-back shows Attach set it.
    send(Message::SetMarginWidthN, 1, 16);
    send(Message::SetViewWs, 1);
    send(Message::SetEolMode, 2);
    send(Message::SetViewEol, 1);
    send(Message::SetCaretFore, 0x0000FF);
    send(Message::SetCaretLineVisible, 1);
    send(Message::SetCaretLineBack, 0x00FF00);
    send(Message::SetIndentationGuides, 3);
    send(Message::SetWrapMode, 1);
    send(Message::SetCursor, 7);
    send(Message::SetReadOnly, 1);
    send(Message::SetCodePage, 0);
    attachAndShow();
    struct Case
    {
        const char* what;
        Message message;
        unsigned long wParam;
        long expected;
    };
    const Case cases[] = {
        { "margin 1 width", Message::GetMarginWidthN, 1, 0 },
        { "read-only", Message::GetReadOnly, 0, 0 },
        { "horizontal scroll bar", Message::GetHScrollBar, 0, 0 },
        { "vertical scroll bar", Message::GetVScrollBar, 0, 0 },
        { "white space view", Message::GetViewWs, 0, scintilla::kWhitespaceInvisible },
        { "pointer", Message::GetCursor, 0, scintilla::kCursorNormal },
        { "line-end mode", Message::GetEolMode, 0, scintilla::kEolCrLf },
        { "line ends visible", Message::GetViewEol, 0, 0 },
        { "caret colour", Message::GetCaretFore, 0, 0x000000 },
        { "caret line highlight", Message::GetCaretLineVisible, 0, 0 },
        { "caret line background", Message::GetCaretLineBack, 0, 0xFFFFFF },
        { "indentation guides", Message::GetIndentationGuides, 0, scintilla::kIndentGuidesNone },
        { "wrapping", Message::GetWrapMode, 0, scintilla::kWrapNone },
        { "code page", Message::GetCodePage, 0, scintilla::kCodePageUtf8 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(send(c.message, c.wParam), c.expected) << c.what;
}

TEST_F(CodeViewTest, TypedLinesEndInCrLfAndNoScrollBarShows)
{
    attachAndShow();
    QString longText;
    for (int i = 0; i < 200; ++i)
        longText += QString(300, QLatin1Char('x')) + QLatin1Char('\n');
    view.setText(longText);
    QTest::qWait(50); // proves an absence: no scroll bar comes up once the text is laid out
    EXPECT_FALSE(widget.verticalScrollBar()->isVisible());
    EXPECT_FALSE(widget.horizontalScrollBar()->isVisible());

    view.setText(QString());
    widget.setFocus();
    QTest::keyClicks(&widget, QStringLiteral("ab"));
    QTest::keyClick(&widget, Qt::Key_Return);
    QTest::keyClicks(&widget, QStringLiteral("c"));
    EXPECT_EQ(view.text(), QStringLiteral("ab\r\nc"));
}

TEST_F(CodeViewTest, SelectionShowsWhiteOnDarkBlue)
{
    attachAndShow();
    view.setText(QStringLiteral("MMMMMMMMMMMMMMMMMMMM\nMMMMMMMMMMMMMMMMMMMM"));
    send(Message::SelectAll);
    int darkBlue = 0, white = 0;
    const auto paintedSelection = [&] {
        const QImage shot = widget.grab().toImage();
        darkBlue = white = 0;
        const QRect text(0, 0, std::min(shot.width(), 120), std::min(shot.height(), 30));
        for (int y = text.top(); y <= text.bottom(); ++y) {
            for (int x = text.left(); x <= text.right(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                darkBlue += c == QColor(0x00, 0x00, 0x80);
                white += c == QColor(0xFF, 0xFF, 0xFF);
            }
        }
        return darkBlue > 200 && white > 50;
    };
    (void)inkwell::testing::eventually(paintedSelection, 2000);
    EXPECT_GT(darkBlue, 200) << "selection background 0x800000 (0x00BBGGRR) should be navy";
    EXPECT_GT(white, 50) << "selected text should be white";
}

TEST_F(CodeViewTest, ContextMenuEntriesAndTheirStates)
{
    attachAndShow();
    struct Case
    {
        const char* situation;
        std::function<void()> arrange;
        std::vector<bool> enabled; // undo, redo, -, cut, copy, paste, delete, -, select all
    };
    const Case cases[] = {
        { "empty", [] {}, { false, false, false, false, false, false, false, false, true } },
        { "selection",
            [&] {
                view.setText(QStringLiteral("hello"));
                send(Message::EmptyUndoBuffer);
                send(Message::SetSel, 0, 5);
            },
            { false, false, false, true, true, false, true, false, true } },
        { "clipboard",
            [&] {
                view.setText(QString());
                send(Message::EmptyUndoBuffer);
                QApplication::clipboard()->setText(QStringLiteral("pasted"));
            },
            { false, false, false, false, false, true, false, false, true } },
        { "after an edit",
            [&] {
                QApplication::clipboard()->clear();
                view.setText(QStringLiteral("x"));
                send(Message::SelectAll);
                send(Message::Clear);
            },
            { true, false, false, false, false, false, false, false, true } },
    };
    const std::vector<QString> labels { QStringLiteral("撤消"), QStringLiteral("重复"), QString(),
        QStringLiteral("剪切"), QStringLiteral("复制"), QStringLiteral("粘贴"), QStringLiteral("删除"),
        QString(), QStringLiteral("选择全部") };
    for (const Case& c : cases) {
        c.arrange();
        const auto menu = view.createContextMenu();
        const auto entries = Entries(*menu);
        ASSERT_EQ(entries.size(), labels.size()) << c.situation;
        for (std::size_t i = 0; i < labels.size(); ++i) {
            EXPECT_EQ(entries[i].first, labels[i]) << c.situation << " entry " << i;
            if (!labels[i].isEmpty()) {
                EXPECT_EQ(entries[i].second, c.enabled[i]) << c.situation << ": " << labels[i].toStdString();
            }
        }
    }
}

TEST_F(CodeViewTest, ContextMenuActsOnTheText)
{
    attachAndShow();
    view.setText(QStringLiteral("keep drop"));
    send(Message::SetSel, 4, 9);
    const auto menu = view.createContextMenu();
    menu->actions().at(6)->trigger(); // 删除
    EXPECT_EQ(view.text(), QStringLiteral("keep"));
    view.createContextMenu()->actions().at(0)->trigger(); // 撤消, which the delete made possible
    EXPECT_EQ(view.text(), QStringLiteral("keep drop"));
}

TEST_F(CodeViewTest, RightClickOpensOurMenuNotTheComponents)
{
    attachAndShow();
    QStringList shown;
    QTimer::singleShot(200, [&] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* action : popup->actions())
                shown << action->text();
            popup->close();
        }
    });
    const QPoint at(40, 20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget.viewport()->mapToGlobal(at));
    QApplication::sendEvent(widget.viewport(), &event);
    EXPECT_EQ(shown,
        QStringList({ QStringLiteral("撤消"), QStringLiteral("重复"), QString(), QStringLiteral("剪切"),
            QStringLiteral("复制"), QStringLiteral("粘贴"), QStringLiteral("删除"), QString(),
            QStringLiteral("选择全部") }));
}

} // namespace
} // namespace inkwell
