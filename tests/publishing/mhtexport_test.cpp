// The export command with a real page server and archive builder; the file dialog and the
// message boxes are replaced so that the test can answer and observe them.
#include "../platform/archivetestsupport.h"
#include "publishing/mhtexportcommand.h"
#include "publishing/pageserver.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

using namespace archive_test;

struct Shown
{
    MhtExportMessage message;
    bool pointerWasBusy = false;
};

class MhtExport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A page of this run, saved in the run folder's "tmp" folder, with a picture beside it.
        WriteFile(run() / "tmp" / "1765340000000.html", "<p>page</p><img src=\"pics/red.png\">");
        std::filesystem::create_directories(run() / "tmp/pics");
        std::filesystem::copy_file(std::filesystem::path(INKWELL_TEST_DATA) / "archive/site/pics/red.png",
            run() / "tmp/pics/red.png");
        std::filesystem::create_directories(out());
        ASSERT_TRUE(m_server.Start());
    }

    // The context as the main window fills it, with the dialog answering chosenName and every
    // message recorded.
    MhtExportContext context(QString chosenName)
    {
        MhtExportContext c;
        c.saveDocument = [this] {
            ++m_saves;
            return m_saveSucceeds;
        };
        c.documentFolder = run() / "tmp";
        c.documentName = "1765340000000";
        c.documentKind = 0;
        c.runFolder = run();
        c.serverPort = m_server.port();
        c.chooseFileName = [this, chosenName](QWidget*) {
            ++m_dialogs;
            return chosenName;
        };
        c.report = [this](QWidget*, const MhtExportMessage& message) {
            m_shown.push_back(Shown { message, QApplication::overrideCursor() != nullptr });
        };
        return c;
    }

    std::filesystem::path run() const { return m_root.path() / "run"; }
    std::filesystem::path out() const { return m_root.path() / "out"; }
    QString outName(const std::string& name) const { return QString::fromStdString((out() / name).string()); }

    TempFolder m_root;
    PageServer m_server { m_root.path() / "run" };
    int m_saves = 0;
    int m_dialogs = 0;
    bool m_saveSucceeds = true;
    std::vector<Shown> m_shown;
};

TEST_F(MhtExport, WritesTheArchiveAndSaysSoOnlyThen)
{
    // ".mht" is appended whatever the chosen name ends with.
    const std::vector<std::pair<std::string, std::string>> names {
        { "page", "page.mht" },
        { "page.mht", "page.mht.mht" },
        { "中文 名", "中文 名.mht" },
    };
    for (const auto& [chosen, written] : names) {
        SCOPED_TRACE(chosen);
        m_shown.clear();
        EXPECT_EQ(RunMhtExport(nullptr, context(outName(chosen))), MhtExportOutcome::Exported);
        ASSERT_EQ(m_shown.size(), 1u);
        EXPECT_EQ(m_shown[0].message.title, QStringLiteral("信息："));
        EXPECT_EQ(m_shown[0].message.text, QStringLiteral("保存成功"));
        EXPECT_FALSE(m_shown[0].message.failure);
        EXPECT_FALSE(m_shown[0].pointerWasBusy) << "the busy pointer ends before the message";
        const std::vector<Part> parts = SplitArchive(out() / written, m_root.path());
        ASSERT_EQ(parts.size(), 2u);
        EXPECT_EQ(parts[0].location,
            "http://127.0.0.1:" + std::to_string(*m_server.port()) + "/tmp/1765340000000.html");
        EXPECT_EQ(parts[1].bytes, ReadFile(run() / "tmp/pics/red.png"));
    }
    EXPECT_EQ(m_saves, 3);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MhtExport, CancelledDialogWritesNothingAndSaysNothing)
{
    EXPECT_EQ(RunMhtExport(nullptr, context(QString())), MhtExportOutcome::Cancelled);
    EXPECT_EQ(m_saves, 1) << "the page is saved before the dialog";
    EXPECT_EQ(m_dialogs, 1);
    EXPECT_TRUE(m_shown.empty());
    EXPECT_TRUE(Entries(out()).empty());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / ".mht"));
}

TEST_F(MhtExport, FailuresAreReportedAndLeaveAnExistingArchiveIntact)
{
    // A project made outside the run folder's "project" folder: its page URL names a file in
    // "tmp" that does not exist, so the server answers 404.
    WriteFile(m_root.path() / "elsewhere/proj/proj.html", "<p>project page</p>");

    struct Case
    {
        const char* name;
        std::function<void(MhtExportContext&)> change;
        MhtExportOutcome outcome;
        bool dialogShown;
        QString textPart;
    };
    const std::vector<Case> cases {
        { "projectOutsideProjectFolder",
            [this](MhtExportContext& c) {
                c.documentFolder = m_root.path() / "elsewhere/proj";
                c.documentName = "proj";
            },
            MhtExportOutcome::PageNotFetched, true, QStringLiteral("/tmp/proj.html") },
        { "serverNotRunning", [](MhtExportContext& c) { c.serverPort.reset(); },
            MhtExportOutcome::ServerNotRunning, false, QStringLiteral("页面服务没有运行") },
        { "saveFailed", [this](MhtExportContext&) { m_saveSucceeds = false; }, MhtExportOutcome::NotSaved,
            false, QStringLiteral("没有保存") },
        { "unwritableTarget",
            [this](MhtExportContext& c) {
                c.chooseFileName = [this](QWidget*) {
                    ++m_dialogs;
                    return outName("no/such/folder/page");
                };
            },
            MhtExportOutcome::NotWritten, true, QStringLiteral("无法写入文件") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(out() / "existing.mht", "an earlier archive");
        m_shown.clear();
        m_dialogs = 0;
        m_saveSucceeds = true;
        MhtExportContext ctx = context(outName("existing"));
        c.change(ctx);
        EXPECT_EQ(RunMhtExport(nullptr, ctx), c.outcome);
        EXPECT_EQ(m_dialogs, c.dialogShown ? 1 : 0);
        ASSERT_EQ(m_shown.size(), 1u);
        EXPECT_EQ(m_shown[0].message.title, QStringLiteral("提示"));
        EXPECT_TRUE(m_shown[0].message.failure);
        EXPECT_TRUE(m_shown[0].message.text.startsWith(QStringLiteral("导出失败")))
            << m_shown[0].message.text.toStdString();
        EXPECT_TRUE(m_shown[0].message.text.contains(c.textPart)) << m_shown[0].message.text.toStdString();
        EXPECT_NE(m_shown[0].message.text, QStringLiteral("保存成功"));
        EXPECT_EQ(ReadFile(out() / "existing.mht"), "an earlier archive");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(Entries(out()), std::vector<std::string> { "existing.mht" }) << "nothing else was written";
    }
}

// Runs `answer` on the first modal window that opens while `open` runs.
template <typename Open, typename Answer> void AnswerModal(Open open, Answer answer)
{
    bool answered = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && !answered) {
            answered = true;
            answer(modal);
        }
    });
    poll.start();
    open();
    EXPECT_TRUE(answered);
}

TEST(MhtExportDefaults, MessagesAreModalBoxesWithTheirTitleAndOk)
{
    for (const MhtExportMessage& message :
        { MhtExportMessage { QStringLiteral("信息："), QStringLiteral("保存成功"), false },
            MhtExportMessage { QStringLiteral("提示"), QStringLiteral("导出失败：x"), true } }) {
        AnswerModal([&] { MhtExportContext::showMessage(nullptr, message); },
            [&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(box->windowTitle(), message.title);
                EXPECT_EQ(box->text(), message.text);
                EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
                EXPECT_EQ(box->icon(), message.failure ? QMessageBox::Warning : QMessageBox::Information);
                box->button(QMessageBox::Ok)->click();
            });
    }
}

TEST(MhtExportDefaults, TheFileDialogSavesWithoutAFilter)
{
    QString chosen = QStringLiteral("unchanged");
    AnswerModal([&] { chosen = MhtExportContext::askForArchiveName(nullptr); },
        [](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
            const QStringList filters = dialog->nameFilters();
            EXPECT_TRUE(filters.isEmpty() || filters == QStringList { QFileDialog::tr("All Files (*)") })
                << filters.join('|').toStdString();
            dialog->reject();
        });
    EXPECT_TRUE(chosen.isEmpty()) << "a cancelled dialog gives an empty name";
}

} // namespace
} // namespace inkwell

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
