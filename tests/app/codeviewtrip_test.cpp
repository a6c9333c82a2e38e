// The trip through the code view in the assembled window: "代码", an edit in the code editor, "设计".
// The page gets the edit and none of the re-indentation.
#include "app/mainwindow.h"
#include "editing/designview.h"
#include "tests/app/windowdriver.h"

#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QWebEngineView>
#include <Qsci/qsciscintilla.h>

namespace inkwell {
namespace {

using testing::eventually;
using testing::MainWindowTest;
using testing::ModalAnswerer;

class CodeViewTrip : public MainWindowTest
{
protected:
    void open(const std::string& html)
    {
        const auto file = m_run.path() / "trip.html";
        testing::writeFile(file, html);
        ModalAnswerer answers;
        answers.setFile(QString::fromStdString(file.string()));
        QTest::mouseClick(control<QToolButton>("超级按钮_打开"), Qt::LeftButton);
        m_window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    QsciScintilla* showCode()
    {
        QTest::mouseClick(control<QToolButton>("超级按钮_代码"), Qt::LeftButton);
        auto* editor = control<QsciScintilla>("代码编辑框1");
        EXPECT_TRUE(eventually([&] { return editor->text().contains("<body>"); }, 10000));
        return editor;
    }

    // Selects `word` in the code editor and types `replacement` over it, as a user does.
    void retype(QsciScintilla* editor, const QString& word, const QString& replacement)
    {
        ASSERT_TRUE(editor->findFirst(word, false, true, true, false, true, 0, 0));
        editor->setFocus();
        QTest::keyClicks(editor->viewport(), replacement);
        ASSERT_TRUE(editor->text().contains(replacement)) << editor->text().toStdString();
    }

    QString evaluate(const QString& script)
    {
        const auto value = m_window->designView().engine()->evaluate(script);
        return value ? value->toString() : QString();
    }

    // The widget of the page that takes the keys.
    QWidget* pageKeys() const
    {
        auto* browser = control<QWebEngineView>("互联网浏览器1");
        return browser->focusProxy() ? browser->focusProxy() : browser;
    }

    // Types at the end of the page's first paragraph, as a user who clicked there does.
    void typeInPage(const char* text)
    {
        testing::select(control<QWebEngineView>("互联网浏览器1"), testing::kCaretAtEnd);
        QTest::keyClicks(pageKeys(), QString::fromUtf8(text));
        ASSERT_TRUE(eventually([&] { return bodyText().contains(QString::fromUtf8(text).trimmed()); }, 5000))
            << bodyText().toStdString();
    }

    QString bodyText() { return evaluate(QStringLiteral("document.body?document.body.innerText:''")); }

    // The page's text, with its bold words between stars.
    QString shown()
    {
        return evaluate(
            QStringLiteral("(function(){var b=document.body;if(!b)return '';var c=b.cloneNode(true);"
                           "c.querySelectorAll('b,strong').forEach(function(e){"
                           "e.textContent='*'+e.textContent+'*';});"
                           "return c.textContent.replace(/\\s+/g,' ').trim();})()"));
    }

    // Selects the first word of the page's first paragraph and makes it bold with the toolbar's button.
    void makeFirstWordBold()
    {
        testing::select(control<QWebEngineView>("互联网浏览器1"),
            "var t=document.querySelector('p').firstChild,r=document.createRange();r.setStart(t,0);"
            "r.setEnd(t,3);var s=getSelection();s.removeAllRanges();s.addRange(r);");
        QTest::mouseClick(control<QToolButton>("超级按钮_加粗"), Qt::LeftButton);
        ASSERT_TRUE(eventually([&] { return shown().startsWith(QLatin1Char('*')); }, 5000))
            << shown().toStdString();
    }

    // Presses the keys in the page and waits until what it shows is `expected`.
    void pressUntil(QKeyCombination keys, const QString& expected)
    {
        QTest::keyClick(pageKeys(), keys.key(), keys.keyboardModifiers());
        EXPECT_TRUE(eventually([&] { return shown() == expected; }, 10000))
            << QKeySequence(keys).toString().toStdString() << ": " << shown().toStdString() << " instead of "
            << expected.toStdString();
    }

    bool unsaved()
    {
        const auto page = m_window->designView().readHtml();
        return page && m_window->documentStatus().hasUnsavedChanges(page->toStdString());
    }
};

TEST_F(CodeViewTrip, OneChangedWordIsAllThatReachesThePage)
{
    const std::string chinese = "<p>中文<b>粗体</b>中文，<a href=\"x.html\">链接</a>。</p>";
    open("<html><head><meta charset=\"utf-8\"><style>p  {\n  color: red }</style></head><body>" + chinese
        + "\n<!-- a  note\n   kept -->\n<p>one two three</p><script>\nif (a) {\n  "
          "b();\n}\n</script></body></html>");
    const QString before = m_window->designView().getHtml();
    ASSERT_TRUE(before.contains(QString::fromStdString(chinese)));

    auto* editor = showCode();
    ASSERT_TRUE(editor->text().contains("\n\t\t\t\t粗体\n"))
        << editor->text().toStdString(); // the re-indentation shown
    retype(editor, QStringLiteral("two"), QStringLiteral("deux"));
    QTest::mouseClick(control<QToolButton>("超级按钮_设计"), Qt::LeftButton);
    EXPECT_EQ(control<QTabWidget>("高级选择夹1")->currentIndex(), 0);
    ASSERT_TRUE(eventually([&] { return m_window->designView().getHtml().contains("deux"); }, 10000));

    // Byte for byte the page it was, but for the word.
    QString expected = before;
    expected.replace(QStringLiteral("one two three"), QStringLiteral("one deux three"));
    EXPECT_EQ(m_window->designView().getHtml(), expected);
    EXPECT_EQ(evaluate(QStringLiteral("document.querySelector('p').innerText")),
        QStringLiteral("中文粗体中文，链接。"));

    // Saved as it is shown.
    QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
    const std::string saved = testing::fileBytes(m_window->document().filePath());
    EXPECT_NE(saved.find(chinese), std::string::npos) << saved;
    EXPECT_NE(saved.find("<p>one deux three</p>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<!-- a  note\n   kept -->"), std::string::npos) << saved;
    EXPECT_NE(saved.find("p  {\n  color: red }"), std::string::npos) << saved;
    EXPECT_NE(saved.find("if (a) {\n  b();\n}"), std::string::npos) << saved;

    // A second trip carries its edit into the page as the first left it.
    editor = showCode();
    retype(editor, QStringLiteral("three"), QStringLiteral("drei"));
    QTest::mouseClick(control<QToolButton>("超级按钮_设计"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return m_window->designView().getHtml().contains("drei"); }, 10000));
    expected.replace(QStringLiteral("one deux three"), QStringLiteral("one deux drei"));
    EXPECT_EQ(m_window->designView().getHtml(), expected);
}

// One history across the views: a "设计" is one step that undo takes back whole, and the design view's
// own edits before it stay undoable after it, each its own step, whether the code view got the page
// through the "代码" button or the user wrote the code view's text after only switching tabs.
TEST_F(CodeViewTrip, UndoTakesBackTheDesignStepAndTheEditsBeforeItOneByOne)
{
    const QString page
        = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><p>one two</p></body></html>");
    const QString opened = QStringLiteral("one two");
    const QString typed = QStringLiteral("one two typed");
    const QString bold = QStringLiteral("*one* two typed");
    open(page.toStdString());
    // Two edits of the design view: typing, then a toolbar command.
    typeInPage(" typed");
    makeFirstWordBold();
    ASSERT_EQ(shown(), bold);

    // Through the "代码" button: the code view's edit is one step, and each edit before it another.
    auto* editor = showCode();
    retype(editor, QStringLiteral("two"), QStringLiteral("deux"));
    QTest::mouseClick(control<QToolButton>("超级按钮_设计"), Qt::LeftButton);
    const QString carried = QStringLiteral("*one* deux typed");
    ASSERT_TRUE(eventually([&] { return shown() == carried; }, 10000)) << shown().toStdString();
    // Typing after the step is the engine's own step, taken back first; redo brings it back after the
    // page went back across the step and forth again.
    typeInPage(" more");
    const QString more = QStringLiteral("*one* deux typed more");
    pressUntil(Qt::ControlModifier | Qt::Key_Z, carried);
    pressUntil(Qt::ControlModifier | Qt::Key_Z, bold);
    pressUntil(Qt::ControlModifier | Qt::Key_Y, carried);
    pressUntil(Qt::ControlModifier | Qt::Key_Y, more);
    pressUntil(Qt::ControlModifier | Qt::Key_Z, carried);
    pressUntil(Qt::ControlModifier | Qt::Key_Z, bold);
    pressUntil(Qt::ControlModifier | Qt::Key_Z, typed);
    pressUntil(Qt::ControlModifier | Qt::Key_Z, opened);
    // Back at the page as it was opened: nothing to save, and closing asks nothing.
    EXPECT_FALSE(unsaved());
    pressUntil(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z, typed);
    EXPECT_TRUE(unsaved());
    {
        ModalAnswerer answers(QStringLiteral("取消"));
        EXPECT_FALSE(m_window->close());
        EXPECT_EQ(answers.boxes, QStringList { QStringLiteral("提示: 是否保存？") });
    }
    // The steps after it are still there, the code view's edit among them.
    pressUntil(Qt::ControlModifier | Qt::Key_Y, bold);
    pressUntil(Qt::ControlModifier | Qt::Key_Y, carried);
    // The recovery copy follows: kept while edits are there, gone once they are all undone again.
    EXPECT_TRUE(eventually([&] { return m_window->recoveryCopy().exists(); }, 20000));
    pressUntil(Qt::ControlModifier | Qt::Key_Z, bold);
    pressUntil(Qt::ControlModifier | Qt::Key_Z, typed);
    pressUntil(Qt::ControlModifier | Qt::Key_Z, opened); // also so that Open asks nothing
    EXPECT_TRUE(eventually([&] { return !m_window->recoveryCopy().exists(); }, 20000));

    // Through the "代码" tab, whose editor is empty after Open: the page the user writes there
    // replaces the typed page, and undo brings that back, then each edit before it.
    open(page.toStdString());
    typeInPage(" typed");
    makeFirstWordBold();
    auto* tabs = control<QTabWidget>("高级选择夹1");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    ASSERT_EQ(tabs->currentIndex(), 1);
    editor = control<QsciScintilla>("代码编辑框1");
    ASSERT_TRUE(editor->text().isEmpty()) << editor->text().toStdString();
    editor->setFocus();
    QTest::keyClicks(editor->viewport(), QStringLiteral("<p>hello</p>"));
    QTest::mouseClick(control<QToolButton>("超级按钮_设计"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return shown() == QStringLiteral("hello"); }, 10000))
        << shown().toStdString();
    pressUntil(Qt::ControlModifier | Qt::Key_Z, bold);
    pressUntil(Qt::ControlModifier | Qt::Key_Y, QStringLiteral("hello"));
    pressUntil(Qt::ControlModifier | Qt::Key_Z, bold);
    pressUntil(Qt::ControlModifier | Qt::Key_Z, typed);
    pressUntil(Qt::ControlModifier | Qt::Key_Z, opened);
    EXPECT_FALSE(unsaved());
}

// Undo of a "设计" gives back where the user was: the selection and the scroll of the page before it,
// though "设计" showed another place.
TEST_F(CodeViewTrip, UndoOfADesignStepGivesBackTheSelectionAndTheScroll)
{
    std::string html = "<html><head><meta charset=\"utf-8\"></head><body>";
    for (int i = 0; i < 300; ++i)
        html += "<p id=\"p" + std::to_string(i) + "\">段落 paragraph " + std::to_string(i) + " word</p>\n";
    open(html + "</body></html>");
    testing::select(control<QWebEngineView>("互联网浏览器1"),
        "var t=document.getElementById('p200').firstChild,r=document.createRange();r.setStart(t,3);"
        "r.setEnd(t,12);var s=getSelection();s.removeAllRanges();s.addRange(r);"
        "document.getElementById('p200').scrollIntoView();");
    const QString where
        = QStringLiteral("(function(){var s=getSelection(),r=s.rangeCount?s.getRangeAt(0):null;"
                         "return document.scrollingElement.scrollTop+' '+(r?r.startContainer.parentNode.id+' "
                         "'+r.toString():'');})()");
    const QString before = evaluate(where);
    ASSERT_TRUE(before.endsWith(QStringLiteral(" p200 paragraph"))) << before.toStdString();
    ASSERT_FALSE(before.startsWith(QStringLiteral("0 "))) << before.toStdString();

    auto* editor = showCode();
    retype(editor, QStringLiteral("paragraph 10"), QStringLiteral("paragraph ten"));
    QTest::mouseClick(control<QToolButton>("超级按钮_设计"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return bodyText().contains(QStringLiteral("paragraph ten")); }, 10000));
    EXPECT_NE(evaluate(where), before); // "设计" shows the edited paragraph

    QTest::keyClick(pageKeys(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(eventually([&] { return evaluate(where) == before; }, 10000))
        << evaluate(where).toStdString() << " instead of " << before.toStdString();
    EXPECT_FALSE(bodyText().contains(QStringLiteral("paragraph ten")));
}

// A page of many screens: after each switch the element that holds the caret is in view in the view
// switched to, and holds the caret there.
TEST_F(CodeViewTrip, TheViewSwitchedToShowsTheCaretsElement)
{
    std::string html = "<html><head><meta charset=\"utf-8\"></head><body>";
    for (int i = 0; i < 300; ++i)
        html += "<p id=\"p" + std::to_string(i) + "\">段落 paragraph " + std::to_string(i)
            + " <i>word</i> end</p>\n";
    open(html + "</body></html>");
    auto* browser = control<QWebEngineView>("互联网浏览器1");
    testing::select(browser,
        "var "
        "r=document.createRange();r.setStart(document.getElementById('p200').firstChild,2);r.collapse(true);"
        "var s=getSelection();s.removeAllRanges();s.addRange(r);");

    // "代码": the caret on the line of the paragraph's start tag, and that line on the screen.
    auto* editor = showCode();
    const auto caretLineShown = [&](const QString& expected) {
        int line = 0;
        int index = 0;
        editor->getCursorPosition(&line, &index);
        const int first = editor->firstVisibleLine();
        const auto onScreen = static_cast<int>(editor->SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN));
        EXPECT_TRUE(editor->text(line).contains(expected)) << editor->text(line).toStdString();
        EXPECT_GE(line, first);
        EXPECT_LT(line, first + onScreen);
    };
    caretLineShown(QStringLiteral("<p id=\"p200\">"));

    // "设计" with nothing changed: the design view scrolls to the paragraph at the code view's caret.
    const auto paragraphShown = [&](const char* id) {
        const QString script = QStringLiteral(
            "(function(){var e=document.getElementById('%1');var b=e.getBoundingClientRect();"
            "var s=getSelection();var n=s.rangeCount?s.getRangeAt(0).startContainer:null;"
            "return (b.top>=0&&b.bottom<=innerHeight)+' '+(n!==null&&e.contains(n));})()")
                                   .arg(QLatin1String(id));
        EXPECT_TRUE(eventually([&] { return evaluate(script) == QStringLiteral("true true"); }, 5000))
            << id << ": " << evaluate(script).toStdString();
    };
    const int line40
        = static_cast<int>(editor->text().left(editor->text().indexOf("p40\"")).count(QLatin1Char('\n')));
    editor->setCursorPosition(line40 + 1, 3);
    editor->ensureLineVisible(line40 + 1);
    QTest::mouseClick(control<QToolButton>("超级按钮_设计"), Qt::LeftButton);
    paragraphShown("p40");

    // And after an edit in the code view, the edited paragraph.
    editor = showCode();
    caretLineShown(QStringLiteral("<p id=\"p40\">"));
    retype(editor, QStringLiteral("250"), QStringLiteral("two-fifty"));
    QTest::mouseClick(control<QToolButton>("超级按钮_设计"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return m_window->designView().getHtml().contains("two-fifty"); }, 10000));
    paragraphShown("p250");
}

} // namespace
} // namespace inkwell
