// End to end through the real main window: a project and pictures whose names hold Chinese
// characters, blanks and brackets are made with the wizard and the picture command, a style sheet
// with a url() picture is linked in the code view, and the export writes an archive that holds
// every part with its bytes and shows every picture when opened from disk.
#include "app/mainwindow.h"
#include "editing/designview.h"
#include "core/inifile.h"
#include "publishing/pageserver.h"
#include "core/percentencoding.h"
#include "tests/support/process.h"
#include "tests/support/tempfolder.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace inkwell {
namespace {

using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

const std::filesystem::path binaryDir = INKWELL_BINARY_DIR;
const std::filesystem::path sourceDir = INKWELL_SOURCE_DIR;

const std::string kProject = "我的 网页 (1)";
const std::string kPhoto = "照片 (1).png";
const std::string kPicture = "图.png";
const std::string kStyleSheet = "样式.css";
const std::string kTile = "底纹 (2).png";

// Answers every modal window that comes up while it lives: the wizard with an HTML page project of
// the given name and "新建", a file dialog with the file set for its name, a message box with the button set
// for its text (else "确定"), recording "title: text" of each box.
class ModalAnswerer
{
public:
    ModalAnswerer()
    {
        m_timer.setInterval(30);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start();
    }

    std::string projectName;
    std::map<QString, QString> files; // dialog object name -> file to choose
    std::map<QString, QString> buttons; // box text -> button caption
    QStringList boxes;

private:
    void answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes << box->windowTitle() + QStringLiteral(": ") + box->text();
            const auto wanted = buttons.find(box->text());
            const QString caption = wanted == buttons.end() ? QStringLiteral("确定") : wanted->second;
            for (auto* button : box->buttons()) {
                if (button->text() == caption) {
                    button->click();
                    return;
                }
            }
            box->reject();
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            const auto file = files.find(dialog->objectName());
            if (file == files.end()) {
                dialog->reject();
                return;
            }
            // The folder, then the name typed into the name box as a user does: selectFile leaves
            // the box alone while it has the focus, as it has when the dialog opens a second time.
            const QFileInfo chosen(file->second);
            dialog->setDirectory(chosen.absolutePath());
            dialog->selectFile(chosen.fileName()); // also clears the list's selection
            if (auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                nameBox->setText(chosen.fileName());
            QMetaObject::invokeMethod(dialog, "accept");
        } else if (modal->objectName() == QStringLiteral("WizardWindow")) {
            auto* name = modal->findChild<QLineEdit*>(QStringLiteral("编辑框_工程名称"));
            auto* create = modal->findChild<QPushButton*>(QStringLiteral("按钮_新建"));
            if (!name || !create || projectName.empty()) {
                modal->close();
                return;
            }
            // An HTML page project, the first type.
            if (auto* types = modal->findChild<QListWidget*>(QStringLiteral("超级列表框_工程类型")))
                types->setCurrentRow(0);
            name->setText(QString::fromStdString(projectName));
            // Queued: the button may open a message box of its own, which this timer must answer.
            QMetaObject::invokeMethod(create, &QPushButton::click, Qt::QueuedConnection);
        }
    }

    QTimer m_timer;
};

void writePicture(const std::filesystem::path& path, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "PNG")) << path;
}

// A shell word that stands for text exactly.
std::string quote(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string fileUrl(const std::filesystem::path& path)
{
    std::string url = "file://";
    for (const auto& segment : path.relative_path()) {
        url += '/';
        url += percentEncodeSegment(segment.string());
    }
    return url;
}

// MIME text parts carry their lines with CR LF.
std::string withCrLf(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

struct Part
{
    std::string type;
    std::string location;
    std::string bytes;
};

// The archive as Python's email package reads it.
std::vector<Part> splitArchive(const std::filesystem::path& archive, const std::filesystem::path& folder)
{
    const std::string command = "python3 "
        + quote((sourceDir / "tests" / "archive" / "mht_split.py").string()) + " " + quote(archive.string())
        + " " + quote(folder.string()) + " 2>" + quote((folder / "err").string());
    std::filesystem::create_directories(folder);
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE() << "Python's email package cannot read the archive: " << ReadFile(folder / "err");
        return {};
    }
    std::vector<Part> parts;
    std::istringstream manifest(ReadFile(folder / "manifest.tsv"));
    std::string line;
    while (std::getline(manifest, line)) {
        std::vector<std::string> fields;
        std::istringstream row(line);
        for (std::string field; std::getline(row, field, '\t');)
            fields.push_back(field);
        fields.resize(6);
        parts.push_back({ fields[1], fields[4], ReadFile(folder / (fields[0] + ".bin")) });
    }
    return parts;
}

// Counts the pixels of exactly this colour.
int pixelsOf(const QImage& image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    }
    return count;
}

TEST(ChineseNamesExport, ArchiveHoldsEveryPartAndChromiumShowsThePictures)
{
    TempFolder run(binaryDir / "test-runs");
    TempFolder elsewhere(binaryDir / "test-runs"); // the user's pictures and the archive
    std::filesystem::create_directories(run.path() / "system");
    ASSERT_TRUE(IniFile(run.path() / "system" / "guid.ini").write("向导", "是否显示", "假"));
    writePicture(elsewhere.path() / kPhoto, { 120, 80 }, QColor(0xFF, 0x00, 0x00));
    writePicture(elsewhere.path() / kPicture, { 100, 70 }, QColor(0x00, 0xC0, 0x00));

    MainWindow window(run.path());
    ASSERT_TRUE(window.runCreationSequence());
    window.resize(1000, 700);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto button
        = [&](const char* name) { return window.findChild<QToolButton*>(QString::fromUtf8(name)); };

    ModalAnswerer answers;
    answers.projectName = kProject;
    answers.buttons[QStringLiteral("是否保存？")] = QStringLiteral("不保存");

    // The project, with the wizard of the "新建" button, in the run folder's project folder.
    QTest::mouseClick(button("超级按钮_新建"), Qt::LeftButton);
    ASSERT_EQ(window.document().name, kProject);
    const std::filesystem::path project = run.path() / "project" / kProject;
    ASSERT_EQ(std::filesystem::path(window.document().folder), project);

    // Both pictures through the picture command, which copies each beside the document.
    int pictures = 0;
    for (const std::string& name : { kPhoto, kPicture }) {
        answers.files[QStringLiteral("通用对话框_插入图片")]
            = QString::fromStdString((elsewhere.path() / name).string());
        QTest::mouseClick(button("超级按钮_插入图片"), Qt::LeftButton);
        ++pictures;
        QTRY_COMPARE_WITH_TIMEOUT(
            window.designView().getHtml().count(QStringLiteral("<img")), pictures, 10000);
        EXPECT_EQ(ReadFile(project / name), ReadFile(elsewhere.path() / name)) << name;
    }

    // A style sheet beside the page whose url() picture has a blank and brackets in its name; the
    // link and the box it paints go in through the code view as a user types them.
    writePicture(project / kTile, { 20, 20 }, QColor(0x00, 0x00, 0xFF));
    WriteFile(project / kStyleSheet,
        "@charset \"utf-8\";\n.band { width: 200px; height: 40px; background-image: url(\"" + kTile
            + "\"); }\n");
    QTest::mouseClick(button("超级按钮_代码"), Qt::LeftButton);
    auto* editor = window.findChild<QsciScintilla*>(QStringLiteral("代码编辑框1"));
    QTRY_VERIFY_WITH_TIMEOUT(editor->text().count(QStringLiteral("<img")) == pictures, 10000);
    QString code = editor->text();
    const QString link = QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" href=\"%1\" />")
                             .arg(QString::fromStdString(kStyleSheet));
    ASSERT_GE(code.indexOf(QStringLiteral("</head>")), 0);
    ASSERT_GE(code.indexOf(QStringLiteral("</body>")), 0);
    code.insert(code.indexOf(QStringLiteral("</head>")), link);
    code.insert(code.indexOf(QStringLiteral("</body>")), QStringLiteral("<div class=\"band\"></div>"));
    editor->setText(code);
    QTest::mouseClick(button("超级按钮_设计"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(window.designView().getHtml().contains(QStringLiteral("class=\"band\"")), 10000);

    // The export: saved, named, fetched from the page server and written.
    answers.boxes.clear();
    const std::filesystem::path archive = elsewhere.path() / (kProject + ".mht");
    answers.files[QStringLiteral("通用对话框_输出mht")]
        = QString::fromStdString((elsewhere.path() / kProject).string());
    QTest::mouseClick(button("超级按钮_另存为"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!answers.boxes.isEmpty(), 60000);
    EXPECT_EQ(answers.boxes.join(u'|').toStdString(), "信息：: 保存成功");
    ASSERT_TRUE(std::filesystem::exists(archive));
    const std::filesystem::path page = project / (kProject + ".html");
    ASSERT_TRUE(std::filesystem::exists(page));

    // Every part is a file of the project, fetched by its encoded URL, with the file's bytes (text
    // in the CR LF lines of MIME text).
    const std::string server = "http://127.0.0.1:" + std::to_string(*window.pageServer().port());
    const std::vector<Part> parts = splitArchive(archive, elsewhere.path() / "parts");
    std::set<std::filesystem::path> found;
    for (const Part& part : parts) {
        SCOPED_TRACE(part.location);
        ASSERT_TRUE(part.location.starts_with(server + "/")) << "every part comes from the page server";
        EXPECT_TRUE(std::none_of(part.location.begin(), part.location.end(), [](char c) {
            return c == ' ' || static_cast<unsigned char>(c) >= 0x80;
        })) << "a URL holds no blank and no raw byte of a name";
        const std::filesystem::path file
            = run.path() / percentDecode(part.location.substr(server.size() + 1));
        found.insert(file);
        ASSERT_TRUE(std::filesystem::is_regular_file(file));
        const std::string bytes = ReadFile(file);
        EXPECT_TRUE(part.bytes == (part.type.starts_with("text/") ? withCrLf(bytes) : bytes))
            << part.bytes.size() << " bytes in the archive, " << bytes.size() << " on disk";
    }
    EXPECT_EQ(found,
        (std::set<std::filesystem::path> {
            page, project / kPhoto, project / kPicture, project / kStyleSheet, project / kTile }));
    ASSERT_FALSE(parts.empty());
    EXPECT_EQ(parts.front().location,
        server + "/project/" + percentEncodeSegment(kProject) + "/"
            + percentEncodeSegment(kProject + ".html"));

    // Opened from disk, with nothing left to fetch, the archive shows every picture whole.
    std::filesystem::remove_all(project);
    std::filesystem::remove_all(elsewhere.path() / kPhoto);
    std::filesystem::remove_all(elsewhere.path() / kPicture);
    const std::filesystem::path shot = elsewhere.path() / "shot.png";
    const std::string chromium = "timeout 120 /usr/bin/chromium --headless --no-sandbox --disable-gpu "
                                 "--disable-quic --no-first-run --disable-background-networking "
                                 "--disable-component-update --disable-sync --user-data-dir="
        + quote((elsewhere.path() / "profile").string()) + " --screenshot=" + quote(shot.string())
        + " --window-size=800,600 " + quote(fileUrl(archive)) + " >"
        + quote((elsewhere.path() / "chromium.log").string()) + " 2>&1";
    ASSERT_EQ(std::system(chromium.c_str()), 0) << ReadFile(elsewhere.path() / "chromium.log");
    const QImage image(QString::fromStdString(shot.string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(pixelsOf(image, qRgb(0xFF, 0x00, 0x00)), 120 * 80) << kPhoto;
    EXPECT_EQ(pixelsOf(image, qRgb(0x00, 0xC0, 0x00)), 100 * 70) << kPicture;
    EXPECT_EQ(pixelsOf(image, qRgb(0x00, 0x00, 0xFF)), 200 * 40) << kTile << " through " << kStyleSheet;
}

} // namespace
} // namespace inkwell
