// The overlay's layout rules: info box placement and lines, panel readout, help lines and
// the side the panel jumps to.
#include "capture/infoboxlayout.h"
#include "capture/panellayout.h"

#include <gtest/gtest.h>

namespace inkwell {
namespace {

TEST(InfoBoxLayout, PlacementNearRightAndTopEdges)
{
    struct Case
    {
        CapturePoint pointer;
        CapturePoint origin;
    };
    // 1280 wide: the box flips to the left once x > 1210, and below once y < 84.
    const Case cases[] = {
        { { 500, 400 }, { 508, 320 } },
        { { 1210, 400 }, { 1218, 320 } },
        { { 1211, 400 }, { 1147, 320 } },
        { { 500, 84 }, { 508, 4 } },
        { { 500, 83 }, { 508, 91 } },
        { { 1279, 0 }, { 1215, 8 } },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(infoBoxOrigin(c.pointer, 1280), c.origin) << c.pointer.x << "," << c.pointer.y;
    }
    EXPECT_EQ(infoBoxFrame({ 508, 320 }), (CaptureRect { 505, 317, 562, 394 }));
}

TEST(InfoBoxLayout, LinesAreNormalisedWithTheParenthesisRule)
{
    struct Case
    {
        CaptureRect selection;
        CapturePoint pointer;
        std::array<std::string, 6> lines;
    };
    const Case cases[] = {
        // Drawn from bottom right to top left: the box shows the normalised values.
        { { 300, 200, 100, 50 }, { 100, 50 },
            { "顶点位置", "(100,50)", "矩形大小", "(201,151)", "光标坐标", "(100,50)" } },
        { { 0, 0, 998, 9 }, { 999, 9 },
            { "顶点位置", "(0,0)", "矩形大小", "(999,10)", "光标坐标", "(999,9)" } },
        { { 0, 0, 999, 9 }, { 1000, 9 },
            { "顶点位置", "(0,0)", "矩形大小", "(1000,10", "光标坐标", "(1000,9" } },
        // The height has no such rule.
        { { 0, 0, 9, 1199 }, { 5, 1199 },
            { "顶点位置", "(0,0)", "矩形大小", "(10,1200)", "光标坐标", "(5,1199)" } },
        // Dragged partly off the screen: negative corner.
        { { -40, -7, 60, 50 }, { 10, 10 },
            { "顶点位置", "(-40,-7)", "矩形大小", "(101,58)", "光标坐标", "(10,10)" } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(infoBoxLines(c.selection, c.pointer), c.lines);
}

// On a scaled screen the box reports the picture that will be saved: device pixels.
TEST(InfoBoxLayout, LinesReportDevicePixelsOnAScaledScreen)
{
    struct Case
    {
        double ratio;
        CaptureRect selection;
        CapturePoint pointer;
        std::array<std::string, 6> lines;
    };
    const Case cases[] = {
        { 2.0, { 300, 200, 500, 240 }, { 500, 240 },
            { "顶点位置", "(600,400)", "矩形大小", "(402,82)", "光标坐标", "(1000,480" } },
        // Normalised before scaling; the parenthesis rule looks at the device numbers.
        { 2.0, { 499, 9, 0, 0 }, { 499, 9 },
            { "顶点位置", "(0,0)", "矩形大小", "(1000,20", "光标坐标", "(998,18)" } },
        { 2.0, { -5, -1, 4, 3 }, { -5, -1 },
            { "顶点位置", "(-10,-2)", "矩形大小", "(20,10)", "光标坐标", "(-10,-2)" } },
        // 1.5: the size is what the rounded edges enclose, not a rounded product.
        { 1.5, { 1, 1, 2, 2 }, { 1, 2 }, { "顶点位置", "(2,2)", "矩形大小", "(3,3)", "光标坐标", "(2,3)" } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(infoBoxLines(c.selection, c.pointer, c.ratio), c.lines) << c.ratio;
}

// Logical pixels tile the device pixels: no device pixel is shared or skipped.
TEST(DevicePixels, AdjacentLogicalPixelsTileTheDevicePixels)
{
    struct Case
    {
        double ratio;
        CaptureRect logical;
        CaptureRect device;
    };
    const Case cases[] = {
        { 1.0, { 3, 4, 10, 20 }, { 3, 4, 10, 20 } },
        { 2.0, { 3, 4, 10, 20 }, { 6, 8, 21, 41 } },
        { 2.0, { 10, 20, 3, 4 }, { 6, 8, 21, 41 } },
        { 2.0, { 0, 0, 0, 0 }, { 0, 0, 1, 1 } },
        { 1.25, { 1, 1, 4, 4 }, { 1, 1, 5, 5 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(toDevicePixels(c.logical, c.ratio), c.device) << c.ratio;
    for (double ratio : { 1.0, 1.25, 1.5, 1.75, 2.0, 3.0 }) {
        for (int x = -5; x < 200; ++x) {
            const CaptureRect a = toDevicePixels(CaptureRect { x, 0, x, 0 }, ratio);
            const CaptureRect b = toDevicePixels(CaptureRect { x + 1, 0, x + 1, 0 }, ratio);
            ASSERT_EQ(a.right + 1, b.left) << ratio << " at " << x;
            ASSERT_GE(a.width(), 1) << ratio << " at " << x;
        }
    }
}

TEST(PanelLayout, ReadoutPadsEachNumberToThreeCharacters)
{
    EXPECT_EQ(colourReadout(5, 45, 255), "·当前像素RGB(  5, 45,255)");
    EXPECT_EQ(colourReadout(10, 100, 130), "·当前像素RGB( 10,100,130)");
    EXPECT_EQ(colourReadout(0, 0, 0), "·当前像素RGB(  0,  0,  0)");
}

TEST(PanelLayout, HelpLinesOfEachState)
{
    using L = std::vector<PanelLine>;
    const std::string rgb = "·当前像素RGB(  1,  2,  3)";
    EXPECT_EQ(panelLines(PanelHelp::Idle, 1, 2, 3, 172),
        (L { { { 5, 30, 167, 42 }, rgb }, { { 5, 52, 167, 76 }, "·按下鼠标左键不放选择截取范围" },
            { { 5, 86, 167, 98 }, "·按'ESC'键或鼠标右键退出" } }));
    EXPECT_EQ(panelLines(PanelHelp::Selecting, 1, 2, 3, 172),
        (L { { { 5, 30, 167, 42 }, rgb }, { { 5, 52, 167, 64 }, "·松开鼠标左键确定截取范围" },
            { { 5, 74, 167, 86 }, "·按'ESC'键退出" } }));
    EXPECT_EQ(panelLines(PanelHelp::Fixed, 1, 2, 3, 100),
        (L { { { 5, 30, 95, 42 }, rgb }, { { 5, 52, 95, 76 }, "·用鼠标左键调整截取范围的大小和位置" },
            { { 5, 86, 95, 110 }, "·截取范围内双击鼠标左键保存图像，结束操作" },
            { { 5, 120, 95, 132 }, "·点击鼠标右键重新选择" } }));
}

TEST(PanelLayout, JumpsAwayAtTheExactHalf)
{
    struct Case
    {
        int x, screen, left;
    };
    const Case cases[] = {
        { 682, 1365, 1365 - 172 - 8 }, // 682 < 682.5: pointer on the left, panel to the right
        { 683, 1365, 8 },
        { 639, 1280, 1100 },
        { 640, 1280, 8 },
        { 0, 1280, 1100 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(panelLeftAway(c.x, c.screen, 172), c.left) << c.x << " on " << c.screen;
}

} // namespace
} // namespace inkwell
