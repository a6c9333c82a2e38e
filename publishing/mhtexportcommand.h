// The export of the page being edited as a single-file web archive (MHT): saves the document,
// asks for the target name, has the archive builder fetch the page from the page server and
// reports the outcome. Everything the command touches comes in through MhtExportContext, so that
// the main window passes its real state and tests pass their own.
#pragma once

#include "core/messageservice.h"
#include "core/result.h"
#include "document/documentlocation.h"

#include <QString>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace inkwell {

struct MhtExportContext
{
    explicit MhtExportContext(MessageService& boxes)
        : messages(boxes)
    {
    }

    // Writes the design view's page to the document file without a box of its own; on failure the
    // error's message is the reason for the user (why, and the file).
    std::function<Result<void>()> saveDocument;
    // With runFolder, the folders whose files the archive may carry whatever they
    // are (elsewhere on disk only pictures named where a picture belongs go in).
    DocumentLocation document;
    std::filesystem::path runFolder;
    std::optional<int> serverPort; // empty when the page server is not running
    // Asks for the archive's file name; an empty name means the user cancelled.
    std::function<QString(QWidget*)> chooseFileName
        = [](QWidget* parent) { return askForArchiveName(parent); };
    // The outcome's box: a warning for a failure, else information, with one OK button.
    MessageService& messages;

    // A save dialog without a file-type filter.
    static QString askForArchiveName(QWidget* parent);
};

enum class MhtExportOutcome
{
    Exported,
    ExportedWithoutLocalFiles, // written; local files the page names were kept out and listed
    Cancelled, // no file name was chosen: nothing written, nothing shown
    NotSaved,
    ServerNotRunning,
    PageNotFetched,
    ResourcesNotFetched, // resources of the page could not be fetched: nothing written, listed
    NotWritten,
};

// Runs the export from the calling (UI) thread and returns when the archive is written or the
// failure has been reported; the archive itself is built on a thread of its own meanwhile, while
// the window keeps drawing itself (user input waits until the export is over). "保存成功" is shown only when
// the archive was written with every resource the page refers to; local files kept out on purpose are listed
// instead.
MhtExportOutcome runMhtExport(QWidget* parent, const MhtExportContext& context);

// The archive's path: the chosen name with ".mht" appended, whatever the name ends with.
[[nodiscard]] QString mhtTargetPath(const QString& chosenName);

} // namespace inkwell
