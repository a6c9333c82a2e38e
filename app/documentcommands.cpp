#include "app/documentcommands.h"

#include "app/blankpage.h"
#include "app/documentfile.h"
#include "platform/qtmessageservice.h"

#include <QFileDialog>

namespace inkwell {
namespace {

// The commands' boxes have Chinese captions and the first button as the default.
MessageButton ask(DocumentContext& context, MessageRequest request)
{
    request.captions = ButtonCaptions::Chinese;
    request.defaultButton = request.buttons.front();
    if (context.messages)
        return context.messages->show(request);
    QtMessageService boxes(context.parent);
    return boxes.show(request);
}

void tell(DocumentContext& context, std::string text)
{
    ask(context, { kHintTitle, std::move(text), { MessageButton::Ok }, MessageIcon::Warning });
}

} // namespace

OpenFileChooser qtOpenFileChooser(QWidget* parent)
{
    return [parent] { return QFileDialog::getOpenFileName(parent); };
}

SaveOutcome saveDocument(DocumentContext& context)
{
    std::optional<PageText> page;
    if (context.getPageText) {
        page = context.getPageText();
    } else if (auto root = context.getHtml()) {
        page = PageText { *root, *root };
    }
    if (!page) {
        // Writing "nothing" would replace the user's file by an empty one.
        tell(context, std::string(DocumentMessages::saveFailed) + '\n' + DocumentMessages::pageUnreadable);
        return SaveOutcome::Failed;
    }
    const auto file = context.document().filePath();
    const auto result = writeDocumentFile(file, page->file.toStdString(), context.status->encoding());
    if (!result.ok()) {
        tell(context, texts::saveFailed(result.error(), file));
        return SaveOutcome::Failed;
    }
    context.status->markSaved(page->root.toStdString());
    return SaveOutcome::Saved;
}

void openDocument(DocumentContext& context)
{
    if (!context.chooseFile)
        context.chooseFile = qtOpenFileChooser(context.parent);
    const QString file = context.chooseFile();
    if (file.isEmpty())
        return;
    const std::filesystem::path path(file.toStdString());
    auto read = readDocumentFile(path);
    if (!read.ok()) {
        tell(context, texts::openFailed(read.error(), path));
        return;
    }
    const QString html = QString::fromStdString(read->html);
    context.loadHtml(html);
    context.status->markLoaded(context.getHtml().value_or(html).toStdString(), read->encoding);
}

void newDocument(DocumentContext& context)
{
    const auto page = context.getHtml();
    if (!page || page->toStdString() != blankPage()) {
        const auto answer = ask(context,
            { kInfoTitle, DocumentMessages::saveQuestion, { MessageButton::Ok, MessageButton::Cancel },
                MessageIcon::Question });
        if (answer == MessageButton::Ok && saveDocument(context) == SaveOutcome::Failed)
            return;
    }
    if (context.openWizard)
        context.openWizard();
}

CloseDecision confirmClose(DocumentContext& context)
{
    const auto page = context.getHtml();
    const bool unsaved
        = page ? context.status->hasUnsavedChanges(page->toStdString()) : context.status->isEdited();
    if (!unsaved)
        return CloseDecision::Close;
    const auto answer = ask(context,
        { kHintTitle, DocumentMessages::saveQuestion,
            { MessageButton::Save, MessageButton::Discard, MessageButton::Cancel }, MessageIcon::Question });
    switch (answer) {
    case MessageButton::Save:
        return saveDocument(context) == SaveOutcome::Saved ? CloseDecision::Close : CloseDecision::StayOpen;
    case MessageButton::Discard:
        return CloseDecision::Close;
    default:
        return CloseDecision::StayOpen;
    }
}

void noteNewPage(DocumentContext& context)
{
    const auto page = context.getHtml().value_or(
        QString::fromUtf8(blankPage().data(), static_cast<qsizetype>(blankPage().size())));
    context.status->markLoaded(page.toStdString(), TextEncoding::Gb18030);
}

} // namespace inkwell
