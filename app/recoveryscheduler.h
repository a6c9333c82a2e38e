// Keeps the recovery copy in step with the page: a change is copied after a short settle, copies
// are at least an interval apart, a document with nothing unsaved has no copy, and an end without a
// question leaves the newest page behind.
#pragma once

#include "core/runfolder.h"
#include "document/documentfilestatus.h"
#include "document/documentlocation.h"
#include "document/recoverycopy.h"
#include "editing/pagetext.h"

#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace inkwell {

struct RecoveryTiming
{
    // The longest wait between a change and its copy, and the shortest between two copies.
    std::chrono::milliseconds interval { 10000 };
    // How long a first change waits for more before it is copied.
    std::chrono::milliseconds settle { 1000 };
};

class RecoveryScheduler
{
public:
    // Reads the page without waiting; the callback gets it later on this thread, or nothing when it
    // could not be read. The copy holds the page as its file would (the document type line, a pre's
    // first newline), so that a recovered page loses nothing a Save would have kept.
    using PageReader = std::function<void(std::function<void(std::optional<PageText>)>)>;
    // Runs work the scheduler started itself, at once or once the running command has finished.
    using IdleRunner = std::function<void(std::function<void()>)>;

    using Timing = RecoveryTiming;

    // status tells edited and unsaved pages apart; document is asked for the page's document each
    // time a copy is written.
    RecoveryScheduler(const RunFolder& runFolder, const DocumentFileStatus& status,
        std::function<DocumentLocation()> document, PageReader readPageLater, IdleRunner runWhenIdle,
        Timing timing = {});
    // Waits for a copy being written.
    ~RecoveryScheduler();
    RecoveryScheduler(const RecoveryScheduler&) = delete;
    RecoveryScheduler& operator=(const RecoveryScheduler&) = delete;

    [[nodiscard]] RecoveryCopy& copy() { return m_copy; }
    [[nodiscard]] const Timing& timing() const { return m_timing; }

    // The page changed: a copy follows unless one is due already.
    void noteChanged();
    // The document was saved, replaced or left untouched by a command: without edits it has no copy.
    void noteSettled();
    // The user let the changes go (saved, discarded or untouched) and the window closes.
    void discard();
    // The program ends without a question: the page readPage gives is copied at once when it holds
    // unsaved changes, else the copy goes. Nothing is scheduled afterwards.
    void writeFinalCopy(const std::function<PageText()>& readPage);
    // Nothing more is scheduled or written; a page read under way is dropped.
    void stop() { m_stopped = true; }

    // Told on this thread of every scheduled copy that could not be written.
    void onWriteFailed(std::function<void(const Error&)> report) { m_reportFailure = std::move(report); }

private:
    void writeCopy();

    RecoveryCopy m_copy;
    const DocumentFileStatus& m_status;
    std::function<DocumentLocation()> m_document;
    std::function<void(const Error&)> m_reportFailure;
    PageReader m_readPageLater;
    IdleRunner m_runWhenIdle;
    Timing m_timing;
    QTimer m_timer;
    QThreadPool m_writer; // one thread: copies land in the order they were read
    std::chrono::steady_clock::time_point m_lastWrite {};
    bool m_reading = false;
    bool m_changedWhileReading = false;
    bool m_stopped = false;
    // A page read may answer after the scheduler is gone; it checks this first.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace inkwell
