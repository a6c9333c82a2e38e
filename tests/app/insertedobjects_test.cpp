// Links and pictures stay editable, in the real window through the mouse and the keys: the link made
// from selected words and edited again (the link key, a double-click, the menu), the picture resized by
// its handle and by its properties and replaced, and the design view's own menu for what lies under
// the pointer.
#include "app/mainwindow.h"
#include "editing/designmenu.h"
#include "editing/designview.h"
#include "tests/app/windowdriver.h"
#include "tests/support/testfiles.h"

#include <QCheckBox>
#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QToolButton>

namespace inkwell {
namespace {

using testing::eventually;
using testing::MainWindowTest;

constexpr const char* kLinkPage
    = "<html><head><meta charset=\"utf-8\"></head><body><p>访问我的博客吧</p><p>第二段</p></body></html>";

// Runs `work` once on the dialog of that object name as soon as it shows (modal dialogs are answered
// from inside the loop that waits for them).
class WhenShown
{
public:
    WhenShown(const char* name, std::function<void(QDialog*)> work)
        : m_name(QString::fromUtf8(name))
        , m_work(std::move(work))
    {
        m_timer.setInterval(30);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QDialog*>(widget);
                if (!dialog || dialog->objectName() != m_name || !dialog->isVisible())
                    continue;
                m_timer.stop();
                m_seen = true;
                m_work(dialog);
                return;
            }
        });
        m_timer.start();
    }
    [[nodiscard]] bool seen() const { return m_seen; }

private:
    QString m_name;
    std::function<void(QDialog*)> m_work;
    QTimer m_timer;
    bool m_seen = false;
};

// With INKWELL_SCREENSHOTS naming a folder, the screen as it is now goes there under the name, for a
// person to look at the menu and the dialogs; otherwise nothing.
void screenshot(const char* name)
{
    const QString folder = qEnvironmentVariable("INKWELL_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QTest::qWait(200); // the window system draws what just showed
    (void)QProcess::execute(QStringLiteral("import"),
        { QStringLiteral("-window"), QStringLiteral("root"),
            folder + QLatin1Char('/') + QString::fromUtf8(name) });
}

template <typename T> T* field(QDialog* dialog, const char* name)
{
    return dialog->findChild<T*>(QString::fromUtf8(name));
}

// Types over a text field as a user does: everything selected, then the new text, by the keys where
// they have it and otherwise as an input method commits Chinese text.
void typeInto(QLineEdit* edit, const QString& text)
{
    ASSERT_TRUE(edit);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QString keys;
    const auto flushKeys = [&] {
        QTest::keyClicks(edit, keys);
        keys.clear();
    };
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            keys += c;
            continue;
        }
        flushKeys();
        QInputMethodEvent composed;
        composed.setCommitString(QString(c));
        QApplication::sendEvent(edit, &composed);
    }
    flushKeys();
}

class InsertedObjectsTest : public MainWindowTest
{
protected:
    void load(const QString& html)
    {
        m_browser = control<QWebEngineView>("互联网浏览器1");
        ASSERT_TRUE(m_browser);
        design().loadHtml(html);
        design().editModeOn();
        m_page = m_browser->focusProxy() ? m_browser->focusProxy() : m_browser;
    }

    DesignView& design() const { return m_window->designView(); }

    QString evaluate(const QString& script) const
    {
        const auto value = design().engine()->evaluate(script);
        return value ? value->toString() : QStringLiteral("(no answer)");
    }

    QString body() const
    {
        static const QRegularExpression inside(
            QStringLiteral("<body[^>]*>(.*)</body>"), QRegularExpression::DotMatchesEverythingOption);
        const auto match = inside.match(design().getHtml());
        return match.hasMatch() ? match.captured(1) : QStringLiteral("(no body)");
    }

    bool bodyBecomes(const QString& expected) const
    {
        return eventually([&] { return body() == expected; }, 3000);
    }

    // The middle of the first element the selector finds, in pixels of the page's widget.
    QPoint centreOf(const char* selector) const
    {
        const QString json
            = evaluate(QStringLiteral("(function(){var r=document.querySelector('%1')"
                                      ".getBoundingClientRect();return Math.round(r.left+r.width/2)+','+"
                                      "Math.round(r.top+r.height/2);})()")
                           .arg(QString::fromUtf8(selector)));
        const auto parts = json.split(QLatin1Char(','));
        return parts.size() == 2 ? QPoint(parts[0].toInt(), parts[1].toInt()) : QPoint();
    }

    // The middle of the selection, in pixels of the page's widget: a right-click there keeps it.
    QPoint centreOfSelection() const
    {
        const auto parts
            = evaluate(QStringLiteral("(function(){var r=getSelection().getRangeAt(0)"
                                      ".getBoundingClientRect();return Math.round(r.left+r.width/2)+','+"
                                      "Math.round(r.top+r.height/2);})()"))
                  .split(QLatin1Char(','));
        return parts.size() == 2 ? QPoint(parts[0].toInt(), parts[1].toInt()) : QPoint();
    }

    QRect rectOf(const char* selector) const
    {
        const QString json
            = evaluate(QStringLiteral("(function(){var r=document.querySelector('%1')"
                                      ".getBoundingClientRect();return [r.left,r.top,r.width,r.height]"
                                      ".map(Math.round).join(',');})()")
                           .arg(QString::fromUtf8(selector)));
        const auto parts = json.split(QLatin1Char(','));
        return parts.size() == 4
            ? QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt())
            : QRect();
    }

    // Clicks into the page (giving it the focus) and sets the selection with a script until it stays.
    void selectWith(const char* script) { testing::select(m_browser, script); }

    // Opens the design view's menu with the right button at the point and gives back its entries as
    // "caption|key"; the entry captioned `choose` is clicked, otherwise the menu is closed with Escape.
    QStringList menuAt(QPoint at, const QString& choose = QString())
    {
        QStringList entries;
        bool done = false;
        QTimer poll;
        poll.setInterval(30);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu || menu->objectName() != QStringLiteral("设计视图菜单"))
                return;
            poll.stop();
            QAction* chosen = nullptr;
            for (QAction* action : menu->actions()) {
                if (action->isSeparator())
                    continue;
                const QStringList parts = action->text().split(QLatin1Char('\t'));
                entries << parts.value(0) + QLatin1Char('|') + parts.value(1);
                if (parts.value(0) == choose)
                    chosen = action;
            }
            if (m_screenshot)
                screenshot(m_screenshot);
            done = true;
            if (chosen)
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
            else
                QTest::keyClick(menu, Qt::Key_Escape);
        });
        poll.start();
        QTest::mouseClick(m_page, Qt::RightButton, {}, at);
        EXPECT_TRUE(eventually([&] { return done && !QApplication::activePopupWidget(); }, 5000))
            << "the menu never showed";
        return entries;
    }

    // When set, the screen is written under this name while the menu shows (see screenshot).
    const char* m_screenshot = nullptr;
    QWebEngineView* m_browser = nullptr;
    QWidget* m_page = nullptr;
};

// "我的博客" of the first paragraph.
constexpr const char* kSelectBlog = "var t=document.querySelector('p').firstChild,r=document.createRange();"
                                    "r.setStart(t,2);r.setEnd(t,6);var s=getSelection();s.removeAllRanges();"
                                    "s.addRange(r);";
constexpr const char* kCaretInLink
    = "var t=document.querySelector('a').firstChild,r=document.createRange();"
      "r.setStart(t,1);r.collapse(true);var s=getSelection();s.removeAllRanges();"
      "s.addRange(r);";

TEST_F(InsertedObjectsTest, ALinkMadeFromSelectedWordsIsEditedAgainAndTakenAway)
{
    load(QString::fromUtf8(kLinkPage));
    selectWith(kSelectBlog);

    // The link button keeps the words and asks for the address, prefilled with the fragment's.
    QString offered;
    {
        WhenShown dialog("链接对话框", [&](QDialog* d) {
            offered = field<QLineEdit>(d, "链接地址")->text();
            typeInto(field<QLineEdit>(d, "链接地址"), QStringLiteral("https://blog.example.cn/"));
            typeInto(field<QLineEdit>(d, "链接标题"), QStringLiteral("我的博客首页"));
            field<QCheckBox>(d, "在新窗口打开")->setChecked(true);
            screenshot("link-dialog.png");
            QTest::keyClick(field<QLineEdit>(d, "链接标题"), Qt::Key_Return);
        });
        QTest::mouseClick(control<QToolButton>("超级按钮_超级链接"), Qt::LeftButton);
        ASSERT_TRUE(eventually([&] { return dialog.seen(); }, 3000));
    }
    EXPECT_EQ(offered, QStringLiteral("http://"));
    EXPECT_TRUE(
        bodyBecomes(QStringLiteral("<p>访问<a href=\"https://blog.example.cn/\" title=\"我的博客首页\" "
                                   "target=\"_blank\">我的博客</a>吧</p><p>第二段</p>")))
        << body().toStdString();

    // The address was one step: undo gives back the link as the command made it, redo the address.
    QTest::keyClick(m_page, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(bodyBecomes(QStringLiteral("<p>访问<a href=\"http://\">我的博客</a>吧</p><p>第二段</p>")))
        << body().toStdString();
    QTest::keyClick(m_page, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(
        bodyBecomes(QStringLiteral("<p>访问<a href=\"https://blog.example.cn/\" title=\"我的博客首页\" "
                                   "target=\"_blank\">我的博客</a>吧</p><p>第二段</p>")))
        << body().toStdString();

    // The link key on the link edits that link: the dialog shows what it has.
    selectWith(kCaretInLink);
    QStringList shown;
    {
        WhenShown dialog("链接对话框", [&](QDialog* d) {
            shown << field<QLineEdit>(d, "链接地址")->text() << field<QLineEdit>(d, "链接标题")->text()
                  << (field<QCheckBox>(d, "在新窗口打开")->isChecked() ? QStringLiteral("新窗口")
                                                                       : QString());
            typeInto(field<QLineEdit>(d, "链接地址"), QStringLiteral("https://blog.example.cn/关于"));
            field<QCheckBox>(d, "在新窗口打开")->setChecked(false);
            QTest::keyClick(field<QLineEdit>(d, "链接地址"), Qt::Key_Enter);
        });
        QTest::keyClick(m_page, Qt::Key_K, Qt::ControlModifier);
        ASSERT_TRUE(eventually([&] { return dialog.seen(); }, 3000)) << "Ctrl+K opened no dialog";
    }
    EXPECT_EQ(shown,
        QStringList({ QStringLiteral("https://blog.example.cn/"), QStringLiteral("我的博客首页"),
            QStringLiteral("新窗口") }));
    const QString edited = QStringLiteral("<p>访问<a href=\"https://blog.example.cn/关于\" "
                                          "title=\"我的博客首页\">我的博客</a>吧</p><p>第二段</p>");
    EXPECT_TRUE(bodyBecomes(edited)) << body().toStdString();

    // A double-click on the link edits it too; Escape leaves it as it is.
    {
        WhenShown dialog("链接对话框", [&](QDialog* d) {
            shown = { field<QLineEdit>(d, "链接地址")->text() };
            QTest::keyClick(field<QLineEdit>(d, "链接地址"), Qt::Key_Escape);
        });
        QTest::mouseDClick(m_page, Qt::LeftButton, {}, centreOf("a"));
        ASSERT_TRUE(eventually([&] { return dialog.seen(); }, 3000)) << "the double-click opened no dialog";
    }
    EXPECT_EQ(shown, QStringList({ QStringLiteral("https://blog.example.cn/关于") }));
    QTest::qWait(200); // proves an absence: the cancelled dialog changed nothing
    EXPECT_EQ(body(), edited);

    // "取消链接" keeps the words.
    (void)menuAt(centreOf("a"), QStringLiteral("取消链接"));
    EXPECT_TRUE(bodyBecomes(QStringLiteral("<p>访问我的博客吧</p><p>第二段</p>"))) << body().toStdString();
}

TEST_F(InsertedObjectsTest, WithoutASelectionTheLinkButtonInsertsItsFragmentAndCancelKeepsIt)
{
    load(QString::fromUtf8(kLinkPage));
    selectWith("var t=document.querySelector('p').firstChild,r=document.createRange();r.setStart(t,2);"
               "r.collapse(true);var s=getSelection();s.removeAllRanges();s.addRange(r);");
    QString offered;
    {
        WhenShown dialog("链接对话框", [&](QDialog* d) {
            offered = field<QLineEdit>(d, "链接地址")->text();
            QTest::keyClick(field<QLineEdit>(d, "链接地址"), Qt::Key_Escape);
        });
        QTest::mouseClick(control<QToolButton>("超级按钮_超级链接"), Qt::LeftButton);
        ASSERT_TRUE(eventually([&] { return dialog.seen(); }, 3000));
    }
    EXPECT_EQ(offered, QStringLiteral("http://"));
    EXPECT_TRUE(
        bodyBecomes(QStringLiteral("<p>访问<a href=\"http://\">超级链接</a>我的博客吧</p><p>第二段</p>")))
        << body().toStdString();
}

// The menu offers what fits what lies under the pointer, in Chinese, with the customary keys; the
// engine's own items (back, reload, save the page) are gone, and the window's groups (段落格式, 页面属性…)
// follow.
TEST_F(InsertedObjectsTest, TheMenuFitsWhatLiesUnderThePointer)
{
    const auto folder = design().documentFolder();
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(QString::fromStdString((folder / "绿.png").string())));
    load(QStringLiteral(
        "<html><head><meta charset=\"utf-8\"></head><body><p>普通文字在这里</p>"
        "<p><a href=\"a.html\">一个链接</a></p><p><img src=\"绿.png\" width=\"60\" height=\"40\"></p>"
        "</body></html>"));
    selectWith("");

    const QStringList common { QStringLiteral("撤销|Ctrl+Z"), QStringLiteral("重做|Ctrl+Y"),
        QStringLiteral("剪切|Ctrl+X"), QStringLiteral("复制|Ctrl+C"), QStringLiteral("粘贴|Ctrl+V"),
        QStringLiteral("粘贴为纯文本|Ctrl+Shift+V") };
    struct Case
    {
        const char* where;
        const char* selector;
        QStringList own;
    };
    const Case cases[] = {
        { "plain text", "p",
            { QStringLiteral("插入链接…|Ctrl+K"), QStringLiteral("段落格式|"),
                QStringLiteral("页面属性…|") } },
        { "a link", "a",
            { QStringLiteral("编辑链接…|Ctrl+K"), QStringLiteral("取消链接|"), QStringLiteral("段落格式|"),
                QStringLiteral("页面属性…|") } },
        { "a picture", "img",
            { QStringLiteral("插入链接…|Ctrl+K"), QStringLiteral("图片属性…|"), QStringLiteral("更换图片…|"),
                QStringLiteral("段落格式|"), QStringLiteral("页面属性…|") } },
    };
    const char* shots[] = { "menu-text.png", "menu-link.png", "menu-picture.png" };
    int shot = 0;
    for (const Case& c : cases) {
        m_screenshot = shots[shot++];
        const QStringList entries = menuAt(centreOf(c.selector));
        EXPECT_EQ(entries, common + c.own) << c.where;
        for (const QString& entry : entries)
            EXPECT_TRUE(entry.front().script() == QChar::Script_Han)
                << c.where << ": " << entry.toStdString();
    }
}

// 撤销 goes through the design view's history, 粘贴 through the paste handling of the keys.
TEST_F(InsertedObjectsTest, TheMenusHistoryAndClipboardEntriesWorkAsTheirKeys)
{
    load(QString::fromUtf8(kLinkPage));
    selectWith(kSelectBlog);
    QGuiApplication::clipboard()->setText(QStringLiteral("新内容"));
    (void)menuAt(centreOfSelection(), QStringLiteral("粘贴"));
    EXPECT_TRUE(bodyBecomes(QStringLiteral("<p>访问新内容吧</p><p>第二段</p>"))) << body().toStdString();
    (void)menuAt(centreOf("p"), QStringLiteral("撤销"));
    EXPECT_TRUE(bodyBecomes(QStringLiteral("<p>访问我的博客吧</p><p>第二段</p>"))) << body().toStdString();
    (void)menuAt(centreOf("p"), QStringLiteral("重做"));
    EXPECT_TRUE(bodyBecomes(QStringLiteral("<p>访问新内容吧</p><p>第二段</p>"))) << body().toStdString();
}

class PictureTest : public InsertedObjectsTest
{
protected:
    void SetUp() override
    {
        const auto folder = design().documentFolder();
        QImage own(30, 20, QImage::Format_RGB32);
        own.fill(Qt::darkGreen);
        ASSERT_TRUE(own.save(QString::fromStdString((folder / "绿.png").string())));
        load(QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><p>前<img src=\"绿.png\" "
                            "width=\"60\" height=\"40\" alt=\"\">后</p></body></html>"));
        ASSERT_TRUE(
            eventually([&] { return evaluate(QStringLiteral("document.images[0].complete")) == u"true"; }));
    }

    QString picture() const
    {
        static const QRegularExpression img(QStringLiteral("<img[^>]*>"));
        const auto match = img.match(body());
        return match.hasMatch() ? match.captured(0) : QStringLiteral("(no picture)");
    }

    bool handlesShown() const
    {
        return evaluate(QStringLiteral("(function(){var o=window.__inkwellObjects;return !!o&&!!o.host&&"
                                       "o.host.isConnected&&o.picture===document.images[0];})()"))
            == u"true";
    }

    // Drags from the picture's bottom right corner by (dx, dy), with the modifiers at the release.
    void dragCorner(int dx, int dy, Qt::KeyboardModifiers modifiers = {})
    {
        const QRect shown = rectOf("img");
        const QPoint corner(shown.right() + 1, shown.bottom() + 1);
        QTest::mousePress(m_page, Qt::LeftButton, {}, corner);
        for (int step = 1; step <= 4; ++step) {
            QTest::mouseMove(m_page, corner + QPoint(dx * step / 4, dy * step / 4));
            QTest::qWait(20);
        }
        QTest::mouseRelease(m_page, Qt::LeftButton, modifiers, corner + QPoint(dx, dy));
    }
};

TEST_F(PictureTest, ResizedByItsHandleKeepingProportionsOrFreeWithShift)
{
    QTest::mouseClick(m_page, Qt::LeftButton, {}, centreOf("img"));
    ASSERT_TRUE(eventually([&] { return handlesShown(); }, 3000)) << "a clicked picture shows no handles";
    screenshot("picture-handles.png");

    dragCorner(30, 5);
    EXPECT_TRUE(eventually(
        [&] { return picture() == u"<img src=\"绿.png\" width=\"90\" height=\"60\" alt=\"\">"; }, 3000))
        << picture().toStdString();
    ASSERT_TRUE(eventually([&] { return handlesShown(); }, 3000)) << "the resized picture lost its handles";

    dragCorner(10, 30, Qt::ShiftModifier);
    EXPECT_TRUE(eventually(
        [&] { return picture() == u"<img src=\"绿.png\" width=\"100\" height=\"90\" alt=\"\">"; }, 3000))
        << picture().toStdString();

    // Each drag is one step of undo.
    QTest::keyClick(m_page, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(eventually(
        [&] { return picture() == u"<img src=\"绿.png\" width=\"90\" height=\"60\" alt=\"\">"; }, 3000))
        << picture().toStdString();

    // Saved with the picture selected, the file holds the page and nothing of the handles, which stay.
    ASSERT_TRUE(eventually([&] { return handlesShown(); }, 3000));
    QTest::keyClick(m_page, Qt::Key_S, Qt::ControlModifier);
    const auto file = m_window->document().filePath();
    ASSERT_TRUE(eventually([&] { return std::filesystem::exists(file); }, 5000));
    const std::string saved = testing::fileBytes(file);
    EXPECT_NE(saved.find("<img src=\"绿.png\" width=\"90\" height=\"60\" alt=\"\">"), std::string::npos)
        << saved;
    EXPECT_EQ(saved.find("contenteditable"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("</body><div"), std::string::npos) << saved;
    EXPECT_TRUE(eventually([&] { return handlesShown(); }, 3000))
        << "the handles did not come back after the save";
    // Selecting and saving are no edits: the caption shows the page saved.
    QTest::qWait(1000); // proves an absence: the change watch reports nothing for the handles
    EXPECT_FALSE(m_window->windowTitle().contains(QLatin1Char('*'))) << m_window->windowTitle().toStdString();
}

TEST_F(PictureTest, PropertiesSetSizeAndTextAndReplaceThePicture)
{
    const auto folder = design().documentFolder();
    QImage other(50, 10, QImage::Format_RGB32);
    other.fill(Qt::blue);
    ASSERT_TRUE(other.save(QString::fromStdString((folder / "蓝 色.png").string())));

    // The width typed with the lock on brings the height along; the text for the picture is set.
    QStringList shown;
    {
        WhenShown dialog("图片属性对话框", [&](QDialog* d) {
            auto* width = field<QSpinBox>(d, "图片宽度");
            auto* height = field<QSpinBox>(d, "图片高度");
            shown << QString::number(width->value()) << QString::number(height->value());
            width->setFocus();
            width->selectAll();
            QTest::keyClicks(width, QStringLiteral("120"));
            shown << QString::number(height->value());
            typeInto(field<QLineEdit>(d, "替换文字"), QStringLiteral("西湖"));
            screenshot("picture-dialog.png");
            QTest::keyClick(field<QLineEdit>(d, "替换文字"), Qt::Key_Return);
        });
        (void)menuAt(centreOf("img"), QStringLiteral("图片属性…"));
        ASSERT_TRUE(eventually([&] { return dialog.seen(); }, 3000));
    }
    EXPECT_EQ(shown, QStringList({ QStringLiteral("60"), QStringLiteral("40"), QStringLiteral("80") }));
    EXPECT_TRUE(eventually(
        [&] { return picture() == u"<img src=\"绿.png\" width=\"120\" height=\"80\" alt=\"西湖\">"; }, 3000))
        << picture().toStdString();

    // "原始大小" gives the picture's own size; unlocked, the sides go their own ways.
    {
        WhenShown dialog("图片属性对话框", [&](QDialog* d) {
            QTest::mouseClick(field<QPushButton>(d, "原始大小"), Qt::LeftButton);
            field<QCheckBox>(d, "保持比例")->setChecked(false);
            auto* height = field<QSpinBox>(d, "图片高度");
            height->setFocus();
            height->selectAll();
            QTest::keyClicks(height, QStringLiteral("33"));
            QTest::keyClick(height, Qt::Key_Return);
        });
        (void)menuAt(centreOf("img"), QStringLiteral("图片属性…"));
        ASSERT_TRUE(eventually([&] { return dialog.seen(); }, 3000));
    }
    EXPECT_TRUE(eventually(
        [&] { return picture() == u"<img src=\"绿.png\" width=\"30\" height=\"33\" alt=\"西湖\">"; }, 3000))
        << picture().toStdString();

    // Another picture in its place, through the picture command's own dialog and copy: still one picture,
    // with its text, at its own size.
    const auto elsewhere = m_run.path() / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    ASSERT_TRUE(other.save(QString::fromStdString((elsewhere / "蓝 色2.png").string())));
    testing::ModalAnswerer files;
    files.setFile(QString::fromStdString((elsewhere / "蓝 色2.png").string()));
    (void)menuAt(centreOf("img"), QStringLiteral("更换图片…"));
    EXPECT_TRUE(eventually([&] { return picture() == u"<img src=\"蓝%20色2.png\" alt=\"西湖\">"; }, 5000))
        << picture().toStdString();
    EXPECT_EQ(files.dialogNames, QStringList({ QStringLiteral("通用对话框_插入图片") }));
    EXPECT_TRUE(std::filesystem::exists(folder / "蓝 色2.png"))
        << "the picture was not copied beside the page";
    EXPECT_EQ(body().count(QStringLiteral("<img")), 1) << body().toStdString();

    // Undo takes the replacement back in one step.
    QTest::keyClick(m_page, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(eventually(
        [&] { return picture() == u"<img src=\"绿.png\" width=\"30\" height=\"33\" alt=\"西湖\">"; }, 3000))
        << picture().toStdString();
}

} // namespace
} // namespace inkwell
