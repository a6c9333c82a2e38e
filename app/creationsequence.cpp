// The start-up steps run by the main window before it is first shown, in their fixed order.
#include "app/fontlist.h"
#include "app/mainwindow.h"
#include "app/timestampname.h"
#include "core/ensurefolder.h"
#include "core/inifile.h"
#include "core/messagetexts.h"
#include "document/ownfolders.h"
#include "editing/designview.h"
#include "editing/incomingpictures.h"
#include "platform/browserengine.h"
#include "projects/wizardatstart.h"
#include "publishing/pageserver.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMimeData>
#include <cstdlib>
#include <xcb/xcb.h>

namespace inkwell {
namespace {

constexpr std::string_view kInstanceLockName = "ssssssffffffffffddddddddd";

xcb_atom_t atomNamed(xcb_connection_t* connection, std::string_view name)
{
    const auto cookie = xcb_intern_atom(connection, 0, std::uint16_t(name.size()), name.data());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// Qt never hands an empty title to the window system: it puts the program's name in its place. An
// empty caption is therefore written into the window's name properties directly, each time the window
// gets its native window or is shown (Qt writes its substitute then). Only under X, XWayland included;
// elsewhere Qt's caption stands.
class EmptyCaption final : public QObject
{
public:
    explicit EmptyCaption(QWidget* window)
        : QObject(window)
        , m_window(window)
    {
        window->installEventFilter(this);
        if (window->testAttribute(Qt::WA_WState_Created))
            apply();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show))
            apply();
        return false;
    }

private:
    void apply()
    {
        const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11 || !m_window->windowTitle().isEmpty() || !m_window->testAttribute(Qt::WA_WState_Created))
            return;
        xcb_connection_t* connection = x11->connection();
        const auto id = xcb_window_t(m_window->winId());
        const xcb_atom_t utf8Name = atomNamed(connection, "_NET_WM_NAME");
        const xcb_atom_t utf8 = atomNamed(connection, "UTF8_STRING");
        if (utf8Name != XCB_ATOM_NONE && utf8 != XCB_ATOM_NONE)
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, utf8Name, utf8, 8, 0, nullptr);
        xcb_change_property(
            connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
        xcb_flush(connection);
    }

    QWidget* m_window;
};

} // namespace

StartUpOutcome MainWindow::runCreationSequence()
{
    // Refuse to run from a folder below the temporary folder, where archive tools unpack files. The
    // program's own folder is what counts, wherever its working files go.
    if (isBelowTemporaryFolder(m_programFolder.string(), QDir::tempPath().toStdString())) {
        m_messages.inform(kHintTitle, texts::kUnpackFirst, MessageOwner::Screen);
        return StartUpOutcome::end(0);
    }

    // One copy per user at a time; a second copy ends silently. A lock that cannot be taken at all
    // says so: ending silently then would look like a program that never starts.
    auto lock = InstanceLock::acquire(
        InstanceLock::userLockFile(kInstanceLockName), std::chrono::milliseconds(100));
    if (!lock) {
        m_messages.inform(kHintTitle,
            texts::lockFailed(InstanceLock::userLockFile(kInstanceLockName), lock.error()),
            MessageOwner::Screen);
        return StartUpOutcome::end(1);
    }
    if (!lock->has_value())
        return StartUpOutcome::end(0);
    m_instanceLock = std::move(*lock);

    (void)ensureFolder(m_runFolder.systemFolder());
    (void)ensureFolder(m_runFolder.tmpFolder());
    // A run killed in the middle of a save left its half-written file beside the target; with the lock
    // held no other copy of this user is writing one now.
    (void)removeLeftoverTemporaryFiles(m_runFolder);
    m_document = DocumentLocation { m_runFolder.tmpFolder(), timeStampName(), DocumentKind::Html };

    if (!m_pageServer->start())
        qWarning("The page server found no free port; archives cannot be exported in this run.");

    m_designView->attach(std::move(m_browserEngine));
    loadBlankPage(); // loadHtml(blankPage), editModeOn
    installEditWatch();
    // Edits by any path (the engine's own menu, drag and drop, middle-click paste) count, not only keys.
    m_designView->setChangeListener([this] { noteEdited(); });
    m_designView->setRendererEndedListener(
        [this] { m_commands.runOrDefer([this] { reloadAfterRendererEnded(); }); });
    // Pictures pasted or dropped go into the document folder as the picture command puts them there.
    // A paste while a command runs is refused as any other key is.
    m_designView->setPasteHandler([this] {
        bool handled = true;
        (void)m_commands.run([&] {
            const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
            handled = offered && m_incomingPictures->paste(*offered, m_browser->devicePixelRatioF());
        });
        return handled;
    });
    // Undo and redo run as commands: a step across a load waits for the engine. The keys are taken even
    // while another command runs, as the paste keys are.
    m_designView->setHistoryHandler([this](HistoryDirection direction) {
        (void)m_commands.run([&] { moveThroughHistory(direction); });
        return true;
    });
    m_designView->setFileDropHandler(
        [this](const QList<QUrl>& files) { runCommand([&] { m_incomingPictures->drop(files); }); });

    fillFontLists();
    // A page kept from a run that ended without saving comes first; taken back, it replaces the wizard.
    if (!offerRecoveredPage())
        openWizardAtStartIfAsked();
    applyTitleFromSettings();

    applyLayout();
    // A logout or kill during the questions above ends the program here.
    if (m_stopped)
        return StartUpOutcome::end(0);
    return StartUpOutcome::run();
}

void MainWindow::fillFontLists()
{
    std::vector<std::string> enumerated;
    for (const auto& family : QFontDatabase::families())
        enumerated.push_back(family.toStdString());
    for (const auto& name : fontListFromEnumeration(enumerated))
        m_fontNames->addItem(QString::fromStdString(name));
    if (m_fontNames->count() > kInitialFontIndex)
        m_fontNames->setCurrentIndex(kInitialFontIndex);

    for (int size = 1; size <= 10; ++size)
        m_fontSizes->addItem(QString::number(size));
    m_fontSizes->setCurrentIndex(1);
}

void MainWindow::openWizardAtStartIfAsked()
{
    // Modal, and before the main window is first shown: the wizard is shown alone.
    if (showWizardAtStart(m_runFolder))
        (void)openWizard();
}

void MainWindow::applyTitleFromSettings()
{
    const IniFile titles(m_runFolder.titleSettingFile());
    // An empty value is a caption of its own; only a missing one gives the program's name.
    setWindowTitle(QString::fromStdString(titles.read("标题", "名称", "Inkwell")));
    if (windowTitle().isEmpty())
        new EmptyCaption(this);
    (void)titles.write("标题", "名称", windowTitle().toStdString());
}

} // namespace inkwell
