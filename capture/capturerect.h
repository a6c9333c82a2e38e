// Rectangles and points of capture mode, in screen pixels, with the normalising rule and
// the geometry of the eight selection handles.
#pragma once

#include <array>
#include <cstddef>

namespace inkwell {

struct CapturePoint
{
    int x = 0;
    int y = 0;
    friend bool operator==(const CapturePoint&, const CapturePoint&) = default;
};

// A selection rectangle; both corners are inclusive, so width = right - left + 1.
// During a drag it may be inverted (right < left or bottom < top).
struct CaptureRect
{
    int left = -1;
    int top = -1;
    int right = -1;
    int bottom = -1;
    friend bool operator==(const CaptureRect&, const CaptureRect&) = default;

    [[nodiscard]] int width() const { return right - left + 1; }
    [[nodiscard]] int height() const { return bottom - top + 1; }
    // Edges inclusive on all four sides.
    [[nodiscard]] bool contains(CapturePoint p) const
    {
        return left <= p.x && p.x <= right && top <= p.y && p.y <= bottom;
    }
};

// Swaps left/right when right < left and top/bottom when bottom < top.
[[nodiscard]] CaptureRect normalise(CaptureRect r);

// What a point of a fixed selection is over: one of the eight handles, the interior, or
// nothing. The handles come in the order of SelectionHandles.
enum class Handle
{
    None,
    TopLeft,
    TopMiddle,
    TopRight,
    LeftMiddle,
    RightMiddle,
    BottomLeft,
    BottomMiddle,
    BottomRight,
    Interior,
};

// The eight handles, index 0 holding Handle::TopLeft and index 7 Handle::BottomRight. Each is
// the square (cx - 2, cy - 2) to (cx + 2, cy + 2), all edges inclusive as a hit area (5 x 5);
// drawn, it covers (cx - 2, cy - 2) to (cx + 1, cy + 1).
using SelectionHandles = std::array<CaptureRect, 8>;

// The area of one of the eight handles (not None or Interior).
[[nodiscard]] inline const CaptureRect& handleArea(const SelectionHandles& handles, Handle handle)
{
    return handles[static_cast<std::size_t>(handle) - static_cast<std::size_t>(Handle::TopLeft)];
}

// Handles of the normalised selection; the middles truncate toward zero.
[[nodiscard]] SelectionHandles handlesOf(CaptureRect selection);

// The session works in the window's logical pixels, the frozen picture holds the screen's
// device pixels, `ratio` of them to a logical pixel. Logical pixel x covers the device
// pixels from round(x * ratio) up to, not including, round((x + 1) * ratio), so adjacent
// logical pixels never share or skip a device pixel, whatever the ratio.
[[nodiscard]] int toDevicePixels(int logical, double ratio);
[[nodiscard]] CapturePoint toDevicePixels(CapturePoint logical, double ratio);
// The device pixels the normalised selection covers, both corners inclusive.
[[nodiscard]] CaptureRect toDevicePixels(CaptureRect logical, double ratio);

} // namespace inkwell
