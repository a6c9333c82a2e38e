// Pages the user brings keep what a browser needs to show them as before through Open and Save: the
// document type line (without it a browser lays the page out in quirks mode), the first blank line of a
// pre, textarea or listing, and their characters, whatever encoding they were written in.
#include "app/mainwindow.h"
#include "codeedits/elementplace.h"
#include "editing/designview.h"
#include "tests/app/windowdriver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPushButton>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QXmlStreamReader>
#include <Qsci/qsciscintilla.h>

namespace inkwell {
namespace {

namespace fs = std::filesystem;
using testing::eventually;
using testing::fileBytes;
using testing::MainWindowTest;
using testing::ModalAnswerer;
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
        // The pages come without the files they name; Open says so, and nothing else.
        answers.boxes.removeIf([](const QString& box) {
            return box.startsWith(QStringLiteral("提示: 页面已打开，但以下文件没有复制"));
        });
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
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\" "
            "\"http://www.w3.org/TR/html4/strict.dtd\">\n<html>",
            "<pre>\n\n  two blank\n</pre>" },
        ShapeCase { "xml_declaration_latin1",
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
            "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\n"
            "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>J\xE9r\xF4me</title></head>"
            "<body><p>Pokorn\xFD, J\xE9r\xF4me</p></body></html>",
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!DOCTYPE html PUBLIC",
            "Pokorn\xFD, J\xE9r\xF4me" },
        ShapeCase { "undeclared_latin1",
            "<html><head><title>x</title></head><body><p>Pokorn\xFD 2 J\xE9r\xF4me</p></body></html>",
            "<html><head><meta charset=\"windows-1252\">", "Pokorn\xFD 2 J\xE9r\xF4me" },
        ShapeCase { "undeclared_ascii_reference",
            "<!doctype html><html><head></head><body><p>Copyright &copy; 2024</p></body></html>",
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">", "Copyright \xC2\xA9 2024" },
        ShapeCase { "comment_after_the_root_stays_after_it",
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"></head><body><p>a</p></body></html>\n"
            "<!-- generated 2024 -->\n",
            "<!DOCTYPE html>\n<html>", "</html>\n<!-- generated 2024 -->" },
        ShapeCase { "carriage_return_reference_opens_a_pre",
            "<html><head><meta "
            "charset=\"utf-8\"></head><body><pre>&#13;\nline</pre><p>a&#13;b</p></body></html>",
            "<html>", "<pre>&#13;\nline</pre>" },
        ShapeCase { "latin2_letters_undeclared",
            "<html>\n<body>\n<p>\xEC\xB9\xE8\xF8</p>\n</body>\n</html>\n",
            "<html><head><meta charset=\"windows-1252\">", "<p>\xEC\xB9\xE8\xF8</p>" },
        ShapeCase { "no_doctype_stays_without",
            "<html><head><meta charset=\"gb2312\"></head><body><p>\xD6\xD0</p></body></html>", "<html><head>",
            "<p>\xD6\xD0</p>" }),
    [](const auto& test) { return std::string(test.param.name); });

// An undeclared page whose bytes are UTF-8 is read as UTF-8 and saved declaring it. Browsers that do not
// guess read the original as windows-1252 ("Donâ€™t"); UTF-8 is the better reading, and with the
// declaration every browser shows the saved page as its author wrote it.
TEST_F(SavedShape, AnUndeclaredUtf8PageIsReadAndSavedAsUtf8)
{
    const fs::path original = m_pages.path() / "utf8.html";
    writeFile(original, "<html><head></head><body><p>Don\xE2\x80\x99t</p></body></html>");
    const std::string saved = openAndSave(original);
    EXPECT_EQ(
        saved, "<html><head><meta charset=\"utf-8\"></head><body><p>Don\xE2\x80\x99t</p></body></html>");
    EXPECT_TRUE(m_browser.read(m_window->document().filePath()).contains(QStringLiteral("Don\u2019t")));
}

std::size_t occurrences(const std::string& text, std::string_view part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

// Whether bytes are well-formed XML; the error and where it is when not.
std::string xmlError(const std::string& bytes)
{
    QXmlStreamReader reader(QByteArray::fromStdString(bytes));
    while (!reader.atEnd())
        (void)reader.readNext();
    if (!reader.hasError())
        return {};
    return reader.errorString().toStdString() + " at line " + std::to_string(reader.lineNumber()) + ": "
        + bytes.substr(static_cast<std::size_t>(std::max<qint64>(0, reader.characterOffset() - 80)), 160);
}

// A page that came in XML syntax (an XML declaration, well-formed) is saved in it and stays well-formed:
// void elements keep their closing slash, attributes are not rewritten as `=""`, scripts keep their
// CDATA markers. It reads in a browser as the original does. Also the real pages of that kind.
TEST_F(SavedShape, PagesInXmlSyntaxStayWellFormed)
{
    const fs::path original = m_pages.path() / "xhtml.html";
    const std::string page
        = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
          "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
          "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\n"
          "<html xmlns=\"http://www.w3.org/1999/xhtml\" xml:lang=\"en\"><head><title>t</title>"
          "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" /></head>"
          "<body><p class=\"a\">one<br />two &amp; three&#160;four &lt;tag&gt;</p><hr />"
          "<p><input type=\"checkbox\" checked=\"checked\" disabled=\"disabled\" />"
          "<img src=\"x.png\" alt=\"\" /><a href=\"a.html?x=1&amp;y=2\" title=\"say "
          "&quot;hi&quot;\">l</a></p>"
          "<pre>\n\nkept</pre><div></div>"
          "<script type=\"text/javascript\">//<![CDATA[\nif (1 < 2 && 3) {}\n//]]></script>"
          "</body></html>\n";
    ASSERT_EQ(xmlError(page), "");
    writeFile(original, page);
    const std::string saved = openAndSave(original);
    EXPECT_EQ(xmlError(saved), "") << saved;
    EXPECT_TRUE(saved.starts_with("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE html PUBLIC"))
        << saved;
    for (const std::string_view part : { "one<br />two &amp; three\xC2\xA0"
                                         "four &lt;tag&gt;</p><hr />",
             "<input type=\"checkbox\" checked=\"checked\" disabled=\"disabled\" /><img src=\"x.png\" "
             "alt=\"\" />",
             "<pre>\n\nkept</pre><div></div>", "//<![CDATA[\nif (1 < 2 && 3) {}\n//]]>" })
        EXPECT_NE(saved.find(part), std::string::npos) << part << "\n" << saved;
    EXPECT_EQ(m_browser.read(m_window->document().filePath()), m_browser.read(original));

    for (const char* name : { "libexpat1-dev-reference.html", "libxslt1-dev-news.html" }) {
        const fs::path real = m_pages.path() / name;
        fs::copy_file(
            fs::path(INKWELL_TEST_DATA) / "pages" / name, real, fs::copy_options::overwrite_existing);
        const std::string realSaved = openAndSave(real);
        EXPECT_EQ(xmlError(realSaved), "") << name;
        EXPECT_EQ(occurrences(realSaved, "=\"\""), occurrences(fileBytes(real), "=\"\"")) << name;
        EXPECT_EQ(m_browser.read(m_window->document().filePath()), m_browser.read(real)) << name;
    }
}

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

// The first word of text in the code view that a reader sees: a line of the body's text (not of a script,
// a style or the title) that starts with a word of four letters or more. Its line, column and the word.
struct TextWord
{
    int line = -1;
    int column = 0;
    QString word;
};

TextWord firstTextWord(QsciScintilla& editor)
{
    const std::string text = editor.text().toStdString();
    for (int line = 0; line < editor.lines(); ++line) {
        const QString content = editor.text(line);
        int column = 0;
        while (column < content.size() && (content[column] == u'\t' || content[column] == u' '))
            ++column;
        int end = column;
        while (end < content.size() && content[end].isLetter() && content[end].unicode() < 0x80)
            ++end;
        if (end - column < 4 || (end < content.size() && !content[end].isSpace()))
            continue;
        const auto place
            = elementAt(text, static_cast<std::size_t>(editor.positionFromLineIndex(line, column)));
        if (!place)
            continue;
        static const QStringList hidden { "html", "head", "title", "script", "style", "textarea", "noscript",
            "option", "select" };
        if (hidden.contains(QString::fromStdString(place->name)))
            continue;
        return { line, column, content.mid(column, end - column) };
    }
    return {};
}

// The same pages through the code view: "代码", one word of their text changed, "设计" and Save. They read
// as the original does but for that word: nothing of the re-indentation reaches their text, their pre
// contents or their document type line.
TEST_F(SavedShape, RealPagesKeepAllButTheChangedWordThroughTheCodeView)
{
    const fs::path folder = fs::path(INKWELL_TEST_DATA) / "pages";
    const QString changed = QStringLiteral("Zqchanged");
    int pages = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".html")
            continue;
        ++pages;
        const fs::path original = m_pages.path() / entry.path().filename();
        fs::copy_file(entry.path(), original, fs::copy_options::overwrite_existing);
        (void)openAndSave(original);

        QTest::mouseClick(control<QToolButton>("超级按钮_代码"), Qt::LeftButton);
        auto* editor = control<QsciScintilla>("代码编辑框1");
        ASSERT_TRUE(eventually([&] { return editor->text().contains("<body"); }, 10000)) << original;
        const TextWord word = firstTextWord(*editor);
        ASSERT_GE(word.line, 0) << "no word of text found in " << original;
        editor->setSelection(
            word.line, word.column, word.line, word.column + static_cast<int>(word.word.size()));
        editor->setFocus();
        QTest::keyClicks(editor->viewport(), changed);
        ASSERT_TRUE(editor->text(word.line).contains(changed)) << original;
        QTest::mouseClick(control<QToolButton>("超级按钮_设计"), Qt::LeftButton);
        ASSERT_TRUE(eventually([&] { return m_window->designView().getHtml().contains(changed); }, 20000))
            << original;
        QTest::mouseClick(control<QToolButton>("超级按钮_保存"), Qt::LeftButton);

        // The word, wherever it stands, and its replacement read alike; everything else must match.
        const auto withoutWord = [&](QString reading) {
            return reading.replace(changed, QStringLiteral("\x01"))
                .replace(word.word, QStringLiteral("\x01"));
        };
        EXPECT_EQ(withoutWord(m_browser.read(m_window->document().filePath())),
            withoutWord(m_browser.read(original)))
            << entry.path().filename() << ": the word \"" << word.word.toStdString() << "\" changed";
    }
    EXPECT_GT(pages, 10) << "the real pages are missing from " << folder;
}

} // namespace
} // namespace inkwell
