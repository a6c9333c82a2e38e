// Capture mode on a screen scaled by 2 (run with QT_SCALE_FACTOR=2 under Xvfb): the saved
// picture holds every device pixel of the selection, the overlay keeps its logical size,
// the readout shows the device pixel under the pointer and the page gets the picture at
// the selection's logical size. Screenshots go to <build>/capture-shots/hidpi-*.png.
#include "capture/capturecommand.h"
#include "capture/capturewindow.h"
#include "capture/infopanel.h"
#include "capture/overlayfont.h"
#include "capture/overlaypainter.h"
#include "capture/panelbackground.h"
#include "capturedriver.h"
#include "tests/support/eventually.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace inkwell {
namespace {

using namespace inkwell::testing;

const QRgb kHandle = qRgb(10, 100, 130);

// The whole X screen as `import` sees it, for a person to look at.
void rootShot(const QString& name)
{
    const QString dir = QStringLiteral(INKWELL_BINARY_DIR "/capture-shots");
    QDir().mkpath(dir);
    QTest::qWait(50); // time to repaint: the shot is for a person to look at, nothing checks it
    QProcess::execute(QStringLiteral("import"), { "-window", "root", dir + "/hidpi-" + name + ".png" });
}

TEST(CaptureOnAScaledScreen, SavesDevicePixelsAndInsertsAtLogicalSize)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "xdotool is needed to drive the window";
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run under X (xvfb-run)";
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_EQ(screen->devicePixelRatio(), 2.0) << "run with QT_SCALE_FACTOR=2";
    const QSize logical = screen->geometry().size();
    const QSize device = logical * 2;
    ASSERT_GE(logical.width(), 640);
    ASSERT_GE(logical.height(), 400);

    QImage pattern = patternImage(device);
    QImage shown = pattern;
    shown.setDevicePixelRatio(2.0);
    Backdrop backdrop(shown);
    backdrop.show();
    ASSERT_TRUE(inkwell::testing::eventually([&] {
        const QImage grab = screen->grabWindow(0).toImage();
        return grab.size() == device && grab.pixel(1001, 601) == patternAt(1001, 601);
    })) << "the backdrop never showed at device resolution";

    const QString base = QStringLiteral(INKWELL_BINARY_DIR "/capture-e2e/hidpi");
    QDir(base).removeRecursively();
    QDir().mkpath(base);
    QGuiApplication::clipboard()->clear();
    Recorder rec;
    // Device pixels (600, 400) to (1000, 560): logical (300, 200) to (500, 280).
    const bool shownWindow = runScripted(
        nullptr, CaptureEntry::KeepWindow, rec.context(base), [&](CaptureWindow* w) {
            EXPECT_EQ(w->ratio(), 2.0);
            EXPECT_EQ(w->geometry(), QRect(QPoint(0, 0), logical));
            EXPECT_EQ(w->panel()->geometry(), QRect(10, 10, 172, 146))
                << "the panel keeps its logical place and size";
            EXPECT_EQ(w->composed().size(), device);
            dragFromTo({ 600, 400 }, { 1000, 560 });
            EXPECT_EQ(w->session().selection(), (CaptureRect { 300, 200, 500, 280 }));
            // The frame's corner covers 2 x 2 device pixels; the info box frame, at logical
            // (500 + 8 - 3, 280 - 80 - 3), 2 device pixels wide.
            const QImage& c = w->composed();
            EXPECT_EQ(c.pixel(600, 400), kHandle);
            EXPECT_EQ(c.pixel(601, 401), kHandle);
            EXPECT_EQ(c.pixel(1010, 394), qRgb(0, 0, 0));
            EXPECT_EQ(c.pixel(1011, 395), qRgb(0, 0, 0));
            EXPECT_EQ(c.pixel(1012, 396), patternAt(1012, 396));
            rootShot("selecting");
            releaseButton();
            EXPECT_EQ(w->session().state(), CaptureState::Fixed);

            // The readout is the device pixel's: (801, 451) lies in logical pixel (400, 225)
            // beside (800, 450), which has another colour.
            ASSERT_NE(patternAt(801, 451), patternAt(800, 450));
            auto panelFor = [&](QRgb pixel) {
                QImage img;
                composePanel(img, 172, 146, makePanelBackground(2.0), PanelHelp::Fixed, pixel, overlayFont());
                return img;
            };
            moveTo({ 801, 451 });
            EXPECT_EQ(w->panel()->picture(), panelFor(patternAt(801, 451)));
            rootShot("fixed");
            doubleClickAt({ 800, 480 });
        });
    EXPECT_TRUE(shownWindow) << "the capture window never showed";

    const QRect region(600, 400, 402, 162);
    ASSERT_EQ(rec.pasted.size(), 1);
    EXPECT_TRUE(rec.inserts.isEmpty());
    const QString file = QString::number(rec.next) + ".bmp";
    EXPECT_EQ(rec.pasted[0], QStringLiteral(R"(<IMG src="%1" width="201" height="81">)").arg(file));
    QFile f(base + "/" + file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), 54 + 4 * region.width() * region.height());
    QImage decoded;
    ASSERT_TRUE(decoded.loadFromData(bytes, "BMP"));
    EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32), pattern.copy(region));
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), region.size());
}

} // namespace
} // namespace inkwell
