// Overlay drawing on synthetic frozen pictures: frame and handle pixels exactly where they
// belong and nothing else touched; the info box's frame, placement and lines.
#include "capture/capturecursor.h"
#include "capture/infoboxlayout.h"
#include "capture/overlayfont.h"
#include "capture/overlaypainter.h"
#include "capture/panelbackground.h"
#include "capture/panellayout.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <set>

namespace inkwell {
namespace {

const QRgb kHandle = qRgb(10, 100, 130);

// Every pixel different from its neighbours and never the handle colour.
QImage patternPicture(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(200 + (x % 50), (y * 3) & 0xFF, (x + y) & 0x3F));
    return img;
}

using PixelSet = std::set<std::pair<int, int>>;

// Pixels of frame and handles of a normalised selection, written out from the rules:
// frame on columns left..right of rows top and bottom and rows top..bottom of columns left
// and right; each handle 4 x 4 from (cx - 2, cy - 2).
PixelSet overlayPixels(CaptureRect s)
{
    PixelSet px;
    for (int x = s.left; x <= s.right; ++x) {
        px.insert({ x, s.top });
        px.insert({ x, s.bottom });
    }
    for (int y = s.top; y <= s.bottom; ++y) {
        px.insert({ s.left, y });
        px.insert({ s.right, y });
    }
    const int mx = (s.left + s.right) / 2, my = (s.top + s.bottom) / 2;
    const int cx[] = { s.left, mx, s.right, s.left, s.right, s.left, mx, s.right };
    const int cy[] = { s.top, s.top, s.top, my, my, s.bottom, s.bottom, s.bottom };
    for (int i = 0; i < 8; ++i)
        for (int dx = -2; dx <= 1; ++dx)
            for (int dy = -2; dy <= 1; ++dy)
                px.insert({ cx[i] + dx, cy[i] + dy });
    return px;
}

TEST(composeCapture, FrameAndHandlesExactlyAndNothingElse)
{
    struct Case
    {
        const char* name;
        CaptureRect drawn; // as the session holds it
        CaptureRect normalised;
    };
    const Case cases[] = {
        { "inverted", { 60, 40, 20, 10 }, { 20, 10, 60, 40 } },
        { "odd_sizes", { 5, 7, 106, 80 }, { 5, 7, 106, 80 } },
        { "partly_off_top_left", { -30, -8, 50, 30 }, { -30, -8, 50, 30 } },
        { "partly_off_bottom_right", { 150, 100, 260, 170 }, { 150, 100, 260, 170 } },
        { "one_pixel", { 70, 70, 70, 70 }, { 70, 70, 70, 70 } },
        // The state at entry: only the overlapping handles' corner pixel (0, 0) shows.
        { "entry_state", { -1, -1, -1, -1 }, { -1, -1, -1, -1 } },
    };
    const QImage frozen = patternPicture(200, 150);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage out;
        composeCapture(out, frozen, c.drawn, std::nullopt, OverlayColours {}, overlayFont());
        ASSERT_EQ(out.size(), frozen.size());
        const PixelSet overlay = overlayPixels(c.normalised);
        int wrong = 0;
        for (int y = 0; y < frozen.height() && wrong < 5; ++y) {
            for (int x = 0; x < frozen.width() && wrong < 5; ++x) {
                const QRgb want = overlay.count({ x, y }) ? kHandle : frozen.pixel(x, y);
                if (out.pixel(x, y) != want) {
                    ++wrong;
                    ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << out.pixel(x, y)
                                  << " want " << want;
                }
            }
        }
    }
    // The frozen picture itself is never drawn on.
    EXPECT_EQ(frozen, patternPicture(200, 150));
}

// Pixels that differ from the frozen picture.
QRect changedArea(const QImage& a, const QImage& b)
{
    QRect area;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

TEST(composeCapture, InfoBoxFramedBesideThePointerAndOnlyThere)
{
    struct Case
    {
        CapturePoint pointer;
        QPoint origin; // top-left of the text
    };
    // On a 400 x 300 picture: right of the pointer and above it in the middle, left of it
    // beyond x = 330, below it above y = 84.
    const Case cases[] = {
        { { 200, 200 }, { 208, 120 } },
        { { 331, 200 }, { 267, 120 } },
        { { 200, 83 }, { 208, 91 } },
        { { 399, 0 }, { 335, 8 } },
    };
    QImage white(400, 300, QImage::Format_RGB32);
    white.fill(Qt::white);
    // A selection wholly off the picture (short numbers, so the text fits the box), so that
    // only the info box changes pixels.
    const CaptureRect off { -9, -9, -5, -5 };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.pointer.x) + "," + std::to_string(c.pointer.y));
        QImage out;
        composeCapture(out, white, off, c.pointer, OverlayColours {}, overlayFont());
        const QRect frame(c.origin - QPoint(3, 3), c.origin + QPoint(54, 74));
        EXPECT_EQ(changedArea(out, white), frame);
        // The frame is black all round, one pixel wide; inside, text is black on the picture.
        for (int x = frame.left(); x <= frame.right(); ++x) {
            ASSERT_EQ(out.pixel(x, frame.top()), qRgb(0, 0, 0));
            ASSERT_EQ(out.pixel(x, frame.bottom()), qRgb(0, 0, 0));
        }
        for (int y = frame.top(); y <= frame.bottom(); ++y) {
            ASSERT_EQ(out.pixel(frame.left(), y), qRgb(0, 0, 0));
            ASSERT_EQ(out.pixel(frame.right(), y), qRgb(0, 0, 0));
        }
        EXPECT_EQ(out.pixel(frame.left() + 1, frame.top() + 1), qRgb(255, 255, 255))
            << "the box is not filled";
    }
}

// The lines of the box as drawn: line k is the cell text at (x, y + 12k).
QImage renderLine(const QString& text)
{
    QImage img(60, 12, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setFont(overlayFont());
    p.setPen(Qt::black);
    drawOverlayLine(p, QPoint(0, 0), text);
    p.end();
    return img.copy(0, 0, 54, 10);
}

TEST(composeCapture, SizeLineDropsTheParenthesisFrom1000)
{
    QImage white(1400, 300, QImage::Format_RGB32);
    white.fill(Qt::white);
    const CapturePoint pointer { 500, 200 }; // text at (508, 120)
    for (int right : { 998, 999 }) { // widths 999 and 1000
        QImage out;
        composeCapture(out, white, { 0, -100, right, -91 }, pointer, OverlayColours {}, overlayFont());
        // Inside the frame (which is column 54) and above the next line's tallest glyphs.
        const QImage line3 = out.copy(508, 120 + 36, 54, 10);
        const QString width = QString::number(right + 1);
        const QImage with = renderLine("(" + width + ",10)");
        const QImage without = renderLine("(" + width + ",10");
        if (right + 1 >= 1000) {
            EXPECT_EQ(line3, without) << width.toStdString();
            EXPECT_NE(line3, with) << width.toStdString();
        } else {
            EXPECT_EQ(line3, with) << width.toStdString();
            EXPECT_NE(line3, without) << width.toStdString();
        }
    }
}

// On a screen scaled by 2 the overlay keeps its logical size: frame, handles and info box
// frame are the ratio-1 drawing scaled up pixel for pixel, over the frozen picture's own
// device pixels. Only the text differs: it reports device pixels and is drawn at the
// device resolution, not enlarged.
TEST(composeCapture, RatioTwoIsTheRatioOneDrawingScaledUp)
{
    const QImage frozen1 = patternPicture(300, 200);
    QImage frozen2 = frozen1.scaled(600, 400, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    frozen2.setDevicePixelRatio(2.0);
    const CaptureRect selection { 140, 90, 40, 30 }; // as drawn, bottom right to top left
    const CapturePoint pointer { 150, 150 }; // text at (158, 70)

    QImage out1, out2;
    composeCapture(out1, frozen1, selection, pointer, OverlayColours {}, overlayFont());
    composeCapture(out2, frozen2, selection, pointer, OverlayColours {}, overlayFont());
    ASSERT_EQ(out2.size(), QSize(600, 400));
    EXPECT_EQ(out2.devicePixelRatio(), 2.0);

    QImage expected = out1.scaled(600, 400, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    expected.setDevicePixelRatio(2.0);
    {
        // Inside the info box frame: the frozen picture with the device-pixel lines.
        QPainter p(&expected);
        const QRect inside(QPoint(158 - 2, 70 - 2), QPoint(158 + 53, 70 + 73));
        p.drawImage(QRectF(inside), frozen2, QRectF(QRect(inside.topLeft() * 2, inside.size() * 2)));
        p.setFont(overlayFont());
        p.setPen(Qt::black);
        const char* lines[] = { "顶点位置", "(80,60)", "矩形大小", "(202,122)", "光标坐标", "(300,300)" };
        for (int k = 0; k < 6; ++k)
            drawOverlayLine(p, QPoint(158, 70 + 12 * k), QString::fromUtf8(lines[k]));
    }
    const QRect diff = changedArea(out2, expected);
    EXPECT_TRUE(diff.isNull()) << "differs in " << diff.x() << "," << diff.y() << " " << diff.width() << "x"
                               << diff.height();
    // A handle is 8 x 8 device pixels (4 x 4 logical): the top-left handle from (38, 28) logical.
    EXPECT_EQ(out2.pixel(76, 56), kHandle);
    EXPECT_EQ(out2.pixel(83, 63), kHandle);
    EXPECT_NE(out2.pixel(84, 64), kHandle);
    // The frame is one logical pixel wide: two device rows of the top edge at x = 60.
    EXPECT_EQ(out2.pixel(120, 60), kHandle);
    EXPECT_EQ(out2.pixel(121, 61), kHandle);
    EXPECT_NE(out2.pixel(120, 62), kHandle);
}

// The panel keeps its logical size and is drawn at the screen's resolution.
TEST(composePanel, RatioTwoPanelHasTheLogicalSizeInDevicePixels)
{
    QImage panel;
    composePanel(panel, 172, 146, makePanelBackground(2.0), PanelHelp::Idle, qRgb(5, 45, 255), overlayFont());
    ASSERT_EQ(panel.size(), QSize(344, 292));
    EXPECT_EQ(panel.devicePixelRatio(), 2.0);
    EXPECT_EQ(panel.deviceIndependentSize(), QSizeF(172, 146));
    // The grey border is one logical pixel: two device pixels on every side.
    const QRgb grey = qRgb(114, 114, 114);
    for (const QPoint p : { QPoint(0, 100), QPoint(1, 100), QPoint(343, 100), QPoint(342, 100),
             QPoint(100, 291), QPoint(100, 290) })
        EXPECT_EQ(panel.pixel(p), grey) << p.x() << "," << p.y();
    EXPECT_NE(panel.pixel(2, 100), grey);
}

TEST(composePanel, BackgroundReadoutAndHelpLinesInWhite)
{
    const QImage background = makePanelBackground();
    ASSERT_EQ(background.size(), QSize(174, 147));
    EXPECT_EQ(background.pixel(0, 0), qRgb(114, 114, 114)); // grey border
    EXPECT_EQ(background.pixel(171, 145), qRgb(114, 114, 114));

    QImage idle, fixed, other;
    composePanel(idle, 172, 146, background, PanelHelp::Idle, kHandle, overlayFont());
    composePanel(fixed, 172, 146, background, PanelHelp::Fixed, kHandle, overlayFont());
    composePanel(other, 172, 146, background, PanelHelp::Idle, qRgb(10, 100, 131), overlayFont());
    ASSERT_EQ(idle.size(), QSize(172, 146));
    // The header band above y = 30 is the background's own.
    EXPECT_EQ(idle.copy(0, 0, 172, 30), background.copy(0, 0, 172, 30).convertToFormat(QImage::Format_RGB32));
    // The readout line changes with the colour and only there.
    EXPECT_EQ(changedArea(idle, other).intersected(QRect(0, 0, 172, 30)), QRect());
    EXPECT_TRUE(QRect(5, 30, 162, 12).contains(changedArea(idle, other)));
    EXPECT_FALSE(changedArea(idle, other).isEmpty());
    // The idle help ends at y = 98, the fixed help runs on to 132.
    EXPECT_FALSE(changedArea(idle, fixed).intersected(QRect(5, 120, 162, 12)).isEmpty());
    EXPECT_TRUE(changedArea(background.copy(0, 0, 172, 146).convertToFormat(QImage::Format_RGB32), idle)
                    .intersected(QRect(5, 100, 162, 46))
                    .isEmpty())
        << "nothing is drawn below the idle help lines";
}

TEST(composePanel, CachedComposerDrawsTheSamePixels)
{
    PanelComposer composer(makePanelBackground(), overlayFont());
    // States in an order that revisits each cached base with another readout.
    const std::pair<PanelHelp, QRgb> runs[] = { { PanelHelp::Idle, qRgb(1, 2, 3) },
        { PanelHelp::Selecting, qRgb(255, 0, 99) }, { PanelHelp::Fixed, kHandle },
        { PanelHelp::Idle, qRgb(200, 100, 0) }, { PanelHelp::Fixed, qRgb(7, 77, 177) } };
    for (auto [help, pixel] : runs) {
        QImage cached, direct;
        composer.compose(cached, 172, 146, help, pixel);
        composePanel(direct, 172, 146, makePanelBackground(), help, pixel, overlayFont());
        EXPECT_EQ(cached, direct) << static_cast<int>(help) << " " << std::hex << pixel;
    }
}

TEST(CaptureCursor, ArrowWithItsTipAtTheHotSpot)
{
    const QImage arrow = captureCursorImage();
    ASSERT_EQ(arrow.size(), QSize(32, 32));
    EXPECT_GT(qAlpha(arrow.pixel(0, 0)), 128) << "the tip is the hot spot";
    EXPECT_EQ(qAlpha(arrow.pixel(31, 31)), 0);
    EXPECT_EQ(qAlpha(arrow.pixel(31, 0)), 0);
    EXPECT_EQ(captureCursor().hotSpot(), QPoint(0, 0));
    // The fill has more than one colour.
    EXPECT_NE(arrow.pixel(3, 8), arrow.pixel(6, 18));
}

TEST(overlayWrap, BreaksBetweenWideCharactersKeepingNarrowRuns)
{
    EXPECT_EQ(overlayTextWidth(QString::fromUtf8("·当前像素RGB(  5, 45,255)")), 156);
    EXPECT_EQ(overlayWrap(QString::fromUtf8("·用鼠标左键调整截取范围的大小和位置"), 162),
        (QStringList { QString::fromUtf8("·用鼠标左键调整截取范围的"), QString::fromUtf8("大小和位置") }));
    EXPECT_EQ(overlayWrap(QString::fromUtf8("·按'ESC'键或鼠标右键退出"), 60),
        (QStringList {
            QString::fromUtf8("·按'ESC'"), QString::fromUtf8("键或鼠标右"), QString::fromUtf8("键退出") }));
}

} // namespace
} // namespace inkwell
