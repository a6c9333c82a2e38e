#include "publishing/mhtexportcommand.h"

#include "platform/archive/archivebuilder.h"
#include "platform/qtmessageservice.h"
#include "publishing/pageurl.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>
#include <QUrl>

namespace inkwell {
namespace {

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

// Lines of a message, at most ten, then "……" when there were more.
QString listLines(const QStringList& lines)
{
    constexpr qsizetype kMaxLines = 10;
    QStringList shown = lines.mid(0, kMaxLines);
    if (lines.size() > kMaxLines)
        shown.append(QStringLiteral("……"));
    return shown.join(QLatin1Char('\n'));
}

QStringList localFileLines(const ArchiveResult& result)
{
    QStringList lines;
    for (const std::string& path : result.localFilesLeftOut)
        lines.append(QString::fromStdString(path));
    return lines;
}

// A URL as the user wrote it: percent-encoded names (Chinese, blanks) shown decoded.
QString readableUrl(const std::string& url)
{
    return QUrl::fromPercentEncoding(QByteArray::fromStdString(url));
}

void report(QWidget* parent, const MhtExportContext& context, const char* title, const QString& text,
    MessageIcon icon)
{
    const MessageRequest request { title, text.toStdString(), { MessageButton::Ok }, icon };
    if (context.messages) {
        (void)context.messages->show(request);
        return;
    }
    QtMessageService boxes(parent);
    (void)boxes.show(request);
}

MhtExportOutcome fail(
    QWidget* parent, const MhtExportContext& context, MhtExportOutcome outcome, const QString& text)
{
    report(parent, context, kHintTitle, text, MessageIcon::Warning);
    return outcome;
}

} // namespace

QString MhtExportContext::askForArchiveName(QWidget* parent)
{
    return QFileDialog::getSaveFileName(parent);
}

QString mhtTargetPath(const QString& chosenName)
{
    return chosenName + QStringLiteral(".mht");
}

MhtExportOutcome runMhtExport(QWidget* parent, const MhtExportContext& context)
{
    if (context.saveDocument && !context.saveDocument())
        return fail(parent, context, MhtExportOutcome::NotSaved,
            QStringLiteral("导出失败：页面没有保存到文档文件，无法导出。"));
    if (!context.serverPort)
        return fail(parent, context, MhtExportOutcome::ServerNotRunning,
            QStringLiteral("导出失败：页面服务没有运行，无法取得页面。"));

    const QString target = mhtTargetPath(context.chooseFileName ? context.chooseFileName(parent) : QString());
    if (target == QStringLiteral(".mht"))
        return MhtExportOutcome::Cancelled;

    const std::string url = pageUrl(context.document, RunFolder(context.runFolder), *context.serverPort);
    ArchiveResult result;
    {
        const BusyPointer busy;
        ArchiveOptions options;
        options.localFiles = LocalFiles::Confined;
        options.trustedFolders = { context.runFolder, context.document.folder };
        // An archive the user is told was saved holds everything the page refers to, so a resource
        // that cannot be fetched fails the export and leaves an earlier archive as it was.
        options.missing = MissingResources::RefuseArchive;
        result = buildMhtArchive(url, std::filesystem::path(target.toStdString()), options);
    }
    switch (result.status) {
    case ArchiveResult::Status::Written:
        if (!result.localFilesLeftOut.empty()) {
            report(parent, context, kInfoTitle,
                QStringLiteral("已保存，以下本机文件未放入文档：\n") + listLines(localFileLines(result)),
                MessageIcon::Information);
            return MhtExportOutcome::ExportedWithoutLocalFiles;
        }
        report(parent, context, kInfoTitle, QStringLiteral("保存成功"), MessageIcon::Information);
        return MhtExportOutcome::Exported;
    case ArchiveResult::Status::Incomplete: {
        QStringList missing;
        for (const MissingResource& resource : result.notFetched)
            missing.append(
                readableUrl(resource.url) + QStringLiteral("：") + QString::fromStdString(resource.reason));
        QString text = QStringLiteral("导出失败：以下资源无法取得，没有写入文件：\n") + listLines(missing);
        if (!result.localFilesLeftOut.empty())
            text += QStringLiteral("\n另有以下本机文件不会放入文档：\n") + listLines(localFileLines(result));
        return fail(parent, context, MhtExportOutcome::ResourcesNotFetched, text);
    }
    case ArchiveResult::Status::BadUrl:
    case ArchiveResult::Status::PageNotFetched:
        return fail(parent, context, MhtExportOutcome::PageNotFetched,
            QStringLiteral("导出失败：无法从页面服务取得页面 %1，没有写入文件。\n%2")
                .arg(QString::fromStdString(url), QString::fromStdString(result.error)));
    case ArchiveResult::Status::NotWritten:
        break;
    }
    return fail(parent, context, MhtExportOutcome::NotWritten,
        QStringLiteral("导出失败：无法写入文件 %1，原有文件保持不变。\n%2")
            .arg(target, QString::fromStdString(result.error)));
}

} // namespace inkwell
