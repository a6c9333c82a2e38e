// What the new-project wizard needs from the program around it: the run folder, the current
// document it starts from, and the dialogs it shows, which tests may replace.
#pragma once

#include "core/documentlocation.h"
#include "core/runfolder.h"

#include <QString>
#include <functional>

class QWidget;

namespace inkwell {

// Shows a modal message with an OK button.
using MessageFunction = std::function<void(QWidget* parent, const QString& title, const QString& text)>;

// Asks for an existing folder; an empty text when the user cancels or no path came back.
using FolderChooser
    = std::function<QString(QWidget* parent, const QString& prompt, const QString& startFolder)>;

enum class QuestionAnswer
{
    Yes,
    No,
};

// Asks a question that "是" or "否" answers; closing the box counts as "否".
using QuestionFunction
    = std::function<QuestionAnswer(QWidget* parent, const QString& title, const QString& text)>;

// A QMessageBox without icon, with the title given and one OK button.
void ShowMessageBox(QWidget* parent, const QString& title, const QString& text);

// A QMessageBox with the title given and the buttons "是" and "否"; "否" is the default, so Return
// and Escape both leave things as they were.
[[nodiscard]] QuestionAnswer askWithYesNoBox(QWidget* parent, const QString& title, const QString& text);

// The platform's folder dialog, folders only.
[[nodiscard]] QString chooseFolderWithDialog(
    QWidget* parent, const QString& prompt, const QString& startFolder);

struct WizardContext
{
    RunFolder runFolder;
    DocumentLocation document; // the current document when the wizard opens
    MessageFunction showMessage = ShowMessageBox;
    QuestionFunction askQuestion = askWithYesNoBox;
    FolderChooser chooseFolder = chooseFolderWithDialog;
};

} // namespace inkwell
