#include "app/documentcommands.h"

#include "app/blankpage.h"
#include "app/documentfile.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace inkwell {
namespace {

QMessageBox::StandardButton standardButton(MessageButton button)
{
    switch (button) {
    case MessageButton::Ok:
        return QMessageBox::Ok;
    case MessageButton::Cancel:
        return QMessageBox::Cancel;
    case MessageButton::Save:
        return QMessageBox::Save;
    case MessageButton::Discard:
        return QMessageBox::Discard;
    }
    return QMessageBox::Ok;
}

// The captions the rest of the program's Chinese texts call for, whatever translations Qt has loaded.
QString caption(MessageButton button)
{
    switch (button) {
    case MessageButton::Ok:
        return QStringLiteral("确定");
    case MessageButton::Cancel:
        return QStringLiteral("取消");
    case MessageButton::Save:
        return QStringLiteral("保存");
    case MessageButton::Discard:
        return QStringLiteral("不保存");
    }
    return {};
}

QMessageBox::Icon qtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

MessageButton ask(DocumentContext& context, MessageRequest request)
{
    if (!context.showMessage)
        context.showMessage = QtMessageBoxFunction(context.parent);
    return context.showMessage(request);
}

void tell(DocumentContext& context, const char* text, const std::string& reason)
{
    ask(context,
        { QString::fromUtf8(DocumentMessages::hintTitle),
            QString::fromUtf8(text) + QLatin1Char('\n') + QString::fromStdString(reason),
            { MessageButton::Ok }, MessageIcon::Warning });
}

} // namespace

MessageBoxFunction QtMessageBoxFunction(QWidget* parent)
{
    return [parent](const MessageRequest& request) {
        QMessageBox box(qtIcon(request.icon), request.title, request.text, QMessageBox::NoButton, parent);
        QMessageBox::StandardButtons buttons;
        for (const auto button : request.buttons)
            buttons |= standardButton(button);
        box.setStandardButtons(buttons);
        for (const auto button : request.buttons)
            box.button(standardButton(button))->setText(caption(button));
        if (!request.buttons.empty())
            box.setDefaultButton(standardButton(request.buttons.front()));
        box.exec();
        const auto clicked = box.standardButton(box.clickedButton());
        for (const auto button : request.buttons) {
            if (standardButton(button) == clicked)
                return button;
        }
        // Closed without a button (Escape, the title bar's close).
        for (const auto button : request.buttons) {
            if (button == MessageButton::Cancel)
                return button;
        }
        return request.buttons.size() == 1 ? request.buttons.front() : MessageButton::Cancel;
    };
}

OpenFileChooser QtOpenFileChooser(QWidget* parent)
{
    return [parent] { return QFileDialog::getOpenFileName(parent); };
}

SaveOutcome SaveDocument(DocumentContext& context)
{
    const auto page = context.getHtml();
    if (!page) {
        // Writing "nothing" would replace the user's file by an empty one.
        tell(context, DocumentMessages::saveFailed, DocumentMessages::pageUnreadable);
        return SaveOutcome::Failed;
    }
    const std::string html = page->toStdString();
    const auto result = WriteDocumentFile(context.document->filePath(), html, context.status->encoding());
    if (!result.ok()) {
        tell(context, DocumentMessages::saveFailed, result.error);
        return SaveOutcome::Failed;
    }
    context.status->markSaved(html);
    return SaveOutcome::Saved;
}

void OpenDocument(DocumentContext& context)
{
    if (!context.chooseFile)
        context.chooseFile = QtOpenFileChooser(context.parent);
    const QString file = context.chooseFile();
    if (file.isEmpty())
        return;
    auto read = ReadDocumentFile(std::filesystem::path(file.toStdString()));
    if (!read.ok()) {
        tell(context, DocumentMessages::openFailed, read.error);
        return;
    }
    const QString html = QString::fromStdString(read.html);
    context.loadHtml(html);
    context.status->markLoaded(context.getHtml().value_or(html).toStdString(), read.encoding);
}

void NewDocument(DocumentContext& context)
{
    const auto page = context.getHtml();
    if (!page || page->toStdString() != blankPage()) {
        const auto answer = ask(context,
            { QString::fromUtf8(DocumentMessages::infoTitle),
                QString::fromUtf8(DocumentMessages::saveQuestion),
                { MessageButton::Ok, MessageButton::Cancel }, MessageIcon::Question });
        if (answer == MessageButton::Ok && SaveDocument(context) == SaveOutcome::Failed)
            return;
    }
    if (context.openWizard)
        context.openWizard();
}

CloseDecision ConfirmClose(DocumentContext& context)
{
    const auto page = context.getHtml();
    const bool unsaved
        = page ? context.status->hasUnsavedChanges(page->toStdString()) : context.status->isEdited();
    if (!unsaved)
        return CloseDecision::Close;
    const auto answer = ask(context,
        { QString::fromUtf8(DocumentMessages::hintTitle), QString::fromUtf8(DocumentMessages::saveQuestion),
            { MessageButton::Save, MessageButton::Discard, MessageButton::Cancel }, MessageIcon::Question });
    switch (answer) {
    case MessageButton::Save:
        return SaveDocument(context) == SaveOutcome::Saved ? CloseDecision::Close : CloseDecision::StayOpen;
    case MessageButton::Discard:
        return CloseDecision::Close;
    default:
        return CloseDecision::StayOpen;
    }
}

void NoteNewPage(DocumentContext& context)
{
    const auto page = context.getHtml().value_or(
        QString::fromUtf8(blankPage().data(), static_cast<qsizetype>(blankPage().size())));
    context.status->markLoaded(page.toStdString(), TextEncoding::Gb18030);
}

} // namespace inkwell
