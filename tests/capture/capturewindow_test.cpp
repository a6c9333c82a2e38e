// Capture mode end to end under X: a known picture fills the screen, the capture commands
// run the real capture window, xdotool drives it with real pointer and key events, and the
// BMP file, the clipboard and the recorded InsertImage calls are checked. Screenshots of
// each state go to <build>/capture-shots/.
#include "capture/capturecommand.h"
#include "capture/capturewindow.h"
#include "capture/infopanel.h"
#include "capture/overlayfont.h"
#include "capture/overlaypainter.h"
#include "capture/panelbackground.h"
#include "capturedriver.h"
#include "core/messagetexts.h"
#include "tests/support/answeredmessages.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

const QRgb kHandle = qRgb(10, 100, 130);

using namespace inkwell::testing;

QString shotsDir()
{
    const QString dir = QStringLiteral(INKWELL_BINARY_DIR "/capture-shots");
    QDir().mkpath(dir);
    return dir;
}

void shot(const QString& name)
{
    QTest::qWait(50); // time to repaint: the shot is for a person to look at, nothing checks it
    QGuiApplication::primaryScreen()->grabWindow(0).save(shotsDir() + "/" + name + ".png");
}

class CaptureEndToEnd : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_screen = QGuiApplication::primaryScreen()->geometry().size();
        s_pattern = patternImage(s_screen);
        s_backdrop = new Backdrop(s_pattern);
        s_backdrop->show();
        // Wait until the screen really shows the pattern.
        (void)QTest::qWaitFor(
            [] {
                const QImage grab = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
                return grab.pixel(700, 500) == patternAt(700, 500) && grab.pixel(3, 3) == patternAt(3, 3);
            },
            5000);
    }
    static void TearDownTestSuite()
    {
        delete s_backdrop;
        s_backdrop = nullptr;
    }

    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "xdotool is needed to drive the window";
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run under X (xvfb-run)";
        const QImage grab = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        ASSERT_EQ(grab.pixel(700, 500), patternAt(700, 500)) << "the backdrop is not on the screen";
        m_base = QStringLiteral(INKWELL_BINARY_DIR "/capture-e2e/")
            + QString::fromStdString(::testing::UnitTest::GetInstance()->current_test_info()->name());
        QDir(m_base).removeRecursively();
        QDir().mkpath(m_base + "/tmp");
        QDir().mkpath(m_base + "/project/demo");
        QGuiApplication::clipboard()->clear();
    }

    void run(QWidget* mainWindow, CaptureEntry entry, const CaptureOutputContext& output,
        const std::function<void(CaptureWindow*)>& script)
    {
        EXPECT_TRUE(runScripted(mainWindow, entry, output, script)) << "the capture window never showed";
    }

    static void expectBmpOfRegion(const QString& path, QRect region)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray bytes = f.readAll();
        ASSERT_EQ(bytes.size(), 54 + 4 * region.width() * region.height());
        EXPECT_EQ(bytes.left(2), QByteArray("BM"));
        // Qt's own BMP reader must see exactly the region of the screen picture.
        QImage decoded;
        ASSERT_TRUE(decoded.loadFromData(bytes, "BMP"));
        EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32), s_pattern.copy(region));
    }

    static inline QSize s_screen;
    static inline QImage s_pattern;
    static inline Backdrop* s_backdrop = nullptr;
    QString m_base;
};

TEST_F(CaptureEndToEnd, DragAdjustMoveAndDoubleClickWritesAndInsertsTheRegion)
{
    Recorder rec;
    const CaptureOutputContext output = rec.context(m_base + "/tmp");
    run(nullptr, CaptureEntry::KeepWindow, output, [&](CaptureWindow* w) {
        const CaptureSession& s = w->session();
        ASSERT_EQ(w->geometry(), QRect(QPoint(0, 0), s_screen));
        EXPECT_EQ(w->panel()->geometry(), QRect(10, 10, 172, 146));
        moveTo({ 300, 200 });
        EXPECT_EQ(s.state(), CaptureState::Idle);
        shot("1-idle");

        dragFromTo({ 300, 200 }, { 420, 290 });
        EXPECT_EQ(s.state(), CaptureState::Selecting);
        EXPECT_EQ(s.selection(), (CaptureRect { 300, 200, 420, 290 }));
        // Frame corner, and the info box's frame at (428 - 3, 210 - 3) while the button is held.
        EXPECT_EQ(w->composed().pixel(300, 200), kHandle);
        EXPECT_EQ(w->composed().pixel(425, 207), qRgb(0, 0, 0));
        shot("2-selecting");
        // Dragged onto the panel: no info box there (its frame would start at (65, 65)), and
        // the panel jumps away; back on the picture the box follows again.
        moveTo({ 60, 60 });
        EXPECT_EQ(w->composed().pixel(65, 65), patternAt(65, 65));
        EXPECT_EQ(w->panel()->x(), s_screen.width() - 172 - 8);
        moveTo({ 420, 290 });
        EXPECT_EQ(w->composed().pixel(425, 207), qRgb(0, 0, 0));
        releaseButton();
        EXPECT_EQ(s.state(), CaptureState::Fixed);
        EXPECT_EQ(w->composed().pixel(425, 207), patternAt(425, 207)) << "no info box once released";
        shot("3-fixed");

        // Bottom-right handle outwards by (40, 40).
        dragFromTo({ 420, 290 }, { 460, 330 });
        EXPECT_EQ(s.state(), CaptureState::Adjusting);
        EXPECT_EQ(s.selection(), (CaptureRect { 300, 200, 460, 330 }));
        shot("4-adjusting");
        releaseButton();
        // The whole selection by (20, 20).
        dragFromTo({ 380, 260 }, { 400, 280 });
        EXPECT_EQ(s.state(), CaptureState::Adjusting);
        EXPECT_EQ(s.selection(), (CaptureRect { 320, 220, 480, 350 }));
        releaseButton();
        EXPECT_EQ(s.selection(), (CaptureRect { 320, 220, 480, 350 }));

        // The readout over a handle is the handle colour as displayed; elsewhere the picture's.
        const QImage background = makePanelBackground();
        auto panelFor = [&](QRgb pixel) {
            QImage img;
            composePanel(img, 172, 146, background, PanelHelp::Fixed, pixel, overlayFont());
            return img;
        };
        moveTo({ 320, 220 });
        EXPECT_EQ(w->panel()->picture(), panelFor(kHandle)) << "readout over the top-left handle";
        moveTo({ 400, 300 });
        EXPECT_EQ(w->panel()->picture(), panelFor(patternAt(400, 300)));
        EXPECT_NE(w->panel()->picture(), panelFor(kHandle));

        // Onto the panel from the right half: it jumps to the left side, top kept; and back.
        moveTo({ s_screen.width() - 60, 60 });
        EXPECT_EQ(w->panel()->pos(), QPoint(8, 10));
        moveTo({ 60, 60 });
        EXPECT_EQ(w->panel()->pos(), QPoint(s_screen.width() - 172 - 8, 10));
        shot("5-panel-moved");

        doubleClickAt({ 400, 300 });
    });
    const QRect region(QPoint(320, 220), QPoint(480, 350));
    ASSERT_EQ(rec.inserts.size(), 1);
    EXPECT_EQ(rec.inserts[0], m_base + "/tmp/" + QString::number(rec.next) + ".bmp");
    expectBmpOfRegion(rec.inserts[0], region);
    // The clipboard still holds the picture after the output steps.
    EXPECT_EQ(
        QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), s_pattern.copy(region));
}

TEST_F(CaptureEndToEnd, TwoCapturesInARowIntoTmpThenAProjectFolder)
{
    Recorder rec;
    const QRect first(QPoint(600, 400), QPoint(700, 480));
    const QRect second(QPoint(250, 300), QPoint(263, 309));
    // A selection drawn from bottom right to top left and committed at once.
    run(nullptr, CaptureEntry::KeepWindow, rec.context(m_base + "/tmp"), [&](CaptureWindow*) {
        dragFromTo(first.bottomRight(), first.topLeft());
        releaseButton();
        doubleClickAt(first.center());
    });
    run(nullptr, CaptureEntry::KeepWindow, rec.context(m_base + "/project/demo"), [&](CaptureWindow* w) {
        dragFromTo(second.topLeft(), second.bottomRight());
        releaseButton();
        // A double-click outside does nothing; inside commits.
        doubleClickAt({ 900, 700 });
        EXPECT_EQ(w->session().state(), CaptureState::Fixed);
        doubleClickAt(second.center());
    });
    ASSERT_EQ(rec.inserts.size(), 2);
    EXPECT_TRUE(rec.inserts[0].startsWith(m_base + "/tmp/"));
    EXPECT_TRUE(rec.inserts[1].startsWith(m_base + "/project/demo/"));
    EXPECT_NE(QFileInfo(rec.inserts[0]).fileName(), QFileInfo(rec.inserts[1]).fileName());
    expectBmpOfRegion(rec.inserts[0], first);
    expectBmpOfRegion(rec.inserts[1], second);
}

TEST_F(CaptureEndToEnd, CancelledRunsWriteNothingAndTheMinimisedEditorStaysMinimised)
{
    Recorder rec;
    QWidget editor;
    editor.setGeometry(900, 600, 240, 120);
    editor.show();
    (void)QTest::qWaitFor([&] { return editor.windowHandle() && editor.windowHandle()->isExposed(); }, 3000);

    // ESC in the idle state leaves capture mode.
    run(&editor, CaptureEntry::MinimiseFirst, rec.context(m_base + "/tmp"), [&](CaptureWindow*) {
        xdo({ "key", "Escape" });
    });
    EXPECT_TRUE(editor.isMinimized()) << "a cancelled run leaves the editor minimised";

    // A right-click on a fixed selection only discards it; the second one leaves.
    editor.showNormal();
    run(&editor, CaptureEntry::KeepWindow, rec.context(m_base + "/tmp"), [&](CaptureWindow* w) {
        dragFromTo({ 500, 300 }, { 600, 350 });
        // ESC during the drag discards it; the release fixes nothing.
        xdo({ "key", "Escape" });
        releaseButton();
        EXPECT_EQ(w->session().state(), CaptureState::Idle);
        const QRect around(400, 250, 300, 200);
        EXPECT_EQ(w->composed().copy(around), s_pattern.copy(around)) << "frame and handles are gone";
        shot("6-after-esc-during-drag");
        dragFromTo({ 500, 300 }, { 600, 350 });
        releaseButton();
        xdo({ "click", "3" });
        EXPECT_EQ(w->session().state(), CaptureState::Idle);
        EXPECT_TRUE(w->isVisible());
        xdo({ "click", "3" });
    });
    EXPECT_FALSE(editor.isMinimized());
    EXPECT_TRUE(rec.inserts.isEmpty());
    EXPECT_TRUE(QDir(m_base + "/tmp").isEmpty());

    // A committed run with the minimising command restores the editor afterwards.
    run(&editor, CaptureEntry::MinimiseFirst, rec.context(m_base + "/tmp"), [&](CaptureWindow*) {
        dragFromTo({ 200, 500 }, { 240, 530 });
        releaseButton();
        doubleClickAt({ 220, 515 });
    });
    EXPECT_FALSE(editor.isMinimized());
    ASSERT_EQ(rec.inserts.size(), 1);
    expectBmpOfRegion(rec.inserts[0], QRect(QPoint(200, 500), QPoint(240, 530)));

    // A picture that cannot be written is told over the editor, brought back before the box shows.
    std::optional<bool> minimisedAtBox;
    std::string told;
    AnsweredMessages boxes([&](const MessageRequest& request) {
        minimisedAtBox = editor.isMinimized();
        told = request.text;
        return MessageButton::Ok;
    });
    const CaptureOutputContext failing = rec.context(m_base + "/missing-folder", boxes);
    run(&editor, CaptureEntry::MinimiseFirst, failing, [&](CaptureWindow*) {
        dragFromTo({ 200, 500 }, { 240, 530 });
        releaseButton();
        doubleClickAt({ 220, 515 });
    });
    EXPECT_EQ(minimisedAtBox, std::optional<bool>(false));
    // The box gives the system's reason (the folder is missing), not a guess at it.
    EXPECT_EQ(told, texts::captureNotSaved(Error { ENOENT, {} }, (m_base + "/missing-folder").toStdString()));
    EXPECT_NE(told.find(errorSentence(Error { ENOENT, {} }, FileAction::Write)), std::string::npos) << told;
    EXPECT_EQ(rec.inserts.size(), 1) << "nothing more inserted";
}

// The output steps on their own: nothing is written or inserted without a picture or when
// the folder cannot take the file; otherwise the file is the picture and the insert gets it.
TEST(CaptureOutputSteps, WriteThenInsertOnlyWhenThereIsAPicture)
{
    const QString base = QStringLiteral(INKWELL_BINARY_DIR "/capture-e2e/output-steps");
    QDir(base).removeRecursively();
    QDir().mkpath(base);
    Recorder rec;

    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(runCaptureOutputSteps(rec.context(base)));

    const QImage picture = patternImage({ 7, 3 });
    QGuiApplication::clipboard()->setImage(picture);
    const Result<std::filesystem::path> unwritten
        = runCaptureOutputSteps(rec.context(base + "/missing-folder"));
    ASSERT_FALSE(unwritten.ok());
    EXPECT_EQ(unwritten.error().code, ENOENT) << unwritten.error().message;
    EXPECT_TRUE(rec.inserts.isEmpty());

    const Result<std::filesystem::path> written = runCaptureOutputSteps(rec.context(base));
    ASSERT_TRUE(written);
    const QString path = QString::fromStdString(written->string());
    EXPECT_EQ(rec.inserts, QStringList { path });
    EXPECT_EQ(QDir(base).entryList(QDir::Files), QStringList { QString::number(rec.next) + ".bmp" });
    QImage decoded(path, "BMP");
    EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(QFileInfo(path).size(), 54 + 4 * 7 * 3);
}

// The insert after the file is written: at ratio 1 the picture alone, exactly as always; from a
// scaled screen with the selection's logical size, so the picture shows as large as it was selected
// and as sharp as the screen.
TEST(CaptureOutputSteps, PictureFromAScaledScreenIsInsertedAtItsLogicalSize)
{
    const QString base = QStringLiteral(INKWELL_BINARY_DIR "/capture-e2e/output-markup");
    QDir(base).removeRecursively();
    QDir().mkpath(base);
    struct Case
    {
        qreal ratio;
        QSize device;
        std::optional<QSize> logical;
    };
    const Case cases[] = {
        { 1.0, { 7, 3 }, std::nullopt },
        { 2.0, { 402, 162 }, QSize(201, 81) },
        { 1.5, { 6, 3 }, QSize(4, 2) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ratio);
        Recorder rec;
        QGuiApplication::clipboard()->setImage(patternImage(c.device));
        const Result<std::filesystem::path> path = runCaptureOutputSteps(rec.context(base), c.ratio);
        ASSERT_TRUE(path);
        EXPECT_EQ(QImage(QString::fromStdString(path->string()), "BMP").size(), c.device)
            << "every device pixel is saved";
        EXPECT_EQ(rec.inserts, QStringList { QString::fromStdString(path->string()) });
        ASSERT_EQ(rec.sizes.size(), 1u);
        EXPECT_EQ(rec.sizes[0], c.logical);
    }
}

// The minimising command freezes the screen only once the editor is off it, and never
// waits without bound (a desktop without a window manager never hides it).
TEST(minimiseAndWaitHidden, WaitsForTheHideAndIsBounded)
{
    QWidget editor;
    editor.setGeometry(100, 100, 200, 100);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));

    // Something takes the window off the screen after 300 ms, as a window manager would.
    QElapsedTimer timer;
    timer.start();
    QTimer::singleShot(300, &editor, [&] { editor.hide(); });
    EXPECT_TRUE(minimiseAndWaitHidden(&editor, 3000));
    EXPECT_GE(timer.elapsed(), 300);
    EXPECT_LT(timer.elapsed(), 2000);

    // Nobody hides it (Xvfb has no window manager to do it): the wait gives up at its bound.
    editor.showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    timer.restart();
    const bool hidden = minimiseAndWaitHidden(&editor, 700);
    const qint64 waited = timer.elapsed();
    EXPECT_LT(waited, 1500);
    EXPECT_TRUE(hidden || waited >= 700) << "gave up early after " << waited << " ms";
}

} // namespace
} // namespace inkwell
