// Capture where the screen picture comes from the desktop's screenshot portal: a private
// session bus (dbus-daemon started here) with a fake portal that answers with a known PNG,
// refuses, or is not there at all. Run under X with INKWELL_CAPTURE_PORTAL=1, so the portal
// is asked although X could give the picture itself.
#include "capture/capturecommand.h"
#include "capture/capturewindow.h"
#include "capturedriver.h"
#include "tests/support/eventually.h"
#include "tests/support/namedpipe.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

using namespace inkwell::testing;

// Unlike the screen's pattern, so a picture from the screen cannot pass for the portal's.
QRgb portalPixel(int x, int y)
{
    return qRgb((x * 3) & 0xFF, 30 + (y % 200), (x ^ y) & 0x7F);
}

class CaptureThroughPortal : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_base = QStringLiteral(INKWELL_BINARY_DIR "/capture-e2e/portal");
        QDir(s_base).removeRecursively();
        QDir().mkpath(s_base + "/tmp");
        s_bus = new QProcess;
        s_bus->start(QStringLiteral("dbus-daemon"), { "--session", "--nofork", "--print-address=1" });
        if (s_bus->waitForStarted(5000) && s_bus->waitForReadyRead(5000))
            s_address = QString::fromUtf8(s_bus->readLine()).trimmed();
        // Read by the portal adapter for every request, and by the fake portal.
        qputenv("DBUS_SESSION_BUS_ADDRESS", s_address.toUtf8());

        const QSize device = QGuiApplication::primaryScreen()->geometry().size()
            * QGuiApplication::primaryScreen()->devicePixelRatio();
        s_png = QImage(device, QImage::Format_RGB32);
        for (int y = 0; y < device.height(); ++y)
            for (int x = 0; x < device.width(); ++x)
                s_png.setPixel(x, y, portalPixel(x, y));
        s_png.save(s_base + "/desktop.png", "PNG");
    }
    static void TearDownTestSuite()
    {
        if (s_bus) {
            s_bus->kill();
            s_bus->waitForFinished(3000);
        }
        delete s_bus;
        s_bus = nullptr;
    }

    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "xdotool is needed to drive the window";
        ASSERT_FALSE(s_address.isEmpty()) << "dbus-daemon did not start";
        ASSERT_EQ(qEnvironmentVariable("INKWELL_CAPTURE_PORTAL"), QStringLiteral("1"));
        QDir(s_base + "/tmp").removeRecursively();
        QDir().mkpath(s_base + "/tmp");
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override
    {
        if (m_portal.state() != QProcess::NotRunning) {
            m_portal.kill();
            m_portal.waitForFinished(3000);
        }
    }

    // Starts the fake portal and waits until it owns the portal's name.
    void startPortal(const QStringList& args)
    {
        m_portal.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_portal.start(QStringLiteral(INKWELL_FAKE_PORTAL), args);
        ASSERT_TRUE(m_portal.waitForStarted(5000));
        ASSERT_TRUE(inkwell::testing::eventually([&] { return m_portal.readAll().contains("ready"); }, 5000));
    }

    // Runs a capture command; every message box that shows is recorded and closed.
    QStringList runAnsweringBoxes(QWidget* editor, CaptureEntry entry, const CaptureOutputContext& ctx,
        const std::function<void(CaptureWindow*)>& script, bool* windowShown)
    {
        QStringList boxes;
        QTimer closer;
        closer.setInterval(50);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    boxes << box->windowTitle() + ":" + box->text();
                    box->close();
                }
            }
        });
        closer.start();
        *windowShown = runScripted(editor, entry, ctx, script);
        return boxes;
    }

    static inline QProcess* s_bus = nullptr;
    static inline QString s_address;
    static inline QString s_base;
    static inline QImage s_png;
    QProcess m_portal;
};

TEST_F(CaptureThroughPortal, AnsweredPortalPictureIsWhatCaptureShowsAndSaves)
{
    startPortal({ "answer", s_base + "/desktop.png" });
    Recorder rec;
    QWidget editor;
    editor.setGeometry(600, 500, 200, 100);
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    const QRect region(QPoint(100, 120), QPoint(260, 200));
    bool shown = false;
    const QStringList boxes = runAnsweringBoxes(
        &editor, CaptureEntry::MinimiseFirst, rec.context(s_base + "/tmp"),
        [&](CaptureWindow* w) {
            // The editor was hidden before the portal was asked, and the window shows the
            // portal's picture.
            EXPECT_TRUE(editor.isMinimized());
            EXPECT_EQ(w->composed().pixel(700, 550), portalPixel(700, 550));
            dragFromTo(region.topLeft(), region.bottomRight());
            releaseButton();
            doubleClickAt(region.center());
        },
        &shown);
    EXPECT_TRUE(shown) << "no capture window over the portal's picture";
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join("; ").toStdString();
    EXPECT_TRUE(m_portal.readAll().contains("interactive=false")) << "the request must not ask for a dialog";
    ASSERT_EQ(rec.inserts.size(), 1);
    QImage saved(rec.inserts[0], "BMP");
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), s_png.copy(region));
    EXPECT_FALSE(editor.isMinimized()) << "restored after the output";
}

// Refused by the user, no portal on the bus, or a portal that names something other than a picture
// file (a named pipe, which a plain open would wait on for ever): the message, no capture window, no
// file, and no wait.
TEST_F(CaptureThroughPortal, RefusedMissingOrUnreadablePortalGivesTheMessageAndNoFile)
{
    const std::filesystem::path pipe = (s_base + "/desktop-pipe.png").toStdString();
    std::filesystem::remove(pipe);
    ASSERT_TRUE(makeNamedPipe(pipe));
    const struct
    {
        const char* name;
        QStringList portalArgs; // empty: no portal
    } cases[] = {
        { "portal naming a named pipe", { "answer", QString::fromStdString(pipe.string()) } },
        { "refusing portal", { "refuse" } },
        { "no portal", {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.portalArgs.isEmpty())
            startPortal(c.portalArgs);
        // A reader stuck opening the pipe is let go after this, so a fault shows as a slow run.
        PipeWaitGuard guard(pipe, std::chrono::seconds(10));
        Recorder rec;
        bool shown = false;
        QElapsedTimer clock;
        clock.start();
        const QStringList boxes = runAnsweringBoxes(
            nullptr, CaptureEntry::KeepWindow, rec.context(s_base + "/tmp"), [](CaptureWindow*) {}, &shown);
        EXPECT_LT(clock.elapsed(), 8000) << "the capture waited on the named pipe";
        EXPECT_FALSE(shown);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("提示:无法取得屏幕图像"))) << boxes[0].toStdString();
        EXPECT_TRUE(rec.inserts.isEmpty());
        EXPECT_TRUE(rec.pasted.isEmpty());
        EXPECT_TRUE(QDir(s_base + "/tmp").isEmpty());
        TearDown();
    }
}

} // namespace
} // namespace inkwell
