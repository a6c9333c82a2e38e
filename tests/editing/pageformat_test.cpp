// Block formats (keys and menu), the page's properties, and the formats the toolbar reads at the caret,
// on the real engine.
#include "editing/blockformat.h"
#include "editing/caretformat.h"
#include "editing/designview.h"
#include "editing/pageproperties.h"
#include "editing/pagepropertiesdialog.h"
#include "platform/browserengine.h"
#include "tests/support/designviewwindow.h"
#include "tests/support/eventually.h"

#include <QApplication>
#include <QColorDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

using testing::eventually;

class PageFormatTest : public DesignViewWindowTest
{
protected:
    void load(const QString& html)
    {
        design.loadHtml(html);
        design.editModeOn();
    }
    QVariant eval(const QString& script) { return design.engine()->evaluate(script).value_or(QVariant()); }
    // Selects the text from the start of `from` to the end of `to` (both words of the page).
    void select(const QString& from, const QString& to)
    {
        ASSERT_TRUE(eval(
            QStringLiteral(
                "(function(a,b){function find(w){var it=document.createTreeWalker(document.body,"
                "NodeFilter.SHOW_TEXT);for(var t=it.nextNode();t;t=it.nextNode()){var i=t.data.indexOf(w);"
                "if(i>=0)return [t,i];}return null;}var x=find(a),y=find(b);if(!x||!y)return false;"
                "getSelection().setBaseAndExtent(x[0],x[1],y[0],y[1]+b.length);return true;})('%1','%2')")
                .arg(from, to))
                        .toBool());
    }
    QString blockOf(const QString& word)
    {
        return eval(QStringLiteral(
                        "(function(w){var it=document.createTreeWalker(document.body,NodeFilter.SHOW_TEXT);"
                        "for(var t=it.nextNode();t;t=it.nextNode())if(t.data.indexOf(w)>=0)"
                        "return t.parentNode.localName;return '';})('%1')")
                        .arg(word))
            .toString();
    }
    QWidget* keys() const { return view->focusProxy() ? view->focusProxy() : view; }

    PageProperties page { design, &window };
};

const QString kTwoParagraphs = QStringLiteral(
    "<html><head><title>t</title></head><body><p>first words</p><p>second words</p></body></html>");

// Ctrl+1..6 and Ctrl+0 pressed in the page; the menu's entries with the same keys shown; each an undo
// step of its own.
TEST_F(PageFormatTest, HeadingsAndBodyTextByKeyAndByMenu)
{
    load(kTwoParagraphs);
    QTest::mouseClick(keys(), Qt::LeftButton, {}, QPoint(30, 15));
    ASSERT_TRUE(eventually([&] { return keys()->hasFocus(); }, 3000));
    select(QStringLiteral("first"), QStringLiteral("first"));
    for (int digit = 1; digit <= 6; ++digit) {
        QTest::keyClick(keys(), Qt::Key(Qt::Key_0 + digit), Qt::ControlModifier);
        EXPECT_TRUE(eventually(
            [&] { return blockOf(QStringLiteral("first")) == QStringLiteral("h%1").arg(digit); }, 3000))
            << digit << " gave " << blockOf(QStringLiteral("first")).toStdString();
    }
    QTest::keyClick(keys(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_TRUE(eventually([&] { return blockOf(QStringLiteral("first")) == u"p"; }, 3000));
    EXPECT_EQ(blockOf(QStringLiteral("second")), u"p");
    EXPECT_EQ(design.undo(), DesignView::HistoryMove::WithinPage);
    EXPECT_EQ(blockOf(QStringLiteral("first")), u"h6");

    QMenu menu;
    paragraphAndPageSection(design, page)(menu, MenuTarget {});
    ASSERT_EQ(menu.actions().size(), 2);
    QMenu* formats = menu.actions().at(0)->menu();
    ASSERT_TRUE(formats);
    EXPECT_EQ(menu.actions().at(0)->text(), u"段落格式");
    EXPECT_EQ(menu.actions().at(1)->text(), u"页面属性…");
    QStringList entries;
    for (QAction* action : formats->actions())
        entries << action->text() + u' ' + action->shortcut().toString();
    EXPECT_EQ(entries,
        QStringList({ QStringLiteral("正文 Ctrl+0"), QStringLiteral("标题 1 Ctrl+1"),
            QStringLiteral("标题 2 Ctrl+2"), QStringLiteral("标题 3 Ctrl+3"), QStringLiteral("标题 4 Ctrl+4"),
            QStringLiteral("标题 5 Ctrl+5"), QStringLiteral("标题 6 Ctrl+6"), QStringLiteral("引用 "),
            QStringLiteral("预格式文本 ") }));
    struct Case
    {
        int entry;
        const char16_t* block;
    };
    select(QStringLiteral("second"), QStringLiteral("second"));
    for (const Case& c :
        { Case { 1, u"h1" }, Case { 8, u"pre" }, Case { 0, u"p" }, Case { 7, u"blockquote" } }) {
        formats->actions().at(c.entry)->trigger();
        // A quotation holds its text in a paragraph of its own.
        const QString block = eval(QStringLiteral("(function(){var n=getSelection().anchorNode;"
                                                  "for(;n&&n!==document.body;n=n.parentNode)"
                                                  "if(/^(H[1-6]|P|PRE|BLOCKQUOTE)$/.test(n.nodeName)&&"
                                                  "(n.nodeName!=='P'||!n.parentNode||n.parentNode.nodeName!=="
                                                  "'BLOCKQUOTE'))return n.localName;return '';})()"))
                                  .toString();
        EXPECT_EQ(block, QString::fromUtf16(c.block)) << c.entry;
    }
    EXPECT_EQ(blockOf(QStringLiteral("first")), u"h6");
}

TEST(ColourText, ReadsWhatPagesWriteAndRefusesTheRest)
{
    struct Case
    {
        const char* text;
        QColor colour;
    };
    const Case cases[] = {
        { "#ff0000", QColor(255, 0, 0) },
        { "#F00", QColor(255, 0, 0) },
        { "rgb(0, 128, 255)", QColor(0, 128, 255) },
        { "rgba(1,2,3,0.5)", QColor(1, 2, 3) },
        { "navy", QColor(0, 0, 128) },
        { " white ", QColor(255, 255, 255) },
        { "", QColor() },
        { "rgb(300, 0, 0)", QColor() },
        { "#ff00ff00", QColor() },
        { "nocolour", QColor() },
        { "red; x", QColor() },
    };
    for (const Case& c : cases)
        EXPECT_EQ(colourFromCss(QString::fromUtf8(c.text)), c.colour) << c.text;
    EXPECT_EQ(cssColour(QColor(1, 2, 254)), u"#0102fe");
    EXPECT_EQ(cssColour(QColor()), QString());
}

// The title is made where the page has none, holds any text as text, and lands in the file; the
// colours go on the body. Undo gives the page before it back, redo this one.
TEST_F(PageFormatTest, PagePropertiesWriteTheTitleAndColoursAsOneStep)
{
    load(QStringLiteral("<html><head></head><body bgcolor=\"#00ff00\"><p>text</p></body></html>"));
    ASSERT_EQ(page.values(), (PageValues { QString(), QColor(), QColor(0, 255, 0) }));
    const PageValues wanted { QStringLiteral("我的 \"主页\" </title> & \\"), QColor(255, 0, 0), QColor() };
    ASSERT_TRUE(page.setValues(wanted));
    EXPECT_EQ(page.values(), wanted);
    const auto saved = design.readPageText();
    ASSERT_TRUE(saved);
    const std::string file = saved->file.toStdString();
    EXPECT_NE(
        file.find("<head><title>我的 \"主页\" &lt;/title&gt; &amp; \\</title></head>"), std::string::npos)
        << file;
    EXPECT_NE(file.find("<body style=\"color: rgb(255, 0, 0);\">"), std::string::npos) << file;
    EXPECT_FALSE(page.setValues(wanted)) << "the same values again made a step";

    EXPECT_EQ(design.undo(), DesignView::HistoryMove::AcrossLoad);
    EXPECT_EQ(page.values(), (PageValues { QString(), QColor(), QColor(0, 255, 0) }));
    EXPECT_EQ(design.redo(), DesignView::HistoryMove::AcrossLoad);
    EXPECT_EQ(page.values(), wanted);

    // The menu's entry opens the dialog with the page's values and applies what it gives.
    std::optional<PageValues> shown;
    page.setChooser([&](QWidget*, const PageValues& current) {
        shown = current;
        return PageValues { QStringLiteral("新标题"), QColor(), QColor(0, 0, 128) };
    });
    QMenu menu;
    paragraphAndPageSection(design, page)(menu, MenuTarget {});
    menu.actions().at(1)->trigger();
    EXPECT_EQ(shown, wanted);
    EXPECT_EQ(page.values(), (PageValues { QStringLiteral("新标题"), QColor(), QColor(0, 0, 128) }));
}

// The dialog shows the values; Enter in the title field confirms, Escape cancels; a colour is picked
// with its button and taken away with "默认".
TEST(PagePropertiesDialogTest, EnterConfirmsEscapeCancelsAndColoursArePicked)
{
    const PageValues current { QStringLiteral("无标题文档"), QColor(), QColor(255, 255, 255) };
    PagePropertiesDialog dialog(nullptr, current);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.values(), current);
    auto* title = dialog.findChild<QLineEdit*>(QStringLiteral("页面标题"));
    ASSERT_TRUE(title);
    // The picker opened by the text colour's button: answered with blue.
    QTimer answer;
    answer.setInterval(30);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* picker = dialog.findChild<QColorDialog*>(); picker && picker->isVisible()) {
            picker->setCurrentColor(QColor(0, 0, 255));
            picker->accept();
        }
    });
    answer.start();
    dialog.findChild<QPushButton*>(QStringLiteral("文字颜色"))->click();
    answer.stop();
    dialog.findChild<QPushButton*>(QStringLiteral("背景颜色_默认"))->click();
    title->setFocus();
    title->selectAll();
    // Chinese as an input method commits it.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("首页"));
    QApplication::sendEvent(title, &commit);
    QTest::keyClick(title, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.values(), (PageValues { QStringLiteral("首页"), QColor(0, 0, 255), QColor() }));

    PagePropertiesDialog cancelled(nullptr, current);
    cancelled.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cancelled));
    QTest::keyClick(cancelled.findChild<QLineEdit*>(QStringLiteral("页面标题")), Qt::Key_Escape);
    EXPECT_FALSE(cancelled.isVisible());
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

// What the toolbar reads: bold or not at the caret, true only when the whole selection is bold; the
// font's family and size, blank where the selection mixes them.
TEST_F(PageFormatTest, CaretFormatFollowsTheCaretAndBlanksMixedFonts)
{
    load(QStringLiteral(
        "<html><head></head><body><p>plain <b>strong</b> <i>slanted</i></p>"
        "<p><font face=\"Noto Sans\" size=\"5\">big</font> <font face=\"Noto Serif\">other</font> "
        "<span style=\"font-family: 'DejaVu Sans Mono', monospace\">mono</span></p></body></html>"));
    const auto at = [&](const QString& from, const QString& to) {
        select(from, to);
        return design.caretFormat().value_or(CaretFormat {});
    };
    EXPECT_TRUE(at(QStringLiteral("strong"), QStringLiteral("strong")).bold);
    EXPECT_FALSE(at(QStringLiteral("plain"), QStringLiteral("plain")).bold);
    EXPECT_FALSE(at(QStringLiteral("plain"), QStringLiteral("strong")).bold);
    EXPECT_TRUE(at(QStringLiteral("slanted"), QStringLiteral("slanted")).italic);

    const CaretFormat big = at(QStringLiteral("big"), QStringLiteral("big"));
    EXPECT_EQ(big.fontName, u"Noto Sans");
    EXPECT_EQ(big.fontSize, 5);
    EXPECT_EQ(at(QStringLiteral("mono"), QStringLiteral("mono")).fontName, u"DejaVu Sans Mono");
    const CaretFormat mixed = at(QStringLiteral("big"), QStringLiteral("other"));
    EXPECT_EQ(mixed.fontName, QString());
    EXPECT_EQ(mixed.fontSize, std::nullopt);
    // A collapsed caret inside the big text.
    ASSERT_TRUE(
        eval(QStringLiteral("getSelection().collapse(document.querySelector('font').firstChild,1);true"))
            .toBool());
    EXPECT_EQ(design.caretFormat().value_or(CaretFormat {}).fontSize, 5);
}

} // namespace
} // namespace inkwell
