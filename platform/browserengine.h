// The few operations the design view needs of an HTML engine in editing mode, each finished (or given up
// after a bounded wait) before it returns; createBrowser makes the engine's view and its adapter.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

class QWidget;

namespace inkwell {

// The value an editing command takes: none, a text (a font family name) or a 32-bit integer (a font size
// 1..10, or a colour 0x00BBGGRR for "ForeColor" and "BackColor").
using CommandValue = std::variant<std::monostate, QString, std::int32_t>;

// Which way the user asked to move through the page's history: undo or redo.
enum class HistoryDirection
{
    Back,
    Forward
};

// The clipboard commands of the page, as its menu offers them.
enum class EditAction
{
    Cut,
    Copy,
    Paste, // asks the paste handler first, as the paste keys do
    PasteAsPlainText
};

// Where the user pointed in the page: on the screen (for a menu to open there) and in the page's own
// coordinates (CSS pixels of the viewport, the view's pixels divided by its zoom), for scripts.
struct PagePoint
{
    QPoint global;
    QPointF page;
};

class BrowserEngine
{
public:
    virtual ~BrowserEngine() = default;

    // Shows the URL; used once with "about:blank" when the design view is attached.
    [[nodiscard]] virtual bool navigate(const QUrl& url) = 0;
    // Replaces the shown document by the whole page `html`, of any size; relative references in it
    // resolve against `baseUrl`.
    [[nodiscard]] virtual bool loadPage(const QString& html, const QUrl& baseUrl) = 0;
    // The markup of the root element with the user's edits; nothing outside the root element.
    [[nodiscard]] virtual std::optional<QString> rootMarkup() = 0;
    // Edit mode stays as set for every page loaded later.
    virtual void setEditMode(bool on) = 0;
    // Whether the document now shown can be edited in place.
    [[nodiscard]] virtual bool documentEditable() = 0;
    // Runs a named editing command on the selection; a command the engine lacks changes nothing.
    [[nodiscard]] virtual bool execCommand(const QString& name, const CommandValue& value = {}) = 0;
    // Replaces the selection by the fragment, or inserts it at the caret.
    [[nodiscard]] virtual bool pasteHtml(const QString& fragment) = 0;
    // Runs a script beside the page (never in the page's own world) and returns its result;
    // nothing when the script failed or did not finish in time.
    [[nodiscard]] virtual std::optional<QVariant> evaluate(const QString& script) = 0;

    // Starts a script beside the page, as evaluate does, and returns at once; `done` gets its result,
    // or an invalid value when it failed or did not finish in time, later on the calling thread (never
    // from inside this call).
    virtual void evaluateLater(const QString& script, std::function<void(const QVariant&)> done) = 0;

    // Whether the document changed since it was loaded or since the last call, by any path: typing,
    // commands, pastes, drops, the engine's own menu. Nothing when the page could not be asked.
    [[nodiscard]] virtual std::optional<bool> takeChanged() = 0;
    // Called on the calling thread soon after the document changed by any path (a second at most),
    // once per burst of changes. Changes reported here are not reported again by takeChanged.
    virtual void setChangeListener(std::function<void()> listener) = 0;
    // Called on the calling thread soon after the user moved the caret or the selection (a fifth of a
    // second at most), with the value `script` gives then; while the selection stays, nothing is asked
    // of the page. An empty listener stops it.
    virtual void setSelectionListener(QString script, std::function<void(const QVariant&)> listener) = 0;
    // Called when the process that renders the page ended unexpectedly; the page it held is gone.
    virtual void setRendererEndedListener(std::function<void()> listener) = 0;

    // The design view's own scripts: `afterLoad` runs beside every page loaded from now on, once edit mode
    // is set; `rootMarkup`, when not empty, is the expression rootMarkup reads the root
    // element's markup with.
    struct EditingScripts
    {
        QString afterLoad;
        QString rootMarkup;
    };
    virtual void setEditingScripts(EditingScripts scripts) = 0;

    // Asked first whenever the user pastes into the page (the paste keys, the engine's own menu): true
    // when the paste was taken care of, and the engine then pastes nothing.
    virtual void setPasteHandler(std::function<bool()> handler) = 0;
    // Given the local files dropped on the page, in order, after the caret was put where they were
    // dropped. Such a drop never reaches the engine, which would otherwise open the file in place of
    // the page or put its own reference to it in.
    virtual void setFileDropHandler(std::function<void(const QList<QUrl>& files)> handler) = 0;
    // Asked first whenever the user asks for undo or redo in the page (Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z,
    // the engine's own menu): true when it was taken care of, and the engine then does nothing itself.
    virtual void setHistoryHandler(std::function<bool(HistoryDirection)> handler) = 0;

    // Runs a clipboard command on the page's selection.
    virtual void runEditAction(EditAction action) = 0;
    // Called, from the event loop, where the engine would have shown its own menu; the engine's own menu
    // never shows (its items are a browser's: back, reload, save the page).
    virtual void setContextMenuHandler(std::function<void(const PagePoint& at)> handler) = 0;
    // Called, from the event loop, after the engine had a double-click of the left button on the page.
    virtual void setDoubleClickHandler(std::function<void(const PagePoint& at)> handler) = 0;
    // Keys pressed in the page that go to the handler, from the event loop, instead of the engine (which
    // claims some for editing commands of its own).
    virtual void setKeyHandler(
        const QList<QKeySequence>& keys, std::function<void(const QKeySequence&)> handler)
        = 0;
};

// The engine's view, a child of parent owned by it, and the adapter that drives it. The engine's own
// processes start with the first page the adapter shows, not before: a run that ends at its start-up
// checks never starts them.
struct BrowserParts
{
    QWidget* view = nullptr;
    std::unique_ptr<BrowserEngine> engine;
};
[[nodiscard]] BrowserParts createBrowser(QWidget* parent);

} // namespace inkwell
