// The assembled main window in-process: controls, geometry after start-up and after resizing,
// tooltips, the bold toggle and the start-up lists.
#include "app/commandmap.h"
#include "app/mainwindow.h"
#include "editing/designview.h"
#include "platform/inifile.h"
#include "tests/support/tempfolder.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <Qsci/qsciscintilla.h>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

using testing::TempFolder;

const std::filesystem::path binaryDir = INKWELL_BINARY_DIR;

class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest()
        : m_run(binaryDir / "test-runs")
    {
        std::filesystem::create_directories(m_run.path() / "system");
        EXPECT_TRUE(IniFile(m_run.path() / "system" / "guid.ini").write("向导", "是否显示", "假"));
        m_window = std::make_unique<MainWindow>(m_run.path());
        EXPECT_TRUE(m_window->runCreationSequence());
        m_window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }

    template <typename T> T* control(const char* name) const
    {
        return m_window->findChild<T*>(QString::fromUtf8(name));
    }

    QRect geometryOf(const char* name) const { return control<QWidget>(name)->geometry(); }

    TempFolder m_run;
    std::unique_ptr<MainWindow> m_window;
};

TEST_F(MainWindowTest, StripsAndTabsAfterStartAndAfterResizing)
{
    EXPECT_EQ(m_window->size(), QSize(824, 578));
    struct Case
    {
        QSize client;
    };
    for (const QSize client : { QSize(824, 578), QSize(1280, 776), QSize(500, 40) }) {
        m_window->resize(client);
        QTRY_COMPARE(m_window->size(), client);
        SCOPED_TRACE(::testing::Message() << client.width() << "x" << client.height());
        EXPECT_EQ(geometryOf("图片框2"), QRect(0, 0, 110, 50));
        EXPECT_EQ(geometryOf("图片框1"), QRect(111, 0, 430, 50));
        EXPECT_EQ(geometryOf("图片框3"), QRect(541, 0, std::max(0, client.width() - 541), 50));
        EXPECT_EQ(geometryOf("高级选择夹1"), QRect(0, 51, client.width(), std::max(0, client.height() - 51)));
    }
    m_window->resize(1280, 776);
    QTRY_COMPARE(m_window->size(), QSize(1280, 776));

    // The browser fills the design page below the tab captions; the code editor keeps its place.
    auto* browser = control<QWebEngineView>("互联网浏览器1");
    ASSERT_TRUE(browser);
    QTRY_COMPARE(browser->geometry(), browser->parentWidget()->rect());
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
    struct Case
    {
        const char* name;
        QRect geometry;
        const char* tooltip;
    };
    const Case cases[] = {
        { "超级按钮_新建", { 2, 9, 32, 32 }, "新建" },
        { "超级按钮_打开", { 39, 9, 32, 32 }, "打开" },
        { "超级按钮_保存", { 78, 9, 32, 32 }, "保存" },
        { "超级按钮_插入图片", { 4, 6, 37, 44 }, "" },
        { "超级按钮_分割线", { 237, 6, 22, 22 }, "" },
        { "超级按钮_表格", { 260, 6, 22, 22 }, "" },
        { "超级按钮_有序排列", { 284, 6, 22, 22 }, "" },
        { "超级按钮_无序排列", { 308, 6, 22, 22 }, "" },
        { "超级按钮_设计", { 330, 6, 47, 22 }, "" },
        { "超级按钮_加粗", { 45, 28, 22, 22 }, "" },
        { "超级按钮_斜体", { 69, 28, 22, 22 }, "" },
        { "超级按钮_删除线", { 93, 28, 22, 22 }, "删除线" },
        { "超级按钮_下划线", { 117, 28, 22, 22 }, "" },
        { "超级按钮_上标", { 141, 28, 22, 22 }, "" },
        { "超级按钮_下标", { 164, 28, 22, 22 }, "" },
        { "超级按钮_字体颜色", { 189, 28, 22, 22 }, "" },
        { "超级按钮_背景颜色", { 212, 28, 22, 22 }, "" },
        { "超级按钮_超级链接", { 237, 28, 22, 22 }, "" },
        { "超级按钮_左对齐", { 260, 28, 22, 22 }, "" },
        { "超级按钮_居中对齐", { 284, 28, 22, 22 }, "" },
        { "超级按钮_右对齐", { 308, 28, 22, 22 }, "" },
        { "超级按钮_代码", { 331, 28, 45, 22 }, "" },
        { "超级按钮_另存为", { 380, 5, 44, 49 }, "导出为mht格式文档" },
        { "超级按钮_分组框", { 2, 4, 22, 22 }, "分组框" },
        { "超级按钮_按钮", { 2, 28, 22, 22 }, "" },
        { "超级按钮_复选框", { 27, 4, 22, 22 }, "" },
        { "超级按钮_单选框", { 24, 27, 25, 25 }, "" },
        { "超级按钮_文本框", { 52, 4, 22, 22 }, "" },
        { "超级按钮_多行文本框", { 52, 28, 22, 22 }, "" },
        { "超级按钮_截图", { 80, 2, 24, 24 }, "截图，软件最小化" },
        { "超级按钮_全截图", { 80, 26, 24, 24 }, "截图，软件不最小化" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* button = control<QToolButton>(c.name);
        ASSERT_TRUE(button);
        EXPECT_EQ(button->geometry(), c.geometry);
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(c.tooltip));
        EXPECT_TRUE(button->text().isEmpty() || button->toolButtonStyle() == Qt::ToolButtonIconOnly);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_FALSE(button->icon().pixmap(16, 16).isNull());
        EXPECT_TRUE(button->isVisible());
        EXPECT_EQ(button->isCheckable(), std::string_view(c.name) == "超级按钮_加粗");
    }
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
    EXPECT_EQ(m_window->windowTitle(), "Inkwell");
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
    EXPECT_EQ(tabs->tabBar()->font().pixelSize(), 12);

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

// Answers the next message box that opens with the button of the given text; records its title
// and text.
struct MessageBoxAnswer
{
    QString title;
    QString text;
};

void answerNextMessageBox(const QString& buttonText, MessageBoxAnswer* seen)
{
    QTimer::singleShot(50, [buttonText, seen] {
        QMessageBox* box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(
            (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())), 10000);
        seen->title = box->windowTitle();
        seen->text = box->text();
        for (auto* button : box->buttons()) {
            if (button->text() == buttonText) {
                button->click();
                return;
            }
        }
        box->reject();
    });
}

TEST_F(MainWindowTest, ClosingAsksOnlyAfterTheUserChangedThePage)
{
    // A page nobody touched closes without a question.
    EXPECT_TRUE(m_window->close());
    EXPECT_FALSE(QApplication::activeModalWidget());

    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    auto* browser = control<QWebEngineView>("互联网浏览器1");
    browser->setFocus();
    QWidget* keys = browser->focusProxy() ? browser->focusProxy() : browser;
    QTest::keyClicks(keys, "changed");
    QTRY_VERIFY_WITH_TIMEOUT(m_window->designView().GetHtml().contains("changed"), 10000);

    MessageBoxAnswer seen;
    answerNextMessageBox(QStringLiteral("取消"), &seen);
    EXPECT_FALSE(m_window->close()); // Cancel keeps the window open
    EXPECT_EQ(seen.text, "是否保存？");
    EXPECT_TRUE(m_window->isVisible());

    answerNextMessageBox(QStringLiteral("不保存"), &seen);
    EXPECT_TRUE(m_window->close());
    EXPECT_FALSE(std::filesystem::exists(m_window->document().filePath())); // discarded: nothing written
}

TEST_F(MainWindowTest, ViewButtonsCarryThePageAndSaveWritesTheDocument)
{
    QTest::mouseClick(control<QToolButton>("超级按钮_代码"), Qt::LeftButton);
    auto* editor = control<QsciScintilla>("代码编辑框1");
    QTRY_VERIFY_WITH_TIMEOUT(editor->text().contains("<body>"), 10000);
    EXPECT_TRUE(editor->text().startsWith("<html"));
    EXPECT_TRUE(editor->text().contains("\n\t<head>")) << editor->text().toStdString(); // one tab per level

    editor->setText("<html><head><meta charset=\"utf-8\"></head><body><p>来自代码</p></body></html>");
    QTest::mouseClick(control<QToolButton>("超级按钮_设计"), Qt::LeftButton);
    EXPECT_EQ(control<QTabWidget>("高级选择夹1")->currentIndex(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->designView().GetHtml().contains("<p>来自代码</p>"), 10000);

    QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
    const auto file = m_window->document().filePath();
    EXPECT_EQ(file.parent_path(), m_run.path() / "tmp");
    EXPECT_EQ(file.extension(), ".html");
    const auto bytes = testing::ReadFile(file);
    EXPECT_NE(bytes.find("<p>来自代码</p>"), std::string::npos); // written in the encoding it declares
}

TEST_F(MainWindowTest, FormattingButtonChangesTheSelection)
{
    m_window->designView().LoadHtml("<html><body><p>one two</p></body></html>");
    m_window->designView().EditModeOn();
    auto* browser = control<QWebEngineView>("互联网浏览器1");
    browser->setFocus();
    browser->page()->runJavaScript(
        "var r=document.createRange();var t=document.querySelector('p').firstChild;"
        "r.setStart(t,4);r.setEnd(t,7);var s=getSelection();s.removeAllRanges();"
        "s.addRange(r);",
        QWebEngineScript::ApplicationWorld);
    QTest::qWait(200);
    QTest::mouseClick(control<QToolButton>("超级按钮_加粗"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->designView().GetHtml().contains("<b>two</b>"), 10000);
}

TEST(CommandMap, EveryRowNamesAControlOfTheWindow)
{
    TempFolder run(binaryDir / "test-runs");
    MainWindow window(run.path());
    for (const auto& row : CommandMap()) {
        EXPECT_TRUE(window.findChild<QObject*>(QString::fromUtf8(row.control))) << row.control;
    }
}

} // namespace
} // namespace inkwell

int main(int argc, char** argv)
{
    const std::filesystem::path binaryDir = INKWELL_BINARY_DIR;
    // The run folders of these tests lie in the build folder; keep the temporary folder and the
    // lock elsewhere so neither the temporary-folder rule nor another running copy interferes.
    inkwell::testing::TempFolder temp(binaryDir / "test-tmp");
    inkwell::testing::TempFolder locks(binaryDir / "test-locks");
    qputenv("TMPDIR", QByteArray::fromStdString(temp.path().string()));
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(locks.path().string()));
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
