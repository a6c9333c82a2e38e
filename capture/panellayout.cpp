#include "capture/panellayout.h"

namespace inkwell {
namespace {

std::string pad3(int value)
{
    const std::string s = "  " + std::to_string(value);
    return s.substr(s.size() - 3);
}

} // namespace

std::string colourReadout(int red, int green, int blue)
{
    return "·当前像素RGB(" + pad3(red) + "," + pad3(green) + "," + pad3(blue) + ")";
}

std::vector<PanelLine> panelLines(PanelHelp help, int red, int green, int blue, int panelWidth)
{
    const int right = panelWidth - 5;
    std::vector<PanelLine> lines { { { 5, 30, right, 42 }, colourReadout(red, green, blue) } };
    switch (help) {
    case PanelHelp::Fixed:
        lines.push_back({ { 5, 52, right, 76 }, "·用鼠标左键调整截取范围的大小和位置" });
        lines.push_back({ { 5, 86, right, 110 }, "·截取范围内双击鼠标左键保存图像，结束操作" });
        lines.push_back({ { 5, 120, right, 132 }, "·点击鼠标右键重新选择" });
        break;
    case PanelHelp::Selecting:
        lines.push_back({ { 5, 52, right, 64 }, "·松开鼠标左键确定截取范围" });
        lines.push_back({ { 5, 74, right, 86 }, "·按'ESC'键退出" });
        break;
    case PanelHelp::Idle:
        lines.push_back({ { 5, 52, right, 76 }, "·按下鼠标左键不放选择截取范围" });
        lines.push_back({ { 5, 86, right, 98 }, "·按'ESC'键或鼠标右键退出" });
        break;
    }
    return lines;
}

int panelLeftAway(int pointerX, int screenWidth, int panelWidth)
{
    // pointerX < screenWidth / 2 in exact arithmetic: on 1365 pixels 682 is left, 683 right.
    return 2 * pointerX < screenWidth ? screenWidth - panelWidth - 8 : 8;
}

} // namespace inkwell
