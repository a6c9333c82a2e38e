#include "app/documentcommands.h"

#include "app/bringpagefiles.h"
#include "document/blankpage.h"
#include "document/documentfile.h"

#include <QFileDialog>

namespace inkwell {
namespace {

// The commands' boxes have Chinese captions and the first button as the default.
MessageButton ask(DocumentContext& context, MessageRequest request)
{
    request.captions = ButtonCaptions::Chinese;
    request.defaultButton = request.buttons.front();
    return context.messages.show(request);
}

void tell(DocumentContext& context, std::string text)
{
    ask(context, { kHintTitle, std::move(text), { MessageButton::Ok }, MessageIcon::Warning });
}

enum class Settled
{
    GoOn, // nothing unsaved, saved, or the user chose to drop the edits
    Stop, // cancelled, or the save failed: the page must stay as it is
};

// Before the page is thrown away (closing, opening another file): an unchanged page goes on at once;
// otherwise "是否保存？" with Save, Discard and Cancel. A page that cannot be read counts as changed when
// an edit was reported, so that a hung renderer cannot make typed text vanish unasked.
Settled settleUnsavedChanges(DocumentContext& context)
{
    const auto page = context.getHtml();
    const bool unsaved
        = page ? context.status->hasUnsavedChanges(page->toStdString()) : context.status->isEdited();
    if (!unsaved)
        return Settled::GoOn;
    const auto answer = ask(context,
        { kHintTitle, texts::kSaveQuestion,
            { MessageButton::Save, MessageButton::Discard, MessageButton::Cancel }, MessageIcon::Question });
    switch (answer) {
    case MessageButton::Save:
        return saveDocument(context) == SaveOutcome::Saved ? Settled::GoOn : Settled::Stop;
    case MessageButton::Discard:
        return Settled::GoOn;
    default:
        return Settled::Stop;
    }
}

} // namespace

OpenFileChooser qtOpenFileChooser(QWidget* parent)
{
    return [parent] { return QFileDialog::getOpenFileName(parent); };
}

Result<void> writePageToDocument(DocumentContext& context)
{
    std::optional<PageText> page;
    if (context.getPageText) {
        page = context.getPageText();
    } else if (auto root = context.getHtml()) {
        page = PageText { *root, *root };
    }
    if (!page) {
        // Writing "nothing" would replace the user's file by an empty one.
        return Error { 0, texts::kPageUnreadable };
    }
    const auto file = context.document().filePath();
    const auto result = writeDocumentFile(file, page->file.toStdString(), context.status->encoding());
    if (!result.ok())
        return Error { result.error().code, texts::saveFailureReason(result.error(), file) };
    context.status->markSaved(page->root.toStdString());
    return {};
}

SaveOutcome saveDocument(DocumentContext& context)
{
    if (const Result<void> written = writePageToDocument(context); !written) {
        tell(context, std::string(texts::kSaveFailed) + '\n' + written.error().message);
        return SaveOutcome::Failed;
    }
    return SaveOutcome::Saved;
}

void openDocument(DocumentContext& context)
{
    // The opened file replaces the page, so edits not yet saved are settled first, as on closing.
    if (settleUnsavedChanges(context) == Settled::Stop)
        return;
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
    // The files the page names beside itself come into the document folder, where the page looks now.
    const QString html = QString::fromStdString(
        bringPageFiles(context.messages, path, std::move(read->html), context.document().folder));
    context.loadHtml(html);
    context.status->markLoaded(context.getHtml().value_or(html).toStdString(), read->encoding);
    if (read->keptBytes > 0)
        tell(context, texts::bytesKeptAsTheyWere(path, read->keptBytes));
}

ReopenOutcome reopenDocument(DocumentContext& context, const DocumentLocation& document)
{
    if (settleUnsavedChanges(context) == Settled::Stop)
        return ReopenOutcome::Stayed;
    const auto path = document.filePath();
    auto read = readDocumentFile(path);
    if (!read.ok()) {
        tell(context, texts::openFailed(read.error(), path));
        return ReopenOutcome::Stayed;
    }
    context.setDocument(document);
    const QString html = QString::fromStdString(read->html);
    context.loadHtml(html);
    context.status->markLoaded(context.getHtml().value_or(html).toStdString(), read->encoding);
    if (read->keptBytes > 0)
        tell(context, texts::bytesKeptAsTheyWere(path, read->keptBytes));
    return ReopenOutcome::Reopened;
}

void newDocument(DocumentContext& context)
{
    const auto page = context.getHtml();
    if (!page || page->toStdString() != blankPage()) {
        const auto answer = ask(context,
            { kInfoTitle, texts::kSaveQuestion, { MessageButton::Ok, MessageButton::Cancel },
                MessageIcon::Question });
        if (answer == MessageButton::Ok && saveDocument(context) == SaveOutcome::Failed)
            return;
    }
    if (context.openWizard)
        context.openWizard();
}

CloseDecision confirmClose(DocumentContext& context)
{
    return settleUnsavedChanges(context) == Settled::GoOn ? CloseDecision::Close : CloseDecision::StayOpen;
}

void noteNewPage(DocumentContext& context)
{
    const auto page = context.getHtml().value_or(
        QString::fromUtf8(blankPage().data(), static_cast<qsizetype>(blankPage().size())));
    context.status->markLoaded(page.toStdString(), TextEncoding::Gb18030);
}

} // namespace inkwell
