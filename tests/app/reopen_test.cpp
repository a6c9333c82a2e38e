// The ways back to earlier work in the real window: a project taken up again from the wizard's
// history (double-click or Enter on its row), the caption that names the page Save writes and marks
// unsaved edits, and Open refusing a file that is no page.
#include "app/mainwindow.h"
#include "editing/designview.h"
#include "projects/wizardwindow.h"
#include "tests/app/windowdriver.h"

#include <QHeaderView>
#include <QToolButton>
#include <QTreeWidget>
#include <deque>

namespace inkwell {
namespace {

using testing::eventually;
using testing::kCaretAtEnd;
using testing::MainWindowTest;
using testing::ModalAnswerer;
using testing::select;
using testing::visibleText;
namespace fs = std::filesystem;

// Works the modal windows a command opens, from inside their event loops: each message box is answered
// with the next caption of answers (its title and text are recorded), and once no box is up, the next
// step is run on the shown wizard. A step runs from the event loop, not from inside this hand, so that
// the boxes it opens are answered too; the next step waits until it has returned.
class WizardHand
{
public:
    using Step = std::function<void(WizardWindow&)>;

    WizardHand(std::deque<QString> answers, std::deque<Step> steps)
        : m_answers(std::move(answers))
        , m_steps(std::move(steps))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { act(); });
        m_timer.start(30);
    }

    QStringList boxes; // "title: text"
    [[nodiscard]] bool done() const { return m_answers.empty() && m_steps.empty() && !m_stepRunning; }

private:
    void act()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible())
                continue;
            boxes << box->windowTitle() + QStringLiteral(": ") + box->text();
            const QString caption = m_answers.empty() ? QString() : m_answers.front();
            if (!m_answers.empty())
                m_answers.pop_front();
            for (auto* button : box->buttons()) {
                if (button->text() == caption) {
                    button->click();
                    return;
                }
            }
            ADD_FAILURE() << "no answer \"" << caption.toStdString() << "\" for "
                          << box->text().toStdString();
            box->reject();
            return;
        }
        if (m_stepRunning || m_steps.empty())
            return;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* wizard = qobject_cast<WizardWindow*>(widget);
            if (!wizard || !wizard->isVisible())
                continue;
            m_stepRunning = true;
            QTimer::singleShot(0, wizard, [this, wizard, step = std::move(m_steps.front())] {
                step(*wizard);
                m_stepRunning = false;
            });
            m_steps.pop_front();
            return;
        }
    }

    QTimer m_timer;
    std::deque<QString> m_answers;
    std::deque<Step> m_steps;
    bool m_stepRunning = false;
};

enum class Activation
{
    DoubleClick,
    Enter,
};

// Activates the history row showing name as a user does.
void activate(WizardWindow& wizard, const QString& name, Activation how)
{
    // Without a window manager a window becomes active only when asked; clicks go to the active one.
    wizard.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wizard));
    auto* history = wizard.findChild<QTreeWidget*>(QStringLiteral("超级列表框_历史记录"));
    ASSERT_TRUE(history);
    const auto found = history->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    if (how == Activation::DoubleClick) {
        // A click, then the second press that the toolkit reports as a double-click.
        const QPoint at = history->visualItemRect(found.front()).center();
        QTest::mouseClick(history->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(history->viewport(), Qt::LeftButton, {}, at);
    } else {
        history->setCurrentItem(found.front());
        history->setFocus();
        QTest::keyClick(history, Qt::Key_Return);
    }
}

struct Row
{
    QString name;
    QString tooltip;
    bool greyed;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& r, std::ostream* out)
{
    *out << "{" << r.name.toStdString() << " | " << r.tooltip.toStdString() << (r.greyed ? " | greyed" : "")
         << "}";
}

class ReopenFromHistory : public MainWindowTest, public ::testing::WithParamInterface<Activation>
{
protected:
    void typeInPage(const char* text)
    {
        auto* browser = control<QWebEngineView>("互联网浏览器1");
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        select(browser, kCaretAtEnd);
        QWidget* keys = browser->focusProxy() ? browser->focusProxy() : browser;
        QTest::keyClicks(keys, text);
    }

    QString caption() const { return m_window->windowTitle(); }
};

// A project made on an earlier day, with a picture beside its page, is listed by its name and taken up
// again: the question over the unsaved page comes first ("取消" keeps page and wizard as they were), a
// row whose file is gone only says so, and then the page shows with its picture, the wizard is gone, the
// caption names the project's page, and Save writes back to that file. The history is left as it was.
TEST_P(ReopenFromHistory, TakesUpTheProjectAndSaveWritesBackToItsFile)
{
    const QString name = QStringLiteral("我的 主页");
    const fs::path project = m_run.path() / "project" / name.toStdString();
    const fs::path page = project / (name.toStdString() + ".html");
    const fs::path other = m_run.path() / "project" / "b" / "b.html";
    const fs::path gone = m_run.path() / "project" / "旧工程" / "旧工程.html";
    // A deep folder: the list's column is narrower than the path, which the tooltip shows whole.
    fs::create_directories(project);
    fs::create_directories(other.parent_path());
    testing::writeFile(page,
        "<html><head><meta charset=\"utf-8\"></head><body><p>回来了</p><img "
        "src=\"图/绿.png\"></body></html>");
    testing::writeFile(other, "<p>b</p>");
    fs::create_directories(project / "图");
    fs::copy_file(fs::path(INKWELL_TEST_DATA) / "archive/outside/green.png", project / "图" / "绿.png");
    const std::string history
        = page.string() + "\r\n" + gone.string() + "\r\n" + other.string() + "\r\n" + page.string() + "\r\n";
    testing::writeFile(m_run.path() / "system" / "工程记录.txt", history);

    typeInPage(" unsaved");
    ASSERT_TRUE(eventually([&] { return caption() == QStringLiteral("Inkwell - *临时页面"); }))
        << caption().toStdString();
    const auto temporary = m_window->document();

    std::vector<Row> rows;
    std::optional<DocumentLocation> whileCancelled;
    bool wizardOpenAfterCancel = false;
    const Activation how = GetParam();
    WizardHand hand(
        { QStringLiteral("取消"), QStringLiteral("确定"), QStringLiteral("取消"), QStringLiteral("不保存") },
        {
            [&](WizardWindow& wizard) {
                auto* list = wizard.findChild<QTreeWidget*>(QStringLiteral("超级列表框_历史记录"));
                const QColor grey = wizard.palette().color(QPalette::Disabled, QPalette::Text);
                for (int i = 0; i < list->topLevelItemCount(); ++i) {
                    const auto* item = list->topLevelItem(i);
                    rows.push_back({ item->text(0), item->toolTip(0), item->foreground(0).color() == grey });
                }
            },
            [&](WizardWindow& wizard) { activate(wizard, QStringLiteral("旧工程"), how); },
            [&](WizardWindow& wizard) { activate(wizard, name, how); },
            [&](WizardWindow& wizard) {
                whileCancelled = m_window->document();
                wizardOpenAfterCancel = wizard.isVisible();
                activate(wizard, name, how);
            },
        });
    // New first offers to save the page ("取消": not saved), then opens the wizard.
    QTest::mouseClick(control<QToolButton>("超级按钮_新建"), Qt::LeftButton);
    EXPECT_TRUE(hand.done());

    const std::vector<Row> expected {
        { name, QString::fromStdString(page.string()), false },
        { QStringLiteral("b"), QString::fromStdString(other.string()), false },
        { QStringLiteral("旧工程"),
            QString::fromStdString(gone.string()) + QStringLiteral("\n（文件已不存在）"), true },
    };
    EXPECT_EQ(rows, expected);
    const QStringList boxes { QStringLiteral("信息：: 是否保存？"),
        QStringLiteral("提示: 无法打开工程“旧工程”：它的文件已不存在，可能已被移动或删除。\n文件：")
            + QString::fromStdString(gone.string()),
        QStringLiteral("提示: 是否保存？"), QStringLiteral("提示: 是否保存？") };
    EXPECT_EQ(hand.boxes, boxes);
    EXPECT_TRUE(wizardOpenAfterCancel) << "取消 keeps the wizard open";
    ASSERT_TRUE(whileCancelled);
    EXPECT_EQ(whileCancelled->filePath(), temporary.filePath()) << "取消 changes no document";
    EXPECT_FALSE(fs::exists(temporary.filePath())) << "nothing was saved";

    EXPECT_EQ(m_window->document().filePath(), page);
    EXPECT_EQ(m_window->document().kind, DocumentKind::Html);
    ASSERT_TRUE(eventually([&] { return visibleText(*m_window).contains(QStringLiteral("回来了")); }))
        << visibleText(*m_window).toStdString();
    EXPECT_FALSE(visibleText(*m_window).contains(QStringLiteral("unsaved")));
    auto* browser = control<QWebEngineView>("互联网浏览器1");
    EXPECT_TRUE(eventually([&] {
        return testing::evaluateIn(browser, QStringLiteral("document.images[0].naturalWidth")).toInt() > 0;
    })) << "the picture beside the page shows";
    EXPECT_EQ(caption(), QStringLiteral("Inkwell - 我的 主页.html"));
    EXPECT_FALSE(m_window->documentStatus().isEdited());

    // Edited, the caption marks the page; saved, the mark goes and the project's own file has the edit.
    typeInPage(" edited again");
    ASSERT_TRUE(eventually([&] { return caption() == QStringLiteral("Inkwell - *我的 主页.html"); }))
        << caption().toStdString();
    QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
    EXPECT_EQ(caption(), QStringLiteral("Inkwell - 我的 主页.html"));
    const std::string saved = testing::fileBytes(page);
    EXPECT_NE(saved.find("edited again"), std::string::npos) << saved;
    EXPECT_NE(saved.find("图/绿.png"), std::string::npos) << saved;
    EXPECT_EQ(testing::fileBytes(m_run.path() / "system" / "工程记录.txt"), history)
        << "the history is only read";

    // Open looks in the project's folder first.
    ModalAnswerer answers;
    QString openedIn;
    answers.setFileDialogScript([&](QFileDialog* dialog) { openedIn = dialog->directory().absolutePath(); });
    QTest::mouseClick(control<QToolButton>("超级按钮_打开"), Qt::LeftButton);
    EXPECT_EQ(openedIn, QString::fromStdString(project.string()));
}

INSTANTIATE_TEST_SUITE_P(Table, ReopenFromHistory,
    ::testing::Values(Activation::DoubleClick, Activation::Enter),
    [](const auto& test) { return test.param == Activation::DoubleClick ? "double_click" : "enter"; });

// A picture chosen in Open by mistake is refused by name and leaves page, document and caption as
// they were; a page with a zero byte in it still opens up to the zero.
TEST_F(MainWindowTest, OpenRefusesAPictureAndKeepsThePage)
{
    const fs::path picture = m_run.path() / "西湖风景.png";
    fs::copy_file(fs::path(INKWELL_TEST_DATA) / "archive/outside/green.png", picture);
    const QString before = m_window->designView().getHtml();
    const auto document = m_window->document();
    {
        ModalAnswerer answers;
        answers.setFile(QString::fromStdString(picture.string()));
        QTest::mouseClick(control<QToolButton>("超级按钮_打开"), Qt::LeftButton);
        EXPECT_EQ(answers.boxes,
            QStringList { QStringLiteral("提示: 打开失败！西湖风景.png 不是网页文件。当前页面没有改动。") });
    }
    EXPECT_EQ(m_window->designView().getHtml(), before);
    EXPECT_EQ(m_window->document().filePath(), document.filePath());
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Inkwell - 临时页面"));

    const fs::path withZero = m_run.path() / "zero.html";
    testing::writeFile(withZero, std::string("<p>before the zero</p>\0\x89PNG", 27));
    ModalAnswerer answers;
    answers.setFile(QString::fromStdString(withZero.string()));
    QTest::mouseClick(control<QToolButton>("超级按钮_打开"), Qt::LeftButton);
    EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.join(u'|').toStdString();
    EXPECT_TRUE(eventually([&] { return visibleText(*m_window) == QStringLiteral("before the zero"); }))
        << visibleText(*m_window).toStdString();
}

} // namespace
} // namespace inkwell
