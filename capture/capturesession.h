// The state machine of one capture run (selection, handles, drag and commit rules), which knows
// nothing of windows: every event returns the actions the capture window must carry out.
#pragma once

#include "capture/captureaction.h"
#include "capture/capturerect.h"

namespace inkwell {

// The keys capture mode tells apart: ESC, and every other key, which it ignores.
enum class CaptureKey
{
    Escape,
    Other,
};

// The modifier keys held with a key; ESC with any of them is ignored.
struct KeyModifiers
{
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};

// The stages of a run, named from the session's flags (selection fixed, button down,
// adjusting, closed); the panel's help lines follow them.
enum class CaptureState
{
    Idle,
    Selecting,
    Fixed,
    Adjusting,
    Closed,
};

struct CloseAnswer
{
    bool allow = true;
    CaptureActions actions;
};

class CaptureSession
{
public:
    // Screen size in pixels; the commit clamps the region to it.
    CaptureSession(int screenWidth, int screenHeight);

    [[nodiscard]] CaptureActions press(CapturePoint p); // left button pressed
    [[nodiscard]] CaptureActions move(CapturePoint p);
    [[nodiscard]] CaptureActions release(CapturePoint p); // left button released
    [[nodiscard]] CaptureActions doubleClick(CapturePoint p); // left button double-clicked
    [[nodiscard]] CaptureActions rightRelease(CapturePoint p);
    [[nodiscard]] CaptureActions keyPress(CaptureKey key, KeyModifiers modifiers = {});
    // The user or the desktop asks the window to close.
    [[nodiscard]] CloseAnswer closeRequested();
    // The window needs its whole picture and panel again (first show), with the pointer there.
    [[nodiscard]] CaptureActions repaint(CapturePoint pointer);

    // The session as the panel and the window see it: the selection (inverted during a drag,
    // normalised once released), the pointer shape last asked for, and whether a picture
    // was committed.
    [[nodiscard]] CaptureState state() const;
    [[nodiscard]] CaptureRect selection() const { return m_selection; }
    [[nodiscard]] PointerShape shownPointer() const { return m_shownPointer; }
    [[nodiscard]] bool captured() const { return m_captured; }

private:
    [[nodiscard]] PanelHelp panelHelp() const;
    void doMove(CapturePoint p, CaptureActions& out);
    void hoverTest(CapturePoint p, CaptureActions& out);
    void resetSelection(CaptureActions& out);
    void commitSelection(CaptureActions& out);
    void redraw(CaptureActions& out);
    void drawPanel(CaptureActions& out);
    void showPointer(PointerShape shape, CaptureActions& out);
    void close(CaptureActions& out);

    int m_screenWidth = 0;
    int m_screenHeight = 0;
    CaptureRect m_selection {};
    SelectionHandles m_handles = handlesOf(CaptureRect {});
    bool m_selectionFixed = false;
    bool m_buttonDown = false;
    bool m_adjusting = false;
    Handle m_grabbed = Handle::None; // what the drag holds
    bool m_escDuringDrag = false;
    bool m_captured = false;
    CapturePoint m_dragOrigin {};
    CapturePoint m_pressPoint {};
    PointerShape m_shownPointer = PointerShape::CaptureCursor;
    CapturePoint m_pointer {}; // last position an event reported
    bool m_closed = false;
};

} // namespace inkwell
