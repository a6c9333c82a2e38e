// The start-up steps run by the main window before it is first shown, in their fixed order.
#include "app/fontlist.h"
#include "app/mainwindow.h"
#include "app/timestampname.h"
#include "core/ensurefolder.h"
#include "core/ignoredoutcome.h"
#include "core/inifile.h"
#include "core/messagetexts.h"
#include "document/ownfolders.h"
#include "editing/blockformat.h"
#include "editing/designmenu.h"
#include "editing/designview.h"
#include "editing/formattingcommands.h"
#include "editing/tablecommands.h"
#include "incoming/incomingpictures.h"
#include "platform/browserengine.h"
#include "projects/wizardatstart.h"
#include "publishing/pageserver.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMimeData>

namespace inkwell {
namespace {

constexpr std::string_view kInstanceLockName = "ssssssffffffffffddddddddd";

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

    ignoreOutcome(ensureFolder(m_runFolder.systemFolder()),
        "a missing settings folder is told when the recovery copy cannot be written there");
    ignoreOutcome(ensureFolder(m_runFolder.tmpFolder()), "a Save into a missing folder says so in its box");
    // A run killed in the middle of a save left its half-written file beside the target; with the lock
    // held no other copy of this user is writing one now.
    ignoreOutcome(removeLeftoverTemporaryFiles(m_runFolder),
        "a leftover that stays is only a stray file; the next start tries again");
    m_document = DocumentLocation { m_runFolder.tmpFolder(), timeStampName(), DocumentKind::Html };

    if (!m_pageServer->start())
        qWarning("The page server found no free port; archives cannot be exported in this run.");

    m_designView->attach(std::move(m_browserEngine));
    loadBlankPage(); // loadHtml(blankPage), editModeOn
    installEditWatch();
    // Edits by any path (the engine's own menu, drag and drop, middle-click paste) count, not only keys.
    m_designView->setChangeListener([this] { noteEdited(); });
    m_designView->setSelectionListener([this](const CaretFormat& format) {
        // A command that waits for the engine shows the formats once it is done.
        if (!m_commands.busy())
            showCaretFormat(format);
    });
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
    // The page's own menu, the link key and the double-click on a link: their edits run as commands,
    // and count when they changed the page.
    m_designMenu = std::make_unique<DesignMenu>(*m_designView, m_formatting->objects(), m_browser,
        DesignMenu::Hooks {
            .history
            = [this](HistoryDirection direction) { runCommand([&] { moveThroughHistory(direction); }); },
            .edit =
                [this](const std::function<void()>& edit) {
                    runCommand([&] {
                        edit();
                        flushChanges();
                    });
                },
        });
    // Tables (only in a cell), then 段落格式 and 页面属性…, which every menu has.
    m_designMenu->addSection(m_tables->section());
    m_designMenu->addSection(paragraphAndPageSection(*m_designView, *m_pageProperties,
        [this](const std::function<void()>& command) { runEdit(command); }));

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
    // An empty value is a title of its own; only a missing one gives the program's name. The file keeps
    // the title alone: the page's name in the caption changes with the document.
    m_configuredTitle = titles.read("标题", "名称", "Inkwell");
    ignoreOutcome(titles.write("标题", "名称", *m_configuredTitle),
        "a read-only settings file keeps its title; the caption is set all the same");
    refreshCaption();
}

} // namespace inkwell
