// The recovery copy follows the page: written after a change that left unsaved markup, gone once
// nothing is unsaved, never written inside a running command, and left behind by an end without a
// question. The page is handed in by a stand-in reader that answers later, as the engine does.
#include "app/recoveryscheduler.h"
#include "tests/support/eventually.h"
#include "tests/support/tempfolder.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

namespace inkwell {
namespace {

using namespace std::chrono_literals;
using testing::eventually;
using testing::TempFolder;

constexpr RecoveryScheduler::Timing kShort { 300ms, 20ms };

class RecoverySchedulerTest : public ::testing::Test
{
protected:
    RecoverySchedulerTest()
    {
        std::filesystem::create_directories(m_run.systemFolder());
        std::filesystem::create_directories(m_run.tmpFolder());
        m_status.markLoaded("<p>saved</p>");
    }

    // The reader answers from the event loop with the page as it is then, like the engine: its file
    // has a document type line that its root markup, which edits are judged by, has not.
    RecoveryScheduler::PageReader reader()
    {
        return [this](std::function<void(std::optional<PageText>)> done) {
            ++m_reads;
            QTimer::singleShot(m_readDelay, [this, done = std::move(done)] {
                done(m_page ? std::optional(PageText { kDoctype + *m_page, *m_page }) : std::nullopt);
            });
        };
    }

    void edit(const char* page)
    {
        m_page = QString::fromUtf8(page);
        m_status.markEdited();
        m_scheduler.noteChanged();
    }

    bool copyHolds(const std::string& page)
    {
        const auto found = m_scheduler.copy().read();
        // The copy holds the page as its file does.
        return found.status == RecoveryReadResult::Status::Found
            && found.page.html == kDoctype.toStdString() + page;
    }

    TempFolder m_folder;
    RunFolder m_run { m_folder.path() };
    DocumentLocation m_document { m_run.tmpFolder(), "页面", DocumentKind::Html };
    DocumentFileStatus m_status;
    const QString kDoctype = QStringLiteral("<!DOCTYPE html>\n");
    std::optional<QString> m_page = QStringLiteral("<p>saved</p>");
    int m_readDelay = 0;
    int m_reads = 0;
    std::vector<std::function<void()>> m_deferred;
    bool m_commandRunning = false;
    RecoveryScheduler m_scheduler { m_run, m_status, [this] { return m_document; }, reader(),
        [this](std::function<void()> work) {
            if (m_commandRunning)
                m_deferred.push_back(std::move(work));
            else
                work();
        },
        kShort };
};

TEST_F(RecoverySchedulerTest, ChangeIsCopiedAndSaveRemovesTheCopy)
{
    edit("<p>saved and typed</p>");
    ASSERT_TRUE(eventually([&] { return copyHolds("<p>saved and typed</p>"); }, 5000));
    const auto found = m_scheduler.copy().read();
    EXPECT_EQ(found.page.document.folder, m_document.folder);
    EXPECT_EQ(found.page.document.name, m_document.name);

    // Still edited: the copy stays.
    m_scheduler.noteSettled();
    EXPECT_TRUE(m_scheduler.copy().exists());
    m_status.markSaved("<p>saved and typed</p>");
    m_scheduler.noteSettled();
    EXPECT_FALSE(m_scheduler.copy().exists());
}

TEST_F(RecoverySchedulerTest, UndoneEditsLeaveNoCopy)
{
    ASSERT_TRUE(m_scheduler.copy().write(m_document, TextEncoding::Gb18030, "<p>older</p>").ok());
    m_page = QStringLiteral("<p>saved</p>"); // typed and taken back
    m_status.markEdited();
    m_scheduler.noteChanged();
    ASSERT_TRUE(eventually([&] { return m_reads == 1 && !m_scheduler.copy().exists(); }, 5000));
}

TEST_F(RecoverySchedulerTest, SecondCopyWaitsOutTheIntervalAndHoldsTheNewestPage)
{
    edit("<p>first</p>");
    ASSERT_TRUE(eventually([&] { return copyHolds("<p>first</p>"); }, 5000));
    const auto firstDone = std::chrono::steady_clock::now();
    edit("<p>second</p>");
    edit("<p>third</p>");
    ASSERT_TRUE(eventually([&] { return copyHolds("<p>third</p>"); }, 5000));
    EXPECT_GE(std::chrono::steady_clock::now() - firstDone, kShort.interval / 2)
        << "not after the settle alone";
    EXPECT_EQ(m_reads, 2) << "changes during the wait share one copy";
}

TEST_F(RecoverySchedulerTest, ChangeWhileThePageIsReadIsCopiedToo)
{
    m_readDelay = 100;
    edit("<p>first</p>");
    ASSERT_TRUE(eventually([&] { return m_reads == 1; }, 5000));
    edit("<p>during the read</p>"); // the answer under way gives this page already
    ASSERT_TRUE(eventually([&] { return m_reads == 2; }, 5000)) << "the change during the read is followed";
    ASSERT_TRUE(eventually([&] { return copyHolds("<p>during the read</p>"); }, 5000));
}

TEST_F(RecoverySchedulerTest, CopyDueDuringACommandWaitsForIt)
{
    m_commandRunning = true;
    edit("<p>typed</p>");
    ASSERT_TRUE(eventually([&] { return !m_deferred.empty(); }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_reads, 0);
    EXPECT_FALSE(m_scheduler.copy().exists());
    m_commandRunning = false;
    for (auto& work : std::exchange(m_deferred, {}))
        work();
    ASSERT_TRUE(eventually([&] { return copyHolds("<p>typed</p>"); }, 5000));
}

TEST_F(RecoverySchedulerTest, FinalCopyHoldsThePageOnlyWhenItIsUnsaved)
{
    struct Case
    {
        const char* name;
        bool edited;
        const char* page;
        bool kept;
    };
    const Case cases[] = {
        { "unsaved", true, "<p>last words</p>", true },
        { "edits undone", true, "<p>saved</p>", false },
        { "never edited", false, "<p>rewritten by the view</p>", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        RunFolder run(folder.path());
        std::filesystem::create_directories(run.systemFolder());
        DocumentFileStatus status;
        status.markLoaded("<p>saved</p>");
        if (c.edited)
            status.markEdited();
        const DocumentLocation document { run.tmpFolder(), "页面", DocumentKind::Html };
        int reads = 0;
        RecoveryScheduler scheduler(
            run, status, [&] { return document; },
            [&](std::function<void(std::optional<PageText>)>) { ++reads; },
            [](std::function<void()> work) { work(); }, kShort);
        ASSERT_TRUE(scheduler.copy().write(document, TextEncoding::Gb18030, "<p>older</p>").ok());
        scheduler.writeFinalCopy([&] {
            return PageText { QStringLiteral("<!DOCTYPE html>\n") + QString::fromUtf8(c.page),
                QString::fromUtf8(c.page) };
        });
        const auto found = scheduler.copy().read();
        EXPECT_EQ(found.status == RecoveryReadResult::Status::Found, c.kept) << found.reason;
        if (c.kept) {
            EXPECT_EQ(found.page.html, std::string("<!DOCTYPE html>\n") + c.page);
        }
        // Nothing is scheduled after the end.
        status.markEdited();
        scheduler.noteChanged();
        QTest::qWait(static_cast<int>((kShort.interval + 100ms).count()));
        EXPECT_EQ(reads, 0);
    }
}

} // namespace
} // namespace inkwell
