#include "editing/designview.h"

#include "editing/fragments.h"
#include "editing/pictureinsertion.h"

#include <QDir>
#include <QUrl>

namespace inkwell {

DesignView::DesignView() = default;
DesignView::~DesignView() = default;

void DesignView::attach(std::unique_ptr<BrowserEngine> engine)
{
    m_engine = std::move(engine);
    m_pageLoaded = false;
    if (m_engine)
        (void)m_engine->navigate(QUrl(QStringLiteral("about:blank")));
}

void DesignView::setDocumentFolder(const QString& folder, FolderChange change)
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
    const QUrl base = m_documentFolder.isEmpty()
        ? QUrl(QStringLiteral("about:blank"))
        : QUrl::fromLocalFile(QDir(m_documentFolder).absolutePath() + QLatin1Char('/'));
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

void DesignView::readHtmlLater(std::function<void(std::optional<QString>)> done)
{
    if (!m_engine) {
        done(std::nullopt);
        return;
    }
    m_engine->readRootMarkup(
        [this, alive = std::weak_ptr<bool>(m_alive), done = std::move(done)](std::optional<QString> markup) {
            if (alive.expired())
                return;
            if (markup)
                m_lastPage = *markup;
            done(std::move(markup));
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

bool DesignView::pasteHtml(const QString& fragment)
{
    return m_engine && m_engine->pasteHtml(fragment);
}

void DesignView::insertImage(const QString& path)
{
    const std::string source = pictureSource(path.toStdString(), m_documentFolder.toStdString());
    pasteHtml(QString::fromStdString(fragments::imageFragment(source)));
}

} // namespace inkwell
