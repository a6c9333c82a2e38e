#include "editing/designview.h"

#include "editing/fragments.h"
#include "editing/pictureinsertion.h"
#include "platform/webenginebrowser.h"

#include <QDir>
#include <QSaveFile>
#include <QUrl>

DesignView::DesignView() = default;
DesignView::~DesignView() = default;

void DesignView::Attach(QWebEngineView* view, QWebEngineProfile* profile)
{
    Attach(std::make_unique<WebEngineBrowser>(view, profile));
}

void DesignView::Attach(std::unique_ptr<BrowserEngine> engine)
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
        LoadHtml(*page);
}

void DesignView::LoadHtml(const QString& html)
{
    if (!m_engine)
        return;
    const QUrl base = m_documentFolder.isEmpty()
        ? QUrl(QStringLiteral("about:blank"))
        : QUrl::fromLocalFile(QDir(m_documentFolder).absolutePath() + QLatin1Char('/'));
    m_lastPage = html;
    m_pageLoaded = m_engine->loadPage(html, base);
}

void DesignView::EditModeOn()
{
    if (m_engine)
        m_engine->setEditMode(true);
}

void DesignView::EditModeOff()
{
    if (m_engine)
        m_engine->setEditMode(false);
}

void DesignView::command(const char* name, const CommandValue& value)
{
    if (m_engine)
        (void)m_engine->execCommand(QString::fromLatin1(name), value);
}

void DesignView::ApplyBold()
{
    command("Bold");
}
void DesignView::ApplyItalic()
{
    command("Italic");
}
void DesignView::ApplyUnderline()
{
    command("Underline");
}
void DesignView::ApplySuperscript()
{
    command("Superscript");
}
void DesignView::ApplySubscript()
{
    command("Subscript");
}
void DesignView::ApplyStrikeThrough()
{
    command("StrikeThrough");
}
void DesignView::OrderedList()
{
    command("insertorderedlist");
}
void DesignView::UnorderedList()
{
    command("insertunorderedlist");
}
void DesignView::Outdent()
{
    command("outdent");
}
void DesignView::Indent()
{
    command("indent");
}
void DesignView::AlignLeft()
{
    command("JustifyLeft");
}
void DesignView::AlignCenter()
{
    command("JustifyCenter");
}
void DesignView::AlignRight()
{
    command("JustifyRight");
}
void DesignView::AlignNone()
{
    command("JustifyNone");
}
void DesignView::SetForeColor(std::uint32_t colour)
{
    command("ForeColor", std::int32_t(colour));
}
void DesignView::SetBackColor(std::uint32_t colour)
{
    command("BackColor", std::int32_t(colour));
}
void DesignView::SetFontColor(std::uint32_t colour)
{
    command("ForeColor", std::int32_t(colour));
}
void DesignView::SetFontName(const QString& family)
{
    command("FontName", family);
}
void DesignView::SetFontSize(int size)
{
    command("FontSize", std::int32_t(size));
}

void DesignView::Undo()
{
    if (m_engine)
        (void)m_engine->undo();
}

void DesignView::Redo()
{
    if (m_engine)
        (void)m_engine->redo();
}

void DesignView::InsertRule()
{
    PasteHtml(QString::fromUtf8(inkwell::fragments::kRule));
}

void DesignView::InsertLineBreak()
{
    PasteHtml(QString::fromUtf8(inkwell::fragments::kLineBreak));
}

QString DesignView::GetHtml()
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

bool DesignView::PasteHtml(const QString& fragment)
{
    return m_engine && m_engine->pasteHtml(fragment);
}

bool DesignView::SaveHtml(const QString& fileName)
{
    if (!m_engine)
        return false;
    // A page that could not be read must not overwrite the file with nothing.
    const auto markup = m_engine->rootMarkup();
    if (!markup)
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = markup->toUtf8();
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

void DesignView::InsertImage(const QString& path)
{
    const std::string source = PictureSource(path.toStdString(), m_documentFolder.toStdString());
    PasteHtml(QString::fromStdString(inkwell::fragments::imageFragment(source)));
}
