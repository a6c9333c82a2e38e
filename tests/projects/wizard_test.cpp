#include "app/documentcommands.h"
#include "core/inifile.h"
#include "platform/qtmessageservice.h"
#include "projects/projectcreation.h"
#include "projects/projecthistory.h"
#include "projects/wizardatstart.h"
#include "projects/wizardwindow.h"
#include "tests/support/answeredmessages.h"
#include "tests/support/tempfolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <ostream>

// Readable failures for the Qt values compared below.
void PrintTo(const QRect& r, std::ostream* os)
{
    *os << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}
void PrintTo(const QSize& s, std::ostream* os)
{
    *os << "QSize(" << s.width() << " x " << s.height() << ")";
}
void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace inkwell {
namespace {

using testing::AnsweredMessages;
using testing::fileBytes;
using testing::TempFolder;
using testing::writeFile;
namespace fs = std::filesystem;

struct Message
{
    QString title;
    QString text;
};

// A run folder as start-up leaves it, a current document, and recorders for what the wizard asks
// of the program around it.
class Wizard : public ::testing::Test
{
protected:
    Wizard()
    {
        fs::create_directory(run() / "system");
        fs::create_directory(run() / "tmp");
    }

    [[nodiscard]] const fs::path& run() const { return m_dir.path(); }
    [[nodiscard]] fs::path historyFile() const { return run() / "system" / "工程记录.txt"; }
    [[nodiscard]] QString defaultFolder() const
    {
        return QString::fromStdString((run() / "project").string());
    }

    [[nodiscard]] WizardContext context()
    {
        WizardContext c { RunFolder(run()), document, m_messages };
        c.chooseFolder = [this](QWidget*, const QString& prompt, const QString&) {
            prompts.push_back(prompt);
            return nextChosenFolder;
        };
        return c;
    }

    // A shown wizard, ready for clicks.
    std::unique_ptr<WizardWindow> shownWizard()
    {
        auto wizard = std::make_unique<WizardWindow>(context());
        wizard->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
        return wizard;
    }

    template <typename T> static T* control(QWidget* wizard, const char* name)
    {
        auto* found = wizard->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    static void clickType(QWidget* wizard, int row)
    {
        auto* types = control<QListWidget>(wizard, "超级列表框_工程类型");
        QTest::mouseClick(
            types->viewport(), Qt::LeftButton, {}, types->visualItemRect(types->item(row)).center());
    }

    static void typeName(QWidget* wizard, const QString& name)
    {
        auto* box = control<QLineEdit>(wizard, "编辑框_工程名称");
        box->clear();
        box->setFocus();
        for (const QChar c : name) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(box, c.toLatin1());
            } else {
                // Chinese text arrives from the input method as a committed string.
                QInputMethodEvent commit;
                commit.setCommitString(QString(c));
                QApplication::sendEvent(box, &commit);
            }
        }
    }

    static void clickButton(QWidget* wizard, const char* name)
    {
        QTest::mouseClick(control<QPushButton>(wizard, name), Qt::LeftButton);
    }

    DocumentLocation document { "/run/tmp", "1700000000000", DocumentKind::Html };
    std::vector<Message> messages;
    std::vector<QString> prompts;
    QString nextChosenFolder;

private:
    TempFolder m_dir;
    // The wizard's notes are recorded; its questions come up as real boxes, for the tests that answer them.
    QtMessageService m_boxes;
    AnsweredMessages m_messages { [this](const MessageRequest& request) {
        if (request.icon == MessageIcon::Question)
            return m_boxes.show(request);
        messages.push_back({ QString::fromStdString(request.title), QString::fromStdString(request.text) });
        return MessageButton::Ok;
    } };
};

struct Placement
{
    const char* name;
    const char* className;
    QRect geometry; // in the tab control's coordinates
    const char* text;
};

TEST_F(Wizard, FormShowsEveryControlWhereAndAsDesigned)
{
    auto wizard = shownWizard();
    EXPECT_EQ(wizard->windowTitle(), QStringLiteral("程序新建向导"));
    EXPECT_EQ(wizard->size(), WizardWindow::kClientSize);
    EXPECT_EQ(wizard->minimumSize(), wizard->maximumSize());
    EXPECT_FALSE(wizard->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(wizard->windowFlags() & Qt::WindowCloseButtonHint);

    auto* tabs = control<QTabWidget>(wizard.get(), "高级选择夹1");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->geometry(), QRect(-1, -1, 651, 417));
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("新建"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("模板"));
    EXPECT_EQ(tabs->tabBar()->font().pixelSize(), 12);
    EXPECT_TRUE(tabs->widget(1)->findChildren<QWidget*>().isEmpty());
    EXPECT_EQ(tabs->currentIndex(), 0);

    const Placement placements[] = {
        { "超级列表框_历史记录", "QTreeWidget", { 4, 33, 202, 344 }, "" },
        { "超级列表框_工程类型", "QListWidget", { 216, 33, 426, 304 }, "" },
        { "透明标签1", "QLabel", { 217, 345, 40, 24 }, "文件名" },
        { "编辑框_工程名称", "QLineEdit", { 265, 345, 304, 24 }, "" },
        { "按钮_新建", "QPushButton", { 577, 345, 64, 24 }, "新建" },
        { "透明标签2", "QLabel", { 220, 385, 29, 24 }, "路径" },
        { "编辑框_工程目录", "QLineEdit", { 265, 385, 304, 25 }, nullptr },
        { "按钮_设置目录", "QPushButton", { 577, 385, 64, 24 }, "设置" },
        { "选择框_启动不显示", "QCheckBox", { 9, 393, 192, 16 }, "启动时显示此想到" },
    };
    for (const auto& p : placements) {
        SCOPED_TRACE(p.name);
        auto* widget = control<QWidget>(wizard.get(), p.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), p.className);
        EXPECT_EQ(QRect(widget->mapTo(tabs, QPoint(0, 0)), widget->size()), p.geometry);
        EXPECT_TRUE(widget->isVisible());
        EXPECT_TRUE(tabs->widget(0)->isAncestorOf(widget));
        if (!p.text)
            continue;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            EXPECT_EQ(label->text(), QString::fromUtf8(p.text));
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), QString::fromUtf8(p.text));
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            EXPECT_EQ(edit->text(), QString::fromUtf8(p.text));
        }
    }

    auto* types = control<QListWidget>(wizard.get(), "超级列表框_工程类型");
    ASSERT_EQ(types->count(), 2);
    EXPECT_EQ(types->item(0)->text(), QStringLiteral("HTML"));
    EXPECT_EQ(types->item(1)->text(), QStringLiteral("CSS"));
    EXPECT_EQ(types->viewMode(), QListView::IconMode);
    EXPECT_EQ(types->iconSize(), QSize(48, 48));
    for (int row = 0; row < 2; ++row) {
        const auto picture = types->item(row)->icon().pixmap(48, 48).toImage();
        EXPECT_EQ(picture.size(), QSize(48, 48));
        EXPECT_NE(picture.pixelColor(24, 36).alpha(), 0) << "row " << row; // the coloured band
    }
    EXPECT_NE(
        types->item(0)->icon().pixmap(48, 48).toImage(), types->item(1)->icon().pixmap(48, 48).toImage());
    EXPECT_TRUE(types->selectedItems().isEmpty());

    auto* history = control<QTreeWidget>(wizard.get(), "超级列表框_历史记录");
    EXPECT_EQ(history->columnCount(), 1);
    EXPECT_EQ(history->headerItem()->text(0), QStringLiteral("历史记录"));
    EXPECT_EQ(history->columnWidth(0), 200);
    EXPECT_TRUE(control<QCheckBox>(wizard.get(), "选择框_启动不显示")->isChecked());
}

TEST_F(Wizard, WindowIsCentredOnItsScreen)
{
    WizardWindow wizard(context());
    wizard.centreOnScreen();
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    const auto centre = wizard.screen()->availableGeometry().center();
    const auto frameCentre = wizard.frameGeometry().center();
    EXPECT_LE(std::abs(frameCentre.x() - centre.x()), 1);
    EXPECT_LE(std::abs(frameCentre.y() - centre.y()), 1);
}

TEST_F(Wizard, FirstOpeningMakesTheProjectFolderAndStoresItAsDefault)
{
    ASSERT_FALSE(fs::exists(run() / "project"));
    auto wizard = shownWizard();
    EXPECT_TRUE(fs::is_directory(run() / "project"));
    EXPECT_EQ(IniFile(run() / "prj.ini").read("工程目录", "路径", ""), (run() / "project").string());
    EXPECT_EQ(control<QLineEdit>(wizard.get(), "编辑框_工程目录")->text(), defaultFolder());
}

// The list shows project names, newest first, once per file, with the whole path as the tooltip; a
// project whose file is gone is greyed. Empty entries name nothing and are not shown.
TEST_F(Wizard, HistoryListShowsProjectsNewestFirstWithTheirPaths)
{
    const fs::path page = run() / "project" / "我的 主页" / "我的 主页.html";
    writeFile(page, "<p>x</p>");
    const std::string gone = "/gone/旧样式/旧样式.css";
    writeFile(historyFile(), page.string() + "\r\n\r\n" + gone + "\r\n" + page.string());
    auto wizard = shownWizard();
    auto* history = control<QTreeWidget>(wizard.get(), "超级列表框_历史记录");
    ASSERT_EQ(history->topLevelItemCount(), 2);
    const auto* first = history->topLevelItem(0);
    const auto* second = history->topLevelItem(1);
    EXPECT_EQ(first->text(0), QStringLiteral("我的 主页"));
    EXPECT_EQ(first->toolTip(0), QString::fromStdString(page.string()));
    EXPECT_EQ(second->text(0), QStringLiteral("旧样式"));
    EXPECT_EQ(second->toolTip(0), QString::fromStdString(gone) + QStringLiteral("\n（文件已不存在）"));
    const QColor grey = wizard->palette().color(QPalette::Disabled, QPalette::Text);
    EXPECT_NE(first->foreground(0).color(), grey);
    EXPECT_EQ(second->foreground(0).color(), grey);
}

// Activating a row hands its document to the program, which decides: refused (the user kept the page,
// or the file could not be read), the wizard stays as it was; taken up, the wizard closes with it as the
// current document. A row whose file is gone says so and asks the program nothing.
TEST_F(Wizard, HistoryRowIsReopenedThroughTheProgram)
{
    const fs::path page = run() / "project" / "a" / "a.html";
    writeFile(page, "<p>a</p>");
    writeFile(historyFile(), "/gone/b/b.html\r\n" + page.string() + "\r\n");
    std::vector<fs::path> asked;
    bool takeUp = false;
    auto c = context();
    c.reopen = [&](const DocumentLocation& d) {
        asked.push_back(d.filePath());
        return takeUp;
    };
    WizardWindow wizard(c);
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    wizard.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wizard));
    auto* history = control<QTreeWidget>(&wizard, "超级列表框_历史记录");
    // A double-click as the mouse gives it: a click, then the second press that the toolkit reports as
    // a double-click.
    const auto doubleClick = [&](int row) {
        const QPoint at = history->visualItemRect(history->topLevelItem(row)).center();
        QTest::mouseClick(history->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(history->viewport(), Qt::LeftButton, {}, at);
    };

    doubleClick(1); // the missing one
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("提示"));
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("/gone/b/b.html")))
        << messages[0].text.toStdString();
    EXPECT_TRUE(asked.empty());

    doubleClick(0);
    EXPECT_EQ(asked, std::vector<fs::path> { page });
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_FALSE(wizard.projectReopened());
    EXPECT_EQ(wizard.document().filePath(), document.filePath());

    takeUp = true;
    history->setCurrentItem(history->topLevelItem(0));
    history->setFocus();
    QTest::keyClick(history, Qt::Key_Return);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_FALSE(wizard.isVisible());
    EXPECT_TRUE(wizard.projectReopened());
    EXPECT_FALSE(wizard.projectCreated());
    EXPECT_EQ(wizard.document().folder, page.parent_path());
    EXPECT_EQ(wizard.document().name, "a");
    EXPECT_EQ(wizard.document().kind, DocumentKind::Html);
    EXPECT_EQ(messages.size(), 1u);
}

struct RefusalCase
{
    const char* label;
    int typeRow; // -1: none clicked
    const char* name;
    const char* folder; // nullptr: the default folder; else relative to the run folder
    std::string message; // the start of the message
};

class WizardRefusal : public Wizard, public ::testing::WithParamInterface<RefusalCase>
{
};

TEST_P(WizardRefusal, SaysWhyAndChangesNothing)
{
    const auto& c = GetParam();
    writeFile(historyFile(), "/old/o.html\r\n");
    const auto before = document;
    auto wizard = shownWizard();
    if (c.folder)
        control<QLineEdit>(wizard.get(), "编辑框_工程目录")
            ->setText(QString::fromStdString((run() / c.folder).string()));
    if (c.typeRow >= 0)
        clickType(wizard.get(), c.typeRow);
    typeName(wizard.get(), QString::fromUtf8(c.name));
    clickButton(wizard.get(), "按钮_新建");

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("提示"));
    EXPECT_TRUE(messages[0].text.startsWith(QString::fromStdString(c.message)))
        << messages[0].text.toStdString();
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_FALSE(wizard->projectCreated());
    EXPECT_EQ(control<QLineEdit>(wizard.get(), "编辑框_工程名称")->text(), QString::fromUtf8(c.name));
    EXPECT_EQ(wizard->document().folder, before.folder);
    EXPECT_EQ(wizard->document().name, before.name);
    EXPECT_EQ(wizard->document().kind, before.kind);
    EXPECT_EQ(fileBytes(historyFile()), "/old/o.html\r\n");
}

INSTANTIATE_TEST_SUITE_P(Table, WizardRefusal,
    ::testing::Values(RefusalCase { "no_type", -1, "a", nullptr, "您没有选中任何一种工程" },
        RefusalCase { "no_name", 0, "", nullptr, "您没有输入工程名称，请重新输入" },
        RefusalCase { "blank_name", 1, "　 ", nullptr, "您没有输入工程名称，请重新输入" },
        RefusalCase { "slash_in_name", 0, "a/b", nullptr, std::string(kUnusableProjectName) },
        RefusalCase { "dot_dot", 0, "..", nullptr, std::string(kUnusableProjectName) },
        RefusalCase { "missing_parent", 1, "a", "nowhere", std::string(kProjectFolderNotCreated) }),
    [](const auto& test) { return std::string(test.param.label); });

TEST_F(Wizard, CreatingAProjectChangesTheDocumentAndCloses)
{
    auto wizard = shownWizard();
    clickType(wizard.get(), 1);
    typeName(wizard.get(), QStringLiteral("样式"));
    clickButton(wizard.get(), "按钮_新建");

    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(wizard->projectCreated());
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_EQ(wizard->document().folder, run() / "project" / "样式");
    EXPECT_EQ(wizard->document().name, "样式");
    EXPECT_EQ(wizard->document().kind, DocumentKind::StyleSheet);
    EXPECT_TRUE(fs::is_directory(run() / "project" / "样式"));
    EXPECT_EQ(fileBytes(historyFile()), (run() / "project" / "样式" / "样式.css").string() + "\r\n");

    // The next opening lists the new project.
    auto next = shownWizard();
    auto* history = control<QTreeWidget>(next.get(), "超级列表框_历史记录");
    ASSERT_EQ(history->topLevelItemCount(), 1);
    EXPECT_EQ(history->topLevelItem(0)->text(0), QStringLiteral("样式"));
    // Its file is written by the first Save; until then the row says it is not there.
    EXPECT_EQ(history->topLevelItem(0)->toolTip(0),
        QString::fromStdString(wizard->document().filePath().string()) + QStringLiteral("\n（文件已不存在）"));
}

struct SaveCase
{
    const char* label;
    int typeRow;
    std::string name;
    std::string file; // relative to the run folder
};

class WizardThenSave : public Wizard, public ::testing::WithParamInterface<SaveCase>
{
};

// The project's file does not exist until the first Save, which writes the page there whatever the
// kind: a style-sheet project gets the page's HTML in its ".css" file.
TEST_P(WizardThenSave, NextSaveWritesTheProjectFile)
{
    const auto& c = GetParam();
    auto wizard = shownWizard();
    clickType(wizard.get(), c.typeRow);
    typeName(wizard.get(), QString::fromStdString(c.name));
    clickButton(wizard.get(), "按钮_新建");
    ASSERT_TRUE(wizard->projectCreated()) << (messages.empty() ? "" : messages[0].text.toStdString());
    const auto file = run() / fs::path(c.file);
    EXPECT_FALSE(fs::exists(file));

    const QString page = QStringLiteral("<html><head></head><body><p>a</p></body></html>");
    DocumentFileStatus status;
    AnsweredMessages noBoxes([](const MessageRequest& request) {
        ADD_FAILURE() << request.text;
        return MessageButton::Ok;
    });
    DocumentContext documents(noBoxes);
    documents.getHtml = [&] { return page; };
    documents.document = [&] { return wizard->document(); };
    documents.status = &status;
    ASSERT_EQ(saveDocument(documents), SaveOutcome::Saved);
    EXPECT_EQ(fileBytes(file), page.toStdString());
    EXPECT_EQ(ProjectHistory(RunFolder(run())).entries(), std::vector<std::string> { file.string() });
}

std::string repeated(std::string_view part, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += part;
    return text;
}

// The longest names the wizard takes fill the file name to the usual limit of 255 bytes: a save must
// still be able to write the file.
INSTANTIATE_TEST_SUITE_P(Table, WizardThenSave,
    ::testing::Values(SaveCase { "html_page", 0, "a", "project/a/a.html" },
        SaveCase { "style_sheet", 1, "b", "project/b/b.css" },
        SaveCase { "longest_name", 0, std::string(250, 'n'),
            "project/" + std::string(250, 'n') + "/" + std::string(250, 'n') + ".html" },
        SaveCase { "longest_chinese_name", 1, repeated("页", 83),
            "project/" + repeated("页", 83) + "/" + repeated("页", 83) + ".css" }),
    [](const auto& test) { return std::string(test.param.label); });

// What a question box showed, and the answer given to it.
struct SeenBox
{
    QString title;
    QString text;
    QStringList buttons;
    QString defaultButton;
};

enum class Reply
{
    ClickYes,
    ClickNo,
    PressReturn,
};

// Answers every message box that comes up while it lives, the way the user would, and keeps what
// each one showed. A box nobody expected is still answered (with "否"), so a test fails instead of
// hanging.
class BoxAnswerer
{
public:
    explicit BoxAnswerer(Reply reply)
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this, reply] {
            for (auto* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (!box || !box->isVisible() || m_answered.contains(box))
                    continue;
                m_answered.insert(box);
                SeenBox seen { box->windowTitle(), box->text(), {}, {} };
                for (auto* button : box->buttons())
                    seen.buttons << button->text();
                seen.buttons.sort();
                if (box->defaultButton())
                    seen.defaultButton = box->defaultButton()->text();
                boxes.push_back(seen);
                answer(box, reply);
            }
        });
        m_poll.start(10);
    }

    std::vector<SeenBox> boxes;

private:
    static QAbstractButton* buttonNamed(QMessageBox* box, const QString& text)
    {
        for (auto* button : box->buttons())
            if (button->text() == text)
                return button;
        return nullptr;
    }

    static void answer(QMessageBox* box, Reply reply)
    {
        if (reply == Reply::PressReturn) {
            QTest::keyClick(box, Qt::Key_Return);
            return;
        }
        auto* button
            = buttonNamed(box, reply == Reply::ClickYes ? QStringLiteral("是") : QStringLiteral("否"));
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        else
            box->reject(); // not the box we were waiting for
    }

    QTimer m_poll;
    QSet<QMessageBox*> m_answered;
};

struct ExistingCase
{
    const char* label;
    bool folderThere; // the project's folder exists before "新建"
    bool fileThere; // and holds the project's document file
    Reply reply;
    bool created;
};

void PrintTo(const ExistingCase& c, std::ostream* os)
{
    *os << c.label;
}

class WizardOverExisting : public Wizard, public ::testing::WithParamInterface<ExistingCase>
{
};

// A project whose document file exists already is created only when the user says so: its first
// Save would replace that file. Only the file counts, not the folder.
TEST_P(WizardOverExisting, AsksBeforeTakingOverAnExistingFile)
{
    const auto& c = GetParam();
    const auto folder = run() / "project" / "demo";
    const auto file = folder / "demo.html";
    if (c.folderThere)
        fs::create_directories(folder);
    if (c.fileThere)
        writeFile(file, "<p>earlier work</p>");
    writeFile(historyFile(), "/old/o.html\r\n");
    const auto before = document;

    auto wizard = shownWizard();
    clickType(wizard.get(), 0);
    typeName(wizard.get(), QStringLiteral("demo"));
    BoxAnswerer answerer(c.reply);
    clickButton(wizard.get(), "按钮_新建");

    EXPECT_TRUE(messages.empty());
    if (c.fileThere) {
        ASSERT_EQ(answerer.boxes.size(), 1u);
        const auto& box = answerer.boxes[0];
        EXPECT_EQ(box.title, QStringLiteral("提示"));
        EXPECT_EQ(box.text, QStringLiteral("该工程已存在，继续将在保存时覆盖原有文件，是否继续？"));
        EXPECT_EQ(box.buttons, (QStringList { QStringLiteral("否"), QStringLiteral("是") }));
        EXPECT_EQ(box.defaultButton, QStringLiteral("否"));
        // Asking or going on writes no document file: the earlier work stays until a Save.
        EXPECT_EQ(fileBytes(file), "<p>earlier work</p>");
    } else {
        EXPECT_TRUE(answerer.boxes.empty()) << answerer.boxes[0].text.toStdString();
    }

    const std::string history = "/old/o.html\r\n";
    if (c.created) {
        EXPECT_TRUE(wizard->projectCreated());
        EXPECT_FALSE(wizard->isVisible());
        EXPECT_EQ(wizard->document().filePath(), file);
        EXPECT_EQ(fileBytes(historyFile()), history + file.string() + "\r\n");
        EXPECT_TRUE(fs::is_directory(folder));
    } else {
        EXPECT_FALSE(wizard->projectCreated());
        EXPECT_TRUE(wizard->isVisible());
        EXPECT_EQ(wizard->document().folder, before.folder);
        EXPECT_EQ(wizard->document().name, before.name);
        EXPECT_EQ(wizard->document().kind, before.kind);
        EXPECT_EQ(fileBytes(historyFile()), history);
        // The form as it was, ready for another name.
        EXPECT_EQ(control<QLineEdit>(wizard.get(), "编辑框_工程名称")->text(), QStringLiteral("demo"));
        EXPECT_EQ(control<QLineEdit>(wizard.get(), "编辑框_工程目录")->text(), defaultFolder());
        auto* types = control<QListWidget>(wizard.get(), "超级列表框_工程类型");
        ASSERT_EQ(types->selectedItems().size(), 1);
        EXPECT_EQ(types->row(types->selectedItems().first()), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, WizardOverExisting,
    ::testing::Values(ExistingCase { "file_exists_no", true, true, Reply::ClickNo, false },
        ExistingCase { "file_exists_return_key", true, true, Reply::PressReturn, false },
        ExistingCase { "file_exists_yes", true, true, Reply::ClickYes, true },
        ExistingCase { "folder_without_file", true, false, Reply::ClickNo, true },
        ExistingCase { "new_name", false, false, Reply::ClickNo, true }),
    [](const auto& test) { return std::string(test.param.label); });

TEST_F(Wizard, FolderBrowserSetsTheFolderAndCancelRestoresTheDefault)
{
    const auto before = document;
    auto wizard = shownWizard();
    auto* folderBox = control<QLineEdit>(wizard.get(), "编辑框_工程目录");

    nextChosenFolder = QStringLiteral("/srv/网站");
    clickButton(wizard.get(), "按钮_设置目录");
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0], QStringLiteral("请选择要设置的工程文件目录"));
    EXPECT_EQ(folderBox->text(), QStringLiteral("/srv/网站"));
    EXPECT_EQ(wizard->document().folder, fs::path("/srv/网站"));
    EXPECT_EQ(wizard->document().name, before.name);
    EXPECT_EQ(wizard->document().kind, before.kind);
    // The chosen folder is not remembered as the default.
    EXPECT_EQ(IniFile(run() / "prj.ini").read("工程目录", "路径", ""), (run() / "project").string());

    folderBox->setText(QStringLiteral("typed by hand"));
    nextChosenFolder.clear(); // cancelled
    clickButton(wizard.get(), "按钮_设置目录");
    EXPECT_EQ(prompts.size(), 2u);
    EXPECT_EQ(folderBox->text(), defaultFolder());
    EXPECT_EQ(wizard->document().folder, run() / "project");
    EXPECT_EQ(wizard->document().name, before.name);
    EXPECT_TRUE(wizard->isVisible());
}

TEST_F(Wizard, StartUpCheckBoxWritesItsStateAndIsCheckedAgainOnTheNextOpening)
{
    const auto stored
        = [this] { return IniFile(run() / "system" / "guid.ini").read("向导", "是否显示", "none"); };
    const auto click = [](QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        // A second click within the interval would be a double click, which does not toggle.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
    };
    {
        auto wizard = shownWizard();
        auto* box = control<QCheckBox>(wizard.get(), "选择框_启动不显示");
        click(box);
        EXPECT_FALSE(box->isChecked());
        EXPECT_EQ(stored(), "假");
        EXPECT_FALSE(showWizardAtStart(RunFolder(run())));
    }
    auto wizard = shownWizard();
    auto* box = control<QCheckBox>(wizard.get(), "选择框_启动不显示");
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(stored(), "假"); // opening writes nothing
    click(box);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(stored(), "假");
    click(box);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(stored(), "真");
    EXPECT_TRUE(showWizardAtStart(RunFolder(run())));
}

// Runs action on the modal window once it is up; gives up after five seconds by closing every
// modal window, so that a wizard that never appears fails the test instead of hanging it.
void whenModalShows(std::function<void(QWidget*)> action)
{
    auto* poll = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, [poll, started, action = std::move(action)] {
        if (auto* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            action(modal);
        } else if (started->elapsed() > 5000) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start(10);
}

TEST_F(Wizard, OpenWizardIsModalAndReportsWhetherAProjectWasCreated)
{
    const auto before = document;
    bool seen = false;
    whenModalShows([&](QWidget* modal) {
        seen = true;
        EXPECT_NE(qobject_cast<WizardWindow*>(modal), nullptr);
        EXPECT_TRUE(modal->isModal());
        modal->close(); // the close box
    });
    const auto closed = openWizard(nullptr, context());
    EXPECT_FALSE(closed.projectCreated);
    EXPECT_TRUE(seen);
    EXPECT_EQ(closed.document.folder, before.folder);
    EXPECT_EQ(closed.document.name, before.name);

    whenModalShows([&](QWidget* modal) {
        clickType(modal, 0);
        typeName(modal, QStringLiteral("a"));
        clickButton(modal, "按钮_新建");
    });
    const auto created = openWizard(nullptr, context());
    EXPECT_TRUE(created.projectCreated);
    EXPECT_EQ(created.document.filePath(), run() / "project" / "a" / "a.html");
    EXPECT_EQ(fileBytes(historyFile()), (run() / "project" / "a" / "a.html").string() + "\r\n");
}

// With the main window's boxes the wizard shows a refusal over that window: the text under its title,
// no icon and one OK button.
TEST_F(Wizard, RefusalBoxShowsTheTextUnderItsTitleWithOneOkButton)
{
    QWidget mainWindow;
    QtMessageService windowBoxes(&mainWindow);
    auto recorded = context();
    WizardContext c { recorded.runFolder, recorded.document, windowBoxes, recorded.chooseFolder };
    WizardWindow wizard(c);
    wizard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard));
    typeName(&wizard, QStringLiteral("a"));

    QString title, text;
    qsizetype buttons = 0;
    QWidget* parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::Information;
    whenModalShows([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        buttons = box->buttons().size();
        icon = box->icon();
        parent = box->parentWidget();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    clickButton(&wizard, "按钮_新建");
    EXPECT_EQ(title, QStringLiteral("提示"));
    EXPECT_EQ(text, QStringLiteral("您没有选中任何一种工程"));
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(parent, &mainWindow);
    EXPECT_TRUE(messages.empty());
}

} // namespace
} // namespace inkwell
