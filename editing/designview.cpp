#include "editing/designview.h"

#include "editing/blockformat.h"
#include "editing/editingscript.h"
#include "editing/fragments.h"
#include "editing/objectscript.h"
#include "editing/tablecommands.h"
#include "incoming/pictureinsertion.h"

#include <QDir>
#include <QUrl>
#include <algorithm>

namespace inkwell {
namespace {

// The comments after the page's last `</html>` end tag, when nothing but comments and white space
// follows it; otherwise none (text there belongs to the body).
int commentsAfterRoot(const QString& html)
{
    const qsizetype tag = html.lastIndexOf(QLatin1String("</html"), -1, Qt::CaseInsensitive);
    if (tag < 0)
        return 0;
    qsizetype at = html.indexOf(QLatin1Char('>'), tag);
    if (at < 0)
        return 0;
    int comments = 0;
    for (++at; at < html.size();) {
        const QChar c = html[at];
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f') {
            ++at;
        } else if (QStringView(html).mid(at, 4) == QLatin1String("<!--")) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), at + 4);
            if (end < 0)
                return 0;
            ++comments;
            at = end + 3;
        } else {
            return 0;
        }
    }
    return comments;
}

} // namespace

DesignView::DesignView() = default;
DesignView::~DesignView() = default;

void DesignView::attach(std::unique_ptr<BrowserEngine> engine)
{
    m_engine = std::move(engine);
    m_pageLoaded = false;
    if (!m_engine)
        return;
    // The editing rules, the handles and menu of inserted objects, then the keys of tables and block
    // formats, which work inside the page.
    m_engine->setEditingScripts({ editingscript::afterLoad() + QLatin1Char(';') + objectscript::afterLoad()
            + QLatin1Char(';') + tablescript::afterLoad() + QLatin1Char(';') + blockformatscript::afterLoad(),
        editingscript::rootMarkup() });
    (void)m_engine->navigate(QUrl(QStringLiteral("about:blank")));
}

void DesignView::setDocumentFolder(const std::filesystem::path& folder, FolderChange change)
{
    if (folder == m_documentFolder)
        return;
    m_documentFolder = folder;
    // Pictures referred to by relative names must keep showing, so the page is shown again against
    // its new folder.
    if (change != FolderChange::ShowPageAgain || !m_engine || !m_pageLoaded)
        return;
    // A page that cannot be read is left as it is rather than replaced by nothing. The engine forgets
    // its own steps with the load, so they become states of the history first.
    if (!keepOwnSteps())
        return;
    show(QString::fromStdString(m_history.page()));
}

void DesignView::loadHtml(const QString& html)
{
    m_history.start(html.toStdString());
    show(html);
}

void DesignView::loadCarriedPage(const QString& html, const std::string* before)
{
    // A page that cannot be read cannot be given back either.
    if (!keepOwnSteps(before)) {
        loadHtml(html);
        return;
    }
    m_history.push(html.toStdString());
    show(html);
}

void DesignView::showAgain(const QString& html)
{
    m_history.push(html.toStdString());
    show(html);
}

namespace {

// The engine's own undo (redo) when it has a step: 2. Otherwise whether it has a step the other way
// (the page was edited since its load): 1, or 0.
const QString kOwnStep = QStringLiteral(
    "(function(back){var d=document,u=back?'undo':'redo',o=back?'redo':'undo';"
    "if(d.queryCommandEnabled(u)){d.execCommand(u);return 2;}return d.queryCommandEnabled(o)?1:0;})(%1)");

// Where the user is in the page (selection and scroll) as JSON. Nodes are written down as their child
// indices from the document: the same page loaded again has the same nodes at the same places.
const QString kPositionFunction = QStringLiteral(
    "(function(){function path(n){var p=[];while(n&&n!==document){var i=0,s=n;"
    "while((s=s.previousSibling))++i;p.unshift(i);n=n.parentNode;}return n?p:null;}"
    "var s=getSelection(),r=s&&s.rangeCount?s.getRangeAt(0):null,e=document.scrollingElement;"
    "return JSON.stringify({a:r?path(r.startContainer):null,ao:r?r.startOffset:0,"
    "b:r?path(r.endContainer):null,bo:r?r.endOffset:0,x:e?e.scrollLeft:0,y:e?e.scrollTop:0});})");

// The most steps of its own the engine is walked through at once, and for how long it is walked (a
// state of a large page takes a while to write down); older steps join the oldest kept.
constexpr int kMostOwnSteps = 1000;
constexpr int kWalkMilliseconds = 3000;

const QString& pageTextScript();

} // namespace

std::optional<QString> DesignView::applied(const QString& page, const TextStep& step)
{
    if (step.at < 0 || step.cut < 0 || step.at > page.size() || step.cut > page.size() - step.at)
        return std::nullopt;
    QString out;
    out.reserve(page.size() - step.cut + step.text.size());
    out.append(QStringView(page).left(step.at));
    out.append(step.text);
    out.append(QStringView(page).mid(step.at + step.cut));
    return out;
}

std::optional<DesignView::OwnSteps> DesignView::walkOwnSteps(bool back, bool returnAfter)
{
    if (!m_engine)
        return std::nullopt;
    // The whole walk is one script, so that nothing the user does comes between its steps; each state
    // is sent back as what changed from the one before, so that of a large page only one is sent whole.
    const QString script = QStringLiteral(
        "(function(dir,K,most,ms,returnAfter){var text=%1,where=%2,d=document,t=performance.now();"
        "var prev=text(K)[0],first=prev,steps=[],places=[where()],n=0;"
        "while(n<most&&performance.now()-t<ms&&d.queryCommandEnabled(dir)){d.execCommand(dir);++n;var "
        "s=text(K)[0];"
        "var a=0,m=Math.min(prev.length,s.length);while(a<m&&prev.charCodeAt(a)===s.charCodeAt(a))++a;"
        "var b=0;while(b<m-a&&prev.charCodeAt(prev.length-1-b)===s.charCodeAt(s.length-1-b))++b;"
        "steps.push([a,prev.length-a-b,s.slice(a,s.length-b)]);places.push(where());prev=s;}"
        "var all=!d.queryCommandEnabled(dir),other=dir==='undo'?'redo':'undo';"
        "if(returnAfter)for(var i=0;i<n;++i)d.execCommand(other);"
        "return[first,steps,places,all];})('%3',%4,%5,%6,%7)")
                               .arg(pageTextScript(), kPositionFunction,
                                   back ? QStringLiteral("undo") : QStringLiteral("redo"),
                                   QString::number(m_commentsAfterRoot), QString::number(kMostOwnSteps),
                                   QString::number(kWalkMilliseconds),
                                   returnAfter ? QStringLiteral("true") : QStringLiteral("false"));
    const auto value = m_engine->evaluate(script);
    if (!value)
        return std::nullopt;
    const QVariantList parts = value->toList();
    if (parts.size() != 4)
        return std::nullopt;
    OwnSteps walked;
    walked.first = parts[0].toString();
    const QVariantList steps = parts[1].toList();
    const QVariantList places = parts[2].toList();
    if (places.size() != steps.size() + 1)
        return std::nullopt;
    for (const QVariant& step : steps) {
        const QVariantList fields = step.toList();
        if (fields.size() != 3)
            return std::nullopt;
        walked.steps.push_back(TextStep { static_cast<qsizetype>(fields[0].toLongLong()),
            static_cast<qsizetype>(fields[1].toLongLong()), fields[2].toString() });
    }
    for (const QVariant& place : places)
        walked.positions.push_back(place.toString().toStdString());
    walked.all = parts[3].toBool();
    return walked;
}

bool DesignView::keepOwnSteps(const std::string* known)
{
    if (!hasOwnUndo()) {
        // Nothing of the engine's own: the page as it is now is the state the history holds, as the
        // engine writes it, which may differ from the text that was loaded.
        const std::string here = position();
        std::string page;
        if (known) {
            page = *known;
        } else if (const auto read = readPageText()) {
            page = read->file.toStdString();
        } else {
            return false;
        }
        m_history.replaceCurrent(std::move(page));
        m_history.setPosition(here);
        return true;
    }
    // The engine is walked back through its steps and forth again. The steps come newest first and the
    // history takes states oldest first: the way back to the oldest is gone once, and the way forward
    // is kept. Only one page is held whole at a time, however many steps there are.
    auto walked = walkOwnSteps(true, true);
    if (!walked)
        return false;
    QString page = std::move(walked->first);
    std::vector<TextStep> forward;
    forward.reserve(walked->steps.size());
    for (const TextStep& step : walked->steps) {
        auto earlier = applied(page, step);
        if (!earlier)
            return false;
        forward.push_back(TextStep { step.at, step.text.size(), page.mid(step.at, step.cut) });
        page = std::move(*earlier);
    }
    // The oldest is the page as loaded, as the engine writes it, unless there were more steps than are
    // walked: then it is a state of its own.
    if (walked->all)
        m_history.replaceCurrent(page.toStdString());
    else
        m_history.push(page.toStdString());
    m_history.setPosition(std::move(walked->positions.back()));
    for (std::size_t i = forward.size(); i-- > 0;) {
        auto later = applied(page, forward[i]);
        if (!later)
            return false;
        page = std::move(*later);
        m_history.push(page.toStdString());
        m_history.setPosition(std::move(walked->positions[i]));
    }
    return true;
}

DesignView::HistoryMove DesignView::undo()
{
    if (!m_engine)
        return HistoryMove::None;
    const auto own = m_engine->evaluate(kOwnStep.arg(QStringLiteral("true")));
    if (!own)
        return HistoryMove::None;
    if (own->toInt() == 2)
        return HistoryMove::WithinPage;
    if (!m_history.canGoBack())
        return HistoryMove::None;
    const std::string here = position();
    if (own->toInt() == 1) {
        // Edits of this page the user took back, which redo would bring again: the load below ends the
        // engine's steps, so each of them becomes a state after this one, for redo to walk.
        if (auto walked = walkOwnSteps(false, false)) {
            const std::size_t at = m_history.currentIndex();
            QString page = std::move(walked->first);
            m_history.replaceCurrent(page.toStdString());
            for (std::size_t i = 0; i < walked->steps.size(); ++i) {
                auto later = applied(page, walked->steps[i]);
                if (!later)
                    break;
                page = std::move(*later);
                m_history.push(page.toStdString());
                m_history.setPosition(std::move(walked->positions[i + 1]));
            }
            while (m_history.currentIndex() > at)
                (void)m_history.goBack();
        }
    }
    m_history.setPosition(here);
    const std::string& page = m_history.goBack();
    showState(page, m_history.position());
    return HistoryMove::AcrossLoad;
}

DesignView::HistoryMove DesignView::redo()
{
    if (!m_engine)
        return HistoryMove::None;
    const auto own = m_engine->evaluate(kOwnStep.arg(QStringLiteral("false")));
    if (!own)
        return HistoryMove::None;
    if (own->toInt() == 2)
        return HistoryMove::WithinPage;
    if (own->toInt() == 1) {
        // Edited since the load: what came after this state can no longer be reached.
        m_history.dropLaterStates();
        return HistoryMove::None;
    }
    if (!m_history.canGoForward())
        return HistoryMove::None;
    m_history.setPosition(position());
    const std::string& page = m_history.goForward();
    showState(page, m_history.position());
    return HistoryMove::AcrossLoad;
}

void DesignView::showState(const std::string& page, const std::string& where)
{
    show(QString::fromStdString(page));
    restorePosition(where);
}

bool DesignView::hasOwnUndo()
{
    if (!m_engine)
        return false;
    const auto value = m_engine->evaluate(QStringLiteral("document.queryCommandEnabled('undo')"));
    return value && value->toBool();
}

std::string DesignView::position()
{
    if (!m_engine)
        return {};
    const auto value = m_engine->evaluate(kPositionFunction + QStringLiteral("()"));
    return value ? value->toString().toStdString() : std::string();
}

void DesignView::restorePosition(const std::string& where)
{
    if (!m_engine || where.empty())
        return;
    // The position is our own JSON, passed as a literal of it (it holds numbers and arrays only).
    const QString json = QString::fromStdString(where);
    if (json.contains(QLatin1Char('<')) || !json.startsWith(QLatin1Char('{')))
        return;
    (void)m_engine->evaluate(QStringLiteral(
        "(function(p){function node(a){if(!a)return null;var n=document;for(var i=0;i<a.length;++i){"
        "n=n.childNodes[a[i]];if(!n)return null;}return n;}var a=node(p.a),b=node(p.b);"
        "if(a&&b){try{var r=document.createRange();r.setStart(a,p.ao);r.setEnd(b,p.bo);"
        "var s=getSelection();s.removeAllRanges();s.addRange(r);}catch(x){}}"
        "var e=document.scrollingElement;if(e){e.scrollLeft=p.x;e.scrollTop=p.y;}return true;})(%1)")
                                 .arg(json));
}

void DesignView::show(const QString& html)
{
    if (!m_engine)
        return;
    ++m_changeCount;
    const QUrl base = m_documentFolder.empty()
        ? QUrl(QStringLiteral("about:blank"))
        : QUrl::fromLocalFile(
            QDir(QString::fromStdString(m_documentFolder.string())).absolutePath() + QLatin1Char('/'));
    m_lastPage = html;
    m_commentsAfterRoot = commentsAfterRoot(html);
    m_pageLoaded = m_engine->loadPage(html, base);
}

void DesignView::editModeOn()
{
    if (m_engine)
        m_engine->setEditMode(true);
}

void DesignView::command(const char* name, const CommandValue& value)
{
    if (m_engine)
        (void)m_engine->execCommand(QString::fromLatin1(name), value);
}

void DesignView::applyBold()
{
    command("Bold");
}
void DesignView::applyItalic()
{
    command("Italic");
}
void DesignView::applyUnderline()
{
    command("Underline");
}
void DesignView::applySuperscript()
{
    command("Superscript");
}
void DesignView::applySubscript()
{
    command("Subscript");
}
void DesignView::applyStrikeThrough()
{
    command("StrikeThrough");
}
void DesignView::orderedList()
{
    command("insertorderedlist");
}
void DesignView::unorderedList()
{
    command("insertunorderedlist");
}
void DesignView::alignLeft()
{
    command("JustifyLeft");
}
void DesignView::alignCenter()
{
    command("JustifyCenter");
}
void DesignView::alignRight()
{
    command("JustifyRight");
}
void DesignView::setBackColor(std::uint32_t colour)
{
    command("BackColor", std::int32_t(colour));
}
void DesignView::setFontColor(std::uint32_t colour)
{
    command("ForeColor", std::int32_t(colour));
}
void DesignView::setFontName(const QString& family)
{
    command("FontName", family);
}
void DesignView::setFontSize(int size)
{
    command("FontSize", std::int32_t(size));
}

void DesignView::insertRule()
{
    pasteHtml(QString::fromUtf8(fragments::kRule));
}

QString DesignView::getHtml()
{
    return readHtml().value_or(QString());
}

std::optional<QString> DesignView::readHtml()
{
    if (!m_engine)
        return std::nullopt;
    auto markup = m_engine->rootMarkup();
    if (markup)
        m_lastPage = *markup;
    return markup;
}

namespace {

// The serializer writes neither a document type line nor the newline that opens a pre's text (the
// parser drops the first one, so `<pre>\n\nx` holds "\nx" and would be written as `<pre>\nx`, one
// blank line fewer at every save). The newline is put back in a copy of the root, never in the page
// itself: a change there would count as the user's edit and leave the saved page marked unsaved. The
// copy is made only when such an element is there or edits left something to clean, since copying a
// large page takes time. A carriage return (`&#13;`) is written as a reference again: written as it
// is, the next reading would take it for a line break, and drop it at the start of a pre. Only in a
// script or a style, whose text knows no references, does it stay as it is; a page with one such there
// takes the slower way of a copy.
// Comments that stood after the root's end tag, which the parser puts at the end of the body with the
// white space before them, are written after the root again; K is how many there were.
// A page that opens with an XML declaration came in XML syntax and is written in it, so that it stays
// well-formed: void elements closed with " />", every attribute with its value, the five characters
// XML reserves as references, no names of HTML's own character references.
// The script is a function of K, called by pageTextCall.
const QString& pageTextScript()
{
    static const QString script = QString::fromUtf8(R"js((function(K){
var d=document,r=d.documentElement;if(!r)return['',''];
%1
var root=cleaned.outerHTML,before='',after='',past=false,xml=false,space=/[^ \t\n\f\r]/;
function decl(n){return n.nodeType===8&&/^\?xml[\s?]/.test(n.data);}
function line(n){if(n.nodeType===10)return new XMLSerializer().serializeToString(n);
if(n.nodeType===8)return decl(n)?'<'+n.data+'>':'<!--'+n.data+'-->';return null;}
for(var n=d.firstChild;n;n=n.nextSibling){if(n===r){past=true;continue;}var t=line(n);
if(!past&&decl(n))xml=true;if(t!==null){if(past)after+='\n'+t;else before+=t+'\n';}}
var b=cleaned===r?d.body:cleaned.querySelector('body'),tail=[],moved=0;
if(K>0&&b){for(var c=b.lastChild;c&&moved<K;c=c.previousSibling){
if(c.nodeType===8){moved++;tail.unshift(c);}else if(c.nodeType===3&&!space.test(c.data))tail.unshift(c);else break;}
if(moved<K)tail=[];else{var p=tail[0].previousSibling;if(p&&p.nodeType===3&&!space.test(p.data))tail.unshift(p);}}
var tailText=tail.map(function(c){return c.nodeType===8?'<!--'+c.data+'-->':c.data;}).join('');
var raw={script:1,style:1,xmp:1,iframe:1,noembed:1,noframes:1,plaintext:1,noscript:1};
var kept={pre:1,textarea:1,listing:1};
function opensWithNewline(e){var f=e.firstChild;return !!f&&f.nodeType===3&&f.data.charAt(0)==='\n';}
var file;
if(xml){var out=[],skip=new Set(tail);
var voids={area:1,base:1,basefont:1,bgsound:1,br:1,col:1,embed:1,frame:1,hr:1,img:1,input:1,keygen:1,link:1,meta:1,param:1,source:1,track:1,wbr:1};
function esc(t){return t.replace(/&/g,'&amp;').replace(/</g,'&lt;').replace(/>/g,'&gt;').replace(/\r/g,'&#13;');}
function escAttribute(t){return esc(t).replace(/"/g,'&quot;').replace(/\n/g,'&#10;').replace(/\t/g,'&#9;');}
function w(n,inRaw){if(n.nodeType===3){out.push(inRaw?n.data:esc(n.data));return;}
if(n.nodeType===8){out.push('<!--'+n.data+'-->');return;}if(n.nodeType!==1)return;
var name=n.localName,kids=name==='template'&&n.content?n.content.childNodes:n.childNodes;out.push('<'+name);
for(var i=0;i<n.attributes.length;i++){var a=n.attributes[i];out.push(' '+a.name+'="'+escAttribute(a.value)+'"');}
if(!kids.length&&(voids[name]||n.namespaceURI!=='http://www.w3.org/1999/xhtml')){out.push(' />');return;}
out.push('>');if(kept[name]&&opensWithNewline(n))out.push('\n');
for(var k=0;k<kids.length;k++)if(!skip.has(kids[k]))w(kids[k],raw[name]===1);out.push('</'+name+'>');}
w(cleaned,false);file=out.join('')+tailText;}
else{var cr=root.indexOf('\r')>=0,rawCr=cr&&Array.prototype.some.call(
cleaned.querySelectorAll('script,style,xmp,iframe,noembed,noframes,plaintext,noscript'),function(e){
return e.textContent.indexOf('\r')>=0;}),mark='\uFDD0\uFDEF';if(rawCr&&root.indexOf(mark)>=0)cr=rawCr=false;
var nl=Array.prototype.some.call(cleaned.querySelectorAll('pre,textarea,listing'),opensWithNewline);file=root;
if(nl||rawCr){var copy=cleaned===r?r.cloneNode(true):cleaned;
if(nl)Array.prototype.forEach.call(copy.querySelectorAll('pre,textarea,listing'),function(e){
if(opensWithNewline(e))e.firstChild.data='\n'+e.firstChild.data;});
if(rawCr){var walk=d.createTreeWalker(copy,NodeFilter.SHOW_TEXT),x;while((x=walk.nextNode())){
if(x.data.indexOf('\r')<0||(x.parentNode&&raw[x.parentNode.localName]))continue;x.data=x.data.split('\r').join(mark);}}
file=copy.outerHTML;}
if(rawCr)file=file.split(mark).join('&#13;');else if(cr)file=file.split('\r').join('&#13;');
var end=tailText+'</body></html>';
if(tail.length&&file.length>=end.length&&file.slice(file.length-end.length)===end)
file=file.slice(0,file.length-end.length)+'</body></html>'+tailText;}
return[before+file+after,root];}))js")
                                      .arg(editingscript::cleanedRootInto(QStringLiteral("cleaned")));
    return script;
}

// The page text script called for a page that had commentsAfterRoot comments after its root.
QString pageTextCall(int commentsAfterRoot)
{
    return editingscript::asideDecorations(pageTextScript() + QStringLiteral("(%1)").arg(commentsAfterRoot));
}

// The script's two parts, or nothing when the engine gave something else.
std::optional<PageText> pageTextOf(const std::optional<QVariant>& value)
{
    if (!value)
        return std::nullopt;
    const QVariantList parts = value->toList();
    if (parts.size() != 2)
        return std::nullopt;
    return PageText { parts[0].toString(), parts[1].toString() };
}

} // namespace

std::optional<PageText> DesignView::readPageText()
{
    if (!m_engine)
        return std::nullopt;
    auto page = pageTextOf(m_engine->evaluate(pageTextCall(m_commentsAfterRoot)));
    if (page)
        m_lastPage = page->root;
    return page;
}

void DesignView::readPageTextLater(std::function<void(std::optional<PageText>)> done)
{
    if (!m_engine) {
        done(std::nullopt);
        return;
    }
    m_engine->evaluateLater(pageTextCall(m_commentsAfterRoot),
        [this, alive = std::weak_ptr<bool>(m_alive), done = std::move(done)](const QVariant& value) {
            if (alive.expired())
                return;
            auto page = value.isValid() ? pageTextOf(value) : std::nullopt;
            if (page)
                m_lastPage = page->root;
            done(std::move(page));
        });
}

std::optional<bool> DesignView::takeChanged()
{
    if (!m_engine)
        return std::nullopt;
    const auto changed = m_engine->takeChanged();
    if (changed.value_or(false))
        ++m_changeCount;
    return changed;
}

void DesignView::setChangeListener(std::function<void()> listener)
{
    if (!m_engine)
        return;
    if (!listener) {
        m_engine->setChangeListener(nullptr);
        return;
    }
    m_engine->setChangeListener([this, alive = std::weak_ptr<bool>(m_alive), listener = std::move(listener)] {
        if (alive.expired())
            return;
        ++m_changeCount;
        listener();
    });
}

void DesignView::setSelectionListener(std::function<void(const CaretFormat&)> listener)
{
    if (!m_engine)
        return;
    if (!listener) {
        m_engine->setSelectionListener(QString(), nullptr);
        return;
    }
    m_engine->setSelectionListener(caretFormatScript(),
        [alive = std::weak_ptr<bool>(m_alive), listener = std::move(listener)](const QVariant& value) {
            if (alive.expired())
                return;
            if (const auto format = caretFormatFrom(value))
                listener(*format);
        });
}

std::optional<CaretFormat> DesignView::caretFormat()
{
    if (!m_engine)
        return std::nullopt;
    const auto value = m_engine->evaluate(caretFormatScript());
    return value ? caretFormatFrom(*value) : std::nullopt;
}

void DesignView::setHistoryHandler(std::function<bool(HistoryDirection)> handler)
{
    if (m_engine)
        m_engine->setHistoryHandler(std::move(handler));
}

void DesignView::setRendererEndedListener(std::function<void()> listener)
{
    if (m_engine)
        m_engine->setRendererEndedListener(std::move(listener));
}

void DesignView::setPasteHandler(std::function<bool()> handler)
{
    if (m_engine)
        m_engine->setPasteHandler(std::move(handler));
}

void DesignView::setFileDropHandler(std::function<void(const QList<QUrl>& files)> handler)
{
    if (m_engine)
        m_engine->setFileDropHandler(std::move(handler));
}

bool DesignView::pasteHtml(const QString& fragment)
{
    if (!m_engine)
        return false;
    // What is pasted into the body itself goes into a paragraph, as typed text does.
    (void)m_engine->evaluate(editingscript::ensureParagraph());
    return m_engine->pasteHtml(fragment);
}

void DesignView::insertImage(const std::filesystem::path& picture, std::optional<QSize> logicalSize)
{
    const std::string source = pictureSource(picture, m_documentFolder);
    const std::string element = logicalSize
        ? fragments::imageFragment(source, logicalSize->width(), logicalSize->height())
        : fragments::imageFragment(source);
    pasteHtml(QString::fromStdString(element));
}

std::optional<ElementPlace> DesignView::caretElement()
{
    if (!m_engine)
        return std::nullopt;
    const auto value = m_engine->evaluate(QStringLiteral(
        "(function(){var s=getSelection();if(!s||!s.rangeCount)return '';"
        "var n=s.getRangeAt(0).startContainer;if(n.nodeType!=1)n=n.parentNode;"
        "if(!n||n.nodeType!=1)return '';var name=n.localName;"
        "return name+' '+Array.prototype.indexOf.call(document.getElementsByTagName(name),n);})()"));
    const QString found = value ? value->toString() : QString();
    const qsizetype space = found.lastIndexOf(QLatin1Char(' '));
    bool ok = false;
    const qlonglong index = space > 0 ? found.mid(space + 1).toLongLong(&ok) : -1;
    if (!ok || index < 0)
        return std::nullopt;
    return ElementPlace { found.left(space).toStdString(), static_cast<std::size_t>(index) };
}

bool DesignView::showElement(const ElementPlace& place)
{
    // Names of elements only: anything else in the name (it comes from text the user typed) is refused
    // rather than quoted into the script.
    const bool plainName
        = !place.name.empty() && std::all_of(place.name.begin(), place.name.end(), [](char c) {
              return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':'
                  || c == '.';
          });
    if (!m_engine || !plainName)
        return false;
    const auto value = m_engine->evaluate(QStringLiteral(
        "(function(name,k){var e=document.getElementsByTagName(name)[k];if(!e)return false;"
        "e.scrollIntoView({block:'center'});var r=document.createRange();"
        "if(e.firstChild){r.selectNodeContents(e);r.collapse(true);}else{r.setStartBefore(e);"
        "r.collapse(true);}var s=getSelection();s.removeAllRanges();s.addRange(r);return true;})"
        "('%1',%2)")
                                              .arg(QString::fromStdString(place.name))
                                              .arg(place.index));
    return value && value->toBool();
}

} // namespace inkwell
