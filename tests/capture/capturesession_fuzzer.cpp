// Random event sequences against the capture session: the commit region always lies on
// the screen, nothing happens after the close, and no release leaves a drag running.
#include "capture/capturesession.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace inkwell {
namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace
} // namespace inkwell

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace inkwell;
    if (size < 2)
        return 0;
    // Small screens make overlapping handles and off-screen drags common.
    const int width = 1 + data[0] % 64;
    const int height = 1 + data[1] % 64;
    CaptureSession s(width, height);
    bool committed = false;
    for (std::size_t i = 2; i + 3 <= size; i += 3) {
        const CaptureState before = s.state();
        const bool wasFixed = before == CaptureState::Fixed || before == CaptureState::Adjusting;
        const bool wasClosed = before == CaptureState::Closed;
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
        case 6: {
            const int held = data[i + 1] % 2 ? 0 : data[i + 2] % 8;
            actions = s.keyPress(CaptureKey::Escape,
                { .ctrl = (held & 1) != 0, .shift = (held & 2) != 0, .alt = (held & 4) != 0 });
            break;
        }
        case 7:
            actions = s.closeRequested().actions;
            break;
        default:
            actions = s.repaint(p);
            break;
        }
        if (wasClosed)
            check(actions.empty());
        for (std::size_t k = 0; k < actions.size(); ++k) {
            const CaptureAction& a = actions[k];
            if (a.kind == CaptureActionKind::Close)
                check(k + 1 == actions.size());
            if (a.kind == CaptureActionKind::Commit) {
                check(kind == 4 && wasFixed && !committed);
                const CaptureRect& r = a.rect;
                check(0 <= r.left && r.left <= r.right && r.right < width);
                check(0 <= r.top && r.top <= r.bottom && r.bottom < height);
                committed = true;
            }
        }
        const CaptureState after = s.state();
        check(s.captured() == committed);
        // A left or right release and an allowed close end every drag.
        if (kind == 3 || kind == 5 || kind == 7)
            check(after != CaptureState::Selecting && after != CaptureState::Adjusting);
        if (after == CaptureState::Closed && !wasClosed)
            check(!actions.empty() || kind == 7);
    }
    return 0;
}
