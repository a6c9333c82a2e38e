// The start-up steps run by the main window before it is first shown, in their fixed order.
#include "app/fontlist.h"
#include "app/mainwindow.h"
#include "app/timestampname.h"
#include "app/workingfolders.h"
#include "editing/codeview.h"
#include "editing/designview.h"
#include "platform/inifile.h"
#include "projects/wizardatstart.h"
#include "publishing/pageserver.h"

#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QMessageBox>

namespace inkwell {
namespace {

constexpr std::string_view instanceLockName = "ssssssffffffffffddddddddd";

} // namespace

StartUpOutcome MainWindow::runCreationSequence()
{
    // Refuse to run from a folder below the temporary folder, where archive tools unpack files.
    if (IsBelowTemporaryFolder(m_runFolder.string(), QDir::tempPath().toStdString())) {
        QMessageBox::information(nullptr, QStringLiteral("提示"), QStringLiteral("请解压以后再运行！"));
        return StartUpOutcome::end(0);
    }

    // One copy per user at a time; a second copy ends silently. A lock that cannot be taken at all
    // says so: ending silently then would look like a program that never starts.
    auto lock
        = InstanceLock::acquire(InstanceLock::userLockFile(instanceLockName), std::chrono::milliseconds(100));
    switch (lock.state) {
    case LockState::Taken:
        m_instanceLock = std::move(lock.lock);
        break;
    case LockState::HeldByAnotherCopy:
        return StartUpOutcome::end(0);
    case LockState::Failed:
        QMessageBox::information(nullptr, QStringLiteral("提示"),
            QStringLiteral("无法确认是否已有本程序在运行，程序将退出。\n")
                + QString::fromStdString(lock.error));
        return StartUpOutcome::end(1);
    }

    (void)EnsureFolder(m_runFolder / "system");
    (void)EnsureFolder(m_runFolder / "tmp");
    m_document
        = DocumentState { m_runFolder / "tmp", TimeStampName(), static_cast<int>(DocumentKind::HtmlPage) };

    if (!m_pageServer->Start())
        qWarning("The page server found no free port; archives cannot be exported in this run.");

    m_designView->Attach(m_browser);
    loadBlankPage(); // LoadHtml(BlankPage), EditModeOn
    m_codeView->Attach(m_codeEditor);
    installEditWatch();
    // Edits by any path (the engine's own menu, drag and drop, middle-click paste) count, not only keys.
    m_designView->setChangeListener([this] { noteEdited(); });
    m_designView->setRendererEndedListener([this] { reloadAfterRendererEnded(); });

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
    for (const auto& name : FontListFromEnumeration(enumerated))
        m_fontNames->addItem(QString::fromStdString(name));
    if (m_fontNames->count() > InitialFontIndex)
        m_fontNames->setCurrentIndex(InitialFontIndex);

    for (int size = 1; size <= 10; ++size)
        m_fontSizes->addItem(QString::number(size));
    m_fontSizes->setCurrentIndex(1);
}

void MainWindow::openWizardAtStartIfAsked()
{
    // Modal, and before the main window is first shown: the wizard is shown alone.
    if (ShowWizardAtStart(m_runFolder))
        (void)openWizard();
}

void MainWindow::applyTitleFromSettings()
{
    const IniFile titles(m_runFolder / "system" / "title.ini");
    setWindowTitle(QString::fromStdString(titles.read("标题", "名称", "Inkwell")));
    (void)titles.write("标题", "名称", windowTitle().toStdString());
}

} // namespace inkwell
