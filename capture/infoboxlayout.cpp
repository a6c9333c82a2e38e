#include "capture/infoboxlayout.h"

namespace inkwell {

CapturePoint infoBoxOrigin(CapturePoint pointer, int screenWidth)
{
    const int x = pointer.x > screenWidth - 70 ? pointer.x - 64 : pointer.x + 8;
    const int y = pointer.y >= 84 ? pointer.y - 80 : pointer.y + 8;
    return { x, y };
}

CaptureRect infoBoxFrame(CapturePoint origin)
{
    return { origin.x - 3, origin.y - 3, origin.x + 54, origin.y + 74 };
}

std::array<std::string, 6> infoBoxLines(CaptureRect selection, CapturePoint logicalPointer, double ratio)
{
    const CaptureRect s = toDevicePixels(selection, ratio);
    const CapturePoint pointer = toDevicePixels(logicalPointer, ratio);
    const int w = s.width();
    const int h = s.height();
    auto pair = [](int a, int b) {
        std::string text(1, '(');
        text += std::to_string(a);
        text += ',';
        text += std::to_string(b);
        return text;
    };
    return {
        "顶点位置",
        pair(s.left, s.top) + ")",
        "矩形大小",
        pair(w, h) + (w >= 1000 ? "" : ")"),
        "光标坐标",
        pair(pointer.x, pointer.y) + (pointer.x >= 1000 ? "" : ")"),
    };
}

} // namespace inkwell
