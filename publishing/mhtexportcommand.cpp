#include "publishing/mhtexportcommand.h"

#include "archive/archivebuilder.h"
#include "core/messagetexts.h"
#include "publishing/pageurl.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <exception>
#include <functional>
#include <thread>

namespace inkwell {
namespace {

// The busy pointer for as long as the archive is being built, restored on every way out.
class BusyPointer
{
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

// Builds the archive on a thread of its own while the window goes on drawing itself and running its
// timers: fetching a page and its pictures can take a while (a large page, a slow server named by
// the page), and a window that does not repaint meanwhile looks hung. What the user types or
// clicks meanwhile, a request to close the window included, waits until the export is over, as
// it did when the build held the window.
ArchiveResult buildBesideTheWindow(const std::function<ArchiveResult()>& build)
{
    QEventLoop loop;
    ArchiveResult result;
    std::exception_ptr failure;
    std::thread builder([&] {
        try {
            result = build();
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued, so that it also ends a loop that has not begun yet.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    builder.join();
    if (failure)
        std::rethrow_exception(failure);
    return result;
}

void report(const MhtExportContext& context, const char* title, const QString& text, MessageIcon icon)
{
    const MessageRequest request { title, text.toStdString(), { MessageButton::Ok }, icon,
        ButtonCaptions::Chinese };
    (void)context.messages.show(request);
}

MhtExportOutcome fail(const MhtExportContext& context, MhtExportOutcome outcome, const QString& text)
{
    report(context, kHintTitle, text, MessageIcon::Warning);
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
    if (context.saveDocument) {
        // One box: the save's own failure would otherwise come first, and then the export's.
        if (const Result<void> saved = context.saveDocument(); !saved)
            return fail(context, MhtExportOutcome::NotSaved,
                QString::fromStdString(texts::exportNotSaved(saved.error().message)));
    }
    if (!context.serverPort)
        return fail(context, MhtExportOutcome::ServerNotRunning, QString::fromUtf8(texts::kExportNoPort));

    const QString target = mhtTargetPath(context.chooseFileName ? context.chooseFileName(parent) : QString());
    if (target == QStringLiteral(".mht"))
        return MhtExportOutcome::Cancelled;

    const std::string url
        = exportPageUrl(context.document, RunFolder(context.runFolder), *context.serverPort);
    ArchiveResult result;
    {
        const BusyPointer busy;
        ArchiveOptions options;
        options.localFiles = LocalFiles::Confined;
        options.trustedFolders = { context.runFolder, context.document.folder };
        // An archive the user is told was saved holds everything the page refers to, so a resource
        // that cannot be fetched fails the export and leaves an earlier archive as it was.
        options.missing = MissingResources::RefuseArchive;
        const std::filesystem::path targetPath(target.toStdString());
        result = buildBesideTheWindow([&] { return buildMhtArchive(url, targetPath, options); });
    }
    const auto text = [](const std::string& utf8) { return QString::fromStdString(utf8); };
    switch (result.status) {
    case ArchiveResult::Status::Written:
        if (!result.localFilesLeftOut.empty()) {
            report(context, kInfoTitle, text(texts::exportedWithoutLocalFiles(result.localFilesLeftOut)),
                MessageIcon::Information);
            return MhtExportOutcome::ExportedWithoutLocalFiles;
        }
        report(context, kInfoTitle, QString::fromUtf8(texts::kExported), MessageIcon::Information);
        return MhtExportOutcome::Exported;
    case ArchiveResult::Status::Incomplete: {
        std::vector<texts::MissingPart> missing;
        for (const MissingResource& resource : result.notFetched)
            missing.push_back({ resource.url, resource.reason });
        return fail(context, MhtExportOutcome::ResourcesNotFetched,
            text(texts::exportResourcesMissing(url, missing, result.localFilesLeftOut)));
    }
    case ArchiveResult::Status::BadUrl:
    case ArchiveResult::Status::PageNotFetched:
        return fail(context, MhtExportOutcome::PageNotFetched,
            text(texts::exportPageNotFetched(context.document.filePath(), result.error.message)));
    case ArchiveResult::Status::NotWritten:
        break;
    }
    return fail(context, MhtExportOutcome::NotWritten,
        text(texts::exportNotWritten(std::filesystem::path(target.toStdString()), result.error.message)));
}

} // namespace inkwell
