// editing/designview.h: the page being edited, shown by the browser engine in edit mode. It is the one
// holder of the page: loads, reads, saves and every toolbar command go through it.
#pragma once

#include "platform/browserengine.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QWebEngineView;
class QWebEngineProfile;

class DesignView
{
public:
    DesignView();
    ~DesignView();
    DesignView(const DesignView&) = delete;
    DesignView& operator=(const DesignView&) = delete;

    // Takes over the view (its page's own scripts are switched off) and shows "about:blank".
    // The profile, the default one when null, must outlive the view.
    void Attach(QWebEngineView* view, QWebEngineProfile* profile = nullptr);
    void Attach(std::unique_ptr<BrowserEngine> engine);
    [[nodiscard]] BrowserEngine* engine() const { return m_engine.get(); }

    // The folder of the document file: relative references in the page resolve against it, and a
    // picture inside it is referred to by its relative name. A page already shown is shown again
    // against the new folder.
    // NextLoad only records the folder, for a caller that replaces the page right away: showing the
    // old page again first would be wasted work (seconds for a large page).
    enum class FolderChange
    {
        ShowPageAgain,
        NextLoad
    };
    void setDocumentFolder(const QString& folder, FolderChange change = FolderChange::ShowPageAgain);
    [[nodiscard]] QString documentFolder() const { return m_documentFolder; }

    void LoadHtml(const QString& html);
    void EditModeOn();
    void EditModeOff();

    void ApplyBold();
    void ApplyItalic();
    void ApplyUnderline();
    void ApplySuperscript();
    void ApplySubscript();
    void ApplyStrikeThrough();
    void OrderedList();
    void UnorderedList();
    void Outdent();
    void Indent();
    void AlignLeft();
    void AlignCenter();
    void AlignRight();
    void AlignNone();
    // Colours are 0x00BBGGRR.
    void SetForeColor(std::uint32_t colour);
    void SetBackColor(std::uint32_t colour);
    void SetFontColor(std::uint32_t colour);
    void SetFontName(const QString& family);
    // 1 to 10; sizes the engine does not have become its largest.
    void SetFontSize(int size);
    void Undo();
    void Redo();
    void InsertRule();
    void InsertLineBreak();

    // The markup of the root element with the user's edits; empty when there is no page or it could not
    // be read. Whoever writes the page somewhere uses readHtml, which tells the two apart.
    [[nodiscard]] QString GetHtml();
    // The markup of the root element, or nothing when the engine could not give it (its script timed
    // out, its renderer has ended). An empty page is markup.
    [[nodiscard]] std::optional<QString> readHtml();
    // readHtml without waiting: `done` is called later on this thread.
    void readHtmlLater(std::function<void(std::optional<QString>)> done);
    // The newest page this view has held: the last markup read from it, or the last page loaded into it
    // when that came later. What is shown again should the renderer end.
    [[nodiscard]] const QString& lastPage() const { return m_lastPage; }

    // Whether the page changed by any path since it was loaded or last asked; nothing when the engine
    // could not be asked.
    [[nodiscard]] std::optional<bool> takeChanged();
    // Called soon after each burst of changes by any path: typing, commands, the engine's own menu,
    // drag and drop, middle-click paste.
    void setChangeListener(std::function<void()> listener);
    // Called when the engine's renderer ended unexpectedly and the page shown is gone.
    void setRendererEndedListener(std::function<void()> listener);
    bool PasteHtml(const QString& fragment);
    // Writes GetHtml's text as UTF-8, replacing the file only when the whole text was written. False
    // when the page could not be read or the file not written; the file is then unchanged.
    [[nodiscard]] bool SaveHtml(const QString& fileName);
    // Pastes an image element for the picture: its relative name when it lies in the document
    // folder, its file:// URL otherwise, src="" for an empty path.
    void InsertImage(const QString& path);

private:
    void command(const char* name, const CommandValue& value = {});

    std::unique_ptr<BrowserEngine> m_engine;
    QString m_documentFolder;
    QString m_lastPage;
    // Callbacks from the engine may arrive while this view is being destroyed; they check this first.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_pageLoaded = false;
};
