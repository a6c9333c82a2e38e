// The export of the page being edited as a single-file web archive (MHT): saves the document,
// asks for the target name, has the archive builder fetch the page from the page server and
// reports the outcome. Everything the command touches comes in through MhtExportContext, so that
// the main window passes its real state and tests pass their own.
#pragma once

#include "document/documentlocation.h"
#include "core/messageservice.h"

#include <QString>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace inkwell {

struct MhtExportContext
{
    // Writes the design view's page to the document file; false when it could not be written.
    std::function<bool()> saveDocument;
    // With runFolder, the folders whose files the archive may carry whatever they
    // are (elsewhere on disk only pictures named where a picture belongs go in).
    DocumentLocation document;
    std::filesystem::path runFolder;
    std::optional<int> serverPort; // empty when the page server is not running
    // Asks for the archive's file name; an empty name means the user cancelled.
    std::function<QString(QWidget*)> chooseFileName
        = [](QWidget* parent) { return askForArchiveName(parent); };
    // The outcome's box: a warning for a failure, else information, with one OK button. Null: a
    // QMessageBox over the parent runMhtExport is given.
    MessageService* messages = nullptr;

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

// Runs the export on the calling (UI) thread and returns when the archive is written or the
// failure has been reported. "保存成功" is shown only when the archive was written with every
// resource the page refers to; local files kept out on purpose are listed instead.
MhtExportOutcome runMhtExport(QWidget* parent, const MhtExportContext& context);

// The archive's path: the chosen name with ".mht" appended, whatever the name ends with.
[[nodiscard]] QString mhtTargetPath(const QString& chosenName);

} // namespace inkwell
