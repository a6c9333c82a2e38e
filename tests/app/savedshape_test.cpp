// Pages the user brings keep what a browser needs to show them as before through Open and Save: the
// document type line (without it a browser lays the page out in quirks mode), the first blank line of a
// pre, textarea or listing, and their characters, whatever encoding they were written in.
#include "app/mainwindow.h"
#include "editing/designview.h"
#include "tests/app/windowdriver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPushButton>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineSettings>

namespace inkwell {
namespace {

namespace fs = std::filesystem;
using testing::eventually;
using testing::MainWindowTest;
using testing::ModalAnswerer;
using testing::fileBytes;
using testing::TempFolder;
using testing::writeFile;

// What a browser makes of a file on disk, decoding its bytes itself: the mode it lays the page out in,
// the document type, the text a reader sees and the text of every pre, textarea and listing.
class BrowserReading
{
public:
    BrowserReading()
    {
        // The pages' own scripts could rewrite what is read; ours run beside them regardless.
        m_page.settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    }

    QString read(const fs::path& file)
    {
        const QUrl url = QUrl::fromLocalFile(QString::fromStdString(file.string()));
        m_page.load(url);
        // The end of an earlier load can still be on its way: only this page, wholly read, will do.
        EXPECT_TRUE(eventually(
            [&] {
                return m_page.url() == url
                    && run(QStringLiteral("location.href+' '+document.readyState")).toString()
                    == url.toString(QUrl::FullyEncoded) + QStringLiteral(" complete");
            },
            20000))
            << file;
        return run(QStringLiteral(R"js(JSON.stringify([document.compatMode,
            document.doctype ? new XMLSerializer().serializeToString(document.doctype) : '',
            document.body ? document.body.innerText : '',
            Array.prototype.map.call(document.querySelectorAll('pre,textarea,listing'),
                function(e) { return e.tagName + ':' + (e.tagName === 'TEXTAREA' ? e.value : e.textContent); })]))js"))
            .toString();
    }

private:
    QVariant run(const QString& script)
    {
        auto result = std::make_shared<std::optional<QVariant>>();
        m_page.runJavaScript(
            script, QWebEngineScript::ApplicationWorld, [result](const QVariant& value) { *result = value; });
        EXPECT_TRUE(eventually([&] { return result->has_value(); }, 10000));
        return result->value_or(QVariant());
    }

    QWebEnginePage m_page;
};

class SavedShape : public MainWindowTest
{
protected:
    // Opens the file through the Open button and saves it through the Save button; the saved bytes.
    // A page whose markup is the one shown already (the same page again) has no change to wait for.
    enum class Shown
    {
        Other,
        Same,
    };
    std::string openAndSave(const fs::path& file, Shown shown = Shown::Other)
    {
        ModalAnswerer answers;
        answers.setFile(QString::fromStdString(file.string()));
        const QString before = m_window->designView().getHtml();
        QTest::mouseClick(control<QToolButton>("超级按钮_打开"), Qt::LeftButton);
        EXPECT_TRUE(eventually([&] { return answers.fileDialogs == 1; }, 10000));
        // The hidden file dialog, used again at once, now and then takes the name chosen the time before
        // instead of the one typed; the page stays as it was then, and the Open is asked for again.
        const auto replaced = [&] { return m_window->designView().getHtml() != before; };
        if (shown == Shown::Other && !eventually(replaced, 10000)) {
            QTest::mouseClick(control<QToolButton>("超级按钮_打开"), Qt::LeftButton);
            EXPECT_TRUE(eventually(replaced, 20000)) << file;
        }
        EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.join(u'\n').toStdString();
        QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);
        EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.join(u'\n').toStdString();
        return fileBytes(m_window->document().filePath());
    }

    TempFolder m_pages { testing::kBinaryDir / "saved-shape-pages" };
    BrowserReading m_browser;
};

struct ShapeCase
{
    const char* name;
    std::string_view bytes;
    std::string_view savedStart; // how the saved file begins
    std::string_view savedPart; // a piece the saved file holds, as bytes
};

class SmallPages : public SavedShape, public ::testing::WithParamInterface<ShapeCase>
{
};

TEST_P(SmallPages, ReadTheSameInABrowserAfterOpenAndSave)
{
    const fs::path original = m_pages.path() / "page.html";
    writeFile(original, std::string(GetParam().bytes));
    const std::string saved = openAndSave(original);
    EXPECT_TRUE(saved.starts_with(GetParam().savedStart)) << saved;
    EXPECT_NE(saved.find(GetParam().savedPart), std::string::npos) << saved;
    EXPECT_EQ(m_browser.read(m_window->document().filePath()), m_browser.read(original));

    // A second round changes nothing more: no line lost, no declaration added twice.
    const fs::path again = m_pages.path() / "again.html";
    writeFile(again, saved);
    EXPECT_EQ(openAndSave(again, Shown::Same), saved);
}

using namespace std::string_view_literals;

INSTANTIATE_TEST_SUITE_P(Table, SmallPages,
    ::testing::Values(
        ShapeCase { "doctype_and_blank_first_lines",
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\n"
            "<html><head><meta charset=\"utf-8\"><title>t</title></head><body>"
            "<pre>\n\n  two blank\n</pre><textarea>\n\nfirst</textarea><listing>\n\nlisted</listing>"
            "<pre>\nonly one</pre></body></html>",
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\n<html>",
            "<pre>\n\n  two blank\n</pre>" },
        ShapeCase { "xml_declaration_latin1",
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
            "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\n"
            "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>J\xE9r\xF4me</title></head>"
            "<body><p>Pokorn\xFD, J\xE9r\xF4me</p></body></html>",
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!DOCTYPE html PUBLIC", "Pokorn\xFD, J\xE9r\xF4me" },
        ShapeCase { "undeclared_latin1", "<html><head><title>x</title></head><body><p>Pokorn\xFD 2 J\xE9r\xF4me</p></body></html>",
            "<html><head><meta charset=\"windows-1252\">", "Pokorn\xFD 2 J\xE9r\xF4me" },
        ShapeCase { "undeclared_ascii_reference", "<!doctype html><html><head></head><body><p>Copyright &copy; 2024</p></body></html>",
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">", "Copyright \xC2\xA9 2024" },
        ShapeCase { "no_doctype_stays_without", "<html><head><meta charset=\"gb2312\"></head><body><p>\xD6\xD0</p></body></html>",
            "<html><head>", "<p>\xD6\xD0</p>" }),
    [](const auto& test) { return std::string(test.param.name); });

// The real pages in tests/data/pages, written by nobody here: each reads the same in a browser after an
// Open and a Save, its document type line included.
TEST_F(SavedShape, RealPagesReadTheSameInABrowserAfterOpenAndSave)
{
    const fs::path folder = fs::path(INKWELL_TEST_DATA) / "pages";
    int pages = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".html")
            continue;
        ++pages;
        // Both copies sit in folders without the page's style sheets, so that both read the same rules.
        const fs::path original = m_pages.path() / entry.path().filename();
        fs::copy_file(entry.path(), original, fs::copy_options::overwrite_existing);
        (void)openAndSave(original);
        EXPECT_EQ(m_browser.read(m_window->document().filePath()), m_browser.read(original))
            << entry.path().filename();
    }
    EXPECT_GT(pages, 10) << "the real pages are missing from " << folder;
}

} // namespace
} // namespace inkwell
