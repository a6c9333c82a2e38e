#include "projects/wizardcontext.h"

#include <QFileDialog>
#include <QMessageBox>

namespace inkwell {

void ShowMessageBox(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

QString ChooseFolderWithDialog(QWidget* parent, const QString& prompt, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(parent, prompt, startFolder, QFileDialog::ShowDirsOnly);
}

} // namespace inkwell
