// A user's whole journey through the real program, driven with the mouse and keys as a user drives it:
// the wizard at first start, a project with a Chinese name, typing, bold, the code view and back, Save,
// a screen capture into the page, an export that a browser shows, closing, and opening the page again.
// A step that fails leaves a screenshot whose path the failure names.
#include "tests/support/closewindow.h"
#include "tests/support/process.h"
#include "tests/support/programcopy.h"
#include "tests/support/tempfolder.h"
#include "tests/support/xwindows.h"

#include <QImage>
#include <gtest/gtest.h>
#include <regex>

namespace inkwell {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::clickIn;
using testing::commandOutput;
using testing::fileBytes;
using testing::fromGb18030;
using testing::ProgramCopy;
using testing::TempFolder;
using testing::waitUntil;
namespace fs = std::filesystem;

const fs::path binaryDir = INKWELL_BINARY_DIR;

class Journey : public ::testing::Test
{
protected:
    std::unique_ptr<ChildProcess> start()
    {
        return std::make_unique<ChildProcess>(
            m_program.run / "inkwell", std::vector<std::string> {}, m_program.run, m_program.environment());
    }

    // Records a failed step with a screenshot of the whole screen; false when the step failed.
    bool step(const std::string& name, bool ok) { return m_steps.check(name, ok); }

    static std::string window(const std::string& title, std::chrono::milliseconds wait = 30s)
    {
        return testing::visibleWindow(title, wait);
    }

    static bool xdo(const std::string& commands) { return testing::xdo(commands); }

    // Puts text on the clipboard, as a user copies it; xdotool cannot type Chinese characters reliably.
    static bool copyToClipboard(const std::string& text)
    {
        // xclip stays behind to serve the selection: it must not hold this test's output open, or the test
        // runner waits for it.
        return std::system(
                   ("printf '%s' '" + text + "' | xclip -selection clipboard >/dev/null 2>&1").c_str())
            == 0;
    }

    // Pastes a file path into the file dialog that opens with the given title, and confirms it.
    bool chooseInFileDialog(const std::string& title, const fs::path& file)
    {
        const auto dialog = window(title, 15s);
        return step("the file dialog \"" + title + "\" opens", !dialog.empty())
            && copyToClipboard(file.string())
            && xdo("windowfocus --sync " + dialog + " sleep 0.3 key ctrl+a ctrl+v sleep 0.3 key Return");
    }

    // The top-level window under the pointer once it is moved to x, y of the screen.
    static std::string windowAt(int x, int y)
    {
        const std::string shell = commandOutput(
            "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " getmouselocation --shell");
        std::smatch id;
        return std::regex_search(shell, id, std::regex("WINDOW=(\\d+)")) ? id[1].str() : std::string();
    }

    // Whether the first lines of the window's page show text: a blank page shows at most the caret
    // there, a line of text some hundred dark pixels.
    static bool showsTextInPage(const std::string& window)
    {
        const std::string png = commandOutput("import -window " + window + " png:- 2>/dev/null");
        const QImage shot
            = QImage::fromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()));
        const QRect firstLines = QRect(5, 80, 495, 60) & shot.rect();
        int dark = 0;
        for (int y = firstLines.top(); y <= firstLines.bottom(); ++y) {
            for (int x = firstLines.left(); x <= firstLines.right(); ++x)
                dark += qGray(shot.pixel(x, y)) < 96;
        }
        return dark >= 100;
    }

    ProgramCopy m_program { binaryDir };
    testing::DisplaySteps m_steps { binaryDir, "journey" };
};

TEST_F(Journey, FromTheWizardToTheArchiveAndBack)
{
    const std::string name = "我的 网页";
    const fs::path project = m_program.run / "project" / name;
    const fs::path document = project / (name + ".html");
    auto program = start();

    // First start: the wizard, alone. The name goes in through the clipboard, as Chinese text is often
    // entered; the HTML kind is picked, then "新建".
    const auto wizard = window("程序新建向导");
    ASSERT_TRUE(step("the wizard opens at first start", !wizard.empty()));
    ASSERT_TRUE(step("the wizard is alone", window("Inkwell( - .*)?", 1s).empty()));
    ASSERT_TRUE(copyToClipboard(name));
    ASSERT_TRUE(clickIn(wizard, 243, 58)); // the HTML kind
    ASSERT_TRUE(clickIn(wizard, 415, 356)); // the name box
    ASSERT_TRUE(xdo("key ctrl+v sleep 0.3"));
    ASSERT_TRUE(clickIn(wizard, 607, 356)); // "新建"
    // The caption names the project's page, which Save writes.
    const auto main = window("Inkwell - " + name + ".html");
    ASSERT_TRUE(step("the main window follows the wizard, named after the project's page", !main.empty()));
    ASSERT_TRUE(step("the project folder is made", fs::is_directory(project)));

    // Type, select everything, bold.
    ASSERT_TRUE(xdo("windowfocus --sync " + main));
    ASSERT_TRUE(clickIn(main, 400, 250));
    // xdotool's "type" takes every word after it as text: it ends a command line.
    ASSERT_TRUE(xdo("type --delay 40 'Hello world'"));
    ASSERT_TRUE(xdo("sleep 0.3 key ctrl+a sleep 0.3"));
    ASSERT_TRUE(clickIn(main, 167, 39)); // bold
    // "代码", change the last word of the text line in the code view, "设计".
    ASSERT_TRUE(clickIn(main, 464, 39));
    // The line of the text, one tab deeper than <b>, which stands in the paragraph typing made: the
    // line below the eleventh (<b>'s), below the document type line.
    ASSERT_TRUE(clickIn(main, 400, 235));
    ASSERT_TRUE(xdo("key Down End ctrl+shift+Left sleep 0.2 type --delay 40 'earth'"));
    ASSERT_TRUE(clickIn(main, 464, 17));
    // Save.
    ASSERT_TRUE(clickIn(main, 94, 25));
    ASSERT_TRUE(step("Save writes the document with the edit from the code view",
        waitUntil(
            [&] {
                const auto page = fromGb18030(document);
                return std::regex_search(page, std::regex("<b>\\s*Hello earth\\s*</b>"));
            },
            10s)));

    // "全截图": drag over the window's toolbar (a picture with something in it), double-click inside.
    const std::string geometry = commandOutput("xdotool getwindowgeometry " + main);
    std::smatch at;
    ASSERT_TRUE(std::regex_search(geometry, at, std::regex("Position: (\\d+),(\\d+)"))) << geometry;
    const int left = std::stoi(at[1]), top = std::stoi(at[2]);
    ASSERT_TRUE(clickIn(main, 633, 38));
    ASSERT_TRUE(step("the capture window covers the main window",
        waitUntil([&] { return windowAt(left + 4, top + 4) != main; }, 10s)));
    ASSERT_TRUE(xdo("mousemove " + std::to_string(left + 4) + " " + std::to_string(top + 4)
        + " mousedown 1 sleep 0.2 mousemove " + std::to_string(left + 150) + " " + std::to_string(top + 30)
        + " sleep 0.2 mousemove " + std::to_string(left + 300) + " " + std::to_string(top + 50)
        + " sleep 0.2 mouseup 1 sleep 0.5 mousemove " + std::to_string(left + 150) + " "
        + std::to_string(top + 30) + " click --repeat 2 --delay 80 1"));
    fs::path picture;
    ASSERT_TRUE(step("the capture writes a picture into the project folder",
        waitUntil(
            [&] {
                for (const auto& entry : fs::directory_iterator(project)) {
                    if (entry.path().extension() == ".bmp")
                        picture = entry.path();
                }
                return !picture.empty();
            },
            10s)));

    // Export: the archive's save dialog, then "保存成功". The export saves the page first.
    ASSERT_TRUE(clickIn(main, 513, 29));
    const fs::path archive = m_program.root.path() / "page";
    ASSERT_TRUE(chooseInFileDialog("另存为", archive));
    const auto done = window("信息：", 20s);
    ASSERT_TRUE(step("the export says it saved", !done.empty()));
    ASSERT_TRUE(xdo("windowfocus --sync " + done + " key Return"));
    ASSERT_TRUE(fs::exists(archive.string() + ".mht"));
    EXPECT_NE(
        fromGb18030(document).find("<img src=\"" + picture.filename().string() + "\""), std::string::npos);

    // A browser shows the captured picture from the archive: its first row is found in the screenshot.
    const fs::path shot = m_program.root.path() / "archive.png";
    const fs::path profile = m_program.root.path() / "profile";
    commandOutput(
        "chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync --user-data-dir='"
        + profile.string() + "' --window-size=800,600 --screenshot='" + shot.string() + "' 'file://"
        + archive.string() + ".mht' 2>/dev/null");
    const QImage captured
        = QImage(QString::fromStdString(picture.string())).convertToFormat(QImage::Format_RGB32);
    const QImage shown = QImage(QString::fromStdString(shot.string())).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(captured.isNull());
    ASSERT_FALSE(shown.isNull()) << "no screenshot from the browser";
    bool found = false;
    const int run = std::min(captured.width(), 64);
    for (int y = 0; y < shown.height() && !found; ++y) {
        for (int x = 0; x + run <= shown.width() && !found; ++x) {
            found = std::equal(reinterpret_cast<const QRgb*>(captured.constScanLine(0)),
                reinterpret_cast<const QRgb*>(captured.constScanLine(0)) + run,
                reinterpret_cast<const QRgb*>(shown.constScanLine(y)) + x);
        }
    }
    EXPECT_TRUE(step("the browser shows the captured picture from the archive", found));

    // Closing asks nothing: everything was saved by the export.
    ASSERT_TRUE(testing::closeWindow(std::stoul(main)));
    EXPECT_TRUE(step("closing ends the program without a question", program->waitFor(20s) == 0));
    EXPECT_FALSE(fs::exists(m_program.run / "system" / "recover.html"));

    // Start again: the wizard again (its box was left ticked), closed; Open the saved page; Save it to the
    // run's own document and find the text, the bold and the picture.
    program = start();
    const auto again = window("程序新建向导");
    ASSERT_TRUE(step("the wizard opens again", !again.empty()));
    ASSERT_TRUE(xdo("windowfocus --sync " + again + " key Escape"));
    const auto second = window("Inkwell - 临时页面");
    ASSERT_TRUE(step("the main window after the wizard", !second.empty()));
    ASSERT_TRUE(clickIn(second, 55, 25)); // Open
    ASSERT_TRUE(chooseInFileDialog("打开", document));
    ASSERT_TRUE(step("the opened page is shown", waitUntil([&] { return showsTextInPage(second); }, 10s)));
    // Without a window manager nothing gives the window back its focus after the dialog: the first
    // click only does that, so it goes into the page, as a user's would.
    ASSERT_TRUE(clickIn(second, 400, 300));
    ASSERT_TRUE(clickIn(second, 94, 25)); // Save, to this run's own document (Open keeps where it is)
    fs::path reopened;
    ASSERT_TRUE(step("the opened page is saved again",
        waitUntil(
            [&] {
                for (const auto& entry : fs::recursive_directory_iterator(m_program.run)) {
                    if (entry.path().extension() == ".html" && entry.path() != document)
                        reopened = entry.path();
                }
                return !reopened.empty();
            },
            10s)));
    const auto page = fromGb18030(reopened);
    EXPECT_TRUE(std::regex_search(page, std::regex("<b>\\s*Hello earth\\s*</b>"))) << page;
    EXPECT_NE(page.find("<img src=\"" + picture.filename().string() + "\""), std::string::npos) << page;
    program->kill(SIGTERM);
    EXPECT_EQ(program->waitFor(20s), 0);
}

} // namespace
} // namespace inkwell
