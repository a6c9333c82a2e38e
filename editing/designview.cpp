#include "editing/designview.h"

#include "editing/editingscript.h"
#include "editing/fragments.h"
#include "editing/pictureinsertion.h"

#include <QDir>
#include <QUrl>
#include <algorithm>

namespace inkwell {

DesignView::DesignView() = default;
DesignView::~DesignView() = default;

void DesignView::attach(std::unique_ptr<BrowserEngine> engine)
{
    m_engine = std::move(engine);
    m_pageLoaded = false;
    if (!m_engine)
        return;
    m_engine->setEditingScripts({ editingscript::afterLoad(), editingscript::rootMarkup() });
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
    // A page that cannot be read is left as it is rather than replaced by nothing.
    if (const auto page = readHtml())
        loadHtml(*page);
}

void DesignView::loadHtml(const QString& html)
{
    if (!m_engine)
        return;
    const QUrl base = m_documentFolder.empty()
        ? QUrl(QStringLiteral("about:blank"))
        : QUrl::fromLocalFile(
            QDir(QString::fromStdString(m_documentFolder.string())).absolutePath() + QLatin1Char('/'));
    m_lastPage = html;
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
// large page takes time.
const QString& pageTextScript()
{
    static const QString script = QString::fromUtf8(R"js((function(){
var d=document,r=d.documentElement;if(!r)return['',''];
%1
var root=c.outerHTML,before='',after='',past=false;
function line(n){if(n.nodeType===10)return new XMLSerializer().serializeToString(n);
if(n.nodeType===8)return /^\?xml[\s?]/.test(n.data)?'<'+n.data+'>':'<!--'+n.data+'-->';return null;}
for(var n=d.firstChild;n;n=n.nextSibling){if(n===r){past=true;continue;}var t=line(n);
if(t!==null){if(past)after+='\n'+t;else before+=t+'\n';}}
function opensWithNewline(e){var f=e.firstChild;return !!f&&f.nodeType===3&&f.data.charAt(0)==='\n';}
var file=root,kept=c.querySelectorAll('pre,textarea,listing');
if(Array.prototype.some.call(kept,opensWithNewline)){if(c===r)c=r.cloneNode(true);
Array.prototype.forEach.call(c.querySelectorAll('pre,textarea,listing'),function(e){
if(opensWithNewline(e))e.firstChild.data='\n'+e.firstChild.data;});file=c.outerHTML;}
return[before+file+after,root];})())js")
                                      .arg(editingscript::cleanedRootInto(QStringLiteral("c")));
    return script;
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
    auto page = pageTextOf(m_engine->evaluate(pageTextScript()));
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
    m_engine->evaluateLater(pageTextScript(),
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
    return m_engine->takeChanged();
}

void DesignView::setChangeListener(std::function<void()> listener)
{
    if (m_engine)
        m_engine->setChangeListener(std::move(listener));
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
