// Where the main window's strips, tab control and browser go for a given client size.
// All values are pixels in the window's client area.
#pragma once

namespace inkwell {

struct LayoutRect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

struct MainWindowLayout
{
    LayoutRect fileStrip; // 图片框2
    LayoutRect formatStrip; // 图片框1
    LayoutRect captureStrip; // 图片框3
    LayoutRect tabControl; // 高级选择夹1
};

// The strips keep their designed places; the third strip and the tab control take the rest of the
// width, the tab control the rest of the height. Below 541 x 51 the rest is empty: widths and
// heights never go negative.
[[nodiscard]] MainWindowLayout layoutMainWindow(int clientWidth, int clientHeight);

// The browser fills the design page exactly: the page is the tab control's area below its captions.
[[nodiscard]] LayoutRect browserRectInPage(int pageWidth, int pageHeight);

// The code editor keeps its designed place on the code page.
inline constexpr LayoutRect kCodeEditorRect { 8, 8, 800, 480 };

} // namespace inkwell
