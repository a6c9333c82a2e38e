#include "publishing/mhtexportcommand.h"

#include "platform/archivebuilder.h"
#include "publishing/pageurl.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace inkwell {
namespace {

const QString SystemTitle = QStringLiteral("提示");

// The busy pointer for as long as the archive is being built, restored on every way out.
class BusyPointer
{
public:
    BusyPointer()
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        // The build blocks the event loop; let the pointer change reach the screen first.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

MhtExportOutcome Fail(
    QWidget* parent, const MhtExportContext& context, MhtExportOutcome outcome, const QString& text)
{
    context.report(parent, MhtExportMessage { SystemTitle, text, true });
    return outcome;
}

} // namespace

QString MhtExportContext::askForArchiveName(QWidget* parent)
{
    return QFileDialog::getSaveFileName(parent);
}

void MhtExportContext::showMessage(QWidget* parent, const MhtExportMessage& message)
{
    QMessageBox box(message.failure ? QMessageBox::Warning : QMessageBox::Information, message.title,
        message.text, QMessageBox::Ok, parent);
    box.exec();
}

QString MhtTargetPath(const QString& chosenName)
{
    return chosenName + QStringLiteral(".mht");
}

MhtExportOutcome RunMhtExport(QWidget* parent, const MhtExportContext& context)
{
    if (context.saveDocument && !context.saveDocument())
        return Fail(parent, context, MhtExportOutcome::NotSaved,
            QStringLiteral("导出失败：页面没有保存到文档文件，无法导出。"));
    if (!context.serverPort)
        return Fail(parent, context, MhtExportOutcome::ServerNotRunning,
            QStringLiteral("导出失败：页面服务没有运行，无法取得页面。"));

    const QString target = MhtTargetPath(context.chooseFileName ? context.chooseFileName(parent) : QString());
    if (target == QStringLiteral(".mht"))
        return MhtExportOutcome::Cancelled;

    const std::string url = PageUrl(context.documentFolder, context.documentName, context.documentKind,
        context.runFolder, *context.serverPort);
    ArchiveResult result;
    {
        const BusyPointer busy;
        result = BuildMhtArchive(url, std::filesystem::path(target.toStdString()));
    }
    switch (result.status) {
    case ArchiveResult::Status::Written:
        context.report(
            parent, MhtExportMessage { QStringLiteral("信息："), QStringLiteral("保存成功"), false });
        return MhtExportOutcome::Exported;
    case ArchiveResult::Status::BadUrl:
    case ArchiveResult::Status::PageNotFetched:
        return Fail(parent, context, MhtExportOutcome::PageNotFetched,
            QStringLiteral("导出失败：无法从页面服务取得页面 %1，没有写入文件。\n%2")
                .arg(QString::fromStdString(url), QString::fromStdString(result.error)));
    case ArchiveResult::Status::NotWritten:
        break;
    }
    return Fail(parent, context, MhtExportOutcome::NotWritten,
        QStringLiteral("导出失败：无法写入文件 %1，原有文件保持不变。\n%2")
            .arg(target, QString::fromStdString(result.error)));
}

} // namespace inkwell
