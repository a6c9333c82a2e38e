// The browser-engine operations over a QWebEngineView, made synchronous for their callers by waiting in a
// local event loop for at most a few seconds.
#pragma once

#include "platform/browserengine.h"

#include <QPointF>
#include <QPointer>
#include <chrono>
#include <memory>

class QWebEngineView;
class QWebEngineProfile;
class QWebEnginePage;
class QTimer;

namespace inkwell {

class EditorPage;
class InputFilter;

class WebEngineBrowser final : public BrowserEngine
{
public:
    // Gives `view` a page of its own in `profile` (the default profile when null), made with the first
    // operation that needs it. The page's own scripts are switched off; our scripts run in the
    // application world. The profile must outlive the view.
    explicit WebEngineBrowser(QWebEngineView* view, QWebEngineProfile* profile = nullptr);
    ~WebEngineBrowser() override;
    WebEngineBrowser(const WebEngineBrowser&) = delete;
    WebEngineBrowser& operator=(const WebEngineBrowser&) = delete;

    [[nodiscard]] bool navigate(const QUrl& url) override;
    [[nodiscard]] bool loadPage(const QString& html, const QUrl& baseUrl) override;
    [[nodiscard]] std::optional<QString> rootMarkup() override;
    void setEditMode(bool on) override;
    [[nodiscard]] bool documentEditable() override;
    [[nodiscard]] bool execCommand(const QString& name, const CommandValue& value = {}) override;
    [[nodiscard]] bool pasteHtml(const QString& fragment) override;
    [[nodiscard]] std::optional<QVariant> evaluate(const QString& script) override;
    void evaluateLater(const QString& script, std::function<void(const QVariant&)> done) override;
    [[nodiscard]] std::optional<bool> takeChanged() override;
    void setChangeListener(std::function<void()> listener) override;
    void setSelectionListener(QString script, std::function<void(const QVariant&)> listener) override;
    void setRendererEndedListener(std::function<void()> listener) override;
    void setEditingScripts(EditingScripts scripts) override;
    void setPasteHandler(std::function<bool()> handler) override;
    void setFileDropHandler(std::function<void(const QList<QUrl>& files)> handler) override;
    void setHistoryHandler(std::function<bool(HistoryDirection)> handler) override;
    void runEditAction(EditAction action) override;
    void setContextMenuHandler(std::function<void(const PagePoint& at)> handler) override;
    void setDoubleClickHandler(std::function<void(const PagePoint& at)> handler) override;
    void setKeyHandler(
        const QList<QKeySequence>& keys, std::function<void(const QKeySequence&)> handler) override;

    // Upper bounds of the waits: a load of a whole page, and one script.
    static constexpr std::chrono::milliseconds kLoadWait { 20000 };
    static constexpr std::chrono::milliseconds kScriptWait { 10000 };
    // How often the change listener's flag is looked at.
    static constexpr std::chrono::milliseconds kChangePoll { 400 };
    // How often the selection's flag is looked at: the toolbar follows the caret without a lag one sees.
    static constexpr std::chrono::milliseconds kSelectionPoll { 150 };

    // Shortens the script wait, for tests of a page that never answers.
    void setScriptWait(std::chrono::milliseconds wait) { m_scriptWait = wait; }

private:
    [[nodiscard]] EditorPage* page();
    template <typename Start> [[nodiscard]] bool waitForLoad(Start start);
    [[nodiscard]] std::optional<QVariant> run(const QString& script, std::chrono::milliseconds wait);
    void applyEditMode();
    void watchChanges();
    [[nodiscard]] QString rootMarkupScript() const;
    void pollChanges();
    void pollSelection();

    // Puts the caret where a drop at `point` (pixels of the view) lands.
    void placeCaretAt(QPointF point);
    // The point of the view (its pixels) on the screen and in the page.
    [[nodiscard]] PagePoint pagePoint(QPointF point) const;

    // What callbacks that may outlive this object share with it.
    struct Shared
    {
        std::function<void()> changeListener;
        std::function<void(const QVariant&)> selectionListener;
        std::function<void()> rendererEndedListener;
        std::function<bool()> pasteHandler;
        std::function<void(const QList<QUrl>&)> fileDropHandler;
        std::function<bool(HistoryDirection)> historyHandler;
        std::function<void(const PagePoint&)> contextMenuHandler;
        std::function<void(const PagePoint&)> doubleClickHandler;
        QList<QKeySequence> handledKeys;
        std::function<void(const QKeySequence&)> keyHandler;
        bool rendererAlive = true;
        bool pollInFlight = false;
        bool selectionPollInFlight = false;
    };

    QPointer<QWebEngineView> m_view;
    QWebEngineProfile* m_profile = nullptr;
    QPointer<QWebEnginePage> m_page;
    bool m_pageMade = false; // a page that was made and is gone is not made again
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    std::unique_ptr<QTimer> m_pollTimer;
    std::unique_ptr<QTimer> m_selectionTimer;
    QString m_selectionScript;
    QMetaObject::Connection m_menuRequests;
    std::unique_ptr<QObject> m_inputFilter; // paste keys and file drops on the view and its children
    std::chrono::milliseconds m_scriptWait = kScriptWait;
    bool m_editMode = false;
    EditingScripts m_editingScripts;
};

} // namespace inkwell
