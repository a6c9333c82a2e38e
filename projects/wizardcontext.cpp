#include "projects/wizardcontext.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace inkwell {

void ShowMessageBox(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

QuestionAnswer askWithYesNoBox(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? QuestionAnswer::Yes : QuestionAnswer::No;
}

QString chooseFolderWithDialog(QWidget* parent, const QString& prompt, const QString& startFolder)
{
    return QFileDialog::getExistingDirectory(parent, prompt, startFolder, QFileDialog::ShowDirsOnly);
}

} // namespace inkwell
