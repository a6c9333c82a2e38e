#include "app/mainwindowlayout.h"

#include <algorithm>

namespace inkwell {

MainWindowLayout layoutMainWindow(int clientWidth, int clientHeight)
{
    MainWindowLayout layout;
    layout.fileStrip = { 0, 0, 110, 50 };
    layout.formatStrip = { 111, 0, 430, 50 };
    const int thirdLeft = layout.formatStrip.left + layout.formatStrip.width;
    layout.captureStrip = { thirdLeft, 0, std::max(0, clientWidth - thirdLeft), 50 };
    layout.tabControl = { 0, 51, std::max(0, clientWidth), std::max(0, clientHeight - 51) };
    return layout;
}

LayoutRect browserRectInPage(int pageWidth, int pageHeight)
{
    return { 0, 0, std::max(0, pageWidth), std::max(0, pageHeight) };
}

} // namespace inkwell
