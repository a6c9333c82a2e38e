#include "capture/capturesession.h"

#include <algorithm>
#include <array>

namespace inkwell {
namespace {

// Handles are tested bottom right first, so where they overlap on a small selection the
// bottom-right one takes the point.
constexpr std::array<Handle, 8> kHitOrder { Handle::BottomRight, Handle::TopLeft, Handle::TopMiddle,
    Handle::TopRight, Handle::LeftMiddle, Handle::RightMiddle, Handle::BottomLeft, Handle::BottomMiddle };

// The sizing shape shown over a handle or the interior.
PointerShape pointerShapeOver(Handle handle)
{
    switch (handle) {
    case Handle::TopLeft:
    case Handle::BottomRight:
        return PointerShape::SizeNWSE;
    case Handle::TopMiddle:
    case Handle::BottomMiddle:
        return PointerShape::SizeNS;
    case Handle::TopRight:
    case Handle::BottomLeft:
        return PointerShape::SizeNESW;
    case Handle::LeftMiddle:
    case Handle::RightMiddle:
        return PointerShape::SizeWE;
    case Handle::Interior:
        return PointerShape::SizeAll;
    case Handle::None:
        break;
    }
    return PointerShape::CaptureCursor;
}

} // namespace

CaptureSession::CaptureSession(int screenWidth, int screenHeight)
    : m_screenWidth(screenWidth)
    , m_screenHeight(screenHeight)
{
}

CaptureState CaptureSession::state() const
{
    if (m_closed)
        return CaptureState::Closed;
    if (m_selectionFixed)
        return (m_buttonDown && m_adjusting) ? CaptureState::Adjusting : CaptureState::Fixed;
    return m_buttonDown ? CaptureState::Selecting : CaptureState::Idle;
}

PanelHelp CaptureSession::panelHelp() const
{
    switch (state()) {
    case CaptureState::Selecting:
        return PanelHelp::Selecting;
    case CaptureState::Fixed:
    case CaptureState::Adjusting:
        return PanelHelp::Fixed;
    case CaptureState::Idle:
    case CaptureState::Closed: // a closed session draws nothing more
        break;
    }
    return PanelHelp::Idle;
}

CaptureActions CaptureSession::press(CapturePoint p)
{
    CaptureActions out;
    if (m_closed)
        return out;
    m_pointer = p;
    if (!m_selectionFixed && !m_buttonDown) {
        out.push_back({ .kind = CaptureActionKind::GrabMouse });
        m_selection.left = p.x;
        m_selection.top = p.y;
    } else if (m_shownPointer == PointerShape::CaptureCursor) {
        // On a fixed selection only a press over a handle or the interior (which the last
        // hover turned into a sizing pointer) starts a drag; a new selection needs a reset.
        m_buttonDown = false;
        return out;
    }
    m_buttonDown = true;
    m_dragOrigin = { m_selection.left, m_selection.top };
    m_pressPoint = p;
    doMove(p, out);
    return out;
}

CaptureActions CaptureSession::move(CapturePoint p)
{
    CaptureActions out;
    if (m_closed)
        return out;
    m_pointer = p;
    doMove(p, out);
    return out;
}

CaptureActions CaptureSession::release(CapturePoint p)
{
    CaptureActions out;
    if (m_closed)
        return out;
    m_pointer = p;
    out.push_back({ .kind = CaptureActionKind::ReleaseMouse });
    m_buttonDown = false;
    m_adjusting = false;
    // A release at the very point where a new selection began fixes nothing.
    if (p.x != m_selection.left || p.y != m_selection.top) {
        m_selectionFixed = true;
        redraw(out);
    }
    if (m_escDuringDrag) {
        // ESC already discarded the selection during the drag; this release must not fix it.
        m_selectionFixed = false;
        m_buttonDown = false;
        m_adjusting = false;
        m_captured = false;
        m_escDuringDrag = false;
    }
    m_selection = normalise(m_selection);
    doMove(p, out);
    return out;
}

CaptureActions CaptureSession::doubleClick(CapturePoint p)
{
    CaptureActions out;
    if (m_closed)
        return out;
    m_pointer = p;
    if (!m_selectionFixed)
        return out;
    m_selection = normalise(m_selection);
    if (m_selection.contains(p))
        commitSelection(out);
    return out;
}

CaptureActions CaptureSession::rightRelease(CapturePoint p)
{
    CaptureActions out;
    if (m_closed)
        return out;
    m_pointer = p;
    resetSelection(out);
    return out;
}

CaptureActions CaptureSession::keyPress(CaptureKey key, KeyModifiers modifiers)
{
    CaptureActions out;
    if (m_closed || key != CaptureKey::Escape)
        return out;
    if (modifiers.ctrl || modifiers.shift || modifiers.alt)
        return out;
    if (m_selectionFixed || m_buttonDown) {
        if (m_buttonDown)
            m_escDuringDrag = true;
        // Marked fixed so that the reset discards the selection but keeps the window open.
        m_selectionFixed = true;
        resetSelection(out);
    } else {
        close(out);
    }
    return out;
}

CloseAnswer CaptureSession::closeRequested()
{
    CloseAnswer answer;
    if (m_closed)
        return answer;
    if (m_selectionFixed) {
        resetSelection(answer.actions);
        answer.allow = false;
    } else {
        m_closed = true;
    }
    return answer;
}

CaptureActions CaptureSession::repaint(CapturePoint pointer)
{
    CaptureActions out;
    if (m_closed)
        return out;
    m_pointer = pointer;
    redraw(out);
    drawPanel(out);
    return out;
}

void CaptureSession::doMove(CapturePoint p, CaptureActions& out)
{
    if (m_selectionFixed) {
        hoverTest(p, out);
        if (m_adjusting && m_buttonDown) {
            // The selection is not normalised during the drag: an edge dragged past its
            // opposite keeps following the pointer.
            CaptureRect& s = m_selection;
            switch (m_grabbed) {
            case Handle::TopLeft:
                s.left = p.x;
                s.top = p.y;
                break;
            case Handle::TopMiddle:
                s.top = p.y;
                break;
            case Handle::TopRight:
                s.right = p.x;
                s.top = p.y;
                break;
            case Handle::LeftMiddle:
                s.left = p.x;
                break;
            case Handle::RightMiddle:
                s.right = p.x;
                break;
            case Handle::BottomLeft:
                s.left = p.x;
                s.bottom = p.y;
                break;
            case Handle::BottomMiddle:
                s.bottom = p.y;
                break;
            case Handle::BottomRight:
                s.right = p.x;
                s.bottom = p.y;
                break;
            case Handle::Interior: {
                const int width = s.right - s.left;
                const int height = s.bottom - s.top;
                s.left = m_dragOrigin.x + p.x - m_pressPoint.x;
                s.top = m_dragOrigin.y + p.y - m_pressPoint.y;
                s.right = s.left + width;
                s.bottom = s.top + height;
                break;
            }
            case Handle::None:
                break;
            }
            if (m_grabbed != Handle::None)
                redraw(out);
        }
    } else if (m_buttonDown) {
        m_selection.right = p.x;
        m_selection.bottom = p.y;
        redraw(out);
    }
    drawPanel(out);
}

void CaptureSession::hoverTest(CapturePoint p, CaptureActions& out)
{
    if (m_adjusting)
        return; // the handle a drag holds never changes during the drag
    Handle hit = Handle::None;
    for (const Handle handle : kHitOrder) {
        if (handleArea(m_handles, handle).contains(p)) {
            hit = handle;
            break;
        }
    }
    if (hit == Handle::None) {
        m_selection = normalise(m_selection);
        if (m_selection.contains(p))
            hit = Handle::Interior;
    }
    if (hit != Handle::None) {
        if (m_buttonDown) {
            m_grabbed = hit;
            m_adjusting = true;
        } else {
            showPointer(pointerShapeOver(hit), out);
        }
    } else {
        if (m_buttonDown)
            m_grabbed = Handle::None;
        else
            showPointer(PointerShape::CaptureCursor, out);
    }
}

void CaptureSession::resetSelection(CaptureActions& out)
{
    out.push_back({ .kind = CaptureActionKind::ReleaseMouse });
    m_buttonDown = false;
    m_adjusting = false;
    m_grabbed = Handle::None;
    m_selection = CaptureRect {};
    out.push_back({ .kind = CaptureActionKind::ShowFrozen });
    m_shownPointer = PointerShape::CaptureCursor;
    out.push_back({ .kind = CaptureActionKind::SetPointer, .shape = PointerShape::CaptureCursor });
    if (!m_selectionFixed) {
        close(out); // nothing was selected: the reset ends the run, Captured keeps its value
        return;
    }
    m_selectionFixed = false;
}

void CaptureSession::commitSelection(CaptureActions& out)
{
    CaptureRect r = m_selection;
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, m_screenWidth - 1);
    r.bottom = std::min(r.bottom, m_screenHeight - 1);
    m_selection = r;
    // A region wholly off the screen would be an empty picture; such a run yields none.
    if (r.width() > 0 && r.height() > 0) {
        m_captured = true;
        out.push_back({ .kind = CaptureActionKind::Commit, .rect = r });
    }
    resetSelection(out); // the selection is fixed, so the window stays for the close below
    close(out);
}

void CaptureSession::redraw(CaptureActions& out)
{
    m_handles = handlesOf(m_selection);
    out.push_back({ .kind = CaptureActionKind::Redraw,
        .rect = m_selection,
        .infoBox = m_buttonDown,
        .pointer = m_pointer });
}

void CaptureSession::drawPanel(CaptureActions& out)
{
    out.push_back({ .kind = CaptureActionKind::DrawPanel, .pointer = m_pointer, .help = panelHelp() });
}

void CaptureSession::showPointer(PointerShape shape, CaptureActions& out)
{
    if (shape == m_shownPointer)
        return;
    m_shownPointer = shape;
    out.push_back({ .kind = CaptureActionKind::SetPointer, .shape = shape });
}

void CaptureSession::close(CaptureActions& out)
{
    m_closed = true;
    out.push_back({ .kind = CaptureActionKind::Close });
}

} // namespace inkwell
