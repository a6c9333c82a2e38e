// The state machine of one capture run: selection, handles, drag and commit rules. It knows
// nothing of windows; every event returns the actions the capture window must carry out.
#pragma once

#include "capture/captureaction.h"
#include "capture/capturerect.h"

// The key code of ESC and the modifier bits that cancel it (as the window reports them).
inline constexpr int kCaptureKeyEscape = 27;
enum CaptureModifier : int
{
    CaptureModCtrl = 1,
    CaptureModShift = 2,
    CaptureModAlt = 4,
};

// Names for the combinations of SelectionFixed / ButtonDown / Adjusting that the panel and
// the tests talk about.
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
    // keyCode 27 is ESC; modifiers are CaptureModifier bits. Every other key is ignored.
    [[nodiscard]] CaptureActions keyPress(int keyCode, int modifiers);
    // The user or the desktop asks the window to close.
    [[nodiscard]] CloseAnswer closeRequested();
    // The window needs its whole picture and panel again (first show), with the pointer there.
    [[nodiscard]] CaptureActions repaint(CapturePoint pointer);

    [[nodiscard]] CaptureRect selection() const { return m_selection; }
    [[nodiscard]] const SelectionHandles& handles() const { return m_handles; }
    [[nodiscard]] bool selectionFixed() const { return m_selectionFixed; }
    [[nodiscard]] bool buttonDown() const { return m_buttonDown; }
    [[nodiscard]] bool adjusting() const { return m_adjusting; }
    [[nodiscard]] int hitCode() const { return m_hitCode; }
    [[nodiscard]] bool escDuringDrag() const { return m_escDuringDrag; }
    [[nodiscard]] bool captured() const { return m_captured; }
    [[nodiscard]] CapturePoint dragOrigin() const { return m_dragOrigin; }
    [[nodiscard]] CapturePoint pressPoint() const { return m_pressPoint; }
    [[nodiscard]] PointerShape shownPointer() const { return m_shownPointer; }
    [[nodiscard]] CapturePoint pointer() const { return m_pointer; }
    [[nodiscard]] bool closed() const { return m_closed; }
    [[nodiscard]] CaptureState state() const;
    [[nodiscard]] PanelHelp panelHelp() const;
    [[nodiscard]] int screenWidth() const { return m_screenWidth; }
    [[nodiscard]] int screenHeight() const { return m_screenHeight; }

private:
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
    SelectionHandles m_handles = HandlesOf(CaptureRect {});
    bool m_selectionFixed = false;
    bool m_buttonDown = false;
    bool m_adjusting = false;
    int m_hitCode = 0; // 1-8 a handle, 9 the interior, 0 nothing
    bool m_escDuringDrag = false;
    bool m_captured = false;
    CapturePoint m_dragOrigin {};
    CapturePoint m_pressPoint {};
    PointerShape m_shownPointer = PointerShape::CaptureCursor;
    CapturePoint m_pointer {}; // last position an event reported
    bool m_closed = false;
};

// The sizing shape shown over handle 1-8 or the interior (9).
[[nodiscard]] PointerShape PointerShapeForHit(int hitCode);
