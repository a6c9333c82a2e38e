#include "app/documentcommands.h"
#include "core/messagetexts.h"
#include "core/regularfile.h"
#include "document/blankpage.h"
#include "platform/qtmessageservice.h"
#include "tests/support/answeredmessages.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/messagerules.h"
#include "tests/support/namedpipe.h"
#include "tests/support/tempfolder.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

using testing::AnsweredMessages;
using testing::fileBytes;
using testing::TempFolder;
namespace fs = std::filesystem;

const fs::path documents = fs::path(INKWELL_TEST_DATA) / "document";

// The page after the user typed into it.
const QString kTyped = QStringLiteral("<html><body>typed</body></html>");

// A box as the commands asked for it.
struct Shown
{
    QString title;
    QString text;
    std::vector<MessageButton> buttons;
};

// The design view, the dialogs and the wizard as the commands see them: a page that gives back what was
// loaded into it, message boxes that are recorded and answered from a list, and a wizard that is counted.
class Commands : public ::testing::Test
{
protected:
    Commands()
    {
        document.folder = dir.path();
        document.name = "1700000000000";
        document.kind = DocumentKind::Html;
        context.getHtml = [this]() -> std::optional<QString> {
            if (!readable)
                return std::nullopt;
            return page;
        };
        context.loadHtml = [this](const QString& html) {
            page = html;
            ++loads;
        };
        context.document = [this] { return document; };
        context.status = &status;
        context.chooseFile = [this] {
            ++fileDialogs;
            return chosenFile;
        };
        context.openWizard = [this] { ++wizards; };
    }

    [[nodiscard]] fs::path file() const { return document.filePath(); }

    // The page as a user leaves it after typing, not yet saved.
    void typeIntoPage()
    {
        page = kTyped;
        status.markEdited();
    }

    // The question asked before unsaved changes are let go (closing, Open).
    void expectSaveQuestion(const Shown& box) const
    {
        EXPECT_EQ(box.title, QStringLiteral("提示"));
        EXPECT_EQ(box.text, QStringLiteral("是否保存？"));
        EXPECT_EQ(box.buttons,
            (std::vector { MessageButton::Save, MessageButton::Discard, MessageButton::Cancel }));
    }

    TempFolder dir;
    DocumentLocation document;
    DocumentFileStatus status;
    QString page = QString::fromUtf8(blankPage().data(), static_cast<qsizetype>(blankPage().size()));
    bool readable = true; // false: the engine cannot give the page back (hung or ended renderer)
    QString chosenFile;
    int loads = 0;
    int fileDialogs = 0;
    int wizards = 0;
    std::vector<Shown> shown;
    std::deque<MessageButton> answers;
    // Every box of the commands has the Chinese captions and its first button as the default.
    AnsweredMessages messages { [this](const MessageRequest& request) {
        shown.push_back(
            { QString::fromStdString(request.title), QString::fromStdString(request.text), request.buttons });
        EXPECT_EQ(request.captions, ButtonCaptions::Chinese) << request.text;
        EXPECT_EQ(request.defaultButton, request.buttons.front()) << request.text;
        EXPECT_FALSE(answers.empty()) << "unexpected box: " << request.text;
        if (answers.empty())
            return MessageButton::Cancel;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    } };
    DocumentContext context { messages };
};

struct KindCase
{
    DocumentKind kind;
    const char* fileName;
};

class SaveKinds : public Commands, public ::testing::WithParamInterface<KindCase>
{
};

// The page goes to folder/name plus the kind's extension; a style sheet gets the page's HTML all the same.
TEST_P(SaveKinds, WriteThePageToTheDocumentFile)
{
    document.name = "a";
    document.kind = GetParam().kind;
    page = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>页</body></html>");
    EXPECT_EQ(saveDocument(context), SaveOutcome::Saved);
    EXPECT_EQ(fileBytes(dir.path() / GetParam().fileName), page.toStdString());
    EXPECT_TRUE(shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, SaveKinds,
    ::testing::Values(KindCase { DocumentKind::Html, "a.html" },
        KindCase { DocumentKind::StyleSheet, "a.css" }, KindCase { static_cast<DocumentKind>(7), "a" }));

TEST_F(Commands, FailedSaveIsShownAndChangesNothing)
{
    // The folder is gone (a project folder removed after the wizard made it).
    document.folder = dir.path() / "removed";
    status.markEdited();
    page = QStringLiteral("<html><body>x</body></html>");
    answers = { MessageButton::Ok };
    EXPECT_EQ(saveDocument(context), SaveOutcome::Failed);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, QStringLiteral("提示"));
    EXPECT_TRUE(shown[0].text.startsWith(QString::fromUtf8(texts::kSaveFailed)))
        << shown[0].text.toStdString();
    EXPECT_TRUE(shown[0].text.contains(QStringLiteral("removed"))) << "the box names the file";
    EXPECT_EQ(shown[0].buttons, std::vector { MessageButton::Ok });
    EXPECT_FALSE(fs::exists(document.folder));
    EXPECT_TRUE(status.hasUnsavedChanges(page.toStdString())) << "the page still needs saving";

    // A write that breaks off half-way (a full disk) leaves the old file as it was.
    document.folder = dir.path();
    testing::writeFile(file(), "old page");
    page = QStringLiteral("<html><body>%1</body></html>").arg(QString(100000, QLatin1Char('y')));
    answers = { MessageButton::Ok };
    {
        testing::FileSizeLimit limit(8192);
        EXPECT_EQ(saveDocument(context), SaveOutcome::Failed);
    }
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(fileBytes(file()), "old page");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator {}), 1);
}

class OpenThenSave : public Commands, public ::testing::WithParamInterface<const char*>
{
};

// Open loads the file's text; the following Save writes it to the current document file (not to the
// opened one) in the encoding the page declares, or the one it was found in: the bytes come back whole.
TEST_P(OpenThenSave, KeepsEveryCharacterAndTheEncoding)
{
    const fs::path opened = documents / (std::string(GetParam()) + ".html");
    chosenFile = QString::fromStdString(opened.string());
    const DocumentLocation before = document;
    openDocument(context);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(page.toStdString(), fileBytes(documents / "text" / (std::string(GetParam()) + ".txt")));
    EXPECT_EQ(document.folder, before.folder);
    EXPECT_EQ(document.name, before.name);
    EXPECT_EQ(document.kind, before.kind);

    EXPECT_EQ(saveDocument(context), SaveOutcome::Saved);
    // A page that declared nothing also says now which encoding it is written in.
    std::string expected = fileBytes(opened);
    const std::string name = GetParam();
    if (name.starts_with("undeclared-")) {
        expected.insert(expected.find("<head>") + 6,
            name == "undeclared-utf8" ? "<meta charset=\"utf-8\">" : "<meta charset=\"gb18030\">");
    }
    EXPECT_TRUE(fileBytes(file()) == expected) << GetParam();
    EXPECT_TRUE(shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Documents, OpenThenSave,
    ::testing::Values("utf8-meta", "gbk-gb2312", "undeclared-gbk", "undeclared-utf8", "gb2312-emoji"),
    [](const auto& test) {
        std::string name = test.param;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// A page with bytes that are no text in its encoding opens with a box that says so; the bytes come
// back from Save as they were, never as U+FFFD.
TEST_F(Commands, OpenSaysWhenBytesAreNoTextAndSaveWritesThemBack)
{
    const fs::path opened = documents / "utf8-stray-byte.html";
    chosenFile = QString::fromStdString(opened.string());
    answers = { MessageButton::Ok };
    openDocument(context);
    EXPECT_EQ(loads, 1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, QStringLiteral("提示"));
    EXPECT_EQ(shown[0].text.toStdString(), texts::bytesKeptAsTheyWere(opened, 1));
    EXPECT_EQ(testing::messageFault(shown[0].text.toStdString(), { opened.string() }), "");

    EXPECT_EQ(saveDocument(context), SaveOutcome::Saved);
    std::string expected = fileBytes(opened);
    expected.insert(expected.find("<head>") + 6, "<meta charset=\"utf-8\">");
    EXPECT_TRUE(fileBytes(file()) == expected);
    EXPECT_EQ(fileBytes(file()).find("\xEF\xBF\xBD"), std::string::npos);
}

TEST_F(Commands, OpenLoadsTextUpToTheFirstZeroAndNothingWhenCancelledOrUnreadable)
{
    const QString before = page;
    chosenFile.clear(); // cancelled
    openDocument(context);
    EXPECT_EQ(loads, 0);

    chosenFile = QString::fromStdString((dir.path() / "missing.html").string());
    answers = { MessageButton::Ok };
    openDocument(context);
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(page, before) << "the page is not wiped by a file that cannot be read";
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, QStringLiteral("提示"));
    EXPECT_TRUE(shown[0].text.startsWith(QString::fromUtf8(texts::kOpenFailed)));

    // A named pipe is said to be no file at once: nothing waits for a writer that never comes.
    const auto pipe = dir.path() / "pipe.html";
    ASSERT_TRUE(testing::makeNamedPipe(pipe));
    chosenFile = QString::fromStdString(pipe.string());
    answers = { MessageButton::Ok };
    const auto started = std::chrono::steady_clock::now();
    {
        const testing::PipeWaitGuard guard(pipe, std::chrono::seconds(5));
        openDocument(context);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(loads, 0);
    EXPECT_EQ(page, before);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text.toStdString(), texts::openFailed(Error { kNotARegularFile, "" }, pipe));

    const auto withZero = dir.path() / "zero.html";
    testing::writeFile(withZero, std::string("<p>before</p>\0<p>after</p>", 27));
    chosenFile = QString::fromStdString(withZero.string());
    openDocument(context);
    EXPECT_EQ(page, QStringLiteral("<p>before</p>"));
    EXPECT_EQ(fileBytes(withZero).size(), 27u) << "the opened file is left alone";
}

struct NewCase
{
    const char* name;
    bool blank; // the page is BlankPage exactly
    MessageButton answer;
    bool folderMissing;
    bool asked;
    bool saved;
    int wizards;
};

class NewCommand : public Commands, public ::testing::WithParamInterface<NewCase>
{
};

TEST_P(NewCommand, OffersToSaveAnyPageButTheBlankOneThenOpensTheWizard)
{
    const auto& c = GetParam();
    if (!c.blank)
        page = QStringLiteral("<html><head></head><body></body></html>");
    if (c.folderMissing)
        document.folder = dir.path() / "removed";
    answers = { c.answer, MessageButton::Ok };
    newDocument(context);
    ASSERT_EQ(!shown.empty(), c.asked);
    if (c.asked) {
        EXPECT_EQ(shown[0].title, QStringLiteral("信息："));
        EXPECT_EQ(shown[0].text, QStringLiteral("是否保存？"));
        EXPECT_EQ(shown[0].buttons, (std::vector { MessageButton::Ok, MessageButton::Cancel }));
    }
    EXPECT_EQ(fs::exists(file()), c.saved);
    EXPECT_EQ(shown.size(), c.folderMissing ? 2u : (c.asked ? 1u : 0u)) << "a failed save is shown";
    EXPECT_EQ(wizards, c.wizards);
}

INSTANTIATE_TEST_SUITE_P(Table, NewCommand,
    ::testing::Values(NewCase { "blank_page", true, MessageButton::Ok, false, false, false, 1 },
        NewCase { "ok_saves", false, MessageButton::Ok, false, true, true, 1 },
        NewCase { "cancel_still_opens_wizard", false, MessageButton::Cancel, false, true, false, 1 },
        NewCase { "failed_save_keeps_the_page", false, MessageButton::Ok, true, true, false, 0 }),
    [](const auto& test) { return std::string(test.param.name); });

struct CloseCase
{
    const char* name;
    bool edited;
    MessageButton answer;
    bool folderMissing;
    bool asked;
    CloseDecision decision;
    bool saved;
};

class Closing : public Commands, public ::testing::WithParamInterface<CloseCase>
{
};

TEST_P(Closing, AsksOnlyOverUnsavedChanges)
{
    const auto& c = GetParam();
    noteNewPage(context);
    if (c.edited)
        typeIntoPage();
    if (c.folderMissing)
        document.folder = dir.path() / "removed";
    answers = { c.answer, MessageButton::Ok };
    EXPECT_EQ(confirmClose(context), c.decision);
    ASSERT_EQ(!shown.empty(), c.asked);
    if (c.asked)
        expectSaveQuestion(shown[0]);
    EXPECT_EQ(fs::exists(file()), c.saved);
    if (c.saved) {
        EXPECT_EQ(fileBytes(file()), page.toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Closing,
    ::testing::Values(
        CloseCase { "untouched", false, MessageButton::Save, false, false, CloseDecision::Close, false },
        CloseCase { "save", true, MessageButton::Save, false, true, CloseDecision::Close, true },
        CloseCase { "discard", true, MessageButton::Discard, false, true, CloseDecision::Close, false },
        CloseCase { "cancel", true, MessageButton::Cancel, false, true, CloseDecision::StayOpen, false },
        CloseCase { "failed_save_stays_open", true, MessageButton::Save, true, true, CloseDecision::StayOpen,
            false }),
    [](const auto& test) { return std::string(test.param.name); });

struct OpenCase
{
    const char* name;
    bool edited;
    MessageButton answer;
    bool folderMissing; // the save offered first fails
    bool chooses; // false: the file dialog is cancelled
    bool asked;
    bool saved;
    bool dialog;
    bool opened;
};

class OpenOverEdits : public Commands, public ::testing::WithParamInterface<OpenCase>
{
};

// Open replaces the page, so unsaved edits get the close question first, and only an answer that lets
// them go (saved or dropped) brings up the file dialog.
TEST_P(OpenOverEdits, AsksTheCloseQuestionFirst)
{
    const auto& c = GetParam();
    noteNewPage(context);
    if (c.edited)
        typeIntoPage();
    const QString before = page;
    if (c.folderMissing)
        document.folder = dir.path() / "removed";
    if (c.chooses)
        chosenFile = QString::fromStdString((documents / "utf8-meta.html").string());
    answers = { c.answer, MessageButton::Ok };
    openDocument(context);

    ASSERT_EQ(!shown.empty(), c.asked);
    if (c.asked)
        expectSaveQuestion(shown[0]);
    EXPECT_EQ(shown.size(), c.folderMissing ? 2u : (c.asked ? 1u : 0u)) << "a failed save is shown";
    EXPECT_EQ(fileDialogs, c.dialog ? 1 : 0);
    EXPECT_EQ(fs::exists(file()), c.saved);
    if (c.saved) {
        EXPECT_EQ(fileBytes(file()), kTyped.toStdString()) << "the typed page is saved before the Open";
    }
    if (c.opened) {
        EXPECT_EQ(page.toStdString(), fileBytes(documents / "text" / "utf8-meta.txt"));
        EXPECT_FALSE(status.isEdited());
        EXPECT_FALSE(status.hasUnsavedChanges(page.toStdString()));
    } else {
        EXPECT_EQ(loads, 0);
        EXPECT_EQ(page, before);
        EXPECT_EQ(status.hasUnsavedChanges(page.toStdString()), c.edited) << "the page still needs saving";
        EXPECT_EQ(status.isEdited(), c.edited);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, OpenOverEdits,
    ::testing::Values(
        OpenCase { "no_changes", false, MessageButton::Save, false, true, false, false, true, true },
        OpenCase { "save", true, MessageButton::Save, false, true, true, true, true, true },
        OpenCase { "failed_save_stops", true, MessageButton::Save, true, true, true, false, false, false },
        OpenCase { "discard", true, MessageButton::Discard, false, true, true, false, true, true },
        OpenCase { "discard_then_dialog_cancelled", true, MessageButton::Discard, false, false, true, false,
            true, false },
        OpenCase { "cancel", true, MessageButton::Cancel, false, true, true, false, false, false }),
    [](const auto& test) { return std::string(test.param.name); });

// A page the engine could not give back is never written, neither by Save nor by the saves that New and
// closing offer: the box says why, the file keeps its bytes, the page stays unsaved and the window open.
TEST_F(Commands, UnreadablePageIsNeverWritten)
{
    noteNewPage(context);
    typeIntoPage();
    testing::writeFile(file(), "old page");
    readable = false;

    struct Step
    {
        const char* name;
        std::function<void()> run;
        std::deque<MessageButton> answers;
        std::size_t boxes;
    };
    const Step steps[] = {
        { "save", [this] { EXPECT_EQ(saveDocument(context), SaveOutcome::Failed); }, { MessageButton::Ok },
            1 },
        { "new", [this] { newDocument(context); }, { MessageButton::Ok, MessageButton::Ok }, 2 },
        { "close", [this] { EXPECT_EQ(confirmClose(context), CloseDecision::StayOpen); },
            { MessageButton::Save, MessageButton::Ok }, 2 },
        { "open", [this] { openDocument(context); }, { MessageButton::Save, MessageButton::Ok }, 2 },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        shown.clear();
        answers = step.answers;
        step.run();
        ASSERT_EQ(shown.size(), step.boxes);
        EXPECT_EQ(shown.back().title, QStringLiteral("提示"));
        EXPECT_TRUE(shown.back().text.startsWith(QString::fromUtf8(texts::kSaveFailed)));
        EXPECT_TRUE(shown.back().text.contains(QString::fromUtf8(texts::kPageUnreadable)));
        EXPECT_EQ(fileBytes(file()), "old page");
        EXPECT_TRUE(status.isEdited());
    }
    EXPECT_EQ(wizards, 0) << "New stops when the page it offered to save could not be written";
    EXPECT_EQ(fileDialogs, 0) << "Open stops when the page it offered to save could not be written";
    EXPECT_EQ(loads, 0);

    // Without a reported edit an unreadable page closes: there is nothing of the user's to lose.
    status.markLoaded("<html><body>typed</body></html>");
    shown.clear();
    EXPECT_EQ(confirmClose(context), CloseDecision::Close);
    EXPECT_TRUE(shown.empty());
}

TEST_F(Commands, SavedPageClosesWithoutAQuestion)
{
    noteNewPage(context);
    typeIntoPage();
    ASSERT_EQ(saveDocument(context), SaveOutcome::Saved);
    EXPECT_EQ(confirmClose(context), CloseDecision::Close);
    EXPECT_TRUE(shown.empty());
}

// The real boxes: a QMessageBox with the title, text and Chinese button captions asked for, answered by
// clicking or by Escape.
class QtBoxes : public ::testing::Test
{
protected:
    // Runs answer on the message box once it is up, while ask() waits in the box's own event loop.
    static MessageButton answerWith(
        const MessageRequest& request, std::function<void(QMessageBox*)> answer, QStringList* captions)
    {
        auto* timer = new QTimer;
        timer->setInterval(20);
        QObject::connect(timer, &QTimer::timeout, [timer, answer, captions] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            timer->stop();
            timer->deleteLater();
            for (auto* button : box->buttons())
                captions->append(button->text());
            captions->append(box->windowTitle());
            captions->append(box->text());
            answer(box);
        });
        timer->start();
        return QtMessageService(nullptr).show(request);
    }
};

TEST_F(QtBoxes, ShowTheRequestAndGiveTheButtonChosen)
{
    const MessageRequest question { "提示", "是否保存？",
        { MessageButton::Save, MessageButton::Discard, MessageButton::Cancel }, MessageIcon::Question,
        ButtonCaptions::Chinese, MessageButton::Save };
    QStringList captions;
    const auto clicked = answerWith(
        question,
        [](QMessageBox* box) {
            for (auto* button : box->buttons()) {
                if (button->text() == QStringLiteral("不保存"))
                    QTest::mouseClick(button, Qt::LeftButton);
            }
        },
        &captions);
    EXPECT_EQ(clicked, MessageButton::Discard);
    for (const auto* text : { "保存", "不保存", "取消", "提示", "是否保存？" })
        EXPECT_TRUE(captions.contains(QString::fromUtf8(text)))
            << text << " in " << captions.join('|').toStdString();

    captions.clear();
    EXPECT_EQ(answerWith(
                  question, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }, &captions),
        MessageButton::Cancel);

    const MessageRequest note { "提示", "保存失败！", { MessageButton::Ok }, MessageIcon::Warning,
        ButtonCaptions::Chinese, MessageButton::Ok };
    captions.clear();
    EXPECT_EQ(answerWith(
                  note, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }, &captions),
        MessageButton::Ok);
    EXPECT_TRUE(captions.contains(QStringLiteral("确定")));
}

} // namespace
} // namespace inkwell
