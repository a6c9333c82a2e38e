#include "publishing/mhtexportcommand.h"

#include "archive/archivebuilder.h"
#include "core/messagetexts.h"
#include "platform/qtmessageservice.h"
#include "publishing/pageurl.h"

#include <QApplication>
#include <QFileDialog>

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

void report(QWidget* parent, const MhtExportContext& context, const char* title, const QString& text,
    MessageIcon icon)
{
    const MessageRequest request { title, text.toStdString(), { MessageButton::Ok }, icon,
        ButtonCaptions::Chinese };
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
        return fail(parent, context, MhtExportOutcome::NotSaved, QString::fromUtf8(texts::kExportNotSaved));
    if (!context.serverPort)
        return fail(
            parent, context, MhtExportOutcome::ServerNotRunning, QString::fromUtf8(texts::kExportNoPort));

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
    const auto text = [](const std::string& utf8) { return QString::fromStdString(utf8); };
    switch (result.status) {
    case ArchiveResult::Status::Written:
        if (!result.localFilesLeftOut.empty()) {
            report(parent, context, kInfoTitle,
                text(texts::exportedWithoutLocalFiles(result.localFilesLeftOut)), MessageIcon::Information);
            return MhtExportOutcome::ExportedWithoutLocalFiles;
        }
        report(parent, context, kInfoTitle, QString::fromUtf8(texts::kExported), MessageIcon::Information);
        return MhtExportOutcome::Exported;
    case ArchiveResult::Status::Incomplete: {
        std::vector<texts::MissingPart> missing;
        for (const MissingResource& resource : result.notFetched)
            missing.push_back({ resource.url, resource.reason });
        return fail(parent, context, MhtExportOutcome::ResourcesNotFetched,
            text(texts::exportResourcesMissing(url, missing, result.localFilesLeftOut)));
    }
    case ArchiveResult::Status::BadUrl:
    case ArchiveResult::Status::PageNotFetched:
        return fail(parent, context, MhtExportOutcome::PageNotFetched,
            text(texts::exportPageNotFetched(context.document.filePath(), result.error)));
    case ArchiveResult::Status::NotWritten:
        break;
    }
    return fail(parent, context, MhtExportOutcome::NotWritten,
        text(texts::exportNotWritten(std::filesystem::path(target.toStdString()), result.error)));
}

} // namespace inkwell
