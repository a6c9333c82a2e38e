#include "projects/wizardcontext.h"

#include <QFileDialog>

namespace inkwell {

QString chooseFolderWithDialog(QWidget* parent, const QString& prompt, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(parent, prompt, startFolder, QFileDialog::ShowDirsOnly);
}

} // namespace inkwell
