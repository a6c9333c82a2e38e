// A session of everyday edits in the real window, as a user makes them with keys, the input method,
// the toolbar and the clipboard, and the file Save writes of it: markup a person would have written,
// without the clutter an engine leaves behind while it edits.
#include "app/mainwindow.h"
#include "editing/designview.h"
#include "tests/app/windowdriver.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QToolButton>
#include <iostream>

namespace inkwell {
namespace {

using testing::eventually;
using testing::MainWindowTest;
using testing::ModalAnswerer;

// Counts the kinds of clutter in a saved page, each with the first few places it was found. Blocks
// hold text; inline elements format it; a format is the thing an element (or a style) gives its text.
constexpr auto kClutter = uR"js((function(src){
var d=new DOMParser().parseFromString(src,'text/html'),b=d.body,out={};
function add(kind,what){var s=typeof what==='string'?what:what.outerHTML||what.data;(out[kind]=out[kind]||[]).push(s.slice(0,120));}
var inline=/^(A|ABBR|B|BIG|CITE|CODE|DEL|EM|FONT|I|INS|KBD|MARK|Q|S|SMALL|SPAN|STRIKE|STRONG|SUB|SUP|TT|U)$/;
var blockName=/^(ADDRESS|BLOCKQUOTE|BODY|CENTER|DD|DIV|DT|FIELDSET|FIGURE|H[1-6]|LI|P|PRE|TD|TH|CAPTION|LEGEND)$/;
function blockOf(n){while(n&&!(n.nodeType===1&&blockName.test(n.tagName)))n=n.parentNode;return n;}
function blank(n){return n.nodeType===3&&!/\S/.test(n.data);}
b.querySelectorAll('div').forEach(function(e){add('div',e);});
for(var n=b.firstChild;n;n=n.nextSibling)if(n.nodeType===3&&/\S/.test(n.data))add('bare text in body',n.data);
b.querySelectorAll('ul,ol').forEach(function(e){var a=e.parentNode;while(inline.test(a.tagName))a=a.parentNode;
  if(/^(P|DIV)$/.test(a.tagName))add('list inside a block',a);});
b.querySelectorAll('span[style]').forEach(function(e){
  if(!/^\s*background-color:[^;]*;?\s*$/.test(e.getAttribute('style')))add('span with copied styles',e);});
b.querySelectorAll('*').forEach(function(e){
  if(inline.test(e.tagName)&&!/\S/.test(e.textContent)&&!e.querySelector('img,br,input,textarea,select,iframe'))
    add('empty inline element',e);});
b.querySelectorAll('br').forEach(function(br){
  var n=br;for(;;){var s=n.nextSibling;while(s&&blank(s))s=s.nextSibling;if(s)return;
    n=n.parentNode;if(!n||blockName.test(n.tagName))break;}
  var block=n,p=br.previousSibling;while(p&&blank(p))p=p.previousSibling;
  while(p&&p.nodeType===1&&inline.test(p.tagName)&&p.lastChild)p=p.lastChild;
  if(p&&p.nodeName==='BR')return;
  if(/\S/.test(block.textContent.replace(/\u00a0/g,' ')))add('trailing br',block);});
var walker=d.createTreeWalker(b,NodeFilter.SHOW_TEXT);
for(var t=walker.nextNode();t;t=walker.nextNode()){
  if(t.data.indexOf('\u00a0')<0||t.parentNode.closest('pre,textarea'))continue;
  var block=blockOf(t.parentNode),text=block.textContent,all=!/[^\s\u00a0]/.test(text);
  var before=0;for(var w=d.createTreeWalker(block,NodeFilter.SHOW_TEXT),u=w.nextNode();u&&u!==t;u=w.nextNode())before+=u.data.length;
  for(var i=0;i<t.data.length;++i){if(t.data[i]!=='\u00a0')continue;var k=before+i;
    if(!all&&!/[ \u00a0]/.test(text[k-1]||'')&&!/[ \u00a0]/.test(text[k+1]||''))add('needless nbsp',block);}}
function formats(e){var f=[],n=e.tagName,st=e.style||{};
  if(n==='B'||n==='STRONG'||/bold|[6-9]00/.test(st.fontWeight))f.push('bold');
  if(n==='I'||n==='EM'||st.fontStyle==='italic')f.push('italic');
  if(n==='U'||/underline/.test(st.textDecoration||''))f.push('underline');
  if(n==='S'||n==='STRIKE'||n==='DEL'||/line-through/.test(st.textDecoration||''))f.push('strike');
  if(n==='SUP'||n==='SUB')f.push(n.toLowerCase());
  if((n==='FONT'&&e.hasAttribute('color'))||st.color)f.push('colour');
  if((n==='FONT'&&e.hasAttribute('size'))||st.fontSize)f.push('size');
  if((n==='FONT'&&e.hasAttribute('face'))||st.fontFamily)f.push('face');
  if(st.backgroundColor)f.push('background');return f;}
b.querySelectorAll('*').forEach(function(e){if(!inline.test(e.tagName))return;
  formats(e).forEach(function(f){for(var a=e.parentNode;a&&a!==b&&inline.test(a.tagName);a=a.parentNode)
    if(formats(a).indexOf(f)>=0){add('doubly nested '+f,a);return;}});});
return JSON.stringify(out);})(%1))js";

class EditedMarkup : public MainWindowTest
{
public:
    EditedMarkup()
    {
        m_browser = control<QWebEngineView>("互联网浏览器1");
        m_keys = m_browser->focusProxy() ? m_browser->focusProxy() : m_browser;
    }

    QString evaluate(const QString& script) const
    {
        const auto value = m_window->designView().engine()->evaluate(script);
        return value ? value->toString() : QString();
    }
    QString body() const { return evaluate(QStringLiteral("document.body.innerHTML")); }

    // Waits until the page has taken in what was sent to it: its markup stays the same a while.
    void settle()
    {
        QString last = body();
        for (int round = 0; round < 40; ++round) {
            QTest::qWait(60);
            const QString now = body();
            if (now == last)
                return;
            last = now;
        }
    }

    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(m_keys, key, modifiers);
        settle();
    }
    // Latin text through the keys, and Chinese text as an input method gives it.
    void type(const QString& text)
    {
        const auto characters
            = [this] { return evaluate(QStringLiteral("document.body.textContent")).size(); };
        const qsizetype before = characters();
        if (text.front().unicode() < 0x80) {
            QTest::keyClicks(m_keys, text);
        } else {
            // Chinese as an input method without a composition window hands it over: a key event for
            // each character, carrying it as its text.
            for (const QChar c : text) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
                QApplication::sendEvent(m_keys, &press);
                QApplication::sendEvent(m_keys, &release);
            }
        }
        // Every key has arrived when the page holds that many more characters. (Reading the caret's place
        // while the keys arrive can make the engine drop an input method's text.)
        EXPECT_TRUE(eventually([&] { return characters() >= before + text.size(); }, 5000))
            << text.toStdString();
        settle();
    }
    void click(const char* name)
    {
        auto* button = control<QToolButton>(name);
        ASSERT_TRUE(button) << name;
        QTest::mouseClick(button, Qt::LeftButton);
        settle();
    }
    void pickSize(const char* size)
    {
        // A busy machine now and then closes the list before the click: the user picks again.
        auto* box = control<QComboBox>("组合框_字体大小");
        ASSERT_TRUE(testing::pickItem(box, QString::fromUtf8(size))
            || testing::pickItem(box, QString::fromUtf8(size)));
        settle();
    }

    // Selects the first place of `words` in the page's text, or puts the caret at its start or end.
    enum class Place
    {
        Words,
        Start,
        End
    };
    void select(const QString& words, Place place = Place::Words)
    {
        // The words may run over several text nodes (a part of them formatted).
        const QString script = QStringLiteral(
            "(function(w,how){var "
            "it=document.createTreeWalker(document.body,NodeFilter.SHOW_TEXT),nodes=[],text='',t;"
            "while((t=it.nextNode())){nodes.push([t,text.length]);text+=t.data;}var "
            "i=text.indexOf(w);if(i<0)return false;"
            "function at(k,late){for(var j=nodes.length-1;j>=0;--j){var "
            "n=nodes[j];if(n[1]<k||(n[1]===k&&late))"
            "return [n[0],k-n[1]];}return [nodes[0][0],0];}"
            "var a=at(how==='end'?i+w.length:i,how!=='end'),b=at(how==='start'?i:i+w.length,how==='start');"
            "var r=document.createRange();r.setStart(a[0],a[1]);r.setEnd(b[0],b[1]);"
            "var s=getSelection();s.removeAllRanges();s.addRange(r);return true;})(%1,'%2')")
                                   .arg(quoted(words),
                                       place == Place::Start     ? u"start"
                                           : place == Place::End ? u"end"
                                                                 : u"words");
        ASSERT_EQ(evaluate(script), QStringLiteral("true")) << words.toStdString();
        settle();
    }
    // The caret inside the element the CSS selector names, at the end of its content.
    void caretIn(const char* selector)
    {
        const QString script = QStringLiteral(
            "(function(){var e=document.querySelector('%1');if(!e)return false;var r=document.createRange();"
            "r.selectNodeContents(e);r.collapse(false);var "
            "s=getSelection();s.removeAllRanges();s.addRange(r);"
            "return true;})()")
                                   .arg(QString::fromUtf8(selector));
        ASSERT_EQ(evaluate(script), QStringLiteral("true")) << selector;
        settle();
    }
    void paste(QMimeData* data)
    {
        QGuiApplication::clipboard()->setMimeData(data);
        QTest::keyClick(m_keys, Qt::Key_V, Qt::ControlModifier);
        settle();
    }

    static QString quoted(const QString& text)
    {
        return QString::fromUtf8(QJsonDocument(QJsonArray { text }).toJson(QJsonDocument::Compact))
            .mid(1)
            .chopped(1);
    }

    // The kinds of clutter in the saved file, each with the places found.
    QJsonObject clutterIn(const QString& saved) const
    {
        return QJsonDocument::fromJson(evaluate(QString::fromUtf16(kClutter).arg(quoted(saved))).toUtf8())
            .object();
    }

    QWebEngineView* m_browser = nullptr;
    QWidget* m_keys = nullptr;
};

TEST_F(EditedMarkup, AnEverydaySessionSavesWithoutClutter)
{
    ModalAnswerer answers;
    // The page gets the focus as a click gives it; the blank page's body is empty.
    testing::select(m_browser,
        "var r=document.createRange();r.selectNodeContents(document.body);"
        "r.collapse(false);var s=getSelection();s.removeAllRanges();s.addRange(r);");

    // Paragraphs typed in Chinese and Latin text, a line break, a join and a split.
    type(QStringLiteral("第一行"));
    type(QStringLiteral(" first line"));
    key(Qt::Key_Return);
    type(QStringLiteral("second line "));
    type(QStringLiteral("第二行"));
    key(Qt::Key_Return);
    type(QStringLiteral("third"));
    key(Qt::Key_Return, Qt::ShiftModifier);
    type(QStringLiteral("after break"));
    key(Qt::Key_Return);
    type(QStringLiteral("fourth paragraph"));
    select(QStringLiteral("fourth"), Place::Start);
    key(Qt::Key_Backspace);
    key(Qt::Key_Return);

    // Formats on and off, again on the same words, and over words already formatted.
    select(QStringLiteral("second"));
    click("超级按钮_加粗");
    click("超级按钮_加粗");
    select(QStringLiteral("line"), Place::Words);
    click("超级按钮_斜体");
    click("超级按钮_斜体");
    select(QStringLiteral("第二行"));
    answers.setColour(QColor(0xCC, 0x00, 0x00));
    click("超级按钮_字体颜色");
    answers.setColour(QColor(0x00, 0x00, 0xCC));
    click("超级按钮_字体颜色");
    select(QStringLiteral("third"));
    pickSize("4");
    pickSize("5");
    select(QStringLiteral("fourth"));
    click("超级按钮_加粗");
    select(QStringLiteral("fourth paragraph"));
    click("超级按钮_加粗");
    click("超级按钮_下划线");

    // A list made and unmade, a list left with Enter on an empty item.
    select(QStringLiteral("paragraph"), Place::End);
    key(Qt::Key_Return);
    type(QStringLiteral("item one"));
    click("超级按钮_有序排列");
    key(Qt::Key_Return);
    type(QStringLiteral("item two"));
    click("超级按钮_有序排列");
    click("超级按钮_无序排列");
    select(QStringLiteral("item two"), Place::End);
    key(Qt::Key_Return);
    key(Qt::Key_Return);
    type(QStringLiteral("after list"));
    click("超级按钮_居中对齐");
    click("超级按钮_右对齐");
    click("超级按钮_左对齐");

    // A table filled in, a picture with a Chinese name, a link.
    key(Qt::Key_Return);
    click("超级按钮_表格");
    caretIn("td");
    type(QStringLiteral("周一"));
    caretIn("td:nth-child(2)");
    type(QStringLiteral("Tuesday"));
    caretIn("tr:nth-child(2) td:nth-child(2)");
    type(QStringLiteral("周三"));
    type(QStringLiteral(" morning"));
    const std::filesystem::path pictures = m_run.path() / "pictures";
    std::filesystem::create_directories(pictures);
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    const std::filesystem::path lake = pictures / "西湖风景.png";
    ASSERT_TRUE(picture.save(QString::fromStdString(lake.string())));
    select(QStringLiteral("after list"), Place::End);
    answers.setFile(QString::fromStdString(lake.string()));
    click("超级按钮_插入图片");
    answers.setFile({});
    click("超级按钮_超级链接");

    // Pastes: plain text, and a passage copied from a browser with a heading; Enter at the heading's end.
    select(QStringLiteral("third"), Place::End);
    auto* plain = new QMimeData;
    plain->setText(QStringLiteral(" and pasted words"));
    paste(plain);
    select(QStringLiteral("after list"), Place::End);
    key(Qt::Key_Return);
    auto* web = new QMimeData;
    web->setText(QStringLiteral("From the web\nA paragraph with bold and a link."));
    web->setHtml(QStringLiteral(
        "<meta charset=\"utf-8\"><h2 style=\"color: rgb(32, 33, 36); font-family: Arial, sans-serif;\">"
        "From the web</h2><p style=\"color: rgb(32, 33, 36); font-family: Arial, sans-serif; font-size: "
        "16px;\">"
        "A paragraph with <b>bold</b> and <a href=\"https://example.org/\">a link</a>.</p>"));
    paste(web);
    select(QStringLiteral("From the web"), Place::End);
    key(Qt::Key_Return);
    type(QStringLiteral("网上的段落"));
    // A line break typed and taken back, a join with Delete.
    key(Qt::Key_Return, Qt::ShiftModifier);
    key(Qt::Key_Backspace);
    select(QStringLiteral("网上的段落"), Place::End);
    key(Qt::Key_Delete);

    const QString text = evaluate(QStringLiteral("document.body.innerText")).replace(QChar(0xA0), u' ');
    for (const char* typed : { "第一行 first line", "second line 第二行", "third and pasted words",
             "after break", "fourth paragraph", "item one", "item two", "after list", "周一", "Tuesday",
             "周三 morning", "From the web", "网上的段落A paragraph with bold" })
        EXPECT_TRUE(text.contains(QString::fromUtf8(typed))) << typed << "\n" << text.toStdString();

    click("超级按钮_保存");
    EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.join(u'\n').toStdString();
    const std::string bytes = testing::fileBytes(m_window->document().filePath());
    const QString saved = QStringDecoder("GB18030").decode(QByteArray::fromStdString(bytes));

    const QJsonObject clutter = clutterIn(saved);
    int count = 0;
    std::string found;
    for (auto kind = clutter.begin(); kind != clutter.end(); ++kind) {
        count += static_cast<int>(kind.value().toArray().size());
        found
            += kind.key().toStdString() + ": " + QJsonDocument(kind.value().toArray()).toJson().toStdString();
    }
    std::cout << "clutter in the saved file: " << count << "\n" << found << saved.toStdString() << "\n";
    EXPECT_EQ(count, 0) << found << "\n" << bytes;

    // One block per line, the picture by its own name, with an alt.
    EXPECT_GE(saved.count(QLatin1Char('\n')), 12) << saved.toStdString();
    EXPECT_TRUE(saved.contains(QStringLiteral("src=\"西湖风景.png\" alt=\"\""))) << bytes;
}

// One edit on a small page: the markup the design view gives of it afterwards (what Save, the code view
// and the export get), and one Ctrl+Z that takes the whole edit back in the page itself.
struct EditCase
{
    const char* name;
    const char* body; // the page's body, loaded as a file is opened
    const char* caret; // the words the caret stands after (or, with a leading "<", before)
    std::function<void(EditedMarkup&)> edit;
    const char* afterwards; // the body as the design view gives it after the edit
    const char* undone; // the body's text after one undo; nullptr: the body as loaded, markup and all
};

void PrintTo(const EditCase& c, std::ostream* out)
{
    *out << c.name;
}

class OneEdit : public EditedMarkup, public ::testing::WithParamInterface<EditCase>
{
};

TEST_P(OneEdit, GivesCleanMarkupAndUndoesInOneStep)
{
    const EditCase& c = GetParam();
    m_window->designView().loadHtml(
        QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>%1</body></html>")
            .arg(QString::fromUtf8(c.body)));
    m_window->designView().editModeOn();
    testing::select(m_browser, "true");
    const QString loaded = body();
    const QString caret = QString::fromUtf8(c.caret);
    if (caret.startsWith(u'<'))
        select(caret.mid(1), Place::Start);
    else if (!caret.isEmpty())
        select(caret, Place::End);
    else
        caretIn("body");
    c.edit(*this);

    static const QRegularExpression inside(
        QStringLiteral("<body[^>]*>(.*)</body>"), QRegularExpression::DotMatchesEverythingOption);
    EXPECT_EQ(inside.match(m_window->designView().getHtml()).captured(1), QString::fromUtf8(c.afterwards));

    key(Qt::Key_Z, Qt::ControlModifier);
    if (c.undone)
        EXPECT_EQ(evaluate(QStringLiteral("document.body.textContent")), QString::fromUtf8(c.undone));
    else
        EXPECT_EQ(body(), loaded);
}

INSTANTIATE_TEST_SUITE_P(Table, OneEdit,
    ::testing::Values(
        EditCase { "typing_into_an_empty_body", "", "",
            [](EditedMarkup& session) { session.type(QStringLiteral("abc")); }, "\n<p>abc</p>\n", "" },
        EditCase { "enter_in_loose_text", "loose words", "loose",
            [](EditedMarkup& session) { session.key(Qt::Key_Return); }, "\n<p>loose</p>\n<p>words</p>\n",
            "loose words" },
        EditCase { "enter_at_the_end_of_a_heading", "<h2>Head</h2>", "Head",
            [](EditedMarkup& session) { session.key(Qt::Key_Return); }, "<h2>Head</h2>\n<p><br></p>\n",
            nullptr },
        EditCase { "line_break", "<p>one two</p>", "one",
            [](EditedMarkup& session) { session.key(Qt::Key_Return, Qt::ShiftModifier); },
            "<p>one<br>two</p>", nullptr },
        EditCase { "joining_a_paragraph_into_a_heading", "<h2>Head</h2><p>para</p>", "<para",
            [](EditedMarkup& session) { session.key(Qt::Key_Backspace); }, "<h2>Headpara</h2>", nullptr },
        EditCase { "list_from_a_paragraph", "<p>one two</p>", "one",
            [](EditedMarkup& session) { session.click("超级按钮_有序排列"); },
            "\n<ol>\n<li>one two</li>\n</ol>\n", nullptr },
        EditCase { "bold_over_a_bold_word", "<p>one <b>two</b> three</p>", "<one two",
            [](EditedMarkup& session) {
                session.select(QStringLiteral("one two"));
                session.click("超级按钮_加粗");
            },
            "<p><b>one two</b> three</p>", nullptr },
        EditCase { "typing_into_a_table_cell", "<table><tr><td>&nbsp;</td><td>&nbsp;</td></tr></table>", "",
            [](EditedMarkup& session) {
                session.caretIn("td");
                session.type(QStringLiteral("Mon"));
            },
            "<table><tbody><tr><td>Mon</td><td>&nbsp;</td></tr></tbody></table>", nullptr }),
    [](const auto& test) { return std::string(test.param.name); });

} // namespace
} // namespace inkwell
