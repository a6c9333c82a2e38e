#include "capture/capturerect.h"

#include <cmath>
#include <utility>

namespace inkwell {

CaptureRect normalise(CaptureRect r)
{
    if (r.right < r.left)
        std::swap(r.left, r.right);
    if (r.bottom < r.top)
        std::swap(r.top, r.bottom);
    return r;
}

SelectionHandles handlesOf(CaptureRect selection)
{
    const CaptureRect s = normalise(selection);
    // C++ integer division truncates toward zero, as the middles must for negative sums.
    const int mx = (s.left + s.right) / 2;
    const int my = (s.top + s.bottom) / 2;
    const std::array<CapturePoint, 8> centres { {
        { s.left, s.top },
        { mx, s.top },
        { s.right, s.top },
        { s.left, my },
        { s.right, my },
        { s.left, s.bottom },
        { mx, s.bottom },
        { s.right, s.bottom },
    } };
    SelectionHandles handles;
    for (std::size_t i = 0; i < centres.size(); ++i)
        handles[i] = { centres[i].x - 2, centres[i].y - 2, centres[i].x + 2, centres[i].y + 2 };
    return handles;
}

int toDevicePixels(int logical, double ratio)
{
    return static_cast<int>(std::lround(logical * ratio));
}

CapturePoint toDevicePixels(CapturePoint logical, double ratio)
{
    return { toDevicePixels(logical.x, ratio), toDevicePixels(logical.y, ratio) };
}

CaptureRect toDevicePixels(CaptureRect logical, double ratio)
{
    const CaptureRect s = normalise(logical);
    return { toDevicePixels(s.left, ratio), toDevicePixels(s.top, ratio),
        toDevicePixels(s.right + 1, ratio) - 1, toDevicePixels(s.bottom + 1, ratio) - 1 };
}

} // namespace inkwell
