// What the new-project wizard needs from the program around it: the run folder, the current
// document it changes, the design view reset, and the dialogs it shows, which tests may replace.
#pragma once

#include "app/document.h"
#include "platform/messageservice.h"

#include <QString>
#include <filesystem>
#include <functional>

class QWidget;

namespace inkwell {

// Asks for an existing folder; an empty text when the user cancels or no path came back.
using FolderChooser
    = std::function<QString(QWidget* parent, const QString& prompt, const QString& startFolder)>;

// The platform's folder dialog, folders only.
[[nodiscard]] QString ChooseFolderWithDialog(
    QWidget* parent, const QString& prompt, const QString& startFolder);

struct WizardContext
{
    std::filesystem::path runFolder;
    DocumentState& document; // changed by "新建", and its folder by "设置"
    std::function<void()>
        loadBlankPage; // after a project is created: the design view gets BlankPage, editing on
    MessageService* messages = nullptr; // null: QMessageBox boxes over the wizard window
    FolderChooser chooseFolder = ChooseFolderWithDialog;
};

} // namespace inkwell
