#include "app/recoveryscheduler.h"

#include <algorithm>
#include <utility>

namespace inkwell {

RecoveryScheduler::RecoveryScheduler(const RunFolder& runFolder, const DocumentFileStatus& status,
    std::function<DocumentLocation()> document, PageReader readPageLater, IdleRunner runWhenIdle,
    Timing timing)
    : m_copy(runFolder)
    , m_status(status)
    , m_document(std::move(document))
    , m_readPageLater(std::move(readPageLater))
    , m_runWhenIdle(std::move(runWhenIdle))
    , m_timing(timing)
{
    m_writer.setMaxThreadCount(1);
    m_timer.setSingleShot(true);
    // A copy due while a command waits for the engine is written once that command has finished.
    QObject::connect(&m_timer, &QTimer::timeout, [this] { m_runWhenIdle([this] { writeCopy(); }); });
}

RecoveryScheduler::~RecoveryScheduler()
{
    *m_alive = false;
    m_writer.waitForDone();
}

void RecoveryScheduler::noteChanged()
{
    if (m_stopped || m_timer.isActive())
        return;
    if (m_reading) {
        m_changedWhileReading = true;
        return;
    }
    using namespace std::chrono;
    const auto sinceLast = duration_cast<milliseconds>(steady_clock::now() - m_lastWrite);
    m_timer.start(std::max(m_timing.settle, m_timing.interval - sinceLast));
}

void RecoveryScheduler::writeCopy()
{
    // A copy deferred behind a command may find the one started before it still reading the page,
    // which is read after both changes anyway.
    if (m_stopped || m_reading || !m_status.isEdited())
        return;
    m_reading = true;
    m_changedWhileReading = false;
    // Copies start at least the interval apart, so a change waits at most that long for its copy.
    m_lastWrite = std::chrono::steady_clock::now();
    const auto generation = m_copy.generation();
    // The page is read without waiting and written by the worker, so typing goes on meanwhile.
    m_readPageLater([this, alive = m_alive, generation](std::optional<PageText> page) {
        if (!*alive)
            return;
        m_reading = false;
        if (page && !m_stopped) {
            std::string html = page->file.toStdString();
            if (!m_status.hasUnsavedChanges(page->root.toStdString())) {
                m_copy.remove(); // edits undone: the file holds the page already
            } else {
                m_writer.start([this, copy = &m_copy, document = m_document(), encoding = m_status.encoding(),
                                   html = std::move(html), generation] {
                    if (auto result = copy->write(document, encoding, html, generation); !result.ok()) {
                        qWarning("No recovery copy: %s", result.error().message.c_str());
                        // Told on the scheduler's thread; the timer's end with the scheduler drops the call.
                        QMetaObject::invokeMethod(
                            &m_timer,
                            [this, error = result.error()] {
                                if (m_reportFailure && !m_stopped)
                                    m_reportFailure(error);
                            },
                            Qt::QueuedConnection);
                    }
                });
            }
        }
        if (std::exchange(m_changedWhileReading, false))
            noteChanged();
    });
}

void RecoveryScheduler::noteSettled()
{
    if (m_status.isEdited())
        return;
    m_timer.stop();
    m_copy.remove();
}

void RecoveryScheduler::discard()
{
    m_timer.stop();
    m_writer.waitForDone();
    m_copy.remove();
}

void RecoveryScheduler::writeFinalCopy(const std::function<PageText()>& readPage)
{
    m_timer.stop();
    m_writer.waitForDone();
    m_stopped = true;
    if (!m_status.isEdited()) {
        m_copy.remove();
        return;
    }
    const PageText page = readPage();
    if (!m_status.hasUnsavedChanges(page.root.toStdString())) {
        m_copy.remove();
        return;
    }
    const std::string html = page.file.toStdString();
    if (auto result = m_copy.write(m_document(), m_status.encoding(), html); !result.ok())
        qWarning("No recovery copy: %s", result.error().message.c_str());
}

} // namespace inkwell
