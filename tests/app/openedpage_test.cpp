// Open of a page that lies elsewhere with its pictures and style sheet in folders beside and above it,
// through the real window: the page shows them at once, the saved page's references resolve beside the
// document, and the export finds every one through the page server. Files the rules keep out are named
// in one box, and the page still opens.
#include "archive/htmlresourcescanner.h"
#include "core/percentencoding.h"
#include "publishing/pageserver.h"
#include "tests/app/windowdriver.h"
#include "tests/archive/archivetestsupport.h"
#include "tests/support/namedpipe.h"

#include <QBuffer>
#include <QImage>
#include <QToolButton>
#include <set>

namespace fs = std::filesystem;

namespace inkwell {
namespace {

using testing::eventually;
using testing::fileBytes;
using testing::MainWindowTest;
using testing::ModalAnswerer;
using testing::TempFolder;
using testing::writeFile;

std::string pictureBytes(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Pixels of the widget within a few steps of the colour in every channel.
int pixelsOf(QWidget* widget, QColor colour)
{
    const QImage shot = widget->grab().toImage();
    int count = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            count += std::abs(c.red() - colour.red()) < 6 && std::abs(c.green() - colour.green()) < 6
                && std::abs(c.blue() - colour.blue()) < 6;
        }
    }
    return count;
}

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 160, 0);
const QColor kBlue(0, 0, 255);
const QColor kYellow(255, 255, 0);

class OpenedPage : public MainWindowTest
{
protected:
    OpenedPage()
    {
        m_browser = control<QWebEngineView>("互联网浏览器1");
        m_folder = m_window->document().folder;
    }

    // Opens the file with the open button; the boxes it showed, each answered "确定".
    QStringList open(const fs::path& page)
    {
        ModalAnswerer answers;
        answers.setFile(QString::fromStdString(page.string()));
        QTest::mouseClick(control<QToolButton>("超级按钮_打开"), Qt::LeftButton);
        m_window->activateWindow(); // no window manager gives it back after the dialog
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        return answers.boxes;
    }

    QWebEngineView* m_browser = nullptr;
    fs::path m_folder;
    TempFolder m_site { testing::kBinaryDir / "test-runs" }; // the user's web site, elsewhere
};

TEST_F(OpenedPage, ShowsItsPicturesAtOnceAndSaveAndExportFindThem)
{
    const std::string photo = pictureBytes({ 60, 40 }, kRed);
    const std::string logo = pictureBytes({ 50, 30 }, kGreen);
    const std::string tile = pictureBytes({ 10, 10 }, kBlue);
    const std::string stale = pictureBytes({ 60, 40 }, kYellow);
    writeFile(m_site.path() / "pages/img/photo.png", photo);
    writeFile(m_site.path() / "shared/logo.png", logo);
    writeFile(m_site.path() / "pages/img/tile.png", tile);
    writeFile(m_site.path() / "pages/css/style.css",
        ".band { width: 120px; height: 20px; background: url(../img/tile.png) }");
    // A picture of the same name already beside the document: it stays, the page's own is shown.
    writeFile(m_folder / "img/photo.png", stale);
    const fs::path page = m_site.path() / "pages/index.html";
    const std::string markup
        = "<html><head><meta charset=\"utf-8\"><link rel=\"stylesheet\" href=\"css/style.css\">"
          "</head><body style=\"margin:0\"><p>打开的页面</p><img src=\"img/photo.png\"> "
          "<img src=\"../shared/logo.png\"><div class=\"band\"></div></body></html>";
    writeFile(page, markup);

    EXPECT_EQ(open(page), QStringList()) << "everything was copied";
    ASSERT_TRUE(
        eventually([&] { return testing::visibleText(*m_window).contains(QStringLiteral("打开的页面")); }));
    // Shown at once, from the copies: the page's red photo and not the yellow one that was there.
    EXPECT_TRUE(eventually([&] {
        return pixelsOf(m_browser, kRed) >= 60 * 40 && pixelsOf(m_browser, kGreen) >= 50 * 30
            && pixelsOf(m_browser, kBlue) >= 120 * 20;
    })) << pixelsOf(m_browser, kRed)
        << " red, " << pixelsOf(m_browser, kGreen) << " green, " << pixelsOf(m_browser, kBlue) << " blue";
    EXPECT_EQ(pixelsOf(m_browser, kYellow), 0);
    EXPECT_EQ(fileBytes(m_folder / "img/photo.png"), stale) << "a different file is never replaced";
    EXPECT_EQ(fileBytes(page), markup) << "the opened file is never changed";

    // Saved, the page's references lead to the copies beside the document file.
    QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
    const fs::path saved = m_window->document().filePath();
    const std::string savedPage = fileBytes(saved);
    ASSERT_NE(savedPage.find("打开的页面"), std::string::npos);
    std::map<std::string, std::string> resolved;
    for (const ResourceRef& ref : scanHtmlResources(savedPage).refs)
        resolved[ref.url] = fileBytes(saved.parent_path() / percentDecode(ref.url));
    EXPECT_EQ(resolved,
        (std::map<std::string, std::string> {
            { "css/style.css", fileBytes(m_site.path() / "pages/css/style.css") },
            { "img/photo-2.png", photo }, { "shared/logo.png", logo } }));
    EXPECT_EQ(fileBytes(m_folder / "img/tile.png"), tile) << "named by the style sheet";

    // The export fetches the page and every file through the page server, as F12's browser does.
    TempFolder elsewhere(testing::kBinaryDir / "test-runs");
    {
        ModalAnswerer answers;
        answers.setFile(QString::fromStdString((elsewhere.path() / "page").string()));
        QTest::mouseClick(control<QToolButton>("超级按钮_另存为"), Qt::LeftButton);
        ASSERT_TRUE(eventually([&] { return !answers.boxes.isEmpty(); }, 60000));
        EXPECT_EQ(answers.boxes, QStringList { QStringLiteral("信息：: 保存成功") });
    }
    const std::string server = "http://127.0.0.1:" + std::to_string(*m_window->pageServer().port()) + "/tmp/";
    std::set<std::string> parts;
    for (const archive_test::Part& part :
        archive_test::splitArchive(elsewhere.path() / "page.mht", elsewhere.path()))
        parts.insert(part.location.starts_with(server) ? part.location.substr(server.size()) : part.location);
    EXPECT_EQ(parts,
        (std::set<std::string> { saved.filename().string(), "css/style.css", "img/photo-2.png",
            "img/tile.png", "shared/logo.png" }));
}

// A symbolic link out of the site and a named pipe named like a picture are not copied, and one box says
// so; the page opens all the same, with its other pictures.
TEST_F(OpenedPage, NamesWhatItKeptOutInOneBox)
{
    TempFolder outside(testing::kBinaryDir / "test-runs");
    writeFile(outside.path() / "secret.png", pictureBytes({ 30, 30 }, kYellow));
    writeFile(m_site.path() / "img/photo.png", pictureBytes({ 60, 40 }, kRed));
    fs::create_symlink(outside.path() / "secret.png", m_site.path() / "img/link.png");
    ASSERT_TRUE(testing::makeNamedPipe(m_site.path() / "img/pipe.png"));
    const fs::path page = m_site.path() / "index.html";
    writeFile(page,
        "<html><head><meta charset=\"utf-8\"></head><body style=\"margin:0\"><p>有些图片没有复制</p>"
        "<img src=\"img/link.png\"><img src=\"img/pipe.png\"><img src=\"img/photo.png\"></body></html>");

    const testing::PipeWaitGuard guard(m_site.path() / "img/pipe.png", std::chrono::milliseconds(5000));
    const auto start = std::chrono::steady_clock::now();
    const QStringList boxes = open(page);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4000))
        << "the pipe is not waited on";
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("提示: 页面已打开，但以下文件没有复制到文档文件夹")))
        << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("img/link.png：它是指向网页所在文件夹以外的链接")))
        << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("img/pipe.png：它不是普通的文件")))
        << boxes[0].toStdString();
    EXPECT_FALSE(boxes[0].contains(QStringLiteral("photo.png")));
    ASSERT_TRUE(eventually(
        [&] { return testing::visibleText(*m_window).contains(QStringLiteral("有些图片没有复制")); }));
    EXPECT_TRUE(eventually([&] { return pixelsOf(m_browser, kRed) >= 60 * 40; }));
    EXPECT_EQ(pixelsOf(m_browser, kYellow), 0);
    EXPECT_FALSE(fs::exists(m_folder / "img/link.png"));
    EXPECT_FALSE(fs::exists(m_folder / "img/pipe.png"));
}

// Above 200 files the user is asked first; "否" opens the page and copies nothing.
TEST_F(OpenedPage, AsksBeforeALargeSite)
{
    std::string markup = "<html><head><meta charset=\"utf-8\"></head><body><p>很多图片</p>";
    for (int i = 0; i < 201; ++i) {
        writeFile(m_site.path() / "img" / (std::to_string(i) + ".png"), pictureBytes({ 2, 2 }, kRed));
        markup += "<img src=\"img/" + std::to_string(i) + ".png\">";
    }
    writeFile(m_site.path() / "index.html", markup + "</body></html>");
    ModalAnswerer answers(QStringLiteral("否"));
    answers.setFile(QString::fromStdString((m_site.path() / "index.html").string()));
    QTest::mouseClick(control<QToolButton>("超级按钮_打开"), Qt::LeftButton);
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_TRUE(answers.boxes[0].startsWith(QStringLiteral("提示: 该页面引用了 201 个本地文件（0.")))
        << answers.boxes[0].toStdString();
    EXPECT_TRUE(answers.boxes[0].endsWith(QStringLiteral(" MB），是否复制到文档文件夹？")));
    EXPECT_TRUE(
        eventually([&] { return testing::visibleText(*m_window).contains(QStringLiteral("很多图片")); }));
    EXPECT_FALSE(fs::exists(m_folder / "img"));
}

} // namespace
} // namespace inkwell
