// Random event sequences against the capture session: the commit region always lies on
// the screen, nothing happens after the close, and the flags never contradict each other.
#include "capture/capturesession.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // Small screens make overlapping handles and off-screen drags common.
    const int width = 1 + data[0] % 64;
    const int height = 1 + data[1] % 64;
    CaptureSession s(width, height);
    bool committed = false;
    for (std::size_t i = 2; i + 3 <= size; i += 3) {
        const bool wasFixed = s.selectionFixed();
        const bool wasClosed = s.closed();
        // Positions reach a little beyond the screen on every side.
        const CapturePoint p { static_cast<std::int8_t>(data[i + 1]) % (width + 16),
            static_cast<std::int8_t>(data[i + 2]) % (height + 16) };
        CaptureActions actions;
        const int kind = data[i] % 9;
        switch (kind) {
        case 0:
            actions = s.press(p);
            break;
        case 1:
        case 2:
            actions = s.move(p);
            break;
        case 3:
            actions = s.release(p);
            break;
        case 4:
            actions = s.doubleClick(p);
            break;
        case 5:
            actions = s.rightRelease(p);
            break;
        case 6:
            actions = s.keyPress(kCaptureKeyEscape, data[i + 1] % 2 ? 0 : data[i + 2] % 8);
            break;
        case 7:
            actions = s.closeRequested().actions;
            break;
        default:
            actions = s.repaint(p);
            break;
        }
        if (wasClosed)
            Check(actions.empty());
        for (std::size_t k = 0; k < actions.size(); ++k) {
            const CaptureAction& a = actions[k];
            if (a.kind == CaptureActionKind::Close)
                Check(k + 1 == actions.size());
            if (a.kind == CaptureActionKind::Commit) {
                Check(kind == 4 && wasFixed && !committed);
                const CaptureRect& r = a.rect;
                Check(0 <= r.left && r.left <= r.right && r.right < width);
                Check(0 <= r.top && r.top <= r.bottom && r.bottom < height);
                committed = true;
            }
        }
        Check(s.captured() == committed);
        Check(!s.adjusting() || (s.buttonDown() && s.selectionFixed()));
        Check(s.hitCode() >= 0 && s.hitCode() <= 9);
        if (s.closed() && !wasClosed)
            Check(!actions.empty() || kind == 7);
    }
    return 0;
}
