// Rectangles and points of capture mode, in screen pixels, with the normalising rule and
// the geometry of the eight selection handles.
#pragma once

#include <array>

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
[[nodiscard]] CaptureRect Normalise(CaptureRect r);

// Handles are numbered 1-8: 1 top left, 2 top middle, 3 top right, 4 left middle,
// 5 right middle, 6 bottom left, 7 bottom middle, 8 bottom right. Index 0 of the array
// holds handle 1. Each is the square (cx - 2, cy - 2) to (cx + 2, cy + 2), all edges
// inclusive as a hit area (5 x 5); drawn, it covers (cx - 2, cy - 2) to (cx + 1, cy + 1).
using SelectionHandles = std::array<CaptureRect, 8>;

// Handles of the normalised selection; the middles truncate toward zero.
[[nodiscard]] SelectionHandles HandlesOf(CaptureRect selection);

// The session works in the window's logical pixels, the frozen picture holds the screen's
// device pixels, `ratio` of them to a logical pixel. Logical pixel x covers the device
// pixels from round(x * ratio) up to, not including, round((x + 1) * ratio), so adjacent
// logical pixels never share or skip a device pixel, whatever the ratio.
[[nodiscard]] int ToDevicePixels(int logical, double ratio);
[[nodiscard]] CapturePoint ToDevicePixels(CapturePoint logical, double ratio);
// The device pixels the normalised selection covers, both corners inclusive.
[[nodiscard]] CaptureRect ToDevicePixels(CaptureRect logical, double ratio);
