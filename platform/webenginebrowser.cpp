#include "platform/webenginebrowser.h"

#include <QChildEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

namespace inkwell {

// A page that refuses to leave the document on its own: a link, a form or a meta refresh would
// otherwise replace the page being edited and lose the user's work. Only our own loads pass.
class EditorPage final : public QWebEnginePage
{
public:
    EditorPage(QWebEngineProfile* profile, QObject* parent)
        : QWebEnginePage(profile, parent)
    {
    }

    bool m_ownLoad = false;
    // Asked before the engine's own paste (its menu, triggerAction): true when the paste was taken
    // care of.
    std::function<bool()> m_pasteFirst;

    // Asked before the engine's own undo and redo (its menu): true when taken care of.
    std::function<bool(HistoryDirection)> m_historyFirst;

    void triggerAction(WebAction action, bool checked = false) override
    {
        if (action == Paste && m_pasteFirst && m_pasteFirst())
            return;
        if ((action == Undo || action == Redo) && m_historyFirst
            && m_historyFirst(action == Undo ? HistoryDirection::Back : HistoryDirection::Forward))
            return;
        QWebEnginePage::triggerAction(action, checked);
    }

protected:
    bool acceptNavigationRequest(const QUrl&, NavigationType, bool isMainFrame) override
    {
        return m_ownLoad || !isMainFrame;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override
    {
    }
};

// Watches the view and the widgets the engine puts inside it (the one that takes keys and drops comes
// with the first page) for the paste keys, the undo and redo keys and for drops of local files, which it
// hands on instead of letting the engine have them.
class InputFilter final : public QObject
{
public:
    InputFilter(QWidget* view, std::function<bool()> paste, std::function<bool(HistoryDirection)> history,
        std::function<void(QList<QUrl>, QPointF)> drop, std::function<void(QPointF)> doubleClick,
        std::function<QKeySequence(const QKeyEvent*)> handledKey,
        std::function<void(const QKeySequence&)> onHandledKey)
        : m_view(view)
        , m_paste(std::move(paste))
        , m_history(std::move(history))
        , m_drop(std::move(drop))
        , m_doubleClick(std::move(doubleClick))
        , m_handledKey(std::move(handledKey))
        , m_onHandledKey(std::move(onHandledKey))
    {
        watch(view);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ChildAdded:
            if (QObject* child = static_cast<QChildEvent*>(event)->child(); child && child->isWidgetType())
                watch(static_cast<QWidget*>(child));
            break;
        // The engine sees none of a paste key's events when the paste was taken care of here: given
        // the override or the release alone, it still pastes on its own a while later.
        // The undo and redo keys likewise: the engine's own history ends at every page loaded anew.
        case QEvent::ShortcutOverride:
            if (m_handledKey && !m_handledKey(static_cast<QKeyEvent*>(event)).isEmpty()) {
                event->accept();
                return true;
            }
            if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)
                || historyKey(static_cast<QKeyEvent*>(event))) {
                event->accept();
                return true;
            }
            break;
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            const auto direction = historyKey(key);
            if (const QKeySequence handled = m_handledKey ? m_handledKey(key) : QKeySequence();
                !handled.isEmpty()) {
                m_swallowedKey = key->key();
                // Told once the key's own event is over: the handler may open a dialog.
                QTimer::singleShot(0, this, [this, handled] { m_onHandledKey(handled); });
                return true;
            }
            if ((key->matches(QKeySequence::Paste) && m_paste && m_paste())
                || (direction && m_history && m_history(*direction))) {
                m_swallowedKey = key->key();
                event->accept();
                return true;
            }
            break;
        }
        case QEvent::KeyRelease:
            if (m_swallowedKey != 0 && static_cast<QKeyEvent*>(event)->key() == m_swallowedKey) {
                if (!static_cast<QKeyEvent*>(event)->isAutoRepeat())
                    m_swallowedKey = 0;
                return true;
            }
            break;
        // The engine has the double-click as well (it selects the word); the handler is told afterwards.
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || !m_doubleClick)
                break;
            QPointF at = mouse->position();
            if (watched != m_view && watched->isWidgetType() && m_view)
                at = static_cast<QWidget*>(watched)->mapTo(m_view.data(), at);
            m_doubleClick(at);
            break;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (localFiles(drag->mimeData()).isEmpty())
                break;
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QList<QUrl> files = localFiles(drop->mimeData());
            if (files.isEmpty())
                break;
            QPointF at = drop->position();
            if (watched != m_view && watched->isWidgetType() && m_view)
                at = static_cast<QWidget*>(watched)->mapTo(m_view.data(), at);
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            if (m_drop)
                m_drop(files, at);
            return true;
        }
        default:
            break;
        }
        return false;
    }

private:
    // Ctrl+Z undoes; Ctrl+Y and Ctrl+Shift+Z redo.
    static std::optional<HistoryDirection> historyKey(const QKeyEvent* key)
    {
        const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Z && modifiers == Qt::ControlModifier)
            return HistoryDirection::Back;
        if ((key->key() == Qt::Key_Y && modifiers == Qt::ControlModifier)
            || (key->key() == Qt::Key_Z && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)))
            return HistoryDirection::Forward;
        return std::nullopt;
    }

    void watch(QWidget* widget)
    {
        widget->installEventFilter(this);
        for (QWidget* child : widget->findChildren<QWidget*>())
            child->installEventFilter(this);
    }

    // The dropped URLs when every one of them is a local file; empty for any other drop (text, a
    // link, a web address), which the engine takes as it does.
    static QList<QUrl> localFiles(const QMimeData* data)
    {
        if (!data || !data->hasUrls())
            return {};
        const QList<QUrl> urls = data->urls();
        for (const QUrl& url : urls) {
            if (!url.isLocalFile())
                return {};
        }
        return urls;
    }

    QPointer<QWidget> m_view;
    int m_swallowedKey = 0; // the key of a paste taken care of here, until it is released
    std::function<bool()> m_paste;
    std::function<bool(HistoryDirection)> m_history;
    std::function<void(QList<QUrl>, QPointF)> m_drop;
    std::function<void(QPointF)> m_doubleClick;
    // The handled key the event is, or an empty sequence; what is told of it.
    std::function<QKeySequence(const QKeyEvent*)> m_handledKey;
    std::function<void(const QKeySequence&)> m_onHandledKey;
};

namespace {

// A JavaScript string literal holding `text` exactly. A tab may stand in a literal as it is, and is
// left so: the code view's text is indented with tabs, and six characters for each would make the
// script for a page of megabytes a good deal longer to pass and to parse.
QString jsString(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8 + 2);
    out += u'"';
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'"':
            out += u"\\\"";
            break;
        case u'\\':
            out += u"\\\\";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\r':
            out += u"\\r";
            break;
        case 0x2028:
            out += u"\\u2028";
            break;
        case 0x2029:
            out += u"\\u2029";
            break;
        default:
            if (u < 0x20 && u != u'\t')
                out += QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QChar(u'0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

// The engine's execCommand takes every value as a text: a colour as "#rrggbb" and a font size in 1..7.
QString commandArgument(const QString& name, const CommandValue& value)
{
    if (const auto* text = std::get_if<QString>(&value))
        return jsString(*text);
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        const QString lower = name.toLower();
        if (lower == u"forecolor" || lower == u"backcolor" || lower == u"hilitecolor") {
            const auto bgr = std::uint32_t(*number);
            const unsigned r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
            return jsString(QStringLiteral("#%1%2%3")
                                .arg(r, 2, 16, QChar(u'0'))
                                .arg(g, 2, 16, QChar(u'0'))
                                .arg(b, 2, 16, QChar(u'0')));
        }
        if (lower == u"fontsize")
            return jsString(QString::number(std::clamp(*number, 1, 7)));
        return jsString(QString::number(*number));
    }
    return QStringLiteral("null");
}

// Watches the document for changes by any path. It runs in our own script world, which the page's
// scripts cannot reach, and only raises a flag: reading the whole page on every key press would cost
// too much for large pages.
// The selection likewise raises a flag of its own, which the selection listener's poll lowers.
constexpr auto kWatchChanges
    = u"(function(){var w=window.__inkwellWatch;if(w)w.observer.disconnect();"
      u"w=window.__inkwellWatch={changed:false,selection:true,observer:new MutationObserver("
      u"function(){window.__inkwellWatch.changed=true;})};"
      u"w.observer.observe(document,{subtree:true,childList:true,attributes:true,"
      u"characterData:true});"
      u"if(!document.__inkwellSelectionWatch){document.__inkwellSelectionWatch=true;"
      u"document.addEventListener('selectionchange',function(){"
      u"if(window.__inkwellWatch)window.__inkwellWatch.selection=true;});}"
      u"return true;})()";

// The flag, lowered as it is read. A document without a watch (not loaded by us) has nothing to report.
constexpr auto kTakeChanged = u"(function(){var w=window.__inkwellWatch;if(!w)return false;"
                              u"var c=w.changed;w.changed=false;return c;})()";

// Puts the caret at the end of the body when the document has no selection at all, so that a
// command or a paste always has a place to act on.
constexpr auto kEnsureSelection = u"var s=document.getSelection();"
                                  u"if(s&&s.rangeCount===0&&document.body){var r=document.createRange();"
                                  u"r.selectNodeContents(document.body);r.collapse(false);s.addRange(r);}";

} // namespace

WebEngineBrowser::WebEngineBrowser(QWebEngineView* view, QWebEngineProfile* profile)
    : m_view(view)
    , m_profile(profile)
{
    // The engine's own menu is a browser's; the view asks for a menu through this signal instead.
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_menuRequests
        = QObject::connect(m_view, &QWidget::customContextMenuRequested, m_view, [this](const QPoint& at) {
              // Shown from the event loop: the menu runs a loop of its own and waits for scripts, which must
              // not happen inside the engine's signal.
              QTimer::singleShot(0, m_view, [shared = m_shared, point = pagePoint(at)] {
                  if (shared->contextMenuHandler)
                      shared->contextMenuHandler(point);
              });
          });
}

EditorPage* WebEngineBrowser::page()
{
    if (m_pageMade || !m_view)
        return static_cast<EditorPage*>(m_page.data());
    m_pageMade = true;
    auto* page = new EditorPage(m_profile ? m_profile : QWebEngineProfile::defaultProfile(), m_view);
    // The page's own scripts never run in the editor; ours run in the application world, which this
    // setting does not cover.
    page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    m_view->setPage(page);
    m_page = page;
    page->m_pasteFirst = [shared = m_shared] { return shared->pasteHandler && shared->pasteHandler(); };
    const auto history = [shared = m_shared](HistoryDirection direction) {
        return shared->historyHandler && shared->historyHandler(direction);
    };
    page->m_historyFirst = history;
    m_inputFilter = std::make_unique<InputFilter>(
        m_view.data(), [shared = m_shared] { return shared->pasteHandler && shared->pasteHandler(); },
        history,
        [this](QList<QUrl> files, QPointF at) {
            // Handled once the drop's own event is over: the handler waits for the engine and shows
            // boxes, which must not happen inside the drag and drop of the desktop.
            QTimer::singleShot(0, m_inputFilter.get(), [this, files = std::move(files), at] {
                placeCaretAt(at);
                if (m_shared->fileDropHandler)
                    m_shared->fileDropHandler(files);
            });
        },
        [this](QPointF at) {
            // After the engine's own handling of the click, which moves the selection.
            QTimer::singleShot(0, m_inputFilter.get(), [this, point = pagePoint(at)] {
                if (m_shared->doubleClickHandler)
                    m_shared->doubleClickHandler(point);
            });
        },
        [shared = m_shared](const QKeyEvent* key) {
            const QKeySequence pressed(key->keyCombination());
            return shared->keyHandler && shared->handledKeys.contains(pressed) ? pressed : QKeySequence();
        },
        [shared = m_shared](const QKeySequence& key) {
            if (shared->keyHandler)
                shared->keyHandler(key);
        });

    // A renderer that ends takes the page with it; scripts asked of it would only time out.
    QObject::connect(page, &QWebEnginePage::renderProcessTerminated, page,
        [shared = m_shared](QWebEnginePage::RenderProcessTerminationStatus status, int) {
            if (status == QWebEnginePage::NormalTerminationStatus)
                return;
            shared->rendererAlive = false;
            shared->pollInFlight = false;
            shared->selectionPollInFlight = false;
            // Told from the event loop, not from inside the engine's signal.
            QTimer::singleShot(0, [shared] {
                if (shared->rendererEndedListener)
                    shared->rendererEndedListener();
            });
        });
    return page;
}

WebEngineBrowser::~WebEngineBrowser()
{
    // Callbacks still on their way (a poll, a timer) find nobody to tell.
    m_shared->changeListener = nullptr;
    m_shared->selectionListener = nullptr;
    m_shared->rendererEndedListener = nullptr;
    m_shared->pasteHandler = nullptr;
    m_shared->fileDropHandler = nullptr;
    m_shared->historyHandler = nullptr;
    m_shared->contextMenuHandler = nullptr;
    m_shared->doubleClickHandler = nullptr;
    m_shared->keyHandler = nullptr;
    QObject::disconnect(m_menuRequests);
}

template <typename Start> bool WebEngineBrowser::waitForLoad(Start start)
{
    auto* page = this->page();
    if (!page)
        return false;
    auto result = std::make_shared<std::optional<bool>>();
    QEventLoop loop;
    const auto connection = QObject::connect(page, &QWebEnginePage::loadFinished, &loop, [&](bool ok) {
        *result = ok;
        loop.quit();
    });
    page->m_ownLoad = true;
    m_shared->rendererAlive = true; // a load starts a new renderer when the old one has ended
    start(page);
    if (!result->has_value()) {
        QTimer::singleShot(kLoadWait, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    QObject::disconnect(connection);
    if (m_page)
        page->m_ownLoad = false;
    return result->value_or(false);
}

std::optional<QVariant> WebEngineBrowser::run(const QString& script, std::chrono::milliseconds wait)
{
    QWebEnginePage* page = this->page();
    if (!page || !m_shared->rendererAlive)
        return std::nullopt;
    // The callback may come after we gave up waiting, so it only touches shared state and a guarded loop.
    struct State
    {
        bool done = false;
        QVariant value;
        QPointer<QEventLoop> loop;
    };
    auto state = std::make_shared<State>();
    QEventLoop loop;
    state->loop = &loop;
    page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [state](const QVariant& value) {
        state->done = true;
        state->value = value;
        if (state->loop)
            state->loop->quit();
    });
    if (!state->done) {
        QTimer::singleShot(wait, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    state->loop = nullptr;
    if (!state->done || !state->value.isValid())
        return std::nullopt;
    return state->value;
}

bool WebEngineBrowser::navigate(const QUrl& url)
{
    if (!waitForLoad([&](QWebEnginePage* page) { page->load(url); }))
        return false;
    applyEditMode();
    watchChanges();
    return true;
}

bool WebEngineBrowser::loadPage(const QString& html, const QUrl& baseUrl)
{
    // An empty document whose address is the base URL, then the page written into it. setHtml alone
    // would not do: it passes the page as a data: URL, which the engine cuts off at 2 MB.
    if (!waitForLoad([&](QWebEnginePage* page) { page->setHtml(QString(), baseUrl); }))
        return false;
    const QString script = QStringLiteral("(function(s){document.open();document.write(s);document.close();"
                                          "return true;})(%1)")
                               .arg(jsString(html));
    // The engine lays the page out while it is written, which takes seconds for pages of megabytes.
    const auto wait = kLoadWait + std::chrono::milliseconds(html.size() / 200);
    const auto written = run(script, wait);
    applyEditMode();
    watchChanges();
    return written.has_value();
}

std::optional<QString> WebEngineBrowser::rootMarkup()
{
    const auto value = run(rootMarkupScript(), m_scriptWait);
    if (!value)
        return std::nullopt;
    return value->toString();
}

void WebEngineBrowser::setEditMode(bool on)
{
    m_editMode = on;
    applyEditMode();
}

void WebEngineBrowser::applyEditMode()
{
    (void)run(QStringLiteral("document.designMode='%1';true").arg(m_editMode ? u"on" : u"off"), m_scriptWait);
    // The engine takes its editing settings only for a document in edit mode.
    if (m_editMode && !m_editingScripts.afterLoad.isEmpty())
        (void)run(m_editingScripts.afterLoad, m_scriptWait);
}

void WebEngineBrowser::watchChanges()
{
    (void)run(QString::fromUtf16(kWatchChanges), m_scriptWait);
}

void WebEngineBrowser::setEditingScripts(EditingScripts scripts)
{
    m_editingScripts = std::move(scripts);
}

QString WebEngineBrowser::rootMarkupScript() const
{
    return m_editingScripts.rootMarkup.isEmpty()
        ? QStringLiteral("document.documentElement?document.documentElement.outerHTML:''")
        : m_editingScripts.rootMarkup;
}

std::optional<bool> WebEngineBrowser::takeChanged()
{
    const auto value = run(QString::fromUtf16(kTakeChanged), m_scriptWait);
    if (!value)
        return std::nullopt;
    return value->toBool();
}

void WebEngineBrowser::setChangeListener(std::function<void()> listener)
{
    m_shared->changeListener = std::move(listener);
    if (!m_pollTimer) {
        m_pollTimer = std::make_unique<QTimer>();
        m_pollTimer->setInterval(kChangePoll);
        QObject::connect(m_pollTimer.get(), &QTimer::timeout, [this] { pollChanges(); });
    }
    if (m_shared->changeListener)
        m_pollTimer->start();
    else
        m_pollTimer->stop();
}

void WebEngineBrowser::pollChanges()
{
    if (!m_page || !m_shared->rendererAlive || m_shared->pollInFlight)
        return;
    m_shared->pollInFlight = true;
    m_page->runJavaScript(QString::fromUtf16(kTakeChanged), QWebEngineScript::ApplicationWorld,
        [shared = m_shared](const QVariant& changed) {
            shared->pollInFlight = false;
            if (changed.toBool() && shared->changeListener)
                shared->changeListener();
        });
}

void WebEngineBrowser::setSelectionListener(QString script, std::function<void(const QVariant&)> listener)
{
    m_selectionScript = std::move(script);
    m_shared->selectionListener = std::move(listener);
    if (!m_selectionTimer) {
        m_selectionTimer = std::make_unique<QTimer>();
        m_selectionTimer->setInterval(kSelectionPoll);
        QObject::connect(m_selectionTimer.get(), &QTimer::timeout, [this] { pollSelection(); });
    }
    if (m_shared->selectionListener)
        m_selectionTimer->start();
    else
        m_selectionTimer->stop();
}

void WebEngineBrowser::pollSelection()
{
    if (!m_page || !m_shared->rendererAlive || m_shared->selectionPollInFlight)
        return;
    m_shared->selectionPollInFlight = true;
    // The listener's script runs only when the flag was up: a caret that stays costs one tiny script.
    m_page->runJavaScript(QStringLiteral("(function(){var w=window.__inkwellWatch;if(!w||!w.selection)"
                                         "return null;w.selection=false;return %1;})()")
                              .arg(m_selectionScript),
        QWebEngineScript::ApplicationWorld, [shared = m_shared](const QVariant& value) {
            shared->selectionPollInFlight = false;
            if (value.isValid() && !value.isNull() && shared->selectionListener)
                shared->selectionListener(value);
        });
}

void WebEngineBrowser::setRendererEndedListener(std::function<void()> listener)
{
    m_shared->rendererEndedListener = std::move(listener);
}

void WebEngineBrowser::setPasteHandler(std::function<bool()> handler)
{
    m_shared->pasteHandler = std::move(handler);
}

void WebEngineBrowser::setFileDropHandler(std::function<void(const QList<QUrl>& files)> handler)
{
    m_shared->fileDropHandler = std::move(handler);
}

void WebEngineBrowser::setHistoryHandler(std::function<bool(HistoryDirection)> handler)
{
    m_shared->historyHandler = std::move(handler);
}

void WebEngineBrowser::runEditAction(EditAction action)
{
    QWebEnginePage* page = this->page();
    if (!page)
        return;
    switch (action) {
    case EditAction::Cut:
        page->triggerAction(QWebEnginePage::Cut);
        break;
    case EditAction::Copy:
        page->triggerAction(QWebEnginePage::Copy);
        break;
    case EditAction::Paste:
        page->triggerAction(QWebEnginePage::Paste);
        break;
    case EditAction::PasteAsPlainText:
        page->triggerAction(QWebEnginePage::PasteAndMatchStyle);
        break;
    }
}

void WebEngineBrowser::setContextMenuHandler(std::function<void(const PagePoint& at)> handler)
{
    m_shared->contextMenuHandler = std::move(handler);
}

void WebEngineBrowser::setDoubleClickHandler(std::function<void(const PagePoint& at)> handler)
{
    m_shared->doubleClickHandler = std::move(handler);
    (void)page(); // the watch on the view's input starts with the page
}

void WebEngineBrowser::setKeyHandler(
    const QList<QKeySequence>& keys, std::function<void(const QKeySequence&)> handler)
{
    m_shared->handledKeys = keys;
    m_shared->keyHandler = std::move(handler);
    (void)page(); // the watch on the view's input starts with the page
}

PagePoint WebEngineBrowser::pagePoint(QPointF point) const
{
    const qreal zoom = m_page && m_page->zoomFactor() > 0 ? m_page->zoomFactor() : 1.0;
    const QPoint global = m_view ? m_view->mapToGlobal(point.toPoint()) : point.toPoint();
    return { global, point / zoom };
}

void WebEngineBrowser::placeCaretAt(QPointF point)
{
    // The page's coordinates are the view's divided by its zoom.
    const qreal zoom = m_page && m_page->zoomFactor() > 0 ? m_page->zoomFactor() : 1.0;
    (void)run(QStringLiteral("(function(x,y){var r=document.caretRangeFromPoint(x,y);if(!r)return false;"
                             "var s=getSelection();s.removeAllRanges();s.addRange(r);return true;})(%1,%2)")
                  .arg(point.x() / zoom)
                  .arg(point.y() / zoom),
        m_scriptWait);
}

void WebEngineBrowser::evaluateLater(const QString& script, std::function<void(const QVariant&)> done)
{
    struct Pending
    {
        std::function<void(const QVariant&)> done;
        bool answered = false;
        void answer(const QVariant& result)
        {
            if (std::exchange(answered, true))
                return;
            done(result);
        }
    };
    auto pending = std::make_shared<Pending>();
    pending->done = std::move(done);
    QWebEnginePage* page = this->page();
    if (!page || !m_shared->rendererAlive) {
        QTimer::singleShot(0, [pending] { pending->answer(QVariant()); });
        return;
    }
    // A renderer that hangs never answers; the reader is told after the usual wait instead.
    QTimer::singleShot(m_scriptWait, page, [pending] { pending->answer(QVariant()); });
    page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
        [pending](const QVariant& value) { pending->answer(value); });
}

bool WebEngineBrowser::documentEditable()
{
    const auto value
        = run(QStringLiteral("document.designMode==='on'&&(!document.body||document.body.isContentEditable)"),
            m_scriptWait);
    return value && value->toBool();
}

bool WebEngineBrowser::execCommand(const QString& name, const CommandValue& value)
{
    const QString script = QStringLiteral("(function(n,v){%1return document.execCommand(n,false,v);})(%2,%3)")
                               .arg(kEnsureSelection, jsString(name), commandArgument(name, value));
    const auto result = run(script, m_scriptWait);
    return result && result->toBool();
}

bool WebEngineBrowser::pasteHtml(const QString& fragment)
{
    // The engine merges the first and last block of a pasted fragment into the paragraphs around the
    // caret, which dissolves a field set (and other blocks) into loose text. Marking both ends as
    // paragraph breaks keeps such a fragment whole; tables and rules are never merged and need no marks.
    const QString script = QStringLiteral(
        "(function(h){%1var t=document.createElement('template');t.innerHTML=h;"
        "var blocks=/^(ADDRESS|ARTICLE|ASIDE|BLOCKQUOTE|DETAILS|DIV|DL|FIELDSET|FIGURE|FOOTER|FORM|"
        "H[1-6]|HEADER|MAIN|NAV|OL|P|PRE|SECTION|UL)$/,wrap=false;"
        "for(var i=0;i<t.content.children.length;++i)wrap=wrap||blocks.test(t.content.children[i].tagName);"
        "var nl='<br class=\"Apple-interchange-newline\">';"
        "return document.execCommand('insertHTML',false,wrap?nl+h+nl:h);})(%2)")
                               .arg(kEnsureSelection, jsString(fragment));
    const auto result = run(script, m_scriptWait);
    return result && result->toBool();
}

std::optional<QVariant> WebEngineBrowser::evaluate(const QString& script)
{
    return run(script, m_scriptWait);
}

BrowserParts createBrowser(QWidget* parent)
{
    auto* view = new QWebEngineView(parent);
    return { view, std::make_unique<WebEngineBrowser>(view) };
}

} // namespace inkwell
