// Pictures that come into the real window by paste and by drop, and passages pasted from a word
// processor: what lands in the document folder, and what the page refers to.
#include "app/mainwindow.h"
#include "core/errorsentence.h"
#include "core/messagetexts.h"
#include "editing/designview.h"
#include "incoming/incomingpictures.h"
#include "tests/app/windowdriver.h"

#include <QBuffer>
#include <QClipboard>
#include <QDropEvent>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <set>
#include <sys/fsuid.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace inkwell {
namespace {

using testing::eventually;
using testing::kCaretAtEnd;
using testing::MainWindowTest;
using testing::ModalAnswerer;
using testing::select;
using testing::visibleText;

const QColor kPictureColour(200, 30, 60);

QByteArray pictureBytes(const char* format, QSize size = QSize(40, 30))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kPictureColour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

std::string toStd(const QByteArray& bytes)
{
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The file names in a folder.
std::set<std::string> namesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// Takes the file-system identity of an ordinary user on this thread while it lives, so that a folder
// without write permission refuses the program's writes even when the tests run as the superuser.
class OrdinaryUser
{
public:
    OrdinaryUser()
    {
        if (::geteuid() == 0) {
            ::setfsuid(65534);
            m_changed = true;
        }
    }
    ~OrdinaryUser()
    {
        if (m_changed)
            ::setfsuid(0);
    }
    OrdinaryUser(const OrdinaryUser&) = delete;
    OrdinaryUser& operator=(const OrdinaryUser&) = delete;

private:
    bool m_changed = false;
};

// The main window with a page opened into it; the document folder is the one the run started with.
class PicturePage : public MainWindowTest
{
protected:
    PicturePage()
    {
        const fs::path opened = m_run.path() / "page.html";
        testing::writeFile(
            opened, "<html><head><meta charset=\"utf-8\"></head><body><p>one two</p></body></html>");
        ModalAnswerer answers;
        answers.setFile(QString::fromStdString(opened.string()));
        QTest::mouseClick(control<QToolButton>("超级按钮_打开"), Qt::LeftButton);
        EXPECT_TRUE(visibleText(*m_window).contains("one two"));
        m_browser = control<QWebEngineView>("互联网浏览器1");
        m_window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        m_site = m_window->document().folder;
        m_before = namesIn(m_site);
    }

    QWidget* keys() const { return m_browser->focusProxy() ? m_browser->focusProxy() : m_browser; }

    // Ctrl+V as fingers often give it, Ctrl let go before V.
    void pressPasteKeys() const
    {
        QTest::keyPress(keys(), Qt::Key_Control);
        QTest::keyPress(keys(), Qt::Key_V, Qt::ControlModifier);
        QTest::keyRelease(keys(), Qt::Key_Control, Qt::ControlModifier);
        QTest::keyRelease(keys(), Qt::Key_V);
    }

    // The src, width attribute and natural width (0 until the picture shows) of each picture in the
    // page, in order, one line each.
    QStringList pictures() const
    {
        const auto value = m_window->designView().engine()->evaluate(QStringLiteral(
            "Array.prototype.map.call(document.images,function(i){return i.getAttribute('src')+'|'+"
            "i.getAttribute('width')+'|'+i.naturalWidth;}).join('\\n')"));
        const QString text = value ? value->toString() : QString();
        return text.isEmpty() ? QStringList() : text.split(u'\n');
    }

    // The files that have come into the document folder.
    std::set<std::string> newFiles() const
    {
        std::set<std::string> names;
        for (const std::string& name : namesIn(m_site)) {
            if (!m_before.contains(name))
                names.insert(name);
        }
        return names;
    }

    void dropFiles(const QList<QUrl>& files)
    {
        QMimeData data;
        data.setUrls(files);
        const QPoint at(30, 15);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(keys(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(keys(), &move);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(keys(), &drop);
        EXPECT_TRUE(drop.isAccepted());
    }

    fs::path m_site; // the document folder
    std::set<std::string> m_before; // what it held before the test
    QWebEngineView* m_browser = nullptr;
};

enum class Trigger
{
    Keys, // Ctrl+V in the page
    EngineMenu, // the engine's own Paste, as its context menu runs it
};

struct PasteCase
{
    const char* name;
    std::function<QMimeData*()> offer;
    Trigger trigger;
    bool picture; // a picture file is expected, else the engine's own paste
    const char* markup; // in the page afterwards, for the engine's own paste
};

void PrintTo(const PasteCase& c, std::ostream* out)
{
    *out << c.name;
}

class Paste : public PicturePage, public ::testing::WithParamInterface<PasteCase>
{
};

// A picture on the clipboard becomes a PNG file named by the time, inserted by that name where the
// caret is; text and a browser's HTML paste as the engine pastes them.
TEST_P(Paste, PictureBecomesAFileTextAndHtmlAsBefore)
{
    const PasteCase& c = GetParam();
    QMimeData* offered = c.offer();
    const QByteArray offeredPng = offered->data(QStringLiteral("image/png"));
    QGuiApplication::clipboard()->setMimeData(offered);
    select(m_browser, kCaretAtEnd);
    if (c.trigger == Trigger::Keys)
        pressPasteKeys();
    else
        m_browser->page()->triggerAction(QWebEnginePage::Paste);

    if (!c.picture) {
        ASSERT_TRUE(eventually([&] { return m_window->designView().getHtml().contains(c.markup); }))
            << m_window->designView().getHtml().toStdString();
        EXPECT_TRUE(newFiles().empty());
        return;
    }
    ASSERT_TRUE(eventually([&] { return !pictures().isEmpty(); }))
        << m_window->designView().getHtml().toStdString();
    const auto files = newFiles();
    ASSERT_EQ(files.size(), 1u);
    const QString name = QString::fromStdString(*files.begin());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{13}\\.png$")).match(name).hasMatch())
        << name.toStdString();
    // Referred to by its name, and shown from the document folder.
    EXPECT_TRUE(eventually([&] { return pictures() == QStringList { name + QStringLiteral("|null|40") }; }))
        << pictures().join(u' ').toStdString();
    EXPECT_FALSE(m_window->designView().getHtml().contains(QStringLiteral("data:")));
    const std::string bytes = testing::fileBytes(m_site / name.toStdString());
    EXPECT_TRUE(bytes.starts_with("\x89PNG\r\n\x1A\n"));
    const QImage written = QImage::fromData(QByteArray::fromStdString(bytes));
    EXPECT_EQ(written.size(), QSize(40, 30));
    EXPECT_EQ(QColor(written.pixel(5, 5)).red() / 8, kPictureColour.red() / 8);
    // The engine pastes nothing of its own, not even later, once the page is clicked again.
    QTest::qWait(1000);
    select(m_browser, kCaretAtEnd);
    QTest::qWait(500);
    EXPECT_EQ(pictures().size(), 1) << m_window->designView().getHtml().toStdString();
    EXPECT_FALSE(m_window->designView().getHtml().contains(QStringLiteral("data:")));
    // A PNG is written as it came.
    if (!offeredPng.isEmpty()) {
        EXPECT_EQ(bytes, toStd(offeredPng));
    }
    EXPECT_TRUE(visibleText(*m_window).contains("one two"));
}

INSTANTIATE_TEST_SUITE_P(Table, Paste,
    ::testing::Values(PasteCase { "png",
                          [] {
                              auto* data = new QMimeData;
                              data->setData(QStringLiteral("image/png"), pictureBytes("PNG"));
                              return data;
                          },
                          Trigger::Keys, true, nullptr },
        PasteCase { "jpeg_from_the_engine_menu",
            [] {
                auto* data = new QMimeData;
                data->setData(QStringLiteral("image/jpeg"), pictureBytes("JPEG"));
                return data;
            },
            Trigger::EngineMenu, true, nullptr },
        PasteCase { "picture_with_its_lone_img",
            [] {
                auto* data = new QMimeData;
                data->setData(QStringLiteral("image/png"), pictureBytes("PNG"));
                data->setHtml(
                    QStringLiteral("<meta charset='utf-8'><img src=\"https://example.org/cat.png\">"));
                return data;
            },
            Trigger::Keys, true, nullptr },
        PasteCase { "text",
            [] {
                auto* data = new QMimeData;
                data->setText(QStringLiteral("pasted"));
                return data;
            },
            Trigger::Keys, false, "one twopasted" },
        PasteCase { "browser_html",
            [] {
                auto* data = new QMimeData;
                data->setHtml(QStringLiteral("<meta charset='utf-8'><b>bold</b>"));
                data->setText(QStringLiteral("bold"));
                return data;
            },
            Trigger::Keys, false, "<b>bold</b>" }),
    [](const auto& test) { return std::string(test.param.name); });

// A picture the document folder cannot take is reported in Chinese, with why, and the page stays as
// it was.
TEST_F(PicturePage, PictureTheFolderCannotTakeChangesNothing)
{
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), pictureBytes("PNG"));
    QGuiApplication::clipboard()->setMimeData(data);
    select(m_browser, kCaretAtEnd);
    const QString before = m_window->designView().getHtml();
    fs::permissions(m_site,
        fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec
            | fs::perms::others_read | fs::perms::others_exec);
    ModalAnswerer answers;
    {
        OrdinaryUser user;
        pressPasteKeys();
    }
    ASSERT_TRUE(eventually([&] { return !answers.boxes.isEmpty(); }));
    fs::permissions(m_site, fs::perms::owner_all, fs::perm_options::add);
    const std::string expected = texts::pastedPictureNotSaved(Error { EACCES, {} }, m_site);
    EXPECT_EQ(answers.boxes, QStringList { QStringLiteral("提示: ") + QString::fromStdString(expected) });
    EXPECT_NE(expected.find(errorSentence(Error { EACCES, {} }, FileAction::Write)), std::string::npos);
    QTest::qWait(300); // proves an absence: nothing is pasted after the box
    EXPECT_EQ(m_window->designView().getHtml(), before);
    EXPECT_TRUE(newFiles().empty());
}

// On a scaled screen the picture shows at its logical size, as a capture does.
TEST_F(PicturePage, ScaledScreenGivesTheLogicalSize)
{
    IncomingPictures incoming(m_window->designView(), nullptr, [] { return std::string("1765432100123"); });
    QMimeData data;
    data.setData(QStringLiteral("image/png"), pictureBytes("PNG"));
    select(m_browser, kCaretAtEnd);
    ASSERT_TRUE(incoming.paste(data, 2.0));
    EXPECT_TRUE(eventually([&] {
        return m_window->designView().getHtml().contains(
            QStringLiteral("src=\"1765432100123.png\" alt=\"\" width=\"20\" height=\"15\""));
    })) << m_window->designView().getHtml().toStdString();
    EXPECT_EQ(newFiles(), std::set<std::string> { "1765432100123.png" });
}

struct DropCase
{
    const char* name;
    std::vector<const char*> files; // in "outside", or in the document folder with "site/"
    std::vector<const char*> sources; // the src of each picture inserted, in order
    std::vector<const char*> refused; // the files the box names
};

void PrintTo(const DropCase& c, std::ostream* out)
{
    *out << c.name;
}

class Drop : public PicturePage, public ::testing::WithParamInterface<DropCase>
{
};

// Dropped picture files go in as the picture command puts them in: copied beside the page (or used
// where they lie in its folder) and referred to by name, in the order dropped. Other files are named
// in a box. The page is never left for the file.
TEST_P(Drop, PicturesGoInByNameOthersAreNamed)
{
    const DropCase& c = GetParam();
    const fs::path outside = m_run.path() / "outside";
    fs::create_directories(outside);
    QList<QUrl> urls;
    std::vector<std::string> refusedPaths;
    for (const char* file : c.files) {
        const std::string name = file;
        const bool inSite = name.starts_with("site/");
        const fs::path path = inSite ? m_site / name.substr(5) : outside / fs::u8path(name);
        const bool refused = std::find_if(c.refused.begin(), c.refused.end(), [&](const char* r) {
            return name == r;
        }) != c.refused.end();
        testing::writeFile(path,
            refused ? std::string("not a picture, whatever its name says")
                    : toStd(pictureBytes(name.ends_with(".jpg") ? "JPEG" : "PNG")));
        urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
        if (inSite)
            m_before.insert(path.filename().string());
        if (refused)
            refusedPaths.push_back(path.string());
    }
    const QUrl shown = m_browser->url();
    ModalAnswerer answers;
    dropFiles(urls);

    QStringList expected;
    for (const char* source : c.sources)
        expected << QString::fromUtf8(source) + QStringLiteral("|null|40");
    EXPECT_TRUE(eventually([&] { return pictures() == expected; }))
        << pictures().join(u' ').toStdString() << "\n"
        << m_window->designView().getHtml().toStdString();
    if (!c.refused.empty()) {
        ASSERT_TRUE(eventually([&] { return !answers.boxes.isEmpty(); }));
        EXPECT_EQ(answers.boxes,
            QStringList { QStringLiteral("提示: ")
                + QString::fromStdString(texts::droppedFilesNotPictures(refusedPaths)) });
    } else {
        QTest::qWait(300); // proves an absence: no box comes up
        EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.join(u'\n').toStdString();
    }
    // The copies lie beside the page under the pictures' own names (one already there stays as it
    // was); nothing else came in.
    std::set<std::string> copies;
    for (const char* file : c.files) {
        const std::string name = file;
        if (std::find_if(c.refused.begin(), c.refused.end(), [&](const char* r) { return name == r; })
            == c.refused.end())
            if (!name.starts_with("site/"))
                copies.insert(name);
    }
    EXPECT_EQ(newFiles(), copies);
    EXPECT_EQ(m_browser->url(), shown);
    EXPECT_TRUE(visibleText(*m_window).contains("one two") || visibleText(*m_window).contains("one"));
}

INSTANTIATE_TEST_SUITE_P(Table, Drop,
    ::testing::Values(DropCase { "one_picture", { "a.png" }, { "a.png" }, {} },
        DropCase { "three_in_order_one_already_beside_the_page", { "b.png", "c.jpg", "site/d.png" },
            { "b.png", "c.jpg", "d.png" }, {} },
        DropCase { "text_files_even_named_as_pictures", { "notes.txt", "fake.png" }, {},
            { "notes.txt", "fake.png" } },
        DropCase { "chinese_name_with_a_blank", { "图 片 1.png" }, { "图%20片%201.png" }, {} },
        DropCase { "pictures_and_a_text_file", { "e.png", "readme.txt", "f.png" }, { "e.png", "f.png" },
            { "readme.txt" } }),
    [](const auto& test) { return std::string(test.param.name); });

// A dropped file that cannot be read is named with the reason, apart from the files that are no
// pictures; the pictures beside them still go in.
TEST_F(PicturePage, UnreadableDroppedFilesAreNamedWithTheirReason)
{
    const fs::path outside = m_run.path() / "outside";
    testing::writeFile(outside / "g.png", toStd(pictureBytes("PNG")));
    testing::writeFile(outside / "notes.txt", "not a picture");
    const fs::path gone = outside / "已删除.png";
    ModalAnswerer answers;
    dropFiles({ QUrl::fromLocalFile(QString::fromStdString((outside / "g.png").string())),
        QUrl::fromLocalFile(QString::fromStdString(gone.string())),
        QUrl::fromLocalFile(QString::fromStdString((outside / "notes.txt").string())) });
    ASSERT_TRUE(eventually([&] { return !answers.boxes.isEmpty(); }));
    const std::string expected = texts::droppedFilesNotInserted(
        { (outside / "notes.txt").string() }, { { gone.string(), Error { ENOENT, {} } } });
    EXPECT_EQ(answers.boxes, QStringList { QStringLiteral("提示: ") + QString::fromStdString(expected) });
    EXPECT_NE(expected.find("以下文件无法读取"), std::string::npos);
    EXPECT_NE(expected.find(errorSentence(Error { ENOENT, {} }, FileAction::Read)), std::string::npos);
    EXPECT_TRUE(eventually([&] { return pictures() == QStringList { QStringLiteral("g.png|null|40") }; }))
        << pictures().join(u' ').toStdString();
}

// A second logo.png from another folder never replaces the first beside the page: it takes a free
// name, and each picture shows as it was.
TEST_F(PicturePage, ADroppedPictureOfATakenNameTakesAFreeOne)
{
    const fs::path outside = m_run.path() / "outside";
    const std::string first = toStd(pictureBytes("PNG"));
    const std::string second = toStd(pictureBytes("BMP"));
    testing::writeFile(outside / "a" / "logo.png", first);
    testing::writeFile(outside / "b" / "logo.png", second);
    ModalAnswerer answers;
    dropFiles({ QUrl::fromLocalFile(QString::fromStdString((outside / "a" / "logo.png").string())) });
    ASSERT_TRUE(eventually([&] { return pictures().size() == 1; }));
    dropFiles({ QUrl::fromLocalFile(QString::fromStdString((outside / "b" / "logo.png").string())) });
    ASSERT_TRUE(eventually([&] { return pictures().size() == 2; }));
    // Where the caret stood after the first drop decides the order; both show, each its own file.
    QStringList shown = pictures();
    shown.sort();
    EXPECT_EQ(shown.join(u' '), QStringLiteral("logo-2.png|null|40 logo.png|null|40"));
    EXPECT_EQ(newFiles(), (std::set<std::string> { "logo-2.png", "logo.png" }));
    EXPECT_TRUE(testing::fileBytes(m_site / "logo.png") == first);
    EXPECT_TRUE(testing::fileBytes(m_site / "logo-2.png") == second);
    EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.join(u'\n').toStdString();
}

// A drop of a very large file is judged by its first bytes: one that is no picture is named at once,
// and a picture this large is copied only when the user says so.
TEST_F(PicturePage, AVeryLargeDropIsJudgedByItsStartAndAskedAbout)
{
    const fs::path outside = m_run.path() / "outside";
    fs::create_directories(outside);
    constexpr off_t kSize = off_t { 2 } << 30;
    const auto sparse = [&](const fs::path& path, const std::string& start) {
        testing::writeFile(path, start);
        ASSERT_EQ(::truncate(path.c_str(), kSize), 0);
    };
    sparse(outside / "big.png", toStd(pictureBytes("PNG")));
    sparse(outside / "huge.png", "not a picture, whatever its name says");

    ModalAnswerer answers(QStringLiteral("否"));
    auto started = std::chrono::steady_clock::now();
    dropFiles({ QUrl::fromLocalFile(QString::fromStdString((outside / "big.png").string())) });
    ASSERT_TRUE(eventually([&] { return !answers.boxes.isEmpty(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(answers.boxes,
        QStringList { QStringLiteral("提示: ")
            + QString::fromStdString(texts::droppedPicturesQuestion(1, static_cast<std::uint64_t>(kSize))) });
    QTest::qWait(300);
    EXPECT_TRUE(pictures().isEmpty());
    EXPECT_TRUE(newFiles().empty());

    answers.setButton(QStringLiteral("确定"));
    answers.boxes.clear();
    started = std::chrono::steady_clock::now();
    dropFiles({ QUrl::fromLocalFile(QString::fromStdString((outside / "huge.png").string())) });
    ASSERT_TRUE(eventually([&] { return !answers.boxes.isEmpty(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(answers.boxes,
        QStringList { QStringLiteral("提示: ")
            + QString::fromStdString(texts::droppedFilesNotPictures({ (outside / "huge.png").string() })) });
    EXPECT_TRUE(newFiles().empty());
}

// Said yes to, a large drop is copied whole while a progress box shows and the window keeps running.
TEST_F(PicturePage, ALargeDropSaidYesToIsCopiedWithAProgressBox)
{
    const fs::path outside = m_run.path() / "outside";
    fs::create_directories(outside);
    constexpr off_t kSize = off_t { 150 } << 20;
    testing::writeFile(outside / "large.png", toStd(pictureBytes("PNG")));
    ASSERT_EQ(::truncate((outside / "large.png").c_str(), kSize), 0);

    // Answers the question with "是" and looks for the progress box, which it leaves alone.
    QStringList boxes;
    bool progressShown = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible() || !widget->isModal())
                continue;
            if (auto* box = qobject_cast<QMessageBox*>(widget)) {
                boxes << box->windowTitle() + QStringLiteral(": ") + box->text();
                for (auto* button : box->buttons()) {
                    if (button->text() == QStringLiteral("是"))
                        button->click();
                }
            } else if (auto* progress = qobject_cast<QProgressDialog*>(widget)) {
                progressShown = progressShown
                    || progress->labelText() == QString::fromUtf8(texts::kCopyingDroppedPictures);
            }
        }
    });
    watch.start();
    dropFiles({ QUrl::fromLocalFile(QString::fromStdString((outside / "large.png").string())) });
    EXPECT_TRUE(eventually([&] { return pictures().size() == 1; }, 60000))
        << pictures().join(u' ').toStdString();
    watch.stop();
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(boxes,
        QStringList { QStringLiteral("提示: ")
            + QString::fromStdString(texts::droppedPicturesQuestion(1, static_cast<std::uint64_t>(kSize))) });
    EXPECT_EQ(newFiles(), std::set<std::string> { "large.png" });
    std::error_code error;
    EXPECT_EQ(fs::file_size(m_site / "large.png", error), static_cast<std::uintmax_t>(kSize));
}

struct PassageCase
{
    const char* name;
    const char* fixture; // in tests/data/wordprocessor
    const char* tempFolderUrl; // where the word processor's pictures lay when it was copied
    const char* pictureName; // the picture's name there
    std::vector<const char*> kept; // markup the page holds afterwards
};

void PrintTo(const PassageCase& c, std::ostream* out)
{
    *out << c.name;
}

class PastePassage : public PicturePage, public ::testing::WithParamInterface<PassageCase>
{
};

// A word processor's passage keeps what shows and loses the word processor's own markup; its picture
// is copied in from the temporary folder while it is still there and referred to by name.
TEST_P(PastePassage, KeepsWhatShowsCopiesThePicture)
{
    const PassageCase& c = GetParam();
    const testing::TempFolder wordProcessorTemp;
    const fs::path data = fs::path(INKWELL_TEST_DATA) / "wordprocessor";
    const std::string picture = testing::fileBytes(data / "lu296109xegl_tmp_26c45bdfc9e13273.png");
    ASSERT_FALSE(picture.empty());
    testing::writeFile(wordProcessorTemp.path() / c.pictureName, picture);
    QString html = QString::fromStdString(testing::fileBytes(data / c.fixture));
    ASSERT_TRUE(html.contains(QString::fromUtf8(c.tempFolderUrl)));
    html.replace(QString::fromUtf8(c.tempFolderUrl),
        QUrl::fromLocalFile(QString::fromStdString(wordProcessorTemp.path().string())).toString() + u'/');
    auto* offered = new QMimeData;
    offered->setHtml(html);
    offered->setText(QStringLiteral("the passage as text"));
    QGuiApplication::clipboard()->setMimeData(offered);
    select(m_browser, kCaretAtEnd);
    pressPasteKeys();

    ASSERT_TRUE(eventually([&] { return pictures().size() == 1; }))
        << m_window->designView().getHtml().toStdString();
    const auto files = newFiles();
    ASSERT_EQ(files.size(), 1u);
    const std::string name = *files.begin();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d{13}\\.png$")).match(QString::fromStdString(name)).hasMatch())
        << name;
    EXPECT_EQ(testing::fileBytes(m_site / name), picture);
    EXPECT_TRUE(eventually([&] {
        return pictures().constFirst() == QString::fromStdString(name) + "|40|40";
    })) << pictures().join(u' ').toStdString();
    const QString page = m_window->designView().getHtml();
    for (const char* kept : c.kept)
        EXPECT_TRUE(page.contains(QString::fromUtf8(kept))) << kept << "\n" << page.toStdString();
    for (const char* gone :
        { "mso-", "Mso", "<o:", "<w:", "<xml", "<!--", "file:", "lang=", "sdnum", "xmlns", "Generator" })
        EXPECT_FALSE(page.contains(QString::fromUtf8(gone))) << gone << "\n" << page.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Table, PastePassage,
    ::testing::Values(PassageCase { "writer", "writer-clipboard.html", "file:///tmp/lu296109xeg0.tmp/",
                          "lu296109xegl_tmp_26c45bdfc9e13273.png",
                          { "<h1>", "<b>粗体</b>", "斜体", "<u>", "<ul>", "<li>", "第二项",
                              "<a href=\"https://example.org/report\">示例网站</a>", "colspan=\"2\"", "<th",
                              "220", "结束。" } },
        PassageCase { "word", "word-fragment.html", "file:///tmp/msohtmlclip1/01/", "clip_image002.png",
            { "<h2>", "<b>三个部分</b>", "<i>均已完成</i>", "<u>请勿外传</u>",
                "<a href=\"https://example.org/plan\">计划书</a>", "<li>第一部分</li>", "colspan=\"2\"",
                "rowspan=\"2\"", "Courier New", "黑体", "编号段落" } }),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
} // namespace inkwell
