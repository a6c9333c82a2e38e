// The export command with a real page server and archive builder; the file dialog and the
// message boxes are replaced so that the test can answer and observe them.
#include "../archive/archivetestsupport.h"
#include "core/messagetexts.h"
#include "platform/qtmessageservice.h"
#include "publishing/mhtexportcommand.h"
#include "publishing/pageserver.h"
#include "tests/support/answeredmessages.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace inkwell {
namespace {

using namespace archive_test;
using namespace std::chrono_literals;

// A box of the export as the user reads it: a failure has the warning icon.
struct Message
{
    QString title;
    QString text;
    bool failure = false;
};

struct Shown
{
    Message message;
    bool pointerWasBusy = false;
};

class MhtExport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A page of this run, saved in the run folder's "tmp" folder, with a picture beside it.
        writeFile(run() / "tmp" / "1765340000000.html", "<p>page</p><img src=\"pics/red.png\">");
        std::filesystem::create_directories(run() / "tmp/pics");
        std::filesystem::copy_file(std::filesystem::path(INKWELL_TEST_DATA) / "archive/site/pics/red.png",
            run() / "tmp/pics/red.png");
        std::filesystem::create_directories(out());
        ASSERT_TRUE(m_server.start());
    }

    // The context as the main window fills it, with the dialog answering chosenName and every
    // message recorded.
    MhtExportContext context(QString chosenName) { return context(std::move(chosenName), m_messages); }
    MhtExportContext context(QString chosenName, MessageService& boxes)
    {
        MhtExportContext c(boxes);
        c.saveDocument = [this]() -> Result<void> {
            ++m_saves;
            if (m_saveSucceeds)
                return {};
            return Error { ENOSPC, texts::saveFailureReason(Error { ENOSPC, {} }, "/x/proj.html") };
        };
        c.document = { run() / "tmp", "1765340000000", DocumentKind::Html };
        c.runFolder = run();
        c.serverPort = m_server.port();
        c.chooseFileName = [this, chosenName](QWidget*) {
            ++m_dialogs;
            return chosenName;
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
    // Every box of the export is a note with one OK button.
    testing::AnsweredMessages m_messages { [this](const MessageRequest& request) {
        EXPECT_EQ(request.buttons, std::vector { MessageButton::Ok });
        EXPECT_NE(request.icon, MessageIcon::Question);
        m_shown.push_back(
            Shown { Message { QString::fromStdString(request.title), QString::fromStdString(request.text),
                        request.icon == MessageIcon::Warning },
                QApplication::overrideCursor() != nullptr });
        return MessageButton::Ok;
    } };
};

// Said after the list of local files kept out of a written archive.
const QString kWhyLeftOut = QStringLiteral("\n这些文件不在页面或本程序的文件夹中，也不是放在图片位置上的图片"
                                           "。需要时请把它们复制到页面所在的文件夹。");

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
        EXPECT_EQ(runMhtExport(nullptr, context(outName(chosen))), MhtExportOutcome::Exported);
        ASSERT_EQ(m_shown.size(), 1u);
        EXPECT_EQ(m_shown[0].message.title, QStringLiteral("信息："));
        EXPECT_EQ(m_shown[0].message.text, QStringLiteral("保存成功"));
        EXPECT_FALSE(m_shown[0].message.failure);
        EXPECT_FALSE(m_shown[0].pointerWasBusy) << "the busy pointer ends before the message";
        const std::vector<Part> parts = splitArchive(out() / written, m_root.path());
        ASSERT_EQ(parts.size(), 2u);
        EXPECT_EQ(parts[0].location,
            "http://127.0.0.1:" + std::to_string(*m_server.port()) + "/tmp/1765340000000.html");
        EXPECT_EQ(parts[1].bytes, requiredFileBytes(run() / "tmp/pics/red.png"));
    }
    EXPECT_EQ(m_saves, 3);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MhtExport, CancelledDialogWritesNothingAndSaysNothing)
{
    EXPECT_EQ(runMhtExport(nullptr, context(QString())), MhtExportOutcome::Cancelled);
    EXPECT_EQ(m_saves, 1) << "the page is saved before the dialog";
    EXPECT_EQ(m_dialogs, 1);
    EXPECT_TRUE(m_shown.empty());
    EXPECT_TRUE(namesIn(out()).empty());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / ".mht"));
}

// A project outside the run folder, which the page server cannot reach, and one in the run folder
// outside "tmp" and "project": each exports with its picture, read from where the page lies.
TEST_F(MhtExport, ProjectsWhereverTheyLieExport)
{
    const std::string red = requiredFileBytes(run() / "tmp/pics/red.png");
    for (const std::filesystem::path& folder :
        { m_root.path() / "elsewhere/我的 主页", run() / "pages/site" }) {
        SCOPED_TRACE(folder);
        writeFile(folder / "我的 主页.html", "<p>project page</p><img src=\"pics/%E7%BA%A2.png\">");
        writeFile(folder / "pics/红.png", red);
        m_shown.clear();
        MhtExportContext c = context(outName("project"));
        c.document = { folder, "我的 主页", DocumentKind::Html };
        EXPECT_EQ(runMhtExport(nullptr, c), MhtExportOutcome::Exported);
        ASSERT_EQ(m_shown.size(), 1u);
        EXPECT_EQ(m_shown[0].message.text, QStringLiteral("保存成功"));
        const std::vector<Part> parts = splitArchive(out() / "project.mht", m_root.path());
        ASSERT_EQ(parts.size(), 2u);
        EXPECT_NE(parts[0].bytes.find("project page"), std::string::npos);
        EXPECT_EQ(parts[1].bytes, red);
    }
}

TEST_F(MhtExport, FailuresAreReportedAndLeaveAnExistingArchiveIntact)
{
    struct Case
    {
        const char* name;
        std::function<void(MhtExportContext&)> change;
        MhtExportOutcome outcome;
        bool dialogShown;
        QString textPart;
    };
    const std::vector<Case> cases {
        { "pageGoneOutsideTheRunFolder",
            [this](MhtExportContext& c) {
                // Outside the run folder, and gone by the time it is read.
                c.document.folder = m_root.path() / "elsewhere/gone";
                c.document.name = "gone";
            },
            MhtExportOutcome::PageNotFetched, true,
            QString::fromStdString((m_root.path() / "elsewhere/gone/gone.html").string())
                + QStringLiteral("，没有写入文件。\n找不到这个文件，请检查名称和位置是否写对。") },
        { "serverNotRunning", [](MhtExportContext& c) { c.serverPort.reset(); },
            MhtExportOutcome::ServerNotRunning, false, QStringLiteral("没有可用的网络端口") },
        { "saveFailed", [this](MhtExportContext&) { m_saveSucceeds = false; }, MhtExportOutcome::NotSaved,
            false,
            QStringLiteral("导出失败：页面没有保存到文档文件，没有导出。\n")
                + QString::fromStdString(errorSentence(Error { ENOSPC, {} }, FileAction::Write)) },
        { "unwritableTarget",
            [this](MhtExportContext& c) {
                c.chooseFileName = [this](QWidget*) {
                    ++m_dialogs;
                    return outName("no/such/folder/page");
                };
            },
            MhtExportOutcome::NotWritten, true,
            QStringLiteral("原有文件保持不变。\n文件或文件夹不存在，请检查路径后重试。") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(out() / "existing.mht", "an earlier archive");
        m_shown.clear();
        m_dialogs = 0;
        m_saveSucceeds = true;
        MhtExportContext exportContext = context(outName("existing"));
        c.change(exportContext);
        EXPECT_EQ(runMhtExport(nullptr, exportContext), c.outcome);
        EXPECT_EQ(m_dialogs, c.dialogShown ? 1 : 0);
        ASSERT_EQ(m_shown.size(), 1u);
        EXPECT_EQ(m_shown[0].message.title, QStringLiteral("提示"));
        EXPECT_TRUE(m_shown[0].message.failure);
        EXPECT_TRUE(m_shown[0].message.text.startsWith(QStringLiteral("导出失败")))
            << m_shown[0].message.text.toStdString();
        EXPECT_TRUE(m_shown[0].message.text.contains(c.textPart)) << m_shown[0].message.text.toStdString();
        EXPECT_NE(m_shown[0].message.text, QStringLiteral("保存成功"));
        EXPECT_EQ(requiredFileBytes(out() / "existing.mht"), "an earlier archive");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(namesIn(out()), std::vector<std::string> { "existing.mht" }) << "nothing else was written";
    }
}

// Chinese, blank and bracket names in the project, the pictures and the style sheet, referred to
// percent-encoded as the picture command writes them: every part comes back with its bytes.
TEST_F(MhtExport, NamesOutsidePlainAsciiArriveWhole)
{
    const std::string name = "我的 网页 (1)";
    const std::filesystem::path project = run() / "project" / name;
    const std::string red = requiredFileBytes(run() / "tmp/pics/red.png");
    const std::string green
        = requiredFileBytes(std::filesystem::path(INKWELL_TEST_DATA) / "archive/outside/green.png");
    const std::string sheet = "p { background: url('%E5%9B%BE.png') }\n";
    writeFile(project / "照片 (1).png", red);
    writeFile(project / "图.png", green);
    writeFile(project / "样式.css", sheet);
    writeFile(project / (name + ".html"),
        "<link rel=stylesheet href=\"%E6%A0%B7%E5%BC%8F.css\"><img src=\"%E7%85%A7%E7%89%87%20(1).png\">");
    MhtExportContext c = context(outName("中文"));
    c.document.folder = project;
    c.document.name = name;
    EXPECT_EQ(runMhtExport(nullptr, c), MhtExportOutcome::Exported);
    ASSERT_EQ(m_shown.size(), 1u);
    EXPECT_EQ(m_shown[0].message.text, QStringLiteral("保存成功")) << m_shown[0].message.text.toStdString();
    const std::vector<Part> parts = splitArchive(out() / "中文.mht", m_root.path());
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[1].bytes, crLf(sheet));
    EXPECT_EQ(parts[2].bytes, red);
    EXPECT_EQ(parts[3].bytes, green);
}

// The local files a page names, in every place the archive meets them: what the archive holds
// for each and what the export says. The document folder is the run folder's "tmp"; "elsewhere"
// lies outside the run folder.
TEST_F(MhtExport, LocalFilesGoInOnlyFromTheSiteOrAsPictures)
{
    const std::filesystem::path elsewhere = m_root.path() / "elsewhere";
    const std::string png = requiredFileBytes(run() / "tmp/pics/red.png");
    writeFile(elsewhere / "green.png", png);
    writeFile(elsewhere / "notes.png", "bank account 1234\n");
    writeFile(elsewhere / "secret.css", "body { color: red }\n");
    writeFile(run() / "tmp/own.css", "p { color: blue }\n");
    std::filesystem::create_symlink(elsewhere / "secret.css", run() / "tmp/linked.css");
    const std::string doc = "file://" + (run() / "tmp").string();
    const std::string other = "file://" + elsewhere.string();

    struct Case
    {
        const char* name;
        std::string reference; // markup inside the page
        std::string held; // the file whose bytes the archive holds, or empty when it holds none
        std::string leftOut; // the path the message names, or empty for "保存成功"
    };
    const std::vector<Case> cases {
        { "pictureBelowTheDocumentFolder", "<img src=\"" + doc + "/pics/red.png\">", png, "" },
        { "styleSheetBelowTheDocumentFolder", "<link rel=stylesheet href=\"" + doc + "/own.css\">",
            crLf("p { color: blue }\n"), "" },
        { "pictureElsewhere", "<img src=\"" + other + "/green.png\">", png, "" },
        { "pictureElsewhereInStyle", "<p style=\"background:url('" + other + "/green.png')\">x</p>", png,
            "" },
        { "pictureElsewhereAsBackground", "<table background=\"" + other + "/green.png\"></table>", png, "" },
        { "nonPictureElsewhereNamedAsPicture", "<img src=\"" + other + "/notes.png\">", "",
            (elsewhere / "notes.png").string() },
        { "styleSheetElsewhere", "<link rel=stylesheet href=\"" + other + "/secret.css\">", "",
            (elsewhere / "secret.css").string() },
        { "pictureElsewhereWhereNoPictureBelongs", "<script src=\"" + other + "/green.png\"></script>", "",
            (elsewhere / "green.png").string() },
        { "symlinkBelowTheDocumentFolderPointingOutside",
            "<link rel=stylesheet href=\"" + doc + "/linked.css\">", "",
            (run() / "tmp/linked.css").string() },
        { "dotDotSegmentsClimbingOut",
            "<link rel=stylesheet href=\"" + doc + "/../../elsewhere/secret.css\">", "",
            (elsewhere / "secret.css").string() },
        { "encodedDotDotSegmentsClimbingOut",
            "<link rel=stylesheet href=\"" + doc + "/%2e%2e/%2E%2E/elsewhere/secret.css\">", "",
            (run() / "tmp/../../elsewhere/secret.css").string() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string page = "<p>page</p>" + c.reference;
        writeFile(run() / "tmp/1765340000000.html", page);
        m_shown.clear();
        const MhtExportOutcome outcome = runMhtExport(nullptr, context(outName(c.name)));
        ASSERT_EQ(m_shown.size(), 1u);
        EXPECT_EQ(m_shown[0].message.title, QStringLiteral("信息："));
        EXPECT_FALSE(m_shown[0].message.failure);
        if (c.leftOut.empty()) {
            EXPECT_EQ(outcome, MhtExportOutcome::Exported);
            EXPECT_EQ(m_shown[0].message.text, QStringLiteral("保存成功"));
        } else {
            EXPECT_EQ(outcome, MhtExportOutcome::ExportedWithoutLocalFiles);
            EXPECT_EQ(m_shown[0].message.text,
                QStringLiteral("已保存，以下本机文件未放入 MHT 文件：\n") + QString::fromStdString(c.leftOut)
                    + kWhyLeftOut);
        }
        const std::vector<Part> parts = splitArchive(out() / (std::string(c.name) + ".mht"), m_root.path());
        ASSERT_EQ(parts.size(), c.held.empty() ? 1u : 2u);
        if (c.held.empty()) {
            EXPECT_EQ(parts[0].bytes, page) << "the reference stays as it was";
        } else {
            EXPECT_EQ(parts[1].bytes, c.held);
            EXPECT_NE(parts[0].bytes.find("cid:"), std::string::npos) << parts[0].bytes;
        }
    }
}

TEST_F(MhtExport, ListsAtMostTenLocalFiles)
{
    std::string page = "<p>page</p>";
    QStringList lines { QStringLiteral("已保存，以下本机文件未放入 MHT 文件：") };
    for (int i = 0; i < 12; ++i) {
        const std::filesystem::path sheet = m_root.path() / "elsewhere" / (std::to_string(i) + ".css");
        writeFile(sheet, "a{}");
        page += "<link rel=stylesheet href=\"file://" + sheet.string() + "\">";
        if (i < 10)
            lines.append(QString::fromStdString(sheet.string()));
    }
    lines.append(QStringLiteral("……") + kWhyLeftOut);
    writeFile(run() / "tmp/1765340000000.html", page);
    EXPECT_EQ(runMhtExport(nullptr, context(outName("many"))), MhtExportOutcome::ExportedWithoutLocalFiles);
    ASSERT_EQ(m_shown.size(), 1u);
    EXPECT_EQ(m_shown[0].message.text, lines.join(QLatin1Char('\n')));
    EXPECT_EQ(splitArchive(out() / "many.mht", m_root.path()).size(), 1u);
}

// Nothing the page refers to may be missing from an archive reported as saved: what could not be
// fetched fails the export and is named, a local file kept out on purpose is listed after it.
TEST_F(MhtExport, ResourcesThatCouldNotBeFetchedFailTheExport)
{
    const std::filesystem::path elsewhere = m_root.path() / "elsewhere";
    writeFile(elsewhere / "secret.css", "a{}");
    {
        std::ofstream film(run() / "tmp/film.mp4");
    }
    // Sparse: larger than an archive part may be, without taking the disk space.
    std::filesystem::resize_file(run() / "tmp/film.mp4", (std::uintmax_t { 100 } << 20) + 1);
    const std::string photo = "file://" + (run() / "tmp").string() + "/照片 (1).png";
    writeFile(run() / "tmp/1765340000000.html",
        "<p>page</p><img src=\"pics/red.png\"><img src=\"pics/gone.png\"><video src=\"film.mp4\"></video>"
        "<img src=\""
            + photo + "\"><link rel=stylesheet href=\"file://" + (elsewhere / "secret.css").string() + "\">");
    writeFile(out() / "existing.mht", "an earlier archive");

    EXPECT_EQ(runMhtExport(nullptr, context(outName("existing"))), MhtExportOutcome::ResourcesNotFetched);
    ASSERT_EQ(m_shown.size(), 1u);
    EXPECT_EQ(m_shown[0].message.title, QStringLiteral("提示"));
    EXPECT_TRUE(m_shown[0].message.failure);
    // Resources beside the page are named as the page names them, local files by their paths.
    EXPECT_EQ(m_shown[0].message.text,
        QStringLiteral("导出失败：以下资源无法取得，没有写入文件：\n")
            + QStringLiteral("pics/gone.png：找不到这个文件，请检查名称和位置是否写对。\n")
            + QStringLiteral("film.mp4：文件太大，无法放入 MHT 文件。\n")
            + QString::fromStdString((run() / "tmp/照片 (1).png").string())
            + QStringLiteral("：找不到这个文件，请检查名称和位置是否写对。\n")
            + QStringLiteral("另有以下本机文件不会放入 MHT 文件：\n")
            + QString::fromStdString((elsewhere / "secret.css").string()));
    EXPECT_EQ(requiredFileBytes(out() / "existing.mht"), "an earlier archive");
    EXPECT_EQ(namesIn(out()), std::vector<std::string> { "existing.mht" }) << "nothing else was written";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A one-shot HTTP server on 127.0.0.1 that takes `delay` before it answers its one request with
// `body`, as a slow site a page names would.
class SlowServer
{
public:
    SlowServer(std::chrono::milliseconds delay, std::string body)
        : m_listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
            || ::listen(m_listener.get(), 4) != 0
            || ::getsockname(m_listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("no listening socket");
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this, delay, body = std::move(body)] {
            pollfd entry { m_listener.get(), POLLIN, 0 };
            if (::poll(&entry, 1, 20000) <= 0)
                return;
            const FileDescriptor client(::accept4(m_listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
            std::string head;
            char buffer[4096];
            while (head.find("\r\n\r\n") == std::string::npos) {
                const ssize_t got = ::recv(client.get(), buffer, sizeof buffer, 0);
                if (got <= 0)
                    return;
                head.append(buffer, static_cast<std::size_t>(got));
            }
            std::this_thread::sleep_for(delay);
            const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: "
                + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
            (void)!::send(client.get(), answer.data(), answer.size(), MSG_NOSIGNAL);
        });
    }
    ~SlowServer() { m_thread.join(); }
    SlowServer(const SlowServer&) = delete;
    SlowServer& operator=(const SlowServer&) = delete;

    int port() const { return m_port; }

private:
    FileDescriptor m_listener;
    int m_port = 0;
    std::thread m_thread;
};

// Fetching takes as long as the slowest server the page names; the window meanwhile goes on
// running its timers (and so drawing itself) instead of looking hung.
TEST_F(MhtExport, TheWindowGoesOnWhileTheArchiveIsBuilt)
{
    const std::string picture
        = requiredFileBytes(std::filesystem::path(INKWELL_TEST_DATA) / "archive/site/pics/red.png");
    SlowServer slow(1500ms, picture);
    writeFile(run() / "tmp/1765340000000.html",
        "<p>page</p><img src=\"http://127.0.0.1:" + std::to_string(slow.port()) + "/slow.png\">");
    int ticks = 0;
    QTimer timer;
    timer.setInterval(50);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();

    EXPECT_EQ(runMhtExport(nullptr, context(outName("slow"))), MhtExportOutcome::Exported);
    EXPECT_GE(ticks, 10) << "the window's timers stood still while the archive was built";
    EXPECT_TRUE(std::filesystem::exists(out() / "slow.mht"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Clients that ask the page server for a large file and then read nothing do not hold up the
// export's own requests.
TEST_F(MhtExport, StalledClientsOfThePageServerDoNotHoldUpTheExport)
{
    writeFile(run() / "tmp/large.bin", std::string(16 * 1024 * 1024, 'x'));
    std::vector<FileDescriptor> stalled;
    for (int i = 0; i < 20; ++i) {
        FileDescriptor client(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const int small = 4096;
        ::setsockopt(client.get(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(*m_server.port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(client.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        const std::string request = "GET /tmp/large.bin HTTP/1.1\r\n\r\n";
        ASSERT_EQ(::send(client.get(), request.data(), request.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(request.size()));
        stalled.push_back(std::move(client));
    }
    std::this_thread::sleep_for(300ms);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runMhtExport(nullptr, context(outName("beside"))), MhtExportOutcome::Exported);
    EXPECT_LT(std::chrono::steady_clock::now() - start, PageServer::kClientTimeout);
}

// Runs `answer` on the first modal window that opens while `open` runs.
template <typename Open, typename Answer> void answerModal(Open open, Answer answer)
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

// With the window's boxes the outcome is a modal box over that window, with its title, its icon and
// OK.
TEST_F(MhtExport, DefaultMessagesAreModalBoxesWithTheirTitleAndOk)
{
    struct Case
    {
        bool saves;
        Message expected;
    };
    for (const Case& c : { Case { true, { QStringLiteral("信息："), QStringLiteral("保存成功"), false } },
             Case { false,
                 { QStringLiteral("提示"),
                     QString::fromStdString(texts::exportNotSaved(
                         texts::saveFailureReason(Error { ENOSPC, {} }, "/x/proj.html"))),
                     true } } }) {
        m_saveSucceeds = c.saves;
        QWidget window;
        QtMessageService windowBoxes(&window);
        const auto context = this->context(outName("page"), windowBoxes);
        answerModal([&] { (void)runMhtExport(&window, context); },
            [&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(box->windowTitle(), c.expected.title);
                EXPECT_EQ(box->text(), c.expected.text);
                EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
                EXPECT_EQ(box->icon(), c.expected.failure ? QMessageBox::Warning : QMessageBox::Information);
                EXPECT_EQ(box->parentWidget(), &window);
                box->button(QMessageBox::Ok)->click();
            });
    }
    EXPECT_TRUE(m_shown.empty());
}

TEST(MhtExportDefaults, TheFileDialogSavesWithoutAFilter)
{
    QString chosen = QStringLiteral("unchanged");
    answerModal([&] { chosen = MhtExportContext::askForArchiveName(nullptr); },
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
