// Every command of the main window through its own control: the real button clicked (or the real combo
// box picked in, the real colour picker or file dialog answered) on a page with a known selection, the
// bytes handed to the engine and the markup that results.
#include "app/commandmap.h"
#include "app/mainwindow.h"
#include "editing/designview.h"
#include "editing/fragments.h"
#include "tests/app/windowdriver.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTabWidget>
#include <QToolButton>
#include <Qsci/qsciscintilla.h>
#include <set>

namespace inkwell {
namespace {

using testing::eventually;
using testing::kSelectTwo;
using testing::MainWindowTest;
using testing::ModalAnswerer;

constexpr const char* kPage = "<html><head><meta charset=\"utf-8\"></head><body><p>one two</p></body></html>";
constexpr const char* kCentredPage = "<html><head><meta charset=\"utf-8\"></head>"
                                     "<body><p style=\"text-align: center;\">one two</p></body></html>";

// Records every editing command our scripts ask of the page, with its value as the engine gets it.
// It lives in the same script world as the design view's own calls, which the page cannot reach.
constexpr auto kRecordCommands
    = u"(function(){if(window.__asked)return true;window.__asked=[];var run=document.execCommand;"
      u"document.execCommand=function(n,u,v){window.__asked.push([String(n),v===undefined||v===null?null:"
      u"String(v)]);return run.call(document,n,u,v);};return true;})()";

// The marks the design view puts around a fragment that holds a block, so the engine keeps it whole.
constexpr auto kBlockMark = u"<br class=\"Apple-interchange-newline\">";

class CommandThroughItsControl;
using Step = std::function<void(CommandThroughItsControl&)>;

struct CommandCase
{
    const char* name; // the test's name: what the control is for
    const char* control; // its object name
    Step drive {}; // empty: a click on the control
    std::string held {}; // the fragment as the program holds it; empty when the command pastes none
    std::string_view bytes {}; // what those bytes must be
    const char* command = nullptr; // the one editing command the engine is asked for; nullptr: none
    const char* value = nullptr; // its value; a paste's value is the fragment
    const char* body = nullptr; // the page's body markup afterwards; nullptr: the page is not looked at
    Step check {}; // what else the control must have brought about
    const char* page = kPage;
};

void PrintTo(const CommandCase& c, std::ostream* out)
{
    *out << c.control;
}

struct AskedCommand
{
    QString name;
    QString value; // null when the command took none
};

class CommandThroughItsControl : public MainWindowTest, public ::testing::WithParamInterface<CommandCase>
{
protected:
    void SetUp() override
    {
        m_browser = control<QWebEngineView>("互联网浏览器1");
        ASSERT_TRUE(m_browser);
        design().loadHtml(QString::fromUtf8(GetParam().page));
        design().editModeOn();
        testing::select(m_browser, kSelectTwo);
        // The click that gives the page focus may reach the page after the selection was set, and put
        // the caret where it fell.
        const auto selected = [this] { return evaluate(u"getSelection().toString()") == u"two"; };
        ASSERT_TRUE(eventually(
            [&] {
                if (selected())
                    return true;
                (void)evaluate(QString::fromUtf8(kSelectTwo));
                return false;
            },
            3000));
        QTest::qWait(100); // proves an absence: no late click moves the selection any more
        ASSERT_TRUE(selected());
        ASSERT_EQ(evaluate(kRecordCommands), QStringLiteral("true"));
    }

public:
    DesignView& design() const { return m_window->designView(); }
    MainWindow& window() const { return *m_window; }
    const std::filesystem::path& runFolder() const { return m_run.path(); }
    ModalAnswerer& answers() { return m_answers; }

    QString evaluate(QStringView script) const
    {
        const auto value = design().engine()->evaluate(script.toString());
        return value ? value->toString() : QStringLiteral("(no answer)");
    }

    void click(const char* name)
    {
        auto* button = control<QToolButton>(name);
        ASSERT_TRUE(button) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void pick(const char* box, const QString& item)
    {
        auto* combo = control<QComboBox>(box);
        ASSERT_TRUE(combo) << box;
        ASSERT_TRUE(testing::pickItem(combo, item)) << box << " " << item.toStdString();
    }

    // The markup inside the body element as the design view gives the page to whoever saves it.
    QString body() const
    {
        static const QRegularExpression inside(
            QStringLiteral("<body[^>]*>(.*)</body>"), QRegularExpression::DotMatchesEverythingOption);
        const auto match = inside.match(design().getHtml());
        return match.hasMatch() ? match.captured(1) : QStringLiteral("(no body)");
    }

    std::vector<AskedCommand> askedCommands() const
    {
        std::vector<AskedCommand> asked;
        const auto list = QJsonDocument::fromJson(evaluate(u"JSON.stringify(window.__asked||[])").toUtf8());
        for (const auto& entry : list.array()) {
            const auto pair = entry.toArray();
            asked.push_back(
                { pair.at(0).toString(), pair.at(1).isNull() ? QString() : pair.at(1).toString() });
        }
        return asked;
    }

    QString codeText() const { return control<QsciScintilla>("代码编辑框1")->text(); }
    int pageShown() const { return control<QTabWidget>("高级选择夹1")->currentIndex(); }

    // Clicks a capture button, and once the capture window is on the screen drags a selection over it
    // and double-clicks inside, as a user commits a picture. Whether the editor was minimised while the
    // capture window showed goes to `minimised`.
    void captureWith(const char* button, bool* minimised)
    {
        const auto shownCapture = [] {
            QWidget* capture = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (widget->inherits("inkwell::CaptureWindow") && widget->isVisible())
                    capture = widget;
            return capture;
        };
        bool ran = false;
        QTimer poll;
        poll.setInterval(50);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* capture = shownCapture();
            if (ran || !capture || !capture->windowHandle() || !capture->windowHandle()->isExposed())
                return;
            poll.stop();
            ran = true;
            *minimised = m_window->isMinimized();
            // Whatever the window system still has for the new window is handled before the mouse comes.
            QGuiApplication::sync();
            QTest::mousePress(capture, Qt::LeftButton, {}, QPoint(100, 100));
            QTest::mouseMove(capture, QPoint(140, 120));
            QTest::mouseMove(capture, QPoint(180, 140));
            QTest::mouseRelease(capture, Qt::LeftButton, {}, QPoint(180, 140));
            QTest::qWait(100); // a pause between the drag and the double click, as a hand makes
            QTest::mouseDClick(capture, Qt::LeftButton, {}, QPoint(140, 120));
            // The commit closes the window; whatever a failed one leaves open is closed, so the click
            // below returns.
            (void)eventually([&] { return shownCapture() == nullptr; }, 3000);
            if (QWidget* left = shownCapture())
                left->close();
        });
        poll.start();
        click(button);
        EXPECT_TRUE(ran) << "the capture window never showed";
    }

private:
    QWebEngineView* m_browser = nullptr;
    ModalAnswerer m_answers;
};

std::string text(const QString& s)
{
    return s.toStdString();
}

// The captured picture went into the page in place of the selection, and its file into the document
// folder under a time-stamp name: the dragged rectangle, both corners inclusive (81 x 41 pixels), at
// 32 bits a pixel after a 54-byte header.
void expectCapturedPictureInPage(CommandThroughItsControl& t)
{
    static const QRegularExpression inserted(
        QStringLiteral("^<p>one <img src=\"(\\d{13})\\.bmp\" alt=\"\"></p>$"));
    const auto match = inserted.match(t.body());
    ASSERT_TRUE(match.hasMatch()) << text(t.body());
    const auto file = t.window().document().folder / (match.captured(1).toStdString() + ".bmp");
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    EXPECT_EQ(std::filesystem::file_size(file), 54u + 4u * 81u * 41u);
}

const std::vector<CommandCase>& commandCases()
{
    static const std::vector<CommandCase> cases = {
        // File commands.
        { .name = "New",
            .control = "超级按钮_新建",
            .drive =
                [](CommandThroughItsControl& t) {
                    t.answers().setButton(QStringLiteral("取消"));
                    t.click("超级按钮_新建");
                },
            .body = "<p>one two</p>",
            .check =
                [](CommandThroughItsControl& t) {
                    // The page is not the blank one: the question first, then the wizard.
                    EXPECT_EQ(t.answers().boxes, QStringList { QStringLiteral("信息：: 是否保存？") });
                    EXPECT_EQ(t.answers().otherDialogs, QStringList { QStringLiteral("程序新建向导") });
                    EXPECT_FALSE(std::filesystem::exists(t.window().document().filePath()));
                } },
        { .name = "Open",
            .control = "超级按钮_打开",
            .drive =
                [](CommandThroughItsControl& t) {
                    const auto file = t.runFolder() / "opened.html";
                    testing::writeFile(file,
                        "<html><head><meta charset=\"utf-8\"></head><body><p>打开的页面</p></body></html>");
                    t.answers().setFile(QString::fromStdString(file.string()));
                    t.click("超级按钮_打开");
                },
            .body = "<p>打开的页面</p>",
            .check =
                [](CommandThroughItsControl& t) {
                    EXPECT_EQ(t.answers().dialogNames, QStringList { QStringLiteral("通用对话框_打开") });
                } },
        { .name = "Save",
            .control = "超级按钮_保存",
            .drive =
                [](CommandThroughItsControl& t) {
                    ASSERT_FALSE(std::filesystem::exists(t.window().document().filePath()));
                    t.click("超级按钮_保存");
                },
            .check =
                [](CommandThroughItsControl& t) {
                    const auto saved = testing::fileBytes(t.window().document().filePath());
                    EXPECT_NE(saved.find("<body><p>one two</p></body>"), std::string::npos) << saved;
                } },
        { .name = "ExportArchive",
            .control = "超级按钮_另存为",
            .drive =
                [](CommandThroughItsControl& t) {
                    t.answers().setFile(QString::fromStdString((t.runFolder() / "archive").string()));
                    t.click("超级按钮_另存为");
                },
            .check =
                [](CommandThroughItsControl& t) {
                    EXPECT_EQ(t.answers().dialogNames, QStringList { QStringLiteral("通用对话框_输出mht") });
                    EXPECT_EQ(t.answers().boxes, QStringList { QStringLiteral("信息：: 保存成功") });
                    EXPECT_GT(std::filesystem::file_size(t.runFolder() / "archive.mht"), 0u);
                } },

        // The two views.
        { .name = "CodeView",
            .control = "超级按钮_代码",
            .body = "<p>one two</p>",
            .check =
                [](CommandThroughItsControl& t) {
                    EXPECT_EQ(t.pageShown(), 1);
                    // The page re-indented, one tab per level.
                    EXPECT_TRUE(t.codeText().startsWith(QStringLiteral("<html>"))) << text(t.codeText());
                    EXPECT_TRUE(t.codeText().contains(QStringLiteral("\n\t\t<p>\n\t\t\tone two\n\t\t</p>")))
                        << text(t.codeText());
                } },
        { .name = "DesignView",
            .control = "超级按钮_设计",
            .drive =
                [](CommandThroughItsControl& t) {
                    t.click("超级按钮_代码");
                    auto* editor = t.window().findChild<QsciScintilla*>(QStringLiteral("代码编辑框1"));
                    ASSERT_TRUE(
                        eventually([&] { return editor->text().contains(QStringLiteral("one two")); }));
                    editor->setFocus();
                    ASSERT_TRUE(editor->findFirst(QStringLiteral("two"), false, true, false, true));
                    QTest::keyClicks(editor, "2");
                    t.click("超级按钮_设计");
                },
            .check =
                [](CommandThroughItsControl& t) {
                    EXPECT_EQ(t.pageShown(), 0);
                    EXPECT_EQ(testing::visibleText(t.window()), QStringLiteral("one 2"));
                } },

        // Formatting of the selection.
        { .name = "Bold", .control = "超级按钮_加粗", .command = "Bold", .body = "<p>one <b>two</b></p>" },
        { .name = "Italic",
            .control = "超级按钮_斜体",
            .command = "Italic",
            .body = "<p>one <i>two</i></p>" },
        { .name = "Underline",
            .control = "超级按钮_下划线",
            .command = "Underline",
            .body = "<p>one <u>two</u></p>" },
        { .name = "StrikeThrough",
            .control = "超级按钮_删除线",
            .command = "StrikeThrough",
            .body = "<p>one <strike>two</strike></p>" },
        { .name = "Superscript",
            .control = "超级按钮_上标",
            .command = "Superscript",
            .body = "<p>one <sup>two</sup></p>" },
        { .name = "Subscript",
            .control = "超级按钮_下标",
            .command = "Subscript",
            .body = "<p>one <sub>two</sub></p>" },
        { .name = "AlignLeft",
            .control = "超级按钮_左对齐",
            .command = "JustifyLeft",
            .body = "<p style=\"text-align: left;\">one two</p>",
            .page = kCentredPage },
        { .name = "AlignCentre",
            .control = "超级按钮_居中对齐",
            .command = "JustifyCenter",
            .body = "<p style=\"text-align: center;\">one two</p>" },
        { .name = "AlignRight",
            .control = "超级按钮_右对齐",
            .command = "JustifyRight",
            .body = "<p style=\"text-align: right;\">one two</p>" },
        { .name = "NumberedList",
            .control = "超级按钮_有序排列",
            .command = "insertorderedlist",
            .body = "\n<ol>\n<li>one two</li>\n</ol>\n" },
        { .name = "BulletedList",
            .control = "超级按钮_无序排列",
            .command = "insertunorderedlist",
            .body = "\n<ul>\n<li>one two</li>\n</ul>\n" },
        { .name = "FontName",
            .control = "组合框_系统字体",
            .drive =
                [](CommandThroughItsControl& t) {
                    t.pick("组合框_系统字体", QStringLiteral("Noto Serif CJK SC"));
                },
            .command = "FontName",
            .value = "Noto Serif CJK SC",
            .body = "<p>one <font face=\"Noto Serif CJK SC\">two</font></p>" },
        { .name = "FontSize",
            .control = "组合框_字体大小",
            .drive = [](CommandThroughItsControl& t) { t.pick("组合框_字体大小", QStringLiteral("6")); },
            .command = "FontSize",
            .value = "6",
            .body = "<p>one <font size=\"6\">two</font></p>" },
        { .name = "TextColour",
            .control = "超级按钮_字体颜色",
            .drive =
                [](CommandThroughItsControl& t) {
                    t.answers().setColour(QColor(0x12, 0x34, 0x56));
                    t.click("超级按钮_字体颜色");
                },
            .command = "ForeColor",
            .value = "#123456",
            .body = "<p>one <font color=\"#123456\">two</font></p>",
            .check =
                [](CommandThroughItsControl& t) {
                    EXPECT_EQ(t.answers().dialogNames, QStringList { QStringLiteral("颜色选择器_字体颜色") });
                } },
        { .name = "BackgroundColour",
            .control = "超级按钮_背景颜色",
            .drive =
                [](CommandThroughItsControl& t) {
                    t.answers().setColour(QColor(0xFF, 0x80, 0x00));
                    t.click("超级按钮_背景颜色");
                },
            .command = "BackColor",
            .value = "#ff8000",
            .body = "<p>one <span style=\"background-color: rgb(255, 128, 0);\">two</span></p>",
            .check =
                [](CommandThroughItsControl& t) {
                    EXPECT_EQ(t.answers().dialogNames, QStringList { QStringLiteral("颜色选择器_背景颜色") });
                } },

        // Fragments pasted in place of the selection.
        { .name = "Rule",
            .control = "超级按钮_分割线",
            .held = std::string(fragments::kRule),
            .bytes = "<HR>",
            .command = "insertHTML",
            .body = "<p>one</p>\n<hr>\n" },
        { .name = "Table",
            .control = "超级按钮_表格",
            .held = std::string(fragments::kTable),
            .bytes
            = "<table width=\"200\" border=\"1\" cellspacing=\"1\" cellpadding=\"1\">\r\n"
              "  <tr>\r\n    <td>&nbsp;</td>\r\n    <td>&nbsp;</td>\r\n    <td>&nbsp;</td>\r\n  </tr>\r\n"
              "  <tr>\r\n    <td>&nbsp;</td>\r\n    <td>&nbsp;</td>\r\n    <td>&nbsp;</td>\r\n  </tr>\r\n"
              "  <tr>\r\n    <td>&nbsp;</td>\r\n    <td>&nbsp;</td>\r\n    <td>&nbsp;</td>\r\n  </tr>\r\n"
              "</table>\r\n",
            .command = "insertHTML",
            .body = "<p>one</p>\n<table width=\"200\" border=\"1\" cellspacing=\"1\" cellpadding=\"1\">\n"
                    "  <tbody><tr>\n    <td>&nbsp;</td>\n    <td>&nbsp;</td>\n    <td>&nbsp;</td>\n  </tr>\n"
                    "  <tr>\n    <td>&nbsp;</td>\n    <td>&nbsp;</td>\n    <td>&nbsp;</td>\n  </tr>\n"
                    "  <tr>\n    <td>&nbsp;</td>\n    <td>&nbsp;</td>\n    <td>&nbsp;</td>\n  </tr>\n"
                    "</tbody></table>\n" },
        // The selected words become the link's text; the dialog that then asks for the address is
        // cancelled here, which leaves the link as the command made it.
        { .name = "Link",
            .control = "超级按钮_超级链接",
            .command = "createLink",
            .value = "http://",
            .body = "<p>one <a href=\"http://\">two</a></p>",
            .check =
                [](CommandThroughItsControl& t) {
                    EXPECT_EQ(t.answers().otherDialogs, QStringList({ QStringLiteral("超级链接") }));
                } },
        { .name = "FieldSet",
            .control = "超级按钮_分组框",
            .held = std::string(fragments::kFieldSet),
            .bytes = "<FIELDSET ><LEGEND align=left>标题</LEGEND>内容</FIELDSET>",
            .command = "insertHTML",
            .body = "<p>one</p>\n<fieldset><legend "
                    "align=\"left\">标题</legend>内容</fieldset>\n<p><br></p>\n" },
        { .name = "PushButton",
            .control = "超级按钮_按钮",
            .held = std::string(fragments::kButton),
            .bytes = "<INPUT value=test type=button name=按钮>",
            .command = "insertHTML",
            .body = "<p>one <input value=\"test\" type=\"button\" name=\"按钮\"></p>" },
        { .name = "CheckBox",
            .control = "超级按钮_复选框",
            .held = std::string(fragments::kCheckBox),
            .bytes = "<INPUT value=ON CHECKED type=checkbox name=C1>",
            .command = "insertHTML",
            .body = "<p>one <input value=\"ON\" checked=\"\" type=\"checkbox\" name=\"C1\"></p>" },
        { .name = "RadioButton",
            .control = "超级按钮_单选框",
            .held = std::string(fragments::kRadioButton),
            .bytes = "<INPUT value=V1 CHECKED type=radio name=R1>",
            .command = "insertHTML",
            .body = "<p>one <input value=\"V1\" checked=\"\" type=\"radio\" name=\"R1\"></p>" },
        { .name = "TextField",
            .control = "超级按钮_文本框",
            .held = std::string(fragments::kTextField),
            .bytes = "<input type=text>",
            .command = "insertHTML",
            .body = "<p>one <input type=\"text\"></p>" },
        { .name = "TextArea",
            .control = "超级按钮_多行文本框",
            .held = std::string(fragments::kTextArea),
            .bytes = "<textarea name=textarea2></textarea>",
            .command = "insertHTML",
            .body = "<p>one <textarea name=\"textarea2\"></textarea></p>" },
        // The picture is copied beside the document and referred to by its name there.
        { .name = "Picture",
            .control = "超级按钮_插入图片",
            .drive =
                [](CommandThroughItsControl& t) {
                    const auto folder = t.runFolder() / "pictures";
                    std::filesystem::create_directories(folder);
                    QImage picture(6, 4, QImage::Format_RGB32);
                    picture.fill(Qt::red);
                    ASSERT_TRUE(picture.save(QString::fromStdString((folder / "red dot.png").string())));
                    t.answers().setFile(QString::fromStdString((folder / "red dot.png").string()));
                    t.click("超级按钮_插入图片");
                },
            .held = fragments::imageFragment("red%20dot.png"),
            .bytes = "<IMG src=\"red%20dot.png\" alt=\"\">",
            .command = "insertHTML",
            .body = "<p>one <img src=\"red%20dot.png\" alt=\"\"></p>",
            .check =
                [](CommandThroughItsControl& t) {
                    EXPECT_EQ(t.answers().dialogNames, QStringList { QStringLiteral("通用对话框_插入图片") });
                    EXPECT_EQ(testing::fileBytes(t.window().document().folder / "red dot.png"),
                        testing::fileBytes(t.runFolder() / "pictures" / "red dot.png"));
                } },

        // Screen capture, with and without the editor out of the way.
        { .name = "CaptureMinimised",
            .control = "超级按钮_截图",
            .drive =
                [](CommandThroughItsControl& t) {
                    bool minimised = false;
                    t.captureWith("超级按钮_截图", &minimised);
                    EXPECT_TRUE(minimised);
                },
            .check =
                [](CommandThroughItsControl& t) {
                    expectCapturedPictureInPage(t);
                    EXPECT_FALSE(t.window().isMinimized());
                } },
        { .name = "CaptureShown",
            .control = "超级按钮_全截图",
            .drive =
                [](CommandThroughItsControl& t) {
                    bool minimised = true;
                    t.captureWith("超级按钮_全截图", &minimised);
                    EXPECT_FALSE(minimised);
                },
            .check = expectCapturedPictureInPage },
    };
    return cases;
}

TEST_P(CommandThroughItsControl, DoesWhatItsRowSays)
{
    const CommandCase& c = GetParam();
    if (!c.held.empty()) {
        EXPECT_EQ(c.held, c.bytes) << "the fragment itself";
    }
    if (c.drive)
        c.drive(*this);
    else
        click(c.control);
    if (HasFatalFailure())
        return;

    if (c.command) {
        const auto asked = askedCommands();
        ASSERT_EQ(asked.size(), 1u) << "commands asked of the engine";
        EXPECT_EQ(text(asked.front().name), c.command);
        QString value = asked.front().value;
        if (!c.held.empty()) {
            // A fragment holding a block travels between two paragraph marks; it is what lies between.
            if (value.startsWith(kBlockMark) && value.endsWith(kBlockMark))
                value = value.mid(qsizetype(std::u16string_view(kBlockMark).size()),
                    value.size() - 2 * qsizetype(std::u16string_view(kBlockMark).size()));
            EXPECT_EQ(text(value), c.held) << "the fragment as the engine got it";
        } else if (c.value) {
            EXPECT_EQ(text(value), c.value);
        } else {
            EXPECT_TRUE(value.isNull()) << text(value);
        }
    }
    if (c.body) {
        EXPECT_TRUE(eventually([&] { return body() == QString::fromUtf8(c.body); }, 3000))
            << "body: " << text(body());
    }
    if (c.check)
        c.check(*this);
}

INSTANTIATE_TEST_SUITE_P(CommandMap, CommandThroughItsControl, ::testing::ValuesIn(commandCases()),
    [](const auto& test) { return std::string(test.param.name); });

// The table above has one row for each toolbar button and font box and no other.
TEST(CommandTable, HasOneRowPerToolbarButtonAndFontBox)
{
    std::multiset<std::string> mapped, tested;
    for (const auto& row : toolbarButtons())
        mapped.insert(row.name);
    // The two font boxes, which run their commands when the user chooses an item.
    mapped.insert("组合框_系统字体");
    mapped.insert("组合框_字体大小");
    for (const auto& c : commandCases())
        tested.insert(c.control);
    EXPECT_EQ(tested, mapped);
}

// The picture dialog the window opens: the designed descriptions exactly as the user sees them in its
// type box, each filtering by its pattern, and the first one chosen each time it opens.
class PictureDialog : public MainWindowTest
{
protected:
    struct Look
    {
        QStringList types; // the type box's items
        QString chosen; // the type shown when the dialog came up
        QStringList listed; // the files the dialog lists for it
    };

    // The names the dialog lists, once its folder has been read and they equal `expected` (or the
    // time is up).
    static QStringList listedFiles(QFileDialog* dialog, const QStringList& expected)
    {
        auto* view = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        if (!view)
            return { QStringLiteral("(no list)") };
        QStringList names;
        eventually(
            [&] {
                names.clear();
                for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                    names << view->model()->index(row, 0, view->rootIndex()).data().toString();
                names.sort();
                return names == expected;
            },
            5000);
        return names;
    }

    static Look lookAt(QFileDialog* dialog, const QStringList& expectedListing)
    {
        Look look;
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        if (!types)
            return look;
        for (int i = 0; i < types->count(); ++i)
            look.types << types->itemText(i);
        look.chosen = types->currentText();
        look.listed = listedFiles(dialog, expectedListing);
        return look;
    }
};

TEST_F(PictureDialog, ShowsTheDesignedTypesFiltersByThemAndStartsFromTheFirst)
{
    const auto folder = m_run.path() / "pictures";
    std::filesystem::create_directories(folder);
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    const QStringList everything { "a.bmp", "b.jpg", "c.png", "d.gif", "e.txt" };
    for (const auto& name : everything)
        testing::writeFile(folder / name.toStdString(), "picture bytes");
    ASSERT_TRUE(picture.save(QString::fromStdString((folder / "c.png").string())));
    const QString folderText = QString::fromStdString(folder.string());
    const QStringList designed { QStringLiteral("BMP图片（*.bmp）"), QStringLiteral("JPG图片（*.jpg）"),
        QStringLiteral("PNG图片（*.png）"), QStringLiteral("GIF图片（*.gif）"),
        QStringLiteral("所有文件（*.*）") };

    // First opening: the user looks, switches to the PNG type and takes the picture.
    Look first, afterSwitch;
    {
        ModalAnswerer answers;
        answers.setFileDialogScript([&](QFileDialog* dialog) {
            dialog->setDirectory(folderText);
            first = lookAt(dialog, { "a.bmp" });
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            ASSERT_TRUE(types && testing::pickItem(types, designed[2]));
            afterSwitch = lookAt(dialog, { "c.png" });
        });
        answers.setFile(folderText + QStringLiteral("/c.png"));
        QTest::mouseClick(control<QToolButton>("超级按钮_插入图片"), Qt::LeftButton);
        EXPECT_EQ(answers.dialogNames, QStringList { QStringLiteral("通用对话框_插入图片") });
    }
    EXPECT_EQ(first.types, designed);
    EXPECT_EQ(first.chosen, designed[0]);
    EXPECT_EQ(first.listed, QStringList { "a.bmp" });
    EXPECT_EQ(afterSwitch.chosen, designed[2]);
    EXPECT_EQ(afterSwitch.listed, QStringList { "c.png" });
    ASSERT_TRUE(eventually([&] {
        return m_window->designView().getHtml().contains("<img src=\"c.png\" alt=\"\">");
    })) << m_window->designView().getHtml().toStdString();

    // Second opening starts from the first type again; the last type lists every file.
    Look second, all;
    {
        ModalAnswerer answers; // cancels
        answers.setFileDialogScript([&](QFileDialog* dialog) {
            second = lookAt(dialog, { "a.bmp" });
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            ASSERT_TRUE(types && testing::pickItem(types, designed[4]));
            all = lookAt(dialog, everything);
        });
        QTest::mouseClick(control<QToolButton>("超级按钮_插入图片"), Qt::LeftButton);
        EXPECT_EQ(answers.fileDialogs, 1);
    }
    EXPECT_EQ(second.types, designed);
    EXPECT_EQ(second.chosen, designed[0]);
    EXPECT_EQ(second.listed, QStringList { "a.bmp" });
    EXPECT_EQ(all.listed, everything);
}

} // namespace
} // namespace inkwell
