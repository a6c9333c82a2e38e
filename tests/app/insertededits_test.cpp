// What the user inserted stays editable, in the real window through the mouse and the keys: a table
// filled with Tab and changed from the menu's entries, headings by key and by menu, the page's title
// into the saved file, and the toolbar following the caret.
#include "app/mainwindow.h"
#include "editing/blockformat.h"
#include "editing/designview.h"
#include "editing/pageproperties.h"
#include "editing/tablecommands.h"
#include "tests/app/windowdriver.h"
#include "tests/support/testfiles.h"

#include <QDesktopServices>
#include <QMenu>
#include <QStringDecoder>
#include <QToolButton>

namespace inkwell {
namespace {

using testing::eventually;
using testing::MainWindowTest;
using testing::ModalAnswerer;

// Receives the URLs the program hands the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class InsertedEdits : public MainWindowTest
{
public:
    InsertedEdits()
    {
        m_browser = control<QWebEngineView>("互联网浏览器1");
        m_keys = m_browser->focusProxy() ? m_browser->focusProxy() : m_browser;
    }

    QString evaluate(const QString& script) const
    {
        const auto value = m_window->designView().engine()->evaluate(script);
        return value ? value->toString() : QString();
    }
    void load(const QString& body)
    {
        m_window->designView().loadHtml(
            QStringLiteral("<html><head><title>无标题文档</title></head><body>%1</body></html>").arg(body));
        m_window->designView().editModeOn();
    }
    // Clicks with the mouse into the middle of the first element the selector names, as the user does.
    void clickInto(const char* selector)
    {
        const QString rect
            = evaluate(QStringLiteral("(function(){var e=document.querySelector('%1');if(!e)return '';"
                                      "var r=e.getBoundingClientRect();return Math.round(r.left+r.width/2)"
                                      "+','+Math.round(r.top+r.height/2);})()")
                           .arg(QString::fromUtf8(selector)));
        ASSERT_FALSE(rect.isEmpty()) << selector;
        const QPoint at(rect.section(u',', 0, 0).toInt(), rect.section(u',', 1, 1).toInt());
        QTest::mouseClick(m_keys, Qt::LeftButton, {}, at);
        ASSERT_TRUE(eventually([&] { return m_keys->hasFocus(); }, 3000));
        // The engine places the caret a moment after the click.
        ASSERT_TRUE(eventually(
            [&] {
                return evaluate(
                           QStringLiteral("(function(){var s=getSelection();if(!s.rangeCount)return false;"
                                          "var n=s.anchorNode;n=n.nodeType===1?n:n.parentNode;"
                                          "return !!n.closest('%1');})()")
                               .arg(QString::fromUtf8(selector)))
                    == u"true";
            },
            3000))
            << selector;
    }
    std::string grid() const
    {
        return evaluate(
            QStringLiteral(
                "(function(){var t=document.querySelector('table');if(!t)return '';"
                "return Array.prototype.map.call(t.rows,function(r){return Array.prototype.map.call("
                "r.cells,function(c){return c.textContent.replace(/\\u00a0/g,'_');}).join('|');})"
                ".join('/');})()"))
            .toStdString();
    }
    QString savedFile() const
    {
        const std::string bytes = testing::fileBytes(m_window->document().filePath());
        return QStringDecoder("GB18030").decode(QByteArray::fromStdString(bytes));
    }
    // Triggers the entry of a menu section (or of its submenu), as a click on it does.
    static void trigger(const MenuSection& section, const MenuTarget& target, const QString& text)
    {
        QMenu menu;
        section(menu, target);
        QList<QAction*> actions = menu.actions();
        for (int i = 0; i < actions.size(); ++i) {
            if (actions[i]->menu())
                actions += actions[i]->menu()->actions();
            if (actions[i]->text() == text) {
                actions[i]->trigger();
                return;
            }
        }
        ADD_FAILURE() << "no entry " << text.toStdString();
    }
    MenuSection paragraphSection() const
    {
        return paragraphAndPageSection(m_window->designView(), m_window->pageProperties(),
            [this](const std::function<void()>& command) { m_window->runEdit(command); });
    }

    QWebEngineView* m_browser = nullptr;
    QWidget* m_keys = nullptr;
};

TEST_F(InsertedEdits, TableFilledWithTabAndChangedFromTheMenu)
{
    ModalAnswerer answers;
    load(QStringLiteral("<p>我的表格</p>"));
    clickInto("p");
    QTest::keyClick(m_keys, Qt::Key_End);
    QTest::mouseClick(control<QToolButton>("超级按钮_表格"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return grid() == "_|_|_/_|_|_/_|_|_"; }, 3000)) << grid();
    clickInto("td");
    // The click leaves the caret in the first cell's no-break space: it goes before the first letter.
    QTest::keyClick(m_keys, Qt::Key_Home);
    QTest::keyClick(m_keys, Qt::Key_Delete);
    for (const char* text : { "姓名", "年龄", "城市", "Li", "30", "BJ", "Wang", "25", "SH", "Zhao" }) {
        if (text[0] & 0x80) {
            // Chinese as an input method hands it over.
            for (const QChar c : QString::fromUtf8(text)) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                QApplication::sendEvent(m_keys, &press);
            }
        } else {
            QTest::keyClicks(m_keys, QString::fromUtf8(text));
        }
        QTest::keyClick(m_keys, Qt::Key_Tab);
    }
    ASSERT_TRUE(eventually([&] { return grid() == "姓名|年龄|城市/Li|30|BJ/Wang|25|SH/Zhao|_|_"; }, 5000))
        << grid();

    const MenuSection tables = m_window->tables().section();
    const MenuTarget inTable { .inTable = true };
    clickInto("tr:nth-child(2) td:nth-child(2)");
    trigger(tables, inTable, QStringLiteral("插入行（下方）"));
    EXPECT_EQ(grid(), "姓名|年龄|城市/Li|30|BJ/_|_|_/Wang|25|SH/Zhao|_|_");
    trigger(tables, inTable, QStringLiteral("插入列（右侧）"));
    EXPECT_EQ(grid(), "姓名|年龄|_|城市/Li|30|_|BJ/_|_|_|_/Wang|25|_|SH/Zhao|_|_|_");
    clickInto("tr:nth-child(4) td:nth-child(1)");
    trigger(tables, inTable, QStringLiteral("删除行"));
    EXPECT_EQ(grid(), "姓名|年龄|_|城市/Li|30|_|BJ/_|_|_|_/Zhao|_|_|_");
    clickInto("tr:nth-child(1) td:nth-child(3)");
    trigger(tables, inTable, QStringLiteral("删除列"));
    EXPECT_EQ(grid(), "姓名|年龄|城市/Li|30|BJ/_|_|_/Zhao|_|_");
    // Each entry one step: Ctrl+Z takes the deleted column back.
    QTest::keyClick(m_keys, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(eventually([&] { return grid() == "姓名|年龄|_|城市/Li|30|_|BJ/_|_|_|_/Zhao|_|_|_"; }, 3000))
        << grid();

    QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
    const QString saved = savedFile();
    EXPECT_TRUE(saved.contains(QStringLiteral("<td>姓名</td>"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("<td>Zhao</td>"))) << saved.toStdString();
    EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.join(u'\n').toStdString();
}

// Ctrl+1 makes a heading, the menu's "正文" body text again; the page's title set in "页面属性"
// marks the page unsaved, lands in the saved file and is what the browser's tab shows for F12.
TEST_F(InsertedEdits, HeadingAndPageTitleReachTheSavedFile)
{
    load(QStringLiteral("<p>欢迎光临</p><p>second</p>"));
    clickInto("p");
    QTest::keyClick(m_keys, Qt::Key_1, Qt::ControlModifier);
    ASSERT_TRUE(eventually(
        [&] { return evaluate(QStringLiteral("document.body.firstElementChild.localName")) == u"h1"; },
        3000));
    QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
    EXPECT_TRUE(savedFile().contains(QStringLiteral("<h1>欢迎光临</h1>"))) << savedFile().toStdString();

    clickInto("h1");
    trigger(paragraphSection(), MenuTarget {}, QStringLiteral("正文"));
    EXPECT_EQ(evaluate(QStringLiteral("document.body.firstElementChild.localName")), u"p");
    EXPECT_TRUE(m_window->windowTitle().contains(u'*')) << m_window->windowTitle().toStdString();

    // The dialog itself, answered with the keys: a new title, then Enter.
    QTimer fill;
    fill.setInterval(50);
    QObject::connect(&fill, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(top);
            if (!dialog || !dialog->isVisible() || dialog->objectName() != u"页面属性")
                continue;
            fill.stop();
            auto* title = dialog->findChild<QLineEdit*>(QStringLiteral("页面标题"));
            EXPECT_EQ(title->text(), u"无标题文档");
            title->setFocus();
            title->selectAll();
            QTest::keyClicks(title, QStringLiteral("My home"));
            QTest::keyClick(title, Qt::Key_Return);
        }
    });
    fill.start();
    trigger(paragraphSection(), MenuTarget {}, QStringLiteral("页面属性…"));
    EXPECT_EQ(m_window->pageProperties().values().value_or(PageValues {}).title, u"My home");
    EXPECT_TRUE(m_window->windowTitle().contains(u'*')) << m_window->windowTitle().toStdString();

    // F12 saves the page and hands the desktop its address: a browser shows the new title on its tab.
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    m_window->activateWindow(); // no window manager gives it back after the dialog
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    clickInto("p");
    QTest::keyClick(m_keys, Qt::Key_F12);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    ASSERT_EQ(catcher.urls.size(), 1);
    QWebEnginePage browser;
    browser.load(catcher.urls.front());
    EXPECT_TRUE(eventually([&] { return browser.title() == u"My home"; }, 10000))
        << browser.title().toStdString();

    const QString saved = savedFile();
    EXPECT_TRUE(saved.contains(QStringLiteral("<title>My home</title>"))) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("<p>欢迎光临</p>"))) << saved.toStdString();
    EXPECT_FALSE(m_window->windowTitle().contains(u'*'));
}

// Clicking into bold text shows B pressed, into plain text unpressed; a selection over two fonts
// leaves the font box blank, and showing the caret's values applies nothing to the page.
TEST_F(InsertedEdits, ToolbarFollowsTheCaret)
{
    auto* bold = control<QToolButton>("超级按钮_加粗");
    auto* italic = control<QToolButton>("超级按钮_斜体");
    auto* centre = control<QToolButton>("超级按钮_居中对齐");
    auto* names = control<QComboBox>("组合框_系统字体");
    auto* sizes = control<QComboBox>("组合框_字体大小");
    // Two families the font box lists.
    ASSERT_GE(names->count(), 2);
    load(QStringLiteral(
        "<p>plain text</p><p><b>strong text</b></p><p style=\"text-align: center\"><i>centred</i></p>"
        "<p><font face=\"%1\" size=\"5\">big</font> <font face=\"%2\" size=\"2\">small</font></p>")
             .arg(names->itemText(0), names->itemText(1)));
    for (int round = 0; round < 2; ++round) {
        clickInto("b");
        EXPECT_TRUE(eventually([&] { return bold->isChecked(); }, 3000));
        EXPECT_FALSE(italic->isChecked());
        clickInto("p");
        EXPECT_TRUE(eventually([&] { return !bold->isChecked(); }, 3000));
    }
    clickInto("i");
    EXPECT_TRUE(eventually([&] { return italic->isChecked() && centre->isChecked(); }, 3000));
    EXPECT_FALSE(bold->isChecked());

    // Bold given at the caret with the button shows at once.
    clickInto("p");
    QTest::mouseClick(bold, Qt::LeftButton);
    EXPECT_TRUE(bold->isChecked());
    QTest::mouseClick(bold, Qt::LeftButton);
    EXPECT_FALSE(bold->isChecked());

    clickInto("font");
    EXPECT_TRUE(eventually([&] { return names->currentIndex() == 0; }, 3000))
        << names->currentText().toStdString();
    EXPECT_TRUE(eventually([&] { return sizes->currentText() == u"5"; }, 3000))
        << sizes->currentText().toStdString();

    const QString before = evaluate(QStringLiteral("document.body.innerHTML"));
    (void)m_window->designView().takeChanged();
    ASSERT_EQ(evaluate(QStringLiteral(
                  "(function(){var f=document.querySelectorAll('font');"
                  "getSelection().setBaseAndExtent(f[0].firstChild,0,f[1].firstChild,3);return 'ok';})()")),
        u"ok");
    EXPECT_TRUE(eventually([&] { return names->currentIndex() == -1 && sizes->currentIndex() == -1; }, 3000))
        << names->currentText().toStdString() << " " << sizes->currentText().toStdString();
    QTest::qWait(300); // proves an absence: nothing is applied later
    EXPECT_EQ(evaluate(QStringLiteral("document.body.innerHTML")), before);
    EXPECT_EQ(m_window->designView().takeChanged(), false);
}

} // namespace
} // namespace inkwell

#include "insertededits_test.moc"
