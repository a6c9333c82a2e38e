// The commands of the main window's controls: each hands over to the piece that does the work,
// with the window's state and its named dialogs.
#include "app/blankpage.h"
#include "app/mainwindow.h"
#include "app/timestampname.h"
#include "capture/capturecommand.h"
#include "editing/codeview.h"
#include "editing/designview.h"
#include "editing/designviewswitch.h"
#include "editing/formattingcommands.h"
#include "projects/wizardwindow.h"
#include "publishing/mhtexportcommand.h"
#include "publishing/pageserver.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QTabWidget>
#include <QWebEngineView>

namespace inkwell {
namespace {

QString folderText(const std::filesystem::path& folder)
{
    return QString::fromStdString(folder.string());
}

// Runs a hidden file dialog of the window; the chosen path, or empty when cancelled.
QString runFileDialog(QFileDialog* dialog)
{
    if (!dialog || dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().constFirst();
}

} // namespace

void MainWindow::useNamedDialogs()
{
    auto* textPicker = findChild<QColorDialog*>(QStringLiteral("颜色选择器_字体颜色"));
    auto* backgroundPicker = findChild<QColorDialog*>(QStringLiteral("颜色选择器_背景颜色"));
    // The two colour buttons pop up their picker's palette; a confirmed colour is applied by the
    // command, also when it is the colour chosen last time.
    m_formatting->setColourChooser(
        [textPicker, backgroundPicker, this](QWidget*, const QColor& current) -> std::optional<QColor> {
            QColorDialog* picker = m_choosingBackground ? backgroundPicker : textPicker;
            picker->setCurrentColor(current);
            if (picker->exec() != QDialog::Accepted)
                return std::nullopt;
            return picker->selectedColor();
        });
    m_formatting->setPictureChooser([this](QWidget*) {
        return runFileDialog(findChild<QFileDialog*>(QStringLiteral("通用对话框_插入图片")));
    });
}

DocumentContext MainWindow::documentContext()
{
    DocumentContext context;
    context.getHtml = [this] { return m_designView->GetHtml(); };
    context.loadHtml = [this](const QString& html) { m_designView->LoadHtml(html); };
    context.document = &m_document;
    context.status = &m_documentStatus;
    context.chooseFile
        = [this] { return runFileDialog(findChild<QFileDialog*>(QStringLiteral("通用对话框_打开"))); };
    context.openWizard = [this] { openWizard(); };
    context.parent = this;
    return context;
}

void MainWindow::loadBlankPage()
{
    m_designView->setDocumentFolder(folderText(m_document.folder), DesignView::FolderChange::NextLoad);
    m_designView->LoadHtml(QString::fromUtf8(BlankPage().data(), static_cast<qsizetype>(BlankPage().size())));
    m_designView->EditModeOn();
    auto context = documentContext();
    NoteNewPage(context);
}

bool MainWindow::openWizard()
{
    WizardContext context { m_runFolder, m_document, [this] { loadBlankPage(); } };
    const bool created = OpenWizard(isVisible() ? this : nullptr, context);
    // Setting the project folder in the wizard moves the document even when no project is created.
    m_designView->setDocumentFolder(folderText(m_document.folder));
    return created;
}

void MainWindow::newDocument()
{
    auto context = documentContext();
    NewDocument(context);
}

void MainWindow::openDocument()
{
    auto context = documentContext();
    OpenDocument(context);
}

void MainWindow::saveDocument()
{
    auto context = documentContext();
    (void)SaveDocument(context);
}

void MainWindow::exportArchive()
{
    MhtExportContext context;
    context.saveDocument = [this] {
        auto documents = documentContext();
        return SaveDocument(documents) == SaveOutcome::Saved;
    };
    context.documentFolder = m_document.folder;
    context.documentName = m_document.name;
    context.documentKind = m_document.kind;
    context.runFolder = m_runFolder;
    context.serverPort = m_pageServer->port();
    context.chooseFileName = [this](QWidget*) {
        return runFileDialog(findChild<QFileDialog*>(QStringLiteral("通用对话框_输出mht")));
    };
    (void)RunMhtExport(this, context);
}

void MainWindow::showDesignPage()
{
    m_tabs->setCurrentIndex(0);
    SwitchToDesignView(*m_codeView, *m_designView);
    noteEdited();
}

void MainWindow::showCodePage()
{
    m_tabs->setCurrentIndex(1);
    SwitchToCodeView(*m_designView, *m_codeView);
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
    m_choosingBackground = false;
    m_formatting->textColour();
    noteEdited();
}

void MainWindow::chooseBackgroundColour()
{
    m_choosingBackground = true;
    m_formatting->backgroundColour();
    noteEdited();
}

void MainWindow::captureWithWindowMinimised()
{
    RunCaptureCommand(this, CaptureEntry::MinimiseFirst, captureContext());
    noteEdited();
}

void MainWindow::captureWithWindowShown()
{
    RunCaptureCommand(this, CaptureEntry::KeepWindow, captureContext());
    noteEdited();
}

CaptureOutputContext MainWindow::captureContext()
{
    return CaptureOutputContext { folderText(m_document.folder), [] { return TimeStampName(); },
        [this](const QString& path) { m_designView->InsertImage(path); } };
}

void MainWindow::noteEdited()
{
    m_documentStatus.markEdited();
}

} // namespace inkwell
