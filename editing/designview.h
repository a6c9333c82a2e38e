// The page being edited, shown by the browser engine in edit mode. It is the one
// holder of the page: loads, reads, saves and every toolbar command go through it.
#pragma once

#include "codeedits/elementplace.h"
#include "editing/caretformat.h"
#include "editing/pagehistory.h"
#include "editing/pagetext.h"
#include "platform/browserengine.h"

#include <QSize>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace inkwell {

class DesignView
{
public:
    DesignView();
    ~DesignView();
    DesignView(const DesignView&) = delete;
    DesignView& operator=(const DesignView&) = delete;

    // Takes over the engine (see createBrowser) and shows "about:blank".
    void attach(std::unique_ptr<BrowserEngine> engine);
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
    void setDocumentFolder(
        const std::filesystem::path& folder, FolderChange change = FolderChange::ShowPageAgain);
    [[nodiscard]] const std::filesystem::path& documentFolder() const { return m_documentFolder; }

    // Replaces the page; its history starts anew (Open, New, a recovered page).
    void loadHtml(const QString& html);
    // Replaces the page by the one the code view's text gave, as one step of the page's history: undo
    // gives back the page as it was before it (markup, selection, scroll), redo this one again. `before`
    // is the page as its file holds it, when the caller knows the page unchanged since it read it
    // (reading a page of megabytes takes time); without it the view reads the page.
    void loadCarriedPage(const QString& html, const std::string* before = nullptr);
    // Shows the page again after the engine lost what it showed (its renderer ended): the page becomes
    // a step of the history, which is kept.
    void showAgain(const QString& html);

    // Undo and redo of the page: the engine's own steps within the page last loaded, then across loads
    // the pages the history keeps (the engine forgets its steps at every load). What the step did.
    enum class HistoryMove
    {
        None,
        WithinPage,
        AcrossLoad
    };
    HistoryMove undo();
    HistoryMove redo();
    [[nodiscard]] const PageHistory& history() const { return m_history; }
    // Counts every change of the page by any path and every load: a page read when the count was n is
    // the page as it is while the count is still n.
    [[nodiscard]] std::uint64_t changeCount() const { return m_changeCount; }
    // Edit mode stays on for every page loaded later.
    void editModeOn();

    void applyBold();
    void applyItalic();
    void applyUnderline();
    void applySuperscript();
    void applySubscript();
    void applyStrikeThrough();
    void orderedList();
    void unorderedList();
    void alignLeft();
    void alignCenter();
    void alignRight();
    // Colours are 0x00BBGGRR.
    void setFontColor(std::uint32_t colour);
    void setBackColor(std::uint32_t colour);
    void setFontName(const QString& family);
    // 1 to 10; sizes the engine does not have become its largest.
    void setFontSize(int size);
    void insertRule();

    // The markup of the root element with the user's edits; empty when there is no page or it could not
    // be read. Whoever writes the page somewhere uses readHtml, which tells the two apart.
    [[nodiscard]] QString getHtml();
    // The markup of the root element, or nothing when the engine could not give it (its script timed
    // out, its renderer has ended). An empty page is markup.
    [[nodiscard]] std::optional<QString> readHtml();
    // What a document file of the page holds: the nodes before the root element (the document type line,
    // an XML declaration, comments) and after it, each on its own line, and the root, whose pre, textarea
    // and listing elements get back the newline after their start tag that parsing the page took away.
    // Nothing when the engine could not give it.
    [[nodiscard]] std::optional<PageText> readPageText();
    // readPageText without waiting: `done` is called later on this thread.
    void readPageTextLater(std::function<void(std::optional<PageText>)> done);
    // The newest page this view has held: the last markup read from it, or the last page loaded into it
    // when that came later. What is shown again should the renderer end.
    [[nodiscard]] const QString& lastPage() const { return m_lastPage; }

    // Whether the page changed by any path since it was loaded or last asked; nothing when the engine
    // could not be asked.
    [[nodiscard]] std::optional<bool> takeChanged();
    // Called soon after each burst of changes by any path: typing, commands, the engine's own menu,
    // drag and drop, middle-click paste.
    void setChangeListener(std::function<void()> listener);
    // Called soon after the user moved the caret or the selection, with the formats there.
    void setSelectionListener(std::function<void(const CaretFormat&)> listener);
    // The formats at the caret now; nothing without a selection or when the engine could not be asked.
    [[nodiscard]] std::optional<CaretFormat> caretFormat();
    // Called when the engine's renderer ended unexpectedly and the page shown is gone.
    void setRendererEndedListener(std::function<void()> listener);
    // See BrowserEngine: the handler of the user's undo and redo in the page.
    void setHistoryHandler(std::function<bool(HistoryDirection)> handler);
    // See BrowserEngine: the handler of the user's pastes, and of local files dropped on the page.
    void setPasteHandler(std::function<bool()> handler);
    void setFileDropHandler(std::function<void(const QList<QUrl>& files)> handler);
    bool pasteHtml(const QString& fragment);

    // The element that holds the caret (the start of the selection); nothing without one.
    [[nodiscard]] std::optional<ElementPlace> caretElement();
    // Scrolls the element into the middle of the view and puts the caret at the start of its content
    // (before it, for an element that has none); false when the page has no such element.
    bool showElement(const ElementPlace& place);
    // Pastes an image element for the picture: its relative name when it lies in the document
    // folder, its file:// URL otherwise, src="" for an empty path. With a logical size the element
    // has width and height attributes, so that a picture of more device pixels than logical ones
    // shows as large as it was on the screen.
    void insertImage(const std::filesystem::path& picture, std::optional<QSize> logicalSize = std::nullopt);

private:
    void command(const char* name, const CommandValue& value = {});
    // Shows the page; the history is the caller's business.
    void show(const QString& html);
    void showState(const std::string& page, const std::string& position);
    // Whether the engine holds steps of its own to undo in the page it shows.
    [[nodiscard]] bool hasOwnUndo();
    // A step between two texts of the page: the `cut` characters at `at` of one give way to `text`.
    struct TextStep
    {
        qsizetype at = 0;
        qsizetype cut = 0;
        QString text;
    };
    // The page after the step; nothing when the step does not fit in it.
    [[nodiscard]] static std::optional<QString> applied(const QString& page, const TextStep& step);
    // The states of the page the engine's own undo (back) or redo steps go through: the page as it is,
    // as its file holds it, then each step to the next state, and where the user was in each. The
    // engine forgets its steps at every load, so before one they become states of the history. With
    // returnAfter the engine is brought back to the state it was in; without it, it is left at the last.
    struct OwnSteps
    {
        QString first;
        std::vector<TextStep> steps;
        std::vector<std::string> positions; // one more than steps
        bool all = false; // every step was walked, none is left that way
    };
    [[nodiscard]] std::optional<OwnSteps> walkOwnSteps(bool back, bool returnAfter);
    // Makes the engine's own steps to undo, up to the page as it is, states of the history, the page as
    // it is the current one. `known` is that page when the caller knows it. False when the page could
    // not be read.
    [[nodiscard]] bool keepOwnSteps(const std::string* known = nullptr);
    // Where the user is in the page (selection and scroll), as text that restorePosition takes.
    [[nodiscard]] std::string position();
    void restorePosition(const std::string& position);

    std::unique_ptr<BrowserEngine> m_engine;
    std::filesystem::path m_documentFolder;
    QString m_lastPage;
    // How many comments stood after the root element's end tag of the page last loaded; the parser puts
    // them at the end of the body, and Save puts them back after the root.
    int m_commentsAfterRoot = 0;
    // Callbacks from the engine may arrive while this view is being destroyed; they check this first.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_pageLoaded = false;
    PageHistory m_history;
    std::uint64_t m_changeCount = 0;
};

} // namespace inkwell
