// The assembled main window in-process: controls, geometry after start-up and after resizing,
// tooltips, the bold toggle and the start-up lists.
#include "app/commandmap.h"
#include "app/mainwindow.h"
#include "editing/codeview.h"
#include "editing/designview.h"
#include "platform/webenginebrowser.h"
#include "publishing/pageserver.h"
#include "tests/app/windowdriver.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <csignal>
#include <optional>
#include <vector>

namespace inkwell {
namespace {

using testing::eventually;
using testing::kCaretAtEnd;
using testing::kSelectTwo;
using testing::MainWindowTest;
using testing::ModalAnswerer;
using testing::select;
using testing::TempFolder;
using testing::visibleText;

TEST_F(MainWindowTest, StripsAndTabsAfterStartAndAfterResizing)
{
    EXPECT_EQ(m_window->size(), QSize(824, 578));
    struct Case
    {
        QSize client;
    };
    for (const QSize client : { QSize(824, 578), QSize(1280, 776), QSize(500, 40) }) {
        m_window->resize(client);
        ASSERT_TRUE(eventually([&] { return m_window->size() == client; }));
        SCOPED_TRACE(::testing::Message() << client.width() << "x" << client.height());
        EXPECT_EQ(geometryOf("图片框2"), QRect(0, 0, 110, 50));
        EXPECT_EQ(geometryOf("图片框1"), QRect(111, 0, 430, 50));
        EXPECT_EQ(geometryOf("图片框3"), QRect(541, 0, std::max(0, client.width() - 541), 50));
        EXPECT_EQ(geometryOf("高级选择夹1"), QRect(0, 51, client.width(), std::max(0, client.height() - 51)));
    }
    m_window->resize(1280, 776);
    ASSERT_TRUE(eventually([&] { return m_window->size() == QSize(1280, 776); }));

    // The browser fills the design page below the tab captions; the code editor keeps its place.
    auto* browser = control<QWebEngineView>("互联网浏览器1");
    ASSERT_TRUE(browser);
    ASSERT_TRUE(eventually([&] { return browser->geometry() == browser->parentWidget()->rect(); }));
    const auto* tabs = control<QTabWidget>("高级选择夹1");
    const QPoint pageTop = browser->parentWidget()->mapTo(tabs, QPoint(0, 0));
    EXPECT_GE(pageTop.y(), tabs->tabBar()->height() - 1);
    EXPECT_GT(browser->height(), 725 - 60);
    auto* editor = control<QsciScintilla>("代码编辑框1");
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->geometry(), QRect(8, 8, 800, 480));
}

TEST_F(MainWindowTest, EveryToolbarControlWithItsTooltip)
{
    const auto stripName = [](Strip strip) {
        switch (strip) {
        case Strip::File:
            return QStringLiteral("图片框2");
        case Strip::Format:
            return QStringLiteral("图片框1");
        case Strip::Capture:
            return QStringLiteral("图片框3");
        }
        return QString();
    };
    for (const ToolbarButton& row : toolbarButtons()) {
        SCOPED_TRACE(row.name);
        auto* button = control<QToolButton>(row.name);
        ASSERT_TRUE(button);
        EXPECT_EQ(button->parentWidget()->objectName(), stripName(row.strip));
        EXPECT_EQ(button->geometry(),
            QRect(row.geometry.left, row.geometry.top, row.geometry.width, row.geometry.height));
        ASSERT_TRUE(row.tooltip);
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(row.tooltip));
        EXPECT_TRUE(button->text().isEmpty() || button->toolButtonStyle() == Qt::ToolButtonIconOnly);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_FALSE(button->icon().pixmap(16, 16).isNull());
        EXPECT_TRUE(button->isVisible());
        EXPECT_EQ(button->isCheckable(), row.kind == ButtonKind::Toggle);
    }
    // The buttons of a format the caret's text may have show it; the buttons that have a key name it.
    for (const char* name : { "超级按钮_加粗", "超级按钮_斜体", "超级按钮_下划线", "超级按钮_删除线",
             "超级按钮_上标", "超级按钮_下标", "超级按钮_左对齐", "超级按钮_居中对齐", "超级按钮_右对齐",
             "超级按钮_有序排列", "超级按钮_无序排列" })
        EXPECT_TRUE(control<QToolButton>(name)->isCheckable()) << name;
    for (const auto& [name, key] : { std::pair { "超级按钮_新建", "Ctrl+N" }, { "超级按钮_保存", "Ctrl+S" },
             { "超级按钮_加粗", "Ctrl+B" }, { "超级按钮_斜体", "Ctrl+I" }, { "超级按钮_下划线", "Ctrl+U" } })
        EXPECT_TRUE(control<QToolButton>(name)->toolTip().contains(QString::fromUtf8(key))) << name;
    EXPECT_EQ(geometryOf("组合框_系统字体"), QRect(45, 6, 143, 20));
    EXPECT_EQ(geometryOf("组合框_字体大小"), QRect(189, 6, 47, 20));
}

TEST_F(MainWindowTest, BoldStaysPressedUntilClickedAgain)
{
    auto* bold = control<QToolButton>("超级按钮_加粗");
    QTest::mouseClick(bold, Qt::LeftButton);
    EXPECT_TRUE(bold->isChecked());
    QTest::mouseClick(bold, Qt::LeftButton);
    EXPECT_FALSE(bold->isChecked());
}

TEST_F(MainWindowTest, HiddenDialogsPickersCaptionsAndLists)
{
    EXPECT_EQ(m_window->windowTitle(), "Inkwell - 临时页面"); // the start-up's page, untouched
    for (const char* name : { "通用对话框_打开", "通用对话框_插入图片", "通用对话框_输出mht" }) {
        auto* dialog = control<QFileDialog>(name);
        ASSERT_TRUE(dialog) << name;
        EXPECT_FALSE(dialog->isVisible()) << name;
    }
    EXPECT_EQ(control<QFileDialog>("通用对话框_插入图片")->nameFilters(),
        QStringList({ "BMP图片（*.bmp） (*.bmp)", "JPG图片（*.jpg） (*.jpg)", "PNG图片（*.png） (*.png)",
            "GIF图片（*.gif） (*.gif)", "所有文件（*.*） (*)" }));
    EXPECT_EQ(control<QFileDialog>("通用对话框_输出mht")->acceptMode(), QFileDialog::AcceptSave);
    for (const char* name : { "颜色选择器_字体颜色", "颜色选择器_背景颜色" }) {
        ASSERT_TRUE(control<QColorDialog>(name)) << name;
        EXPECT_FALSE(control<QColorDialog>(name)->isVisible());
    }

    auto* tabs = control<QTabWidget>("高级选择夹1");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "设计");
    EXPECT_EQ(tabs->tabText(1), "代码");
    EXPECT_EQ(tabs->currentIndex(), 0);
    // The captions' Song-style face is the one drawn, at 12 pixels.
    const QFontInfo captions(tabs->tabBar()->font());
    EXPECT_EQ(captions.family(), "Noto Serif CJK SC");
    EXPECT_EQ(captions.pixelSize(), 12);

    auto* sizes = control<QComboBox>("组合框_字体大小");
    ASSERT_EQ(sizes->count(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(sizes->itemText(i), QString::number(i + 1));
    EXPECT_EQ(sizes->currentIndex(), 1);
    auto* fonts = control<QComboBox>("组合框_系统字体");
    ASSERT_GT(fonts->count(), 1);
    EXPECT_EQ(fonts->currentIndex(), 1);
}

TEST_F(MainWindowTest, TabCaptionSwitchesPagesAndViewButtonsToo)
{
    auto* tabs = control<QTabWidget>("高级选择夹1");
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    EXPECT_EQ(tabs->currentIndex(), 1);
    QTest::mouseClick(control<QToolButton>("超级按钮_设计"), Qt::LeftButton);
    EXPECT_EQ(tabs->currentIndex(), 0);
    QTest::mouseClick(control<QToolButton>("超级按钮_代码"), Qt::LeftButton);
    EXPECT_EQ(tabs->currentIndex(), 1);
}

// A page nobody touched closes without a question; the paths that change a page are in EveryChange.
TEST_F(MainWindowTest, UntouchedPageClosesWithoutAQuestion)
{
    EXPECT_TRUE(m_window->close());
    EXPECT_FALSE(QApplication::activeModalWidget());
}

TEST_F(MainWindowTest, ViewButtonsCarryThePageAndSaveWritesTheDocument)
{
    QTest::mouseClick(control<QToolButton>("超级按钮_代码"), Qt::LeftButton);
    auto* editor = control<QsciScintilla>("代码编辑框1");
    ASSERT_TRUE(eventually([&] { return editor->text().contains("<body>"); }, 10000));
    EXPECT_TRUE(editor->text().startsWith("<!DOCTYPE html")); // the blank page's own first line
    EXPECT_TRUE(editor->text().contains("\n\t<head>")) << editor->text().toStdString(); // one tab per level

    editor->setText("<html><head><meta charset=\"utf-8\"></head><body><p>来自代码</p></body></html>");
    QTest::mouseClick(control<QToolButton>("超级按钮_设计"), Qt::LeftButton);
    EXPECT_EQ(control<QTabWidget>("高级选择夹1")->currentIndex(), 0);
    ASSERT_TRUE(
        eventually([&] { return m_window->designView().getHtml().contains("<p>来自代码</p>"); }, 10000));

    QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
    const auto file = m_window->document().filePath();
    EXPECT_EQ(file.parent_path(), m_run.path() / "tmp");
    EXPECT_EQ(file.extension(), ".html");
    const auto bytes = testing::fileBytes(file);
    EXPECT_NE(bytes.find("<p>来自代码</p>"), std::string::npos); // written in the encoding it declares
}

TEST_F(MainWindowTest, FormattingButtonChangesTheSelection)
{
    m_window->designView().loadHtml("<html><body><p>one two</p></body></html>");
    m_window->designView().editModeOn();
    auto* browser = control<QWebEngineView>("互联网浏览器1");
    browser->setFocus();
    browser->page()->runJavaScript(
        "var r=document.createRange();var t=document.querySelector('p').firstChild;"
        "r.setStart(t,4);r.setEnd(t,7);var s=getSelection();s.removeAllRanges();"
        "s.addRange(r);",
        QWebEngineScript::ApplicationWorld);
    ASSERT_TRUE(eventually(
        [&] {
            return testing::evaluateIn(browser, QStringLiteral("getSelection().toString()")).toString()
                == QStringLiteral("two");
        },
        5000));
    QTest::mouseClick(control<QToolButton>("超级按钮_加粗"), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return m_window->designView().getHtml().contains("<b>two</b>"); }, 10000));
}

// The window opened on a small page through its Open command, as a user opens a file.
class EditedPage : public MainWindowTest
{
protected:
    EditedPage()
    {
        m_opened = m_run.path() / "page.html";
        testing::writeFile(
            m_opened, "<html><head><meta charset=\"utf-8\"></head><body><p>one two</p></body></html>");
        ModalAnswerer answers;
        answers.setFile(QString::fromStdString(m_opened.string()));
        QTest::mouseClick(control<QToolButton>("超级按钮_打开"), Qt::LeftButton);
        EXPECT_TRUE(visibleText(*m_window).contains("one two"));
        m_browser = control<QWebEngineView>("互联网浏览器1");
        // Without a window manager nothing activates the window again once the dialog has gone.
        m_window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

public:
    void typeInPage(const char* text)
    {
        select(m_browser, kCaretAtEnd);
        QWidget* keys = m_browser->focusProxy() ? m_browser->focusProxy() : m_browser;
        QTest::keyClicks(keys, text);
    }

protected:
    // Closes the window; the text of the question asked first, empty when none was.
    QString closeAsking(const QString& answer, bool* closed)
    {
        ModalAnswerer answers(answer);
        *closed = m_window->close();
        return answers.boxes.isEmpty() ? QString() : answers.boxes.constFirst();
    }

    std::filesystem::path m_opened;
    QWebEngineView* m_browser = nullptr;
};

struct ChangeCase
{
    const char* name;
    std::function<void(EditedPage&, MainWindow&, QWebEngineView*)> edit;
    const char* visible; // text the page shows after the edit
    bool asks;
};

void PrintTo(const ChangeCase& c, std::ostream* out)
{
    *out << c.name;
}

class EveryChange : public EditedPage, public ::testing::WithParamInterface<ChangeCase>
{
};

// Closing asks after an edit by any path, and only then: the engine's own actions, a drop and the copy
// back from the code view count as much as keys do; a load or a save with nothing done after it does not.
TEST_P(EveryChange, CountsBeforeClosing)
{
    const auto& c = GetParam();
    c.edit(*this, *m_window, m_browser);
    ASSERT_TRUE(
        eventually([&] { return visibleText(*m_window).contains(QString::fromUtf8(c.visible)); }, 10000))
        << visibleText(*m_window).toStdString();
    bool closed = false;
    const QString asked = closeAsking(QStringLiteral("取消"), &closed);
    if (c.asks) {
        EXPECT_EQ(asked, QStringLiteral("提示: 是否保存？"));
        EXPECT_FALSE(closed);
    } else {
        EXPECT_EQ(asked, QString());
        EXPECT_TRUE(closed);
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, EveryChange,
    ::testing::Values(ChangeCase { "typing",
                          [](EditedPage& page, MainWindow&, QWebEngineView*) { page.typeInPage(" three"); },
                          "one two three", true },
        ChangeCase { "toolbar_command",
            [](EditedPage&, MainWindow& w, QWebEngineView* b) {
                select(b, kSelectTwo);
                QTest::mouseClick(
                    w.findChild<QToolButton*>(QStringLiteral("超级按钮_删除线")), Qt::LeftButton);
                ASSERT_TRUE(eventually(
                    [&] { return w.designView().getHtml().contains("<strike>two</strike>"); }, 10000));
            },
            "one two", true },
        ChangeCase { "engine_paste",
            [](EditedPage&, MainWindow&, QWebEngineView* b) {
                QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
                select(b, kCaretAtEnd);
                b->page()->triggerAction(QWebEnginePage::Paste);
            },
            "one twopasted", true },
        ChangeCase { "engine_cut",
            [](EditedPage&, MainWindow&, QWebEngineView* b) {
                select(b, kSelectTwo);
                b->page()->triggerAction(QWebEnginePage::Cut);
                ASSERT_TRUE(eventually(
                    [&] { return QGuiApplication::clipboard()->text() == QStringLiteral("two"); }, 10000));
            },
            "one", true },
        ChangeCase { "engine_undo_after_save",
            [](EditedPage& page, MainWindow& w, QWebEngineView* b) {
                page.typeInPage(" three");
                ASSERT_TRUE(eventually([&] { return visibleText(w).contains("three"); }, 10000));
                QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("超级按钮_保存")), Qt::LeftButton);
                b->page()->triggerAction(QWebEnginePage::Undo);
                ASSERT_TRUE(eventually([&] { return !visibleText(w).contains("three"); }, 10000));
            },
            "one two", true },
        ChangeCase { "drop_of_text",
            [](EditedPage&, MainWindow&, QWebEngineView* b) {
                select(b, kCaretAtEnd);
                QWidget* target = b->focusProxy() ? b->focusProxy() : b;
                QMimeData data;
                data.setText(QStringLiteral("dropped"));
                const QPointF at(20, 20);
                QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(target, &enter);
                QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(target, &move);
                QTest::qWait(300); // the engine takes the drag on its own time and shows no sign of it
                QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(target, &drop);
            },
            "dropped", true },
        ChangeCase { "copy_back_from_code_view",
            [](EditedPage&, MainWindow& w, QWebEngineView*) {
                QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("超级按钮_代码")), Qt::LeftButton);
                auto* editor = w.findChild<QsciScintilla*>(QStringLiteral("代码编辑框1"));
                ASSERT_TRUE(eventually([&] { return editor->text().contains("one two"); }, 10000));
                editor->setFocus();
                editor->findFirst(QStringLiteral("two"), false, true, false, true);
                QTest::keyClicks(editor, "2");
                QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("超级按钮_设计")), Qt::LeftButton);
            },
            "one 2", true },
        ChangeCase {
            "nothing_after_open", [](EditedPage&, MainWindow&, QWebEngineView*) {}, "one two", false },
        ChangeCase { "nothing_after_save",
            [](EditedPage& page, MainWindow& w, QWebEngineView*) {
                page.typeInPage(" three");
                ASSERT_TRUE(eventually([&] { return visibleText(w).contains("three"); }, 10000));
                QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("超级按钮_保存")), Qt::LeftButton);
            },
            "one two three", false }),
    [](const auto& test) { return std::string(test.param.name); });

// The "设计" button puts the code editor's text into the page only when the user wrote it.
TEST_F(EditedPage, DesignButtonNeverBringsBackAnEmptyOrStaleText)
{
    auto* tabs = control<QTabWidget>("高级选择夹1");
    auto* design = control<QToolButton>("超级按钮_设计");
    auto* code = control<QToolButton>("超级按钮_代码");
    const QString opened = m_window->designView().getHtml();

    // The "代码" tab shows an editor that was never filled; "设计" must not load that over the page.
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    QTest::mouseClick(design, Qt::LeftButton);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(m_window->designView().getHtml(), opened);

    // A copy nobody touched leaves the page exactly as it was.
    QTest::mouseClick(code, Qt::LeftButton);
    QTest::mouseClick(design, Qt::LeftButton);
    EXPECT_EQ(m_window->designView().getHtml(), opened);

    // After Open, the copy of the page shown before is gone: "设计" keeps the page just opened.
    QTest::mouseClick(code, Qt::LeftButton);
    auto* editor = control<QsciScintilla>("代码编辑框1");
    editor->setText(editor->text().replace("one two", "edited but not carried"));
    const auto other = m_run.path() / "other.html";
    testing::writeFile(
        other, "<html><head><meta charset=\"utf-8\"></head><body><p>其他页面</p></body></html>");
    {
        ModalAnswerer answers(QStringLiteral("不保存"));
        answers.setFile(QString::fromStdString(other.string()));
        QTest::mouseClick(control<QToolButton>("超级按钮_打开"), Qt::LeftButton);
    }
    EXPECT_TRUE(editor->text().isEmpty());
    QTest::mouseClick(design, Qt::LeftButton);
    EXPECT_TRUE(visibleText(*m_window).contains(QStringLiteral("其他页面")));
    EXPECT_FALSE(m_window->designView().getHtml().contains("edited but not carried"));

    // Typed text is carried, but an editor emptied by the user never wipes the page.
    QTest::mouseClick(code, Qt::LeftButton);
    editor->selectAll();
    editor->removeSelectedText();
    QTest::mouseClick(design, Qt::LeftButton);
    EXPECT_TRUE(visibleText(*m_window).contains(QStringLiteral("其他页面")));
}

// A page the engine cannot give back (its renderer hangs) is never written by Save or by the export,
// and a renderer that is killed is replaced with the newest page the window read.
TEST_F(EditedPage, HungThenKilledRendererLosesNothing)
{
    typeInPage(" kept");
    ASSERT_TRUE(eventually([&] { return m_window->designView().getHtml().contains("two kept"); }, 10000));
    auto* engine = dynamic_cast<WebEngineBrowser*>(m_window->designView().engine());
    ASSERT_TRUE(engine);
    engine->setScriptWait(std::chrono::milliseconds(1000));
    const auto file = m_window->document().filePath();
    ASSERT_FALSE(std::filesystem::exists(file));

    m_browser->page()->runJavaScript(QStringLiteral("for(;;){}"), QWebEngineScript::ApplicationWorld);
    {
        ModalAnswerer answers;
        QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
        QTest::mouseClick(control<QToolButton>("超级按钮_另存为"), Qt::LeftButton);
        // Save's box, then the export's one box: nothing exported because its save failed, and why.
        ASSERT_EQ(answers.boxes.size(), 2) << answers.boxes.join(u'|').toStdString();
        EXPECT_TRUE(answers.boxes[0].startsWith(
            QStringLiteral("提示: 保存失败！原来的文件没有改动。\n无法读出页面的内容")))
            << answers.boxes[0].toStdString();
        EXPECT_TRUE(answers.boxes[1].startsWith(
            QStringLiteral("提示: 导出失败：页面没有保存到文档文件，没有导出。\n无法读出页面的内容")))
            << answers.boxes[1].toStdString();
        EXPECT_EQ(answers.fileDialogs, 0) << "the export stops before its dialog";
    }
    EXPECT_FALSE(std::filesystem::exists(file));

    const qint64 renderer = m_browser->page()->renderProcessPid();
    ASSERT_GT(renderer, 0);
    ModalAnswerer answers;
    ::kill(static_cast<pid_t>(renderer), SIGKILL);
    ASSERT_TRUE(eventually([&] { return !answers.boxes.isEmpty(); }, 20000));
    EXPECT_TRUE(answers.boxes.constFirst().startsWith(
        QStringLiteral("提示: 设计视图中的页面意外停止显示，已重新载入最近一次的内容")));
    engine->setScriptWait(WebEngineBrowser::kScriptWait);
    ASSERT_TRUE(eventually([&] { return visibleText(*m_window).contains("one two kept"); }, 20000));
    EXPECT_NE(m_browser->page()->renderProcessPid(), renderer);
    ASSERT_TRUE(eventually([&] { return m_window->designView().engine()->documentEditable(); }, 10000));

    QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
    EXPECT_NE(testing::fileBytes(file).find("one two kept"), std::string::npos);
}

// A command waiting for the engine lets timers and signals run; a second Save started by one of them is
// refused rather than run inside the first (which would ask the hung engine again and show its own box).
TEST_F(EditedPage, ASaveStartedWhileOneWaitsForTheEngineIsRefused)
{
    typeInPage(" kept");
    ASSERT_TRUE(eventually([&] { return m_window->designView().getHtml().contains("two kept"); }, 10000));
    auto* engine = dynamic_cast<WebEngineBrowser*>(m_window->designView().engine());
    ASSERT_TRUE(engine);
    engine->setScriptWait(std::chrono::milliseconds(1000));
    m_browser->page()->runJavaScript(QStringLiteral("for(;;){}"), QWebEngineScript::ApplicationWorld);
    {
        ModalAnswerer answers;
        std::optional<qsizetype> boxesWhenClicked;
        QTimer::singleShot(300, m_window.get(), [&] {
            boxesWhenClicked = answers.boxes.size();
            control<QToolButton>("超级按钮_保存")->click();
        });
        QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
        ASSERT_TRUE(boxesWhenClicked);
        EXPECT_EQ(*boxesWhenClicked, 0) << "the second click came while the first Save was waiting";
        ASSERT_EQ(answers.boxes.size(), 1) << answers.boxes.join(u'|').toStdString();
        EXPECT_TRUE(answers.boxes[0].startsWith(QStringLiteral("提示: 保存失败！原来的文件没有改动。")))
            << answers.boxes[0].toStdString();
    }

    // The renderer is replaced, and commands run again once none is running.
    ModalAnswerer answers;
    const qint64 renderer = m_browser->page()->renderProcessPid();
    ASSERT_GT(renderer, 0);
    ::kill(static_cast<pid_t>(renderer), SIGKILL);
    ASSERT_TRUE(eventually([&] { return !answers.boxes.isEmpty(); }, 20000));
    engine->setScriptWait(WebEngineBrowser::kScriptWait);
    ASSERT_TRUE(eventually([&] { return visibleText(*m_window).contains("one two kept"); }, 20000));
    ASSERT_TRUE(eventually([&] { return m_window->designView().engine()->documentEditable(); }, 10000));
    QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
    EXPECT_NE(testing::fileBytes(m_window->document().filePath()).find("one two kept"), std::string::npos);
}

// While changes are unsaved a recovery copy appears in the settings folder; a save removes it, and
// so does closing without saving.
TEST_F(EditedPage, RecoveryCopyFollowsUnsavedChanges)
{
    auto& copy = m_window->recoveryCopy();
    EXPECT_FALSE(copy.exists());
    typeInPage(" copied");
    ASSERT_TRUE(eventually([&] { return copy.exists(); }, 5000));
    ASSERT_TRUE(
        eventually([&] { return copy.read().page.html.find("two copied") != std::string::npos; }, 5000));
    const auto found = copy.read();
    EXPECT_EQ(found.page.document.folder, m_window->document().folder);
    EXPECT_EQ(found.page.document.name, m_window->document().name);

    QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
    EXPECT_FALSE(copy.exists());

    typeInPage(" again");
    ASSERT_TRUE(eventually([&] { return copy.exists(); }, 15000)); // the second copy waits out the interval
    bool closed = false;
    EXPECT_EQ(closeAsking(QStringLiteral("不保存"), &closed), QStringLiteral("提示: 是否保存？"));
    EXPECT_TRUE(closed);
    EXPECT_FALSE(copy.exists());
    const auto saved = testing::fileBytes(m_window->document().filePath());
    EXPECT_NE(saved.find("two copied"), std::string::npos);
    EXPECT_EQ(saved.find("again"), std::string::npos) << "discarded";
}

int recoveryWarnings = 0;
QtMessageHandler previousHandler = nullptr;

void countRecoveryWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.startsWith(QStringLiteral("No recovery copy")))
        ++recoveryWarnings;
    previousHandler(type, context, text);
}

// A recovery copy that cannot be written (a folder stands where it goes, which stops root too) is said
// in one box naming the folder; the copies tried after later changes fail as quietly as before.
TEST_F(EditedPage, RecoveryCopyThatCannotBeWrittenIsSaidOnce)
{
    const auto blocked = m_run.path() / "system" / "recover.html";
    std::filesystem::create_directories(blocked / "in the way");
    recoveryWarnings = 0;
    previousHandler = qInstallMessageHandler(countRecoveryWarnings);
    ModalAnswerer answers;
    typeInPage(" first");
    ASSERT_TRUE(eventually([&] { return !answers.boxes.isEmpty(); }, 10000));
    const QString box = answers.boxes.constFirst();
    EXPECT_TRUE(box.startsWith(QStringLiteral("提示: 无法备份未保存的页面："))) << box.toStdString();
    EXPECT_TRUE(box.contains(QStringLiteral("未保存的修改将会丢失"))) << box.toStdString();
    EXPECT_TRUE(box.endsWith(
        QStringLiteral("\n文件夹：") + QString::fromStdString((m_run.path() / "system").string())))
        << box.toStdString();

    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    typeInPage(" second");
    // The next copy waits out the interval; it fails too, and says nothing more.
    EXPECT_TRUE(eventually([&] { return recoveryWarnings >= 2; }, 20000)) << recoveryWarnings;
    QTest::qWait(300);
    qInstallMessageHandler(previousHandler);
    EXPECT_EQ(answers.boxes.size(), 1) << answers.boxes.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(visibleText(*m_window).contains("one two first second"));
    std::filesystem::remove_all(blocked);
}

enum class OpenBy
{
    Button,
    Keys,
};

struct OpenCase
{
    const char* name;
    bool types; // " unsaved" is typed into the page first
    OpenBy by;
    const char* answer; // the caption pressed in every box
    bool saveFails; // a folder stands where the document file would be written
    bool chooses; // false: the file dialog is cancelled
    bool asks;
    bool dialog;
    bool opened;
    bool saved;
};

void PrintTo(const OpenCase& c, std::ostream* out)
{
    *out << c.name;
}

class OpenOverTypedText : public EditedPage, public ::testing::WithParamInterface<OpenCase>
{
};

// Open replaces the page, so over typed text it first asks the close question, and the file dialog
// comes only once the answer lets the edits go (saved or dropped). Until then the page, its unsaved
// state and its recovery copy stay; after any answer that ends the Open, they stay for good.
TEST_P(OpenOverTypedText, AsksBeforeTheFileDialog)
{
    const auto& c = GetParam();
    auto& copy = m_window->recoveryCopy();
    const auto file = m_window->document().filePath();
    const auto copyHoldsTypedText
        = [&] { return copy.exists() && copy.read().page.html.find("two unsaved") != std::string::npos; };
    if (c.types) {
        typeInPage(" unsaved");
        ASSERT_TRUE(eventually([&] { return visibleText(*m_window).contains("two unsaved"); }, 10000));
        ASSERT_TRUE(eventually(copyHoldsTypedText, 10000));
    }
    if (c.saveFails)
        std::filesystem::create_directories(file);
    const auto other = m_run.path() / "other.html";
    testing::writeFile(
        other, "<html><head><meta charset=\"utf-8\"></head><body><p>其他页面</p></body></html>");

    std::vector<bool> copyWhileAsking;
    {
        ModalAnswerer answers(QString::fromUtf8(c.answer));
        if (c.chooses)
            answers.setFile(QString::fromStdString(other.string()));
        QStringList firstBoxButtons; // captions, the default one first
        answers.setBoxScript([&](QMessageBox* box) {
            copyWhileAsking.push_back(copyHoldsTypedText());
            if (!firstBoxButtons.isEmpty())
                return;
            firstBoxButtons << (box->defaultButton() ? box->defaultButton()->text() : QString());
            for (auto* button : box->buttons())
                firstBoxButtons << button->text();
            std::sort(firstBoxButtons.begin() + 1, firstBoxButtons.end());
        });
        std::optional<qsizetype> boxesBeforeDialog;
        answers.setFileDialogScript([&](QFileDialog*) { boxesBeforeDialog = answers.boxes.size(); });
        if (c.by == OpenBy::Button) {
            QTest::mouseClick(control<QToolButton>("超级按钮_打开"), Qt::LeftButton);
        } else {
            QWidget* page = m_browser->focusProxy() ? m_browser->focusProxy() : m_browser;
            ASSERT_TRUE(page->hasFocus());
            QTest::keyClick(page, Qt::Key_O, Qt::ControlModifier);
        }

        QStringList boxes;
        if (c.asks)
            boxes << QStringLiteral("提示: 是否保存？");
        if (c.saveFails)
            boxes << QStringLiteral("提示: 保存失败！原来的文件没有改动。");
        ASSERT_EQ(answers.boxes.size(), boxes.size()) << answers.boxes.join(u'|').toStdString();
        for (qsizetype i = 0; i < boxes.size(); ++i)
            EXPECT_TRUE(answers.boxes[i].startsWith(boxes[i])) << answers.boxes[i].toStdString();
        if (c.asks) {
            ASSERT_FALSE(copyWhileAsking.empty());
            EXPECT_TRUE(copyWhileAsking.front()) << "the recovery copy is there while the question waits";
            QStringList choices { QStringLiteral("保存"), QStringLiteral("不保存"), QStringLiteral("取消") };
            std::sort(choices.begin(), choices.end());
            EXPECT_EQ(firstBoxButtons, QStringList { QStringLiteral("保存") } + choices)
                << firstBoxButtons.join(u',').toStdString();
        }
        EXPECT_EQ(answers.fileDialogs, c.dialog ? 1 : 0);
        if (boxesBeforeDialog) {
            EXPECT_EQ(*boxesBeforeDialog, boxes.size()) << "the file dialog comes after the answer";
        }
    }

    if (c.saved) {
        EXPECT_NE(testing::fileBytes(file).find("one two unsaved"), std::string::npos)
            << "the typed page is saved before the other one is opened";
    } else {
        EXPECT_FALSE(std::filesystem::is_regular_file(file)) << "nothing was saved";
    }
    bool closed = false;
    if (c.opened) {
        ASSERT_TRUE(
            eventually([&] { return visibleText(*m_window).contains(QStringLiteral("其他页面")); }, 10000))
            << visibleText(*m_window).toStdString();
        EXPECT_FALSE(copy.exists()) << "the opened page has nothing to recover";
        EXPECT_EQ(closeAsking(QStringLiteral("取消"), &closed), QString()) << "the opened page is unchanged";
        EXPECT_TRUE(closed);
    } else {
        EXPECT_TRUE(visibleText(*m_window).contains("one two unsaved"))
            << visibleText(*m_window).toStdString();
        EXPECT_TRUE(copyHoldsTypedText()) << "the recovery copy stays while the edits are unsaved";
        m_window->activateWindow(); // no window manager gives it back after a dialog
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        EXPECT_EQ(closeAsking(QStringLiteral("取消"), &closed), QStringLiteral("提示: 是否保存？"))
            << "the page still needs saving";
        EXPECT_FALSE(closed);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, OpenOverTypedText,
    ::testing::Values(OpenCase { "save", true, OpenBy::Button, "保存", false, true, true, true, true, true },
        OpenCase { "failed_save_stops", true, OpenBy::Keys, "保存", true, true, true, false, false, false },
        OpenCase { "discard", true, OpenBy::Keys, "不保存", false, true, true, true, true, false },
        OpenCase { "discard_then_dialog_cancelled", true, OpenBy::Button, "不保存", false, false, true, true,
            false, false },
        OpenCase { "cancel", true, OpenBy::Keys, "取消", false, true, true, false, false, false },
        OpenCase { "no_changes", false, OpenBy::Button, "保存", false, true, false, true, true, false }),
    [](const auto& test) { return std::string(test.param.name); });

// Ctrl+S, Ctrl+O and Ctrl+N run their commands from the page and from the code view as the buttons do;
// the engine's own Ctrl+B still makes bold.
TEST_F(EditedPage, FileKeysWorkWhereverTheFocusIs)
{
    QWidget* page = m_browser->focusProxy() ? m_browser->focusProxy() : m_browser;
    const auto file = m_window->document().filePath();
    typeInPage(" saved");
    ASSERT_TRUE(eventually([&] { return visibleText(*m_window).contains("two saved"); }))
        << visibleText(*m_window).toStdString();
    QTest::keyClick(page, Qt::Key_S, Qt::ControlModifier);
    EXPECT_NE(testing::fileBytes(file).find("two saved"), std::string::npos);

    select(m_browser, kSelectTwo);
    QTest::keyClick(page, Qt::Key_B, Qt::ControlModifier);
    ASSERT_TRUE(eventually([&] { return m_window->designView().getHtml().contains("<b>two</b>"); }));

    QTest::mouseClick(control<QToolButton>("超级按钮_代码"), Qt::LeftButton);
    auto* editor = control<QsciScintilla>("代码编辑框1");
    editor->setFocus();
    ASSERT_TRUE(eventually([&] { return editor->hasFocus(); }));
    QTest::keyClick(editor, Qt::Key_S, Qt::ControlModifier);
    EXPECT_NE(testing::fileBytes(file).find("<b>two</b>"), std::string::npos);
    {
        ModalAnswerer answers; // no file to choose: the dialog is cancelled
        QTest::keyClick(editor, Qt::Key_O, Qt::ControlModifier);
        EXPECT_EQ(answers.fileDialogs, 1);
    }
    m_window->activateWindow(); // no window manager gives it back after the dialog
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    editor->setFocus();
    {
        // New asks about the page first ("取消" keeps it unsaved), then opens the wizard, which the
        // answerer closes.
        ModalAnswerer answers(QStringLiteral("取消"));
        QTest::keyClick(editor, Qt::Key_N, Qt::ControlModifier);
        EXPECT_EQ(answers.boxes, QStringList { QStringLiteral("信息：: 是否保存？") });
        EXPECT_TRUE(answers.otherDialogs.contains(QStringLiteral("程序新建向导")))
            << answers.otherDialogs.join(u',').toStdString();
    }
}

// Receives the URLs the program hands the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

// F12 saves the page, then hands the desktop the URL under which the page server delivers that file.
TEST_F(EditedPage, PreviewSavesAndOpensThePageUrl)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    typeInPage(" shown");
    ASSERT_TRUE(eventually([&] { return visibleText(*m_window).contains("two shown"); }));
    QWidget* page = m_browser->focusProxy() ? m_browser->focusProxy() : m_browser;
    QTest::keyClick(page, Qt::Key_F12);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));

    const auto file = m_window->document().filePath();
    EXPECT_NE(testing::fileBytes(file).find("two shown"), std::string::npos) << "saved before it is shown";
    ASSERT_EQ(catcher.urls.size(), 1);
    const auto port = m_window->pageServer().port();
    ASSERT_TRUE(port);
    EXPECT_EQ(catcher.urls[0].toString(),
        QStringLiteral("http://127.0.0.1:%1/tmp/%2.html")
            .arg(*port)
            .arg(QString::fromStdString(m_window->document().name)));
}

// Ctrl+F in the code view: a find bar over the editor's bottom edge finds forward and back, wraps, says
// when nothing matches, and goes away with Escape, leaving the editor's size and text as they were.
TEST_F(MainWindowTest, FindBarInTheCodeView)
{
    QString body;
    for (int i = 1; i <= 300; ++i)
        body += QStringLiteral("<p>第%1段 中文 %2</p>")
                    .arg(i)
                    .arg(i % 100 == 0 ? QStringLiteral("Word") : QString());
    m_window->designView().loadHtml(
        QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>%1</body></html>").arg(body));
    m_window->documentStatus().markLoaded(m_window->designView().getHtml().toStdString());
    QTest::mouseClick(control<QToolButton>("超级按钮_代码"), Qt::LeftButton);
    auto* editor = control<QsciScintilla>("代码编辑框1");
    ASSERT_TRUE(eventually([&] { return editor->text().contains(QStringLiteral("第300段")); }));
    const QRect geometry = editor->geometry();
    const QString text = editor->text();
    editor->setFocus();
    ASSERT_TRUE(eventually([&] { return editor->hasFocus(); }));

    auto* bar = m_window->findChild<QWidget*>(QStringLiteral("查找栏"));
    auto* field = m_window->findChild<QLineEdit*>(QStringLiteral("查找框"));
    ASSERT_TRUE(bar && field);
    QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->geometry().bottom(), geometry.bottom()) << "over the editor's bottom edge";
    EXPECT_EQ(bar->width(), geometry.width());
    EXPECT_TRUE(eventually([&] { return field->hasFocus(); }));

    const auto selectedLine = [&] {
        int line = 0, index = 0, lineTo = 0, indexTo = 0;
        editor->getSelection(&line, &index, &lineTo, &indexTo);
        return editor->text(line);
    };
    QTest::keyClicks(field, "word"); // ASCII matches whatever its case
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(editor->selectedText(), QStringLiteral("Word"));
    EXPECT_TRUE(selectedLine().contains(QStringLiteral("第100段"))) << selectedLine().toStdString();
    QTest::keyClick(field, Qt::Key_F3);
    EXPECT_TRUE(selectedLine().contains(QStringLiteral("第200段")));
    QTest::keyClick(field, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_TRUE(selectedLine().contains(QStringLiteral("第100段")));
    QTest::keyClick(field, Qt::Key_F3, Qt::ShiftModifier); // wraps round to the last one
    EXPECT_TRUE(selectedLine().contains(QStringLiteral("第300段")));
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("按钮_下一个")), Qt::LeftButton);
    EXPECT_TRUE(selectedLine().contains(QStringLiteral("第100段"))) << "and forward past the end";

    field->setText(QStringLiteral("第250段"));
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("按钮_上一个")), Qt::LeftButton);
    EXPECT_EQ(editor->selectedText(), QStringLiteral("第250段"));

    // "未找到" is seen while the field still holds the search text: beside the field, in the bar.
    auto* noMatch = bar->findChild<QLabel*>(QStringLiteral("标签_未找到"));
    ASSERT_TRUE(noMatch);
    EXPECT_FALSE(noMatch->isVisible());
    field->setText(QStringLiteral("没有这段"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(noMatch->isVisible());
    EXPECT_EQ(noMatch->text(), QStringLiteral("未找到"));
    EXPECT_TRUE(bar->rect().contains(noMatch->geometry())) << "inside the bar, not cut off";
    EXPECT_FALSE(noMatch->geometry().intersects(field->geometry()));
    EXPECT_TRUE(field->styleSheet().contains(QStringLiteral("background")));
    EXPECT_EQ(editor->selectedText(), QStringLiteral("第250段")) << "the selection stays";
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_FALSE(noMatch->isVisible()) << "until the next change";
    EXPECT_TRUE(field->styleSheet().isEmpty());

    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(eventually([&] { return editor->hasFocus(); }));
    QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(bar->isVisible());
    QTest::keyClick(field, Qt::Key_F, Qt::ControlModifier); // a second Ctrl+F hides it too
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(editor->geometry(), geometry);
    EXPECT_EQ(editor->text(), text);
}

// The wizard hands back the project it made; the window takes it as its document and shows the blank
// page against the project's folder, untouched, so that the next Save writes the project's file.
TEST_F(MainWindowTest, ProjectFromTheWizardBecomesTheDocumentWithTheBlankPage)
{
    m_window->designView().loadHtml(QStringLiteral("<html><body><p>earlier page</p></body></html>"));
    QStringList boxes;
    QTimer hand;
    QObject::connect(&hand, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible() || !widget->isModal())
                continue;
            if (auto* box = qobject_cast<QMessageBox*>(widget)) {
                boxes << box->text();
                box->button(QMessageBox::Cancel)->click(); // not saved, the wizard still comes
            } else if (widget->objectName() == QStringLiteral("WizardWindow")) {
                auto* types = widget->findChild<QListWidget*>(QStringLiteral("超级列表框_工程类型"));
                auto* name = widget->findChild<QLineEdit*>(QStringLiteral("编辑框_工程名称"));
                auto* create = widget->findChild<QPushButton*>(QStringLiteral("按钮_新建"));
                if (!types || !name || !create) {
                    widget->close();
                    continue;
                }
                types->setCurrentRow(1); // a style sheet
                name->setText(QStringLiteral("样式"));
                QMetaObject::invokeMethod(create, &QPushButton::click, Qt::QueuedConnection);
            }
        }
    });
    hand.start(30);
    QTest::mouseClick(control<QToolButton>("超级按钮_新建"), Qt::LeftButton);
    hand.stop();

    EXPECT_EQ(boxes, QStringList { QStringLiteral("是否保存？") });
    const auto project = m_run.path() / "project" / "样式";
    EXPECT_EQ(m_window->document().folder, project);
    EXPECT_EQ(m_window->document().name, "样式");
    EXPECT_EQ(m_window->document().kind, DocumentKind::StyleSheet);
    EXPECT_EQ(m_window->designView().documentFolder(), project);
    const QString page = m_window->designView().getHtml();
    EXPECT_TRUE(page.contains(QStringLiteral("<title>无标题文档</title>"))) << page.toStdString();
    EXPECT_FALSE(page.contains(QStringLiteral("earlier page"))) << page.toStdString();
    EXPECT_FALSE(m_window->documentStatus().isEdited());

    QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
    const auto saved = testing::fileBytes(project / "样式.css");
    EXPECT_NE(saved.find("charset=gb2312"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("earlier page"), std::string::npos) << saved;
}

TEST(ToolbarTable, EveryRowNamesAButtonOfTheWindow)
{
    TempFolder run(testing::kBinaryDir / "test-runs");
    MainWindow window(run.path());
    for (const auto& row : toolbarButtons()) {
        EXPECT_TRUE(window.findChild<QToolButton*>(QString::fromUtf8(row.name))) << row.name;
    }
}

} // namespace
} // namespace inkwell

#include "mainwindow_test.moc"
