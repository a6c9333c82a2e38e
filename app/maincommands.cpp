// The commands of the main window's controls: each hands over to the piece that does the work,
// with the window's state and its dialogs.
#include "app/mainwindow.h"
#include "app/timestampname.h"
#include "app/windowcaption.h"
#include "capture/capturecommand.h"
#include "core/messagetexts.h"
#include "document/blankpage.h"
#include "editing/codeview.h"
#include "editing/designview.h"
#include "editing/designviewswitch.h"
#include "editing/formattingcommands.h"
#include "projects/wizardwindow.h"
#include "publishing/mhtexportcommand.h"
#include "publishing/pageserver.h"
#include "publishing/pageurl.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QPushButton>
#include <QTabWidget>

namespace inkwell {
namespace {

// Runs a hidden file dialog of the window; the chosen path, or empty when cancelled.
QString runFileDialog(QFileDialog* dialog)
{
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().constFirst();
}

} // namespace

DocumentContext MainWindow::documentContext()
{
    DocumentContext context(m_messages);
    context.getHtml = [this] { return m_designView->readHtml(); };
    context.getPageText = [this] { return m_designView->readPageText(); };
    context.loadHtml = [this](const QString& html) {
        m_designView->loadHtml(html);
        clearCodeView();
    };
    context.document = [this] { return m_document; };
    context.setDocument = [this](const DocumentLocation& document) {
        m_document = document;
        m_designView->setDocumentFolder(m_document.folder, DesignView::FolderChange::NextLoad);
    };
    context.status = &m_documentStatus;
    context.chooseFile = [this] {
        // Where the user looks for the project's pages; a start-up page in "tmp" has no project.
        if (m_document.folder != m_runFolder.tmpFolder())
            m_openDialog->setDirectory(QString::fromStdString(m_document.folder.string()));
        return runFileDialog(m_openDialog);
    };
    context.openWizard = [this] { openWizard(); };
    context.parent = this;
    return context;
}

void MainWindow::loadBlankPage()
{
    m_designView->setDocumentFolder(m_document.folder, DesignView::FolderChange::NextLoad);
    m_designView->loadHtml(QString::fromUtf8(blankPage().data(), static_cast<qsizetype>(blankPage().size())));
    m_designView->editModeOn();
    clearCodeView();
    auto context = documentContext();
    inkwell::noteNewPage(context);
}

bool MainWindow::openWizard()
{
    WizardContext wizard { m_runFolder, m_document, m_messages };
    wizard.reopen = [this](const DocumentLocation& document) { return reopenDocument(document); };
    const auto outcome = inkwell::openWizard(isVisible() ? this : nullptr, wizard);
    // Setting the project folder in the wizard moves the document even when no project is created.
    m_document = outcome.document;
    if (outcome.projectCreated)
        loadBlankPage();
    m_designView->setDocumentFolder(m_document.folder);
    if (outcome.projectCreated || outcome.projectReopened)
        m_recovery->noteSettled();
    refreshCaption();
    return outcome.projectCreated;
}

bool MainWindow::reopenDocument(const DocumentLocation& document)
{
    flushChanges();
    auto context = documentContext();
    const bool reopened = inkwell::reopenDocument(context, document) == ReopenOutcome::Reopened;
    noteSettled();
    return reopened;
}

void MainWindow::noteSettled()
{
    m_recovery->noteSettled();
    refreshCaption();
}

void MainWindow::refreshCaption()
{
    if (!m_configuredTitle)
        return;
    const auto edits = m_documentStatus.isEdited() ? PageEdits::Unsaved : PageEdits::Saved;
    QString caption = QString::fromStdString(
        windowCaption(*m_configuredTitle, m_document.filePath(), m_runFolder.tmpFolder(), edits));
    // The toolkit takes "[*]" for the place of its own modified mark; a name that holds it keeps it.
    caption.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(caption);
}

void MainWindow::newDocument()
{
    flushChanges();
    auto context = documentContext();
    inkwell::newDocument(context);
    noteSettled();
}

void MainWindow::openDocument()
{
    flushChanges();
    auto context = documentContext();
    inkwell::openDocument(context);
    noteSettled();
}

void MainWindow::saveDocument()
{
    flushChanges();
    auto context = documentContext();
    (void)inkwell::saveDocument(context);
    noteSettled();
}

void MainWindow::exportArchive()
{
    MhtExportContext context(m_messages);
    context.saveDocument = [this] {
        flushChanges();
        auto documents = documentContext();
        Result<void> saved = writePageToDocument(documents);
        noteSettled();
        return saved;
    };
    context.document = m_document;
    context.runFolder = m_runFolder.path();
    context.serverPort = m_pageServer->port();
    context.chooseFileName = [this](QWidget*) { return runFileDialog(m_exportDialog); };
    (void)runMhtExport(this, context);
}

void MainWindow::previewInBrowser()
{
    // The same save as the export's first step, with its failure message.
    flushChanges();
    auto documents = documentContext();
    const bool saved = inkwell::saveDocument(documents) == SaveOutcome::Saved;
    noteSettled();
    if (!saved)
        return;
    const auto port = m_pageServer->port();
    if (!port) {
        m_messages.inform(
            kHintTitle, texts::previewRefused(texts::PreviewRefusal::NoPort, m_document.filePath()));
        return;
    }
    // The browser takes any URL the server answers, so a page anywhere in the run folder is shown,
    // a project one level deeper in "project" included.
    const auto url = previewUrl(m_document, m_runFolder, *port);
    if (!url) {
        m_messages.inform(kHintTitle,
            texts::previewRefused(texts::PreviewRefusal::OutsideRunFolder, m_document.filePath()));
        return;
    }
    QDesktopServices::openUrl(QUrl(QString::fromStdString(*url)));
}

void MainWindow::showDesignPage()
{
    m_tabs->setCurrentIndex(0);
    // The code editor's text replaces the page only when the user wrote it: a copy nobody touched is
    // the page already, and an editor that was never filled (or was emptied) would wipe the page.
    QString code = m_codeView->text();
    if (code.trimmed().isEmpty())
        return;
    if (!m_codeView->isUntouched(code)) {
        flushChanges();
        const auto since = m_designView->changeCount() == m_codePageAt ? DesignPageSince::Unchanged
                                                                       : DesignPageSince::Changed;
        switchToDesignView(code, *m_codeView, *m_designView, since);
        m_codePageAt = m_designView->changeCount();
        m_codeView->markUntouched(code);
        noteEdited();
    }
    showCodeCaretInDesignView(code, *m_codeView, *m_designView);
}

void MainWindow::showCodePage()
{
    m_tabs->setCurrentIndex(1);
    // Changes the engine has not reported yet belong to the page read now, not to a later one.
    flushChanges();
    switchToCodeView(*m_designView, *m_codeView);
    m_codePageAt = m_designView->changeCount();
}

void MainWindow::moveThroughHistory(HistoryDirection direction)
{
    const auto move = direction == HistoryDirection::Back ? m_designView->undo() : m_designView->redo();
    // A step taken back may be the page as it was saved: the close question and the recovery copy
    // compare the page with the saved one, so counting it as an edit is always right.
    if (move != DesignView::HistoryMove::None)
        noteEdited();
}

void MainWindow::clearCodeView()
{
    // Text of the page that was shown before must never come back over the new one.
    m_codeView->setText(QString());
}

void MainWindow::applyChosenFontName()
{
    m_formatting->fontName(m_fontNames->currentText());
    noteEdited();
}

void MainWindow::applyChosenFontSize()
{
    m_formatting->fontSize(m_fontSizes->currentText());
    noteEdited();
}

void MainWindow::chooseTextColour()
{
    m_formatting->textColour();
    noteEdited();
}

void MainWindow::chooseBackgroundColour()
{
    m_formatting->backgroundColour();
    noteEdited();
}

void MainWindow::captureWithWindowMinimised()
{
    runCaptureCommand(this, CaptureEntry::MinimiseFirst, captureContext());
    noteEdited();
}

void MainWindow::captureWithWindowShown()
{
    runCaptureCommand(this, CaptureEntry::KeepWindow, captureContext());
    noteEdited();
}

CaptureOutputContext MainWindow::captureContext()
{
    return CaptureOutputContext { m_messages, m_document.folder, [] { return timeStampName(); },
        [this](const std::filesystem::path& picture, std::optional<QSize> logicalSize) {
            m_designView->insertImage(picture, logicalSize);
        } };
}

void MainWindow::noteEdited()
{
    m_documentStatus.markEdited();
    m_recovery->noteChanged();
    refreshCaption();
}

void MainWindow::flushChanges()
{
    // A change the engine has not reported yet must count before the page is judged or written.
    if (m_designView->takeChanged().value_or(false))
        noteEdited();
}

void MainWindow::reportRecoveryCopyFailed(const Error& error)
{
    // Once per run: the copy is tried again after every change, and a box each time would stop the
    // user typing. A run that is ending has nobody left to read it.
    if (m_stopped || std::exchange(m_recoveryFailureShown, true))
        return;
    m_commands.runOrDefer([this, error] {
        if (m_stopped)
            return;
        m_messages.inform(kHintTitle, texts::recoveryCopyFailed(error, m_runFolder.systemFolder()),
            isVisible() ? MessageOwner::Window : MessageOwner::Screen);
    });
}

void MainWindow::endWithoutQuestion()
{
    if (m_stopped)
        return;
    flushChanges();
    // A renderer that no longer answers still leaves the newest page the view read.
    m_recovery->writeFinalCopy([this] {
        return m_designView->readPageText().value_or(
            PageText { m_designView->lastPage(), m_designView->lastPage() });
    });
    stopWhatWasStarted();
    QCoreApplication::exit(0); // also ends the loop of an open dialog
}

bool MainWindow::offerRecoveredPage()
{
    const auto found = m_recovery->copy().read();
    if (found.status == RecoveryReadResult::Status::None)
        return false;
    const auto owner = isVisible() ? MessageOwner::Window : MessageOwner::Screen;
    if (found.status == RecoveryReadResult::Status::Damaged) {
        m_recovery->copy().remove();
        m_messages.inform(kHintTitle, texts::recoveryDamaged(found.reason), owner);
        return false;
    }
    if (m_messages.ask(
            kHintTitle, texts::recoveryQuestion(found.page.document.filePath()), Answer::Yes, owner)
        != Answer::Yes) {
        m_recovery->copy().remove();
        return false;
    }
    // The page comes back where it belongs, marked unsaved: the next Save writes it to its file. The
    // copy stays until then, should this run end early too.
    m_document = found.page.document;
    const QString html = QString::fromStdString(found.page.html);
    m_designView->setDocumentFolder(m_document.folder, DesignView::FolderChange::NextLoad);
    m_designView->loadHtml(html);
    m_designView->editModeOn();
    clearCodeView();
    m_documentStatus.markLoaded(std::string(), found.page.encoding);
    m_documentStatus.markEdited();
    return true;
}

void MainWindow::reloadAfterRendererEnded()
{
    if (m_stopped)
        return;
    // The engine starts a new renderer for the next load; the newest page this window read goes in,
    // and the history stays.
    m_designView->showAgain(m_designView->lastPage());
    m_designView->editModeOn();
    noteEdited();
    m_messages.inform(kHintTitle, texts::kRendererEnded);
}

} // namespace inkwell
