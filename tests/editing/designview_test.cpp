// The design view and the toolbar commands with the real engine: every command runs through a button
// on a small page and is checked in the markup the view gives back.
#include "core/messagetexts.h"
#include "core/regularfile.h"
#include "editing/designview.h"
#include "editing/formattingcommands.h"
#include "editing/fragments.h"
#include "platform/browserengine.h"
#include "tests/support/answeredmessages.h"
#include "tests/support/eventually.h"

#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <cerrno>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace inkwell {
namespace {

const QString kPage = QStringLiteral("<html><head></head><body><p>one two three</p></body></html>");

class DesignViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto browser = createBrowser(&window);
        view = browser.view;
        view->setObjectName(QStringLiteral("互联网浏览器1"));
        button = new QPushButton(QStringLiteral("run"), &window);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(button);
        layout->addWidget(view, 1);
        window.resize(800, 600);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        design.setDocumentFolder(documentFolder.path().toStdString());
        design.attach(std::move(browser.engine));
        design.loadHtml(kPage);
        design.editModeOn();
    }

    // Runs the command the way the toolbar does: a click on a button that takes the focus.
    void click(const std::function<void()>& command)
    {
        const auto connection = QObject::connect(button, &QPushButton::clicked, command);
        QTest::mouseClick(button, Qt::LeftButton);
        QObject::disconnect(connection);
    }
    QVariant eval(const QString& script) { return design.engine()->evaluate(script).value_or(QVariant()); }
    // Selects `word` in the page, or puts the caret right after it when `collapse` is set.
    void select(const QString& word, bool collapse = false)
    {
        const QString script = QStringLiteral(
            "(function(w,c){var it=document.createTreeWalker(document.body,NodeFilter.SHOW_TEXT);"
            "for(var t=it.nextNode();t;t=it.nextNode()){var i=t.data.indexOf(w);if(i<0)continue;"
            "var s=getSelection();if(c)s.collapse(t,i+w.length);else s.setBaseAndExtent(t,i,t,i+w.length);"
            "return true;}return false;})('%1',%2)")
                                   .arg(word, collapse ? QStringLiteral("true") : QStringLiteral("false"));
        ASSERT_TRUE(eval(script).toBool()) << word.toStdString();
    }
    std::string html() { return design.getHtml().toStdString(); }

    QWidget window;
    QWidget* view = nullptr;
    QPushButton* button = nullptr;
    QTemporaryDir documentFolder;
    DesignView design;
    std::vector<MessageRequest> boxes; // every box the commands showed
    testing::AnsweredMessages messages { [this](const MessageRequest& box) {
        boxes.push_back(box);
        return MessageButton::Ok;
    } };
    FormattingCommands commands { design, &window, messages, [this] { return design.documentFolder(); } };
};

// The picture command with a chosen file that is none (a named pipe, a folder): a box says so at
// once and the page stays as it was; a real picture beside it still goes in, without a box.
TEST_F(DesignViewTest, PictureCommandRefusesWhatIsNoFile)
{
    QTemporaryDir elsewhere;
    const std::string pipe = (elsewhere.path() + QStringLiteral("/图 pipe.png")).toStdString();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const QString picture = elsewhere.path() + QStringLiteral("/red.png");
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(picture));
    struct Case
    {
        QString chosen;
        int code;
    };
    for (const Case& c :
        { Case { QString::fromStdString(pipe), kNotARegularFile }, Case { elsewhere.path(), EISDIR } }) {
        SCOPED_TRACE(c.chosen.toStdString());
        boxes.clear();
        const std::string before = html();
        commands.setPictureChooser([&](QWidget*) { return c.chosen; });
        const auto started = std::chrono::steady_clock::now();
        click([&] { commands.insertPicture(); });
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes.front().title, kHintTitle);
        EXPECT_EQ(
            boxes.front().text, texts::pictureNotInserted(Error { c.code, "" }, c.chosen.toStdString()));
        QTest::qWait(200); // proves an absence: nothing arrives in the page late
        EXPECT_EQ(html(), before);
    }
    boxes.clear();
    commands.setPictureChooser([&](QWidget*) { return picture; });
    click([&] { commands.insertPicture(); });
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(testing::eventually(
        [&] { return html().find("<img src=\"red.png\" alt=\"\">") != std::string::npos; }, 3000))
        << html();
}

TEST_F(DesignViewTest, EachFormattingButtonFormatsTheSelectedWord)
{
    struct Case
    {
        const char* name;
        void (FormattingCommands::*command)();
        const char* produced;
        QString page = kPage;
    };
    const QString centred = QStringLiteral(
        "<html><head></head><body><p style=\"text-align: center;\">one two three</p></body></html>");
    const Case cases[] = {
        { "bold", &FormattingCommands::bold, "<b>two</b>" },
        { "italic", &FormattingCommands::italic, "<i>two</i>" },
        { "underline", &FormattingCommands::underline, "<u>two</u>" },
        { "strike-through", &FormattingCommands::strikeThrough, "<strike>two</strike>" },
        { "superscript", &FormattingCommands::superscript, "<sup>two</sup>" },
        { "subscript", &FormattingCommands::subscript, "<sub>two</sub>" },
        { "align left", &FormattingCommands::alignLeft, "text-align: left;\">one two three", centred },
        { "align centre", &FormattingCommands::alignCenter, "text-align: center;\">one two three" },
        { "align right", &FormattingCommands::alignRight, "text-align: right;\">one two three" },
        { "numbered list", &FormattingCommands::orderedList, "<ol>\n<li>one two three</li>\n</ol>" },
        { "bulleted list", &FormattingCommands::unorderedList, "<ul>\n<li>one two three</li>\n</ul>" },
    };
    for (const Case& c : cases) {
        design.loadHtml(c.page);
        select(QStringLiteral("two"));
        click([&] { (commands.*c.command)(); });
        EXPECT_NE(html().find(c.produced), std::string::npos) << c.name << ": " << html();
    }
}

TEST_F(DesignViewTest, FontBoxesAndColourButtonsApplyTheirValue)
{
    struct Case
    {
        const char* name;
        std::function<void()> command;
        const char* produced;
    };
    const auto colour = [this](QColor chosen) {
        commands.setColourChooser(
            [chosen](QWidget*, const QColor&) { return std::optional<QColor>(chosen); });
    };
    const Case cases[] = {
        { "size 2", [&] { commands.fontSize(QStringLiteral("2")); }, "<font size=\"2\">two</font>" },
        // The engine has seven sizes; 8, 9 and 10 all give its largest.
        { "size 8", [&] { commands.fontSize(QStringLiteral("8")); }, "<font size=\"7\">two</font>" },
        { "size 9", [&] { commands.fontSize(QStringLiteral("9")); }, "<font size=\"7\">two</font>" },
        { "size 10", [&] { commands.fontSize(QStringLiteral("10")); }, "<font size=\"7\">two</font>" },
        { "font name", [&] { commands.fontName(QStringLiteral("Noto Sans CJK SC")); },
            "<font face=\"Noto Sans CJK SC\">two</font>" },
        { "text colour",
            [&] {
                colour(QColor(0x12, 0x34, 0x56));
                commands.textColour();
            },
            "<font color=\"#123456\">two</font>" },
        { "background colour",
            [&] {
                colour(QColor(0xFF, 0x80, 0x00));
                commands.backgroundColour();
            },
            "background-color: rgb(255, 128, 0);\">two</span>" },
    };
    for (const Case& c : cases) {
        design.loadHtml(kPage);
        select(QStringLiteral("two"));
        click(c.command);
        EXPECT_NE(html().find(c.produced), std::string::npos) << c.name << ": " << html();
    }
}

TEST_F(DesignViewTest, TheSameColourAppliesAgainAndCancelAppliesNothing)
{
    std::vector<QColor> offered;
    std::optional<QColor> answer = QColor(Qt::red);
    commands.setColourChooser([&](QWidget* parent, const QColor& current) {
        EXPECT_EQ(parent, &window);
        offered.push_back(current);
        return answer ? answer : std::nullopt;
    });
    select(QStringLiteral("one"));
    click([&] { commands.textColour(); });
    select(QStringLiteral("three"));
    click([&] { commands.textColour(); }); // the user confirms the colour already shown
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[1], QColor(Qt::red));
    EXPECT_NE(html().find("<font color=\"#ff0000\">one</font>"), std::string::npos) << html();
    EXPECT_NE(html().find("<font color=\"#ff0000\">three</font>"), std::string::npos) << html();

    const std::string before = html();
    answer.reset();
    select(QStringLiteral("two"));
    click([&] { commands.textColour(); });
    click([&] { commands.backgroundColour(); });
    EXPECT_EQ(html(), before);
}

// The link command keeps selected words and asks for the address: it has tests of its own, in the
// window (insertedobjects_test).
TEST_F(DesignViewTest, FragmentsGoInAtTheCaretOrReplaceTheSelectionAndUndoRemovesThem)
{
    struct Case
    {
        const char* name;
        void (FormattingCommands::*command)();
        const char* produced;
    };
    const Case cases[] = {
        { "rule", &FormattingCommands::insertRule, "<hr>" },
        { "table", &FormattingCommands::insertTable,
            "<table width=\"200\" border=\"1\" cellspacing=\"1\" cellpadding=\"1\">" },
        { "text field", &FormattingCommands::insertTextField, "<input type=\"text\">" },
        { "text area", &FormattingCommands::insertTextArea, "<textarea name=\"textarea2\"></textarea>" },
        { "radio button", &FormattingCommands::insertRadioButton,
            "<input value=\"V1\" checked=\"\" type=\"radio\" name=\"R1\">" },
        { "check box", &FormattingCommands::insertCheckBox,
            "<input value=\"ON\" checked=\"\" type=\"checkbox\" name=\"C1\">" },
        { "button", &FormattingCommands::insertButton,
            "<input value=\"test\" type=\"button\" name=\"按钮\">" },
        { "field set", &FormattingCommands::insertFieldSet,
            "<fieldset><legend align=\"left\">标题</legend>内容</fieldset>" },
    };
    for (const Case& c : cases) {
        for (const bool atCaret : { true, false }) {
            design.loadHtml(kPage);
            const std::string before = html();
            select(QStringLiteral("two"), atCaret);
            click([&] { (commands.*c.command)(); });
            const std::string after = html();
            const auto at = after.find(c.produced);
            EXPECT_NE(at, std::string::npos) << c.name << ": " << after;
            EXPECT_LT(after.find("one"), at) << c.name << ": " << after;
            EXPECT_EQ(after.find("two") != std::string::npos, atCaret) << c.name << ": " << after;
            if (atCaret) {
                EXPECT_LT(after.find("two"), at) << c.name << ": " << after;
            }
            ASSERT_TRUE(design.engine()->execCommand(QStringLiteral("undo")));
            EXPECT_EQ(html(), before) << c.name << " undone";
            ASSERT_TRUE(design.engine()->execCommand(QStringLiteral("redo")));
            EXPECT_EQ(html(), after) << c.name << " redone";
        }
    }
}

TEST_F(DesignViewTest, GetHtmlStartsAtTheRootElement)
{
    design.loadHtml(QStringLiteral(
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
        "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
        "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n<meta http-equiv=\"Content-Type\" "
        "content=\"text/html; charset=gb2312\" />\r\n<title>无标题文档</title>\r\n</head>\r\n\r\n<body>\r\n"
        "</body>\r\n</html>"));
    const QString markup = design.getHtml();
    EXPECT_TRUE(markup.startsWith(QStringLiteral("<html"))) << markup.toStdString();
    EXPECT_TRUE(markup.contains(QStringLiteral("<title>无标题文档</title>"))) << markup.toStdString();
}

TEST_F(DesignViewTest, EveryLoadStaysEditableByTheKeyboard)
{
    // Edit mode was switched on once, in SetUp; loads after it need no further EditModeOn.
    for (const QString& page :
        { QString(), kPage, QStringLiteral("<!DOCTYPE html><title>t</title><p>x</p>") }) {
        design.loadHtml(page);
        if (page.isEmpty()) {
            EXPECT_EQ(design.getHtml(), QStringLiteral("<html><head></head><body></body></html>"));
        }
        EXPECT_TRUE(design.engine()->documentEditable()) << page.toStdString();
    }
    design.loadHtml(QString());
    view->setFocus();
    QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(30, 20));
    QTest::keyClicks(view->focusProxy(), QStringLiteral("typed"));
    ASSERT_TRUE(inkwell::testing::eventually(
        [&] { return design.getHtml().contains(QStringLiteral("typed")); }, 5000));
}

TEST_F(DesignViewTest, InsertImageRefersToThePictureBesideTheDocumentByItsRelativeName)
{
    struct Case
    {
        QString path;
        std::optional<QSize> logicalSize;
        std::string produced;
    };
    const Case cases[] = {
        { QString(), std::nullopt, "<img src=\"\" alt=\"\">" },
        { documentFolder.filePath(QStringLiteral("截图 1.bmp")), std::nullopt,
            "<img src=\"截图%201.bmp\" alt=\"\">" },
        { QStringLiteral("/elsewhere/a.png"), std::nullopt,
            "<img src=\"file:///elsewhere/a.png\" alt=\"\">" },
        // A capture from a scaled screen keeps the size it had on the screen.
        { documentFolder.filePath(QStringLiteral("截图 2.bmp")), QSize(201, 81),
            "<img src=\"截图%202.bmp\" alt=\"\" width=\"201\" height=\"81\">" },
    };
    for (const Case& c : cases) {
        design.loadHtml(kPage);
        select(QStringLiteral("two"), true);
        design.insertImage(c.path.toStdString(), c.logicalSize);
        EXPECT_NE(html().find(c.produced), std::string::npos) << html();
    }
}

// Pixels of the view that are (nearly) pure red.
int redPixels(QWidget* widget)
{
    const QImage shot = widget->grab().toImage();
    int red = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            red += c.red() > 240 && c.green() < 16 && c.blue() < 16;
        }
    return red;
}

TEST_F(DesignViewTest, InsertedPictureIsCopiedBesideTheDocumentAndShows)
{
    QTemporaryDir elsewhere;
    const QString original = elsewhere.filePath(QStringLiteral("red pic.png"));
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(original));
    QString offered = original;
    commands.setPictureChooser([&](QWidget*) { return offered; });

    EXPECT_EQ(redPixels(view), 0);
    select(QStringLiteral("one"), true);
    click([&] { commands.insertPicture(); });
    const QString copy = documentFolder.filePath(QStringLiteral("red pic.png"));
    ASSERT_TRUE(QFile::exists(copy));
    QFile a(original), b(copy);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
    EXPECT_NE(html().find("<img src=\"red%20pic.png\" alt=\"\">"), std::string::npos) << html();
    ASSERT_TRUE(inkwell::testing::eventually([&] { return redPixels(view) > 64 * 64 * 9 / 10; }, 5000));

    // Cancelling the dialog later inserts and copies nothing.
    const std::string before = html();
    offered.clear();
    click([&] { commands.insertPicture(); });
    EXPECT_EQ(html(), before);
}

TEST_F(DesignViewTest, PictureChosenFromTheDocumentFolderStaysIntact)
{
    const QString own = documentFolder.filePath(QStringLiteral("own.png"));
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(own));
    QFile file(own);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    commands.setPictureChooser([&](QWidget*) { return own; });
    select(QStringLiteral("one"), true);
    click([&] { commands.insertPicture(); });
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
    EXPECT_NE(html().find("<img src=\"own.png\" alt=\"\">"), std::string::npos) << html();
    EXPECT_EQ(QDir(documentFolder.path()).entryList(QDir::Files), QStringList { QStringLiteral("own.png") });
}

TEST_F(DesignViewTest, PictureDialogOffersTheFiveFileTypesInOrder)
{
    // The one the picture button opens.
    auto* dialog = window.findChild<QFileDialog*>(QStringLiteral("通用对话框_插入图片"));
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->isVisible());
    const QStringList expected { QStringLiteral("BMP图片（*.bmp） (*.bmp)"),
        QStringLiteral("JPG图片（*.jpg） (*.jpg)"), QStringLiteral("PNG图片（*.png） (*.png)"),
        QStringLiteral("GIF图片（*.gif） (*.gif)"), QStringLiteral("所有文件（*.*） (*)") };
    EXPECT_EQ(dialog->nameFilters(), expected);
    // The dialog shows the descriptions alone, and the first one is chosen.
    EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("BMP图片（*.bmp）"));
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
}

TEST_F(DesignViewTest, ChangingTheDocumentFolderShowsThePageAgainstIt)
{
    QTemporaryDir other;
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(other.filePath(QStringLiteral("dot.png"))));
    design.loadHtml(
        QStringLiteral("<html><head></head><body><p>kept <img src=\"dot.png\"></p></body></html>"));
    const QString before = design.getHtml();
    QTest::qWait(200); // proves an absence: the picture does not load from the first folder
    EXPECT_EQ(eval(QStringLiteral("document.images[0].naturalWidth")).toInt(), 0);
    design.setDocumentFolder(other.path().toStdString());
    EXPECT_EQ(design.getHtml(), before);
    EXPECT_TRUE(design.engine()->documentEditable());
    ASSERT_TRUE(inkwell::testing::eventually(
        [&] { return eval(QStringLiteral("document.images[0].naturalWidth")).toInt() == 8; }, 5000));
}

TEST_F(DesignViewTest, AFolderForTheNextLoadLeavesTheShownPageAlone)
{
    QTemporaryDir other;
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(other.filePath(QStringLiteral("dot.png"))));
    const QString page
        = QStringLiteral("<html><head></head><body><p>kept <img src=\"dot.png\"></p></body></html>");
    design.loadHtml(page);
    eval(QStringLiteral("window.shownBefore = 1"));
    design.setDocumentFolder(other.path().toStdString(), DesignView::FolderChange::NextLoad);
    EXPECT_EQ(design.documentFolder(), std::filesystem::path(other.path().toStdString()));
    QTest::qWait(200); // proves an absence: the page is not shown again
    EXPECT_EQ(eval(QStringLiteral("window.shownBefore")).toInt(), 1); // not shown again
    EXPECT_EQ(eval(QStringLiteral("document.images[0].naturalWidth")).toInt(), 0);

    design.loadHtml(page); // the next load resolves against the new folder
    ASSERT_TRUE(inkwell::testing::eventually(
        [&] { return eval(QStringLiteral("document.images[0].naturalWidth")).toInt() == 8; }, 5000));
}

} // namespace
} // namespace inkwell
