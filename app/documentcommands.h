// The file commands of the main window: New, Open and Save of the current document, and the question
// asked before the window closes over unsaved changes. Everything they touch comes in through a
// DocumentContext, so that the page's holder, the dialogs and the wizard can be stood in for.
#pragma once

#include "core/messageservice.h"
#include "core/messagetexts.h"
#include "document/documentfilestatus.h"
#include "document/documentlocation.h"
#include "editing/pagetext.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace inkwell {

// Asks for a file to open; an empty text means the user cancelled.
using OpenFileChooser = std::function<QString()>;

// The plain open-file dialog over parent: no filter, no title, no initial folder.
[[nodiscard]] OpenFileChooser qtOpenFileChooser(QWidget* parent);

struct DocumentContext
{
    explicit DocumentContext(MessageService& boxes)
        : messages(boxes)
    {
    }

    // The page the design view holds, or nothing when it could not be read from the engine.
    std::function<std::optional<QString>()> getHtml;
    // The page as its document file holds it, with the root markup that getHtml would give; nothing when
    // it could not be read. Empty: the file holds what getHtml gives.
    std::function<std::optional<PageText>()> getPageText;
    std::function<void(const QString&)> loadHtml; // replaces the page in the design view
    // The current document's folder, name and kind, asked of its owner each time it is needed.
    std::function<DocumentLocation()> document;
    // Makes another file the current document, before its page is loaded (relative addresses in the
    // page are resolved against the new folder).
    std::function<void(const DocumentLocation&)> setDocument;
    DocumentFileStatus* status = nullptr; // fed by the main window with edits; never null in use
    OpenFileChooser chooseFile; // empty: qtOpenFileChooser(parent)
    MessageService& messages; // the commands' boxes
    std::function<void()> openWizard; // opens the new-project wizard modally and returns when it closes
    QWidget* parent = nullptr; // owner of the default dialogs
};

enum class SaveOutcome
{
    Saved,
    Failed, // the user has been told; the old file is as it was
};

enum class CloseDecision
{
    Close,
    StayOpen,
};

// Writes the design view's page to the current document file. A failed write, or a page that cannot be
// read from the engine (nothing is written then), is shown in a "提示" box.
SaveOutcome saveDocument(DocumentContext& context);

// The same write without a box, for a command that says the outcome in its own box: on failure the
// error's message is the reason for the user (why, and the file).
[[nodiscard]] Result<void> writePageToDocument(DocumentContext& context);

// Over unsaved changes, first asks the question confirmClose asks; Cancel, or a failed save, ends the
// Open before any file is asked for. Then asks for a file and loads its text into the design view. The
// document's folder, name and kind stay as they are, so a later Save writes to the current document
// file. A file that cannot be read is shown in a "提示" box and leaves the page as it was.
void openDocument(DocumentContext& context);

enum class ReopenOutcome
{
    Reopened,
    Stayed, // cancelled, or the file could not be read (the user has been told): nothing changed
};

// Takes up a document again, as the wizard's history does with a project: over unsaved changes first
// asks the question confirmClose asks; then reads document's file, makes it the current document and
// loads its page, so that Save writes back to that file. A file that cannot be read, or is no page, is
// shown in a "提示" box and leaves page and document as they were.
[[nodiscard]] ReopenOutcome reopenDocument(DocumentContext& context, const DocumentLocation& document);

// Offers to save a page that is not the blank page, then opens the wizard. If the offered save fails the
// wizard is not opened, so that the page the user wanted kept cannot be replaced right away.
void newDocument(DocumentContext& context);

// Asked when the main window is about to close: an unchanged page closes at once; otherwise "是否保存？"
// with Save, Discard and Cancel. A failed save keeps the window open. A page that cannot be read counts
// as changed when an edit was reported.
[[nodiscard]] CloseDecision confirmClose(DocumentContext& context);

// To be called whenever the blank page has been put into the view (at start and by the wizard): the
// page counts as unchanged and new pages are written in GB18030 unless they declare otherwise.
void noteNewPage(DocumentContext& context);

} // namespace inkwell
