// The code view over the real code-editor component.
#include "editing/codeview.h"
#include "platform/scintillamessages.h"
#include "tests/support/eventually.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <Qsci/qsciscintilla.h>
#include <functional>
#include <gtest/gtest.h>

namespace {

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
        view.Attach(&widget);
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }
    long send(unsigned message, unsigned long wParam = 0, long lParam = 0)
    {
        return widget.SendScintilla(message, wParam, lParam);
    }

    QsciScintilla widget;
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
    EXPECT_EQ(view.GetText(), QString());
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
        view.SetText(c.set);
        EXPECT_EQ(view.GetText(), c.expected) << c.set.toStdString();
    }
}

TEST_F(CodeViewTest, AttachOverridesWhateverTheComponentHadAndReadsBack)
{
    // Values other than ours first, so that each read-back shows Attach set it.
    send(sci::SCI_SETMARGINWIDTHN, 1, 16);
    send(sci::SCI_SETVIEWWS, 1);
    send(sci::SCI_SETEOLMODE, 2);
    send(sci::SCI_SETVIEWEOL, 1);
    send(sci::SCI_SETCARETFORE, 0x0000FF);
    send(sci::SCI_SETCARETLINEVISIBLE, 1);
    send(sci::SCI_SETCARETLINEBACK, 0x00FF00);
    send(sci::SCI_SETINDENTATIONGUIDES, 3);
    send(sci::SCI_SETWRAPMODE, 1);
    send(sci::SCI_SETCURSOR, 7);
    send(sci::SCI_SETREADONLY, 1);
    send(sci::SCI_SETCODEPAGE, 0);
    attachAndShow();
    struct Case
    {
        const char* what;
        unsigned message;
        unsigned long wParam;
        long expected;
    };
    const Case cases[] = {
        { "margin 1 width", sci::SCI_GETMARGINWIDTHN, 1, 0 },
        { "read-only", sci::SCI_GETREADONLY, 0, 0 },
        { "horizontal scroll bar", sci::SCI_GETHSCROLLBAR, 0, 0 },
        { "vertical scroll bar", sci::SCI_GETVSCROLLBAR, 0, 0 },
        { "white space view", sci::SCI_GETVIEWWS, 0, sci::SCWS_INVISIBLE },
        { "pointer", sci::SCI_GETCURSOR, 0, sci::SC_CURSORNORMAL },
        { "line-end mode", sci::SCI_GETEOLMODE, 0, sci::SC_EOL_CRLF },
        { "line ends visible", sci::SCI_GETVIEWEOL, 0, 0 },
        { "caret colour", sci::SCI_GETCARETFORE, 0, 0x000000 },
        { "caret line highlight", sci::SCI_GETCARETLINEVISIBLE, 0, 0 },
        { "caret line background", sci::SCI_GETCARETLINEBACK, 0, 0xFFFFFF },
        { "indentation guides", sci::SCI_GETINDENTATIONGUIDES, 0, sci::SC_IV_NONE },
        { "wrapping", sci::SCI_GETWRAPMODE, 0, sci::SC_WRAP_NONE },
        { "code page", sci::SCI_GETCODEPAGE, 0, sci::SC_CP_UTF8 },
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
    view.SetText(longText);
    QTest::qWait(50); // proves an absence: no scroll bar comes up once the text is laid out
    EXPECT_FALSE(widget.verticalScrollBar()->isVisible());
    EXPECT_FALSE(widget.horizontalScrollBar()->isVisible());

    view.SetText(QString());
    widget.setFocus();
    QTest::keyClicks(&widget, QStringLiteral("ab"));
    QTest::keyClick(&widget, Qt::Key_Return);
    QTest::keyClicks(&widget, QStringLiteral("c"));
    EXPECT_EQ(view.GetText(), QStringLiteral("ab\r\nc"));
}

TEST_F(CodeViewTest, SelectionShowsWhiteOnDarkBlue)
{
    attachAndShow();
    view.SetText(QStringLiteral("MMMMMMMMMMMMMMMMMMMM\nMMMMMMMMMMMMMMMMMMMM"));
    send(sci::SCI_SELECTALL);
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
    (void)inkwell::testing::Eventually(paintedSelection, 2000);
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
                view.SetText(QStringLiteral("hello"));
                send(sci::SCI_EMPTYUNDOBUFFER);
                send(sci::SCI_SETSEL, 0, 5);
            },
            { false, false, false, true, true, false, true, false, true } },
        { "clipboard",
            [&] {
                view.SetText(QString());
                send(sci::SCI_EMPTYUNDOBUFFER);
                QApplication::clipboard()->setText(QStringLiteral("pasted"));
            },
            { false, false, false, false, false, true, false, false, true } },
        { "after an edit",
            [&] {
                QApplication::clipboard()->clear();
                view.SetText(QStringLiteral("x"));
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
    view.SetText(QStringLiteral("keep drop"));
    send(sci::SCI_SETSEL, 4, 9);
    const auto menu = view.createContextMenu();
    menu->actions().at(6)->trigger(); // 删除
    EXPECT_EQ(view.GetText(), QStringLiteral("keep"));
    menu->actions().at(0)->trigger(); // 撤消
    EXPECT_EQ(view.GetText(), QStringLiteral("keep drop"));
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
