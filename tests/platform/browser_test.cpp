// The browser-engine adapter with the real engine: what the design view relies on.
#include "platform/webenginebrowser.h"
#include "tests/support/eventually.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

class Browser : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.resize(640, 400);
        view.show();
        ASSERT_TRUE(browser.navigate(QUrl(QStringLiteral("about:blank"))));
    }
    QString markup() { return browser.rootMarkup().value_or(QStringLiteral("<read failed>")); }

    QWebEngineProfile profile; // off the record; must outlive the view
    QWebEngineView view;
    WebEngineBrowser browser { &view, &profile };
};

TEST_F(Browser, PageScriptsDoNotRunButStayInTheMarkup)
{
    ASSERT_TRUE(
        browser.loadPage(QStringLiteral("<html><head><title>t</title></head><body>"
                                        "<script>document.title='ran';document.body.remove();</script>"
                                        "<p>kept</p></body></html>"),
            QUrl()));
    EXPECT_EQ(browser.evaluate(QStringLiteral("document.title"))->toString(), QStringLiteral("t"));
    EXPECT_TRUE(
        markup().contains(QStringLiteral("<script>document.title='ran';document.body.remove();</script>")));
    EXPECT_TRUE(markup().contains(QStringLiteral("<p>kept</p>")));
}

TEST_F(Browser, PageCannotNavigateAwayFromTheEditedDocument)
{
    ASSERT_TRUE(browser.loadPage(
        QStringLiteral("<html><head><meta http-equiv=\"refresh\" content=\"0;url=http://127.0.0.1:9/\">"
                       "</head><body><p>work</p></body></html>"),
        QUrl()));
    QTest::qWait(1500); // proves an absence: the refresh does not take the page away
    EXPECT_TRUE(markup().contains(QStringLiteral("<p>work</p>"))) << markup().toStdString();
}

TEST_F(Browser, LoadsAndReadsBackAFiveMegabytePage)
{
    // Above the 2 MB that the engine takes through setHtml, with characters that need escaping on the way.
    QString body = QStringLiteral("<h1>中文 \"quoted\" back\\slash \u2028 \t \n</h1>");
    const QString paragraph = QStringLiteral("<p>line %1</p>\n");
    for (int i = 0; body.size() < 5 * 1024 * 1024; ++i)
        body += paragraph.arg(i);
    const QString page
        = QStringLiteral("<html><head></head><body>") + body + QStringLiteral("</body></html>");
    ASSERT_TRUE(browser.loadPage(page, QUrl()));
    const auto read = browser.rootMarkup();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->size(), page.size());
    EXPECT_TRUE(*read == page);
}

TEST_F(Browser, EditModeHoldsForEveryLaterLoadUntilSwitchedOff)
{
    EXPECT_FALSE(browser.documentEditable());
    browser.setEditMode(true);
    EXPECT_TRUE(browser.documentEditable());
    for (const char* page : { "<html><body><p>a</p></body></html>", "", "<!DOCTYPE html><p>b" }) {
        ASSERT_TRUE(browser.loadPage(QString::fromUtf8(page), QUrl()));
        EXPECT_TRUE(browser.documentEditable()) << page;
    }
    browser.setEditMode(false);
    ASSERT_TRUE(browser.loadPage(QStringLiteral("<p>c</p>"), QUrl()));
    EXPECT_FALSE(browser.documentEditable());
}

TEST_F(Browser, RelativePicturesResolveAgainstTheBaseUrl)
{
    QTemporaryDir folder;
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(folder.filePath(QStringLiteral("dot.png"))));
    ASSERT_TRUE(browser.loadPage(QStringLiteral("<html><body><img src=\"dot.png\"></body></html>"),
        QUrl::fromLocalFile(folder.path() + QLatin1Char('/'))));
    ASSERT_TRUE(inkwell::testing::eventually(
        [&] { return browser.evaluate(QStringLiteral("document.images[0].naturalWidth"))->toInt() == 8; },
        5000));
}

TEST_F(Browser, ConvertsColoursAndClampsFontSizes)
{
    browser.setEditMode(true);
    struct Case
    {
        const char* command;
        CommandValue value;
        const char* produced;
    };
    const Case cases[] = {
        { "ForeColor", std::int32_t(0x00336699), "color=\"#996633\"" },
        { "BackColor", std::int32_t(0x000000FF), "background-color: rgb(255, 0, 0)" },
        { "FontSize", std::int32_t(2), "size=\"2\"" },
        { "FontSize", std::int32_t(10), "size=\"7\"" },
        { "FontName", QStringLiteral("宋体"), "face=\"宋体\"" },
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(browser.loadPage(QStringLiteral("<html><body><p>one two</p></body></html>"), QUrl()));
        ASSERT_TRUE(browser.evaluate(QStringLiteral("var t=document.querySelector('p').firstChild;"
                                                    "getSelection().setBaseAndExtent(t,0,t,3);true")));
        EXPECT_TRUE(browser.execCommand(QString::fromLatin1(c.command), c.value)) << c.command;
        EXPECT_TRUE(markup().contains(QString::fromUtf8(c.produced)))
            << c.command << ": " << markup().toStdString();
    }
}

TEST_F(Browser, AnUnknownCommandChangesNothing)
{
    browser.setEditMode(true);
    ASSERT_TRUE(browser.loadPage(QStringLiteral("<html><head></head><body><p>x</p></body></html>"), QUrl()));
    const QString before = markup();
    EXPECT_FALSE(browser.execCommand(QStringLiteral("NoSuchCommand")));
    EXPECT_EQ(markup(), before);
}

TEST_F(Browser, OperationsOnAViewThatIsGoneFailQuietly)
{
    auto* doomed = new QWebEngineView;
    WebEngineBrowser orphan(doomed, &profile);
    ASSERT_TRUE(orphan.navigate(QUrl(QStringLiteral("about:blank")))); // the page is made with the view
    delete doomed;
    EXPECT_FALSE(orphan.loadPage(QStringLiteral("<p>x</p>"), QUrl()));
    EXPECT_FALSE(orphan.rootMarkup());
    EXPECT_FALSE(orphan.execCommand(QStringLiteral("Bold")));
}

} // namespace
} // namespace inkwell
