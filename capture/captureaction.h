// What the capture window must do in answer to one event of the capture session: the session
// decides, the window carries the actions out in the order given.
#pragma once

#include "capture/capturerect.h"

#include <vector>

namespace inkwell {

// The pointer shapes of capture mode: the project's own arrow and the five sizing shapes.
enum class PointerShape
{
    CaptureCursor,
    SizeNWSE, // top left and bottom right handles
    SizeNS, // top and bottom middle handles
    SizeNESW, // top right and bottom left handles
    SizeWE, // left and right middle handles
    SizeAll, // the interior
};

// Which help lines the information panel shows.
enum class PanelHelp
{
    Idle,
    Selecting,
    Fixed,
};

enum class CaptureActionKind
{
    GrabMouse, // keep mouse events coming to the window while the button is held
    ReleaseMouse,
    Redraw, // compose the frozen picture with frame, handles and (maybe) the info box, show it
    ShowFrozen, // show the frozen picture without any overlay
    SetPointer,
    DrawPanel, // compose and show the information panel
    Commit, // cut `rect` out of the frozen picture and put it on the clipboard
    Close, // close the capture window; the run ends
};

struct CaptureAction
{
    CaptureActionKind kind = CaptureActionKind::Redraw;
    // Redraw: the selection as it stands (the drawing normalises a copy).
    // Commit: the region in screen pixels, both corners inclusive, inside the screen.
    CaptureRect rect {};
    // Redraw: the left button was held, so the info box is wanted (unless the pointer is
    // over the panel, which only the window knows).
    bool infoBox = false;
    // Redraw and DrawPanel: the pointer position when the action was decided.
    CapturePoint pointer {};
    PointerShape shape = PointerShape::CaptureCursor; // SetPointer
    PanelHelp help = PanelHelp::Idle; // DrawPanel
    friend bool operator==(const CaptureAction&, const CaptureAction&) = default;
};

using CaptureActions = std::vector<CaptureAction>;

} // namespace inkwell
