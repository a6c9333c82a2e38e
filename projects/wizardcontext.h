// What the new-project wizard needs from the program around it: the run folder, the current
// document it starts from, and the dialogs it shows, which tests may replace.
#pragma once

#include "document/documentlocation.h"
#include "core/runfolder.h"
#include "core/messageservice.h"

#include <QString>
#include <functional>

class QWidget;

namespace inkwell {

// Asks for an existing folder; an empty text when the user cancels or no path came back.
using FolderChooser
    = std::function<QString(QWidget* parent, const QString& prompt, const QString& startFolder)>;

// The platform's folder dialog, folders only.
[[nodiscard]] QString chooseFolderWithDialog(
    QWidget* parent, const QString& prompt, const QString& startFolder);

struct WizardContext
{
    RunFolder runFolder;
    DocumentLocation document; // the current document when the wizard opens
    MessageService& messages; // the wizard's boxes
    FolderChooser chooseFolder = chooseFolderWithDialog;
    // Takes up a project from the history: true once document is the current document with its page
    // loaded; false when everything stayed as it was (the user kept the unsaved page, or was told why
    // the file could not be opened). Empty: the history opens nothing.
    std::function<bool(const DocumentLocation& document)> reopen = nullptr;
};

} // namespace inkwell
