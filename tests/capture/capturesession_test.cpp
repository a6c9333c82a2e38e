// Capture session: event sequences with the state, selection, pointer and outcome expected
// after each event, on an 800 x 600 screen.
#include "capture/capturesession.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace inkwell {

// Found by argument lookup, so failures print rectangles as (l,t,r,b).
void PrintTo(const CaptureRect& r, std::ostream* os)
{
    *os << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}

namespace {

constexpr int kW = 800;
constexpr int kH = 600;

enum class Ev
{
    Press,
    Move,
    Release,
    DoubleClick,
    RightRelease,
    Esc,
    CtrlEsc,
    ShiftEsc,
    OtherKey,
    Close
};

enum class Outcome
{
    None,
    Closed,
    Refused,
    Committed
};

const char* nameOf(CaptureState s)
{
    switch (s) {
    case CaptureState::Idle:
        return "Idle";
    case CaptureState::Selecting:
        return "Selecting";
    case CaptureState::Fixed:
        return "Fixed";
    case CaptureState::Adjusting:
        return "Adjusting";
    case CaptureState::Closed:
        return "Closed";
    }
    return "?";
}

using P = PointerShape;
constexpr CaptureRect kNone { -1, -1, -1, -1 };
// The selection most rows start from: drawn from (100, 100) to (200, 150); its handle
// centres are (100|150|200, 100|125|150).
constexpr CaptureRect kSel { 100, 100, 200, 150 };

struct Step
{
    Ev ev;
    int x = 0;
    int y = 0;
    CaptureState state;
    CaptureRect sel;
    PointerShape pointer;
    Outcome outcome = Outcome::None;
    CaptureRect committed {}; // only for Outcome::Committed
};

struct Scenario
{
    std::string name;
    std::vector<Step> steps;
};

std::ostream& operator<<(std::ostream& os, const Scenario& s)
{
    return os << s.name;
}

// Feeds one event; returns the outcome and the committed region seen in the actions.
std::pair<Outcome, std::optional<CaptureRect>> apply(CaptureSession& s, const Step& step)
{
    CaptureActions actions;
    std::optional<bool> allow;
    const CapturePoint p { step.x, step.y };
    switch (step.ev) {
    case Ev::Press:
        actions = s.press(p);
        break;
    case Ev::Move:
        actions = s.move(p);
        break;
    case Ev::Release:
        actions = s.release(p);
        break;
    case Ev::DoubleClick:
        actions = s.doubleClick(p);
        break;
    case Ev::RightRelease:
        actions = s.rightRelease(p);
        break;
    case Ev::Esc:
        actions = s.keyPress(CaptureKey::Escape);
        break;
    case Ev::CtrlEsc:
        actions = s.keyPress(CaptureKey::Escape, { .ctrl = true });
        break;
    case Ev::ShiftEsc:
        actions = s.keyPress(CaptureKey::Escape, { .shift = true });
        break;
    case Ev::OtherKey:
        actions = s.keyPress(CaptureKey::Other);
        break;
    case Ev::Close: {
        CloseAnswer answer = s.closeRequested();
        allow = answer.allow;
        actions = answer.actions;
        break;
    }
    }
    std::optional<CaptureRect> committed;
    bool closes = false;
    for (const CaptureAction& a : actions) {
        if (a.kind == CaptureActionKind::Commit) {
            EXPECT_FALSE(committed) << "two commits in one event";
            committed = a.rect;
        }
        if (a.kind == CaptureActionKind::Close) {
            // Nothing may follow the close.
            EXPECT_EQ(&a, &actions.back());
            closes = true;
        }
    }
    if (committed) {
        EXPECT_TRUE(closes) << "a commit must end the run";
        return { Outcome::Committed, committed };
    }
    if (closes || allow == true)
        return { Outcome::Closed, std::nullopt };
    if (allow == false)
        return { Outcome::Refused, std::nullopt };
    return { Outcome::None, std::nullopt };
}

// Draws kSel and ends with the pointer resting on its bottom-right corner (the bottom-right handle).
std::vector<Step> fixedSelection()
{
    return {
        { Ev::Press, 100, 100, CaptureState::Selecting, { 100, 100, 100, 100 }, P::CaptureCursor },
        { Ev::Move, 200, 150, CaptureState::Selecting, kSel, P::CaptureCursor },
        { Ev::Release, 200, 150, CaptureState::Fixed, kSel, P::SizeNWSE },
    };
}

Scenario fromFixed(std::string name, std::vector<Step> more)
{
    std::vector<Step> steps = fixedSelection();
    steps.insert(steps.end(), more.begin(), more.end());
    return { std::move(name), std::move(steps) };
}

class CaptureSessionSequence : public ::testing::TestWithParam<Scenario>
{
};

TEST_P(CaptureSessionSequence, StateAfterEachEvent)
{
    CaptureSession session(kW, kH);
    const Scenario& sc = GetParam();
    bool committedSoFar = false;
    for (std::size_t i = 0; i < sc.steps.size(); ++i) {
        const Step& step = sc.steps[i];
        SCOPED_TRACE("step " + std::to_string(i + 1) + " of " + sc.name);
        const auto [outcome, committed] = apply(session, step);
        EXPECT_STREQ(nameOf(session.state()), nameOf(step.state));
        EXPECT_EQ(session.selection(), step.sel);
        EXPECT_EQ(session.shownPointer(), step.pointer);
        EXPECT_EQ(outcome, step.outcome);
        if (step.outcome == Outcome::Committed && committed) {
            EXPECT_EQ(*committed, step.committed);
        }
        committedSoFar = committedSoFar || step.outcome == Outcome::Committed;
        EXPECT_EQ(session.captured(), committedSoFar);
    }
}

using S = CaptureState;

// Built in a function: braces do not protect commas inside a macro's arguments.
std::vector<Scenario> scenarios()
{
    return {
        // Idle
        Scenario { "idle_right_release_closes",
            { { Ev::RightRelease, 5, 5, S::Closed, kNone, P::CaptureCursor, Outcome::Closed } } },
        Scenario {
            "idle_esc_closes", { { Ev::Esc, 0, 0, S::Closed, kNone, P::CaptureCursor, Outcome::Closed } } },
        Scenario { "idle_esc_with_modifier_or_other_key_ignored",
            { { Ev::CtrlEsc, 0, 0, S::Idle, kNone, P::CaptureCursor },
                { Ev::ShiftEsc, 0, 0, S::Idle, kNone, P::CaptureCursor },
                { Ev::OtherKey, 0, 0, S::Idle, kNone, P::CaptureCursor },
                { Ev::Esc, 0, 0, S::Closed, kNone, P::CaptureCursor, Outcome::Closed } } },
        Scenario { "idle_close_request_allowed",
            { { Ev::Close, 0, 0, S::Closed, kNone, P::CaptureCursor, Outcome::Closed } } },
        Scenario { "idle_double_click_does_nothing",
            { { Ev::DoubleClick, 5, 5, S::Idle, kNone, P::CaptureCursor } } },
        // Selecting
        Scenario { "click_without_moving_fixes_nothing",
            { { Ev::Press, 100, 100, S::Selecting, { 100, 100, 100, 100 }, P::CaptureCursor },
                { Ev::Release, 100, 100, S::Idle, { 100, 100, 100, 100 }, P::CaptureCursor },
                { Ev::Move, 300, 300, S::Idle, { 100, 100, 100, 100 }, P::CaptureCursor },
                // A new selection can start right away.
                { Ev::Press, 300, 300, S::Selecting, { 300, 300, 300, 300 }, P::CaptureCursor } } },
        Scenario { "drag_bottom_right_to_top_left_is_normalised_at_release",
            { { Ev::Press, 300, 200, S::Selecting, { 300, 200, 300, 200 }, P::CaptureCursor },
                { Ev::Move, 100, 50, S::Selecting, { 300, 200, 100, 50 }, P::CaptureCursor },
                { Ev::Release, 100, 50, S::Fixed, { 100, 50, 300, 200 }, P::SizeNWSE } } },
        Scenario { "selecting_esc_discards_and_the_release_fixes_nothing",
            { { Ev::Press, 10, 10, S::Selecting, { 10, 10, 10, 10 }, P::CaptureCursor },
                { Ev::Move, 50, 60, S::Selecting, { 10, 10, 50, 60 }, P::CaptureCursor },
                { Ev::Esc, 0, 0, S::Idle, kNone, P::CaptureCursor },
                { Ev::Move, 70, 80, S::Idle, kNone, P::CaptureCursor },
                { Ev::Release, 70, 80, S::Idle, kNone, P::CaptureCursor } } },
        Scenario { "selecting_right_release_closes",
            { { Ev::Press, 10, 10, S::Selecting, { 10, 10, 10, 10 }, P::CaptureCursor },
                { Ev::Move, 50, 60, S::Selecting, { 10, 10, 50, 60 }, P::CaptureCursor },
                { Ev::RightRelease, 50, 60, S::Closed, kNone, P::CaptureCursor, Outcome::Closed } } },
        // Fixed
        fromFixed("fixed_hover_sets_pointer_shapes",
            { { Ev::Move, 150, 125, S::Fixed, kSel, P::SizeAll },
                { Ev::Move, 150, 100, S::Fixed, kSel, P::SizeNS },
                { Ev::Move, 202, 98, S::Fixed, kSel, P::SizeNESW }, // top-right handle's corner pixel
                { Ev::Move, 203, 125, S::Fixed, kSel, P::CaptureCursor }, // just past the right handle
                { Ev::Move, 98, 127, S::Fixed, kSel, P::SizeWE },
                { Ev::Move, 400, 400, S::Fixed, kSel, P::CaptureCursor } }),
        fromFixed("fixed_press_elsewhere_is_ignored",
            { { Ev::Move, 400, 400, S::Fixed, kSel, P::CaptureCursor },
                { Ev::Press, 400, 400, S::Fixed, kSel, P::CaptureCursor },
                { Ev::Move, 450, 450, S::Fixed, kSel, P::CaptureCursor },
                { Ev::Release, 450, 450, S::Fixed, kSel, P::CaptureCursor } }),
        fromFixed("fixed_double_click_outside_does_nothing",
            { { Ev::Move, 400, 400, S::Fixed, kSel, P::CaptureCursor },
                { Ev::DoubleClick, 400, 400, S::Fixed, kSel, P::CaptureCursor } }),
        fromFixed("fixed_double_click_inside_commits",
            { { Ev::Move, 150, 125, S::Fixed, kSel, P::SizeAll },
                // The double-click's own press and release move the selection by zero pixels.
                { Ev::Press, 150, 125, S::Adjusting, kSel, P::SizeAll },
                { Ev::Release, 150, 125, S::Fixed, kSel, P::SizeAll },
                { Ev::DoubleClick, 150, 125, S::Closed, kNone, P::CaptureCursor, Outcome::Committed,
                    kSel } }),
        fromFixed("fixed_double_click_on_the_frame_commits",
            { { Ev::DoubleClick, 200, 150, S::Closed, kNone, P::CaptureCursor, Outcome::Committed, kSel } }),
        fromFixed("fixed_right_release_resets_and_stays",
            { { Ev::RightRelease, 150, 125, S::Idle, kNone, P::CaptureCursor },
                { Ev::Press, 20, 20, S::Selecting, { 20, 20, 20, 20 }, P::CaptureCursor } }),
        fromFixed("fixed_esc_resets_and_stays",
            { { Ev::Esc, 0, 0, S::Idle, kNone, P::CaptureCursor },
                { Ev::Esc, 0, 0, S::Closed, kNone, P::CaptureCursor, Outcome::Closed } }),
        fromFixed("fixed_close_request_refused_then_allowed",
            { { Ev::Close, 0, 0, S::Idle, kNone, P::CaptureCursor, Outcome::Refused },
                { Ev::Close, 0, 0, S::Closed, kNone, P::CaptureCursor, Outcome::Closed } }),
        // Adjusting
        fromFixed("adjust_edge_past_its_opposite",
            { { Ev::Move, 200, 125, S::Fixed, kSel, P::SizeWE },
                { Ev::Press, 200, 125, S::Adjusting, kSel, P::SizeWE },
                { Ev::Move, 50, 125, S::Adjusting, { 100, 100, 50, 150 }, P::SizeWE },
                // Still the right edge, even over other handles' areas.
                { Ev::Move, 98, 98, S::Adjusting, { 100, 100, 98, 150 }, P::SizeWE },
                { Ev::Move, 40, 125, S::Adjusting, { 100, 100, 40, 150 }, P::SizeWE },
                { Ev::Release, 40, 125, S::Fixed, { 40, 100, 100, 150 }, P::SizeWE } }),
        fromFixed("adjust_esc_discards_whole_selection",
            { { Ev::Move, 200, 150, S::Fixed, kSel, P::SizeNWSE },
                { Ev::Press, 200, 150, S::Adjusting, kSel, P::SizeNWSE },
                { Ev::Move, 220, 170, S::Adjusting, { 100, 100, 220, 170 }, P::SizeNWSE },
                { Ev::Esc, 0, 0, S::Idle, kNone, P::CaptureCursor },
                { Ev::Move, 230, 180, S::Idle, kNone, P::CaptureCursor },
                { Ev::Release, 230, 180, S::Idle, kNone, P::CaptureCursor },
                { Ev::Press, 10, 10, S::Selecting, { 10, 10, 10, 10 }, P::CaptureCursor } }),
        fromFixed("adjust_right_release_resets_and_stays",
            { { Ev::Move, 150, 125, S::Fixed, kSel, P::SizeAll },
                { Ev::Press, 150, 125, S::Adjusting, kSel, P::SizeAll },
                { Ev::RightRelease, 160, 125, S::Idle, kNone, P::CaptureCursor } }),
        fromFixed("adjust_close_request_refused",
            { { Ev::Move, 150, 125, S::Fixed, kSel, P::SizeAll },
                { Ev::Press, 150, 125, S::Adjusting, kSel, P::SizeAll },
                { Ev::Close, 0, 0, S::Idle, kNone, P::CaptureCursor, Outcome::Refused } }),
        // Commit clamps a selection moved partly off the screen.
        fromFixed("commit_clamped_at_bottom_right",
            { { Ev::Move, 150, 125, S::Fixed, kSel, P::SizeAll },
                { Ev::Press, 150, 125, S::Adjusting, kSel, P::SizeAll },
                { Ev::Move, 790, 590, S::Adjusting, { 740, 565, 840, 615 }, P::SizeAll },
                { Ev::Release, 790, 590, S::Fixed, { 740, 565, 840, 615 }, P::SizeAll },
                { Ev::DoubleClick, 790, 590, S::Closed, kNone, P::CaptureCursor, Outcome::Committed,
                    { 740, 565, 799, 599 } } }),
        fromFixed("commit_clamped_at_top_left",
            { { Ev::Move, 150, 125, S::Fixed, kSel, P::SizeAll },
                { Ev::Press, 150, 125, S::Adjusting, kSel, P::SizeAll },
                { Ev::Move, 0, 0, S::Adjusting, { -50, -25, 50, 25 }, P::SizeAll },
                { Ev::Release, 0, 0, S::Fixed, { -50, -25, 50, 25 }, P::SizeAll },
                { Ev::DoubleClick, 0, 0, S::Closed, kNone, P::CaptureCursor, Outcome::Committed,
                    { 0, 0, 50, 25 } } }),
        // A selection three pixels wide and two high: every handle overlaps, the bottom
        // right one takes the point.
        Scenario { "tiny_selection_bottom_right_handle_wins",
            { { Ev::Press, 100, 100, S::Selecting, { 100, 100, 100, 100 }, P::CaptureCursor },
                { Ev::Move, 102, 101, S::Selecting, { 100, 100, 102, 101 }, P::CaptureCursor },
                { Ev::Release, 102, 101, S::Fixed, { 100, 100, 102, 101 }, P::SizeNWSE },
                { Ev::Move, 100, 100, S::Fixed, { 100, 100, 102, 101 }, P::SizeNWSE },
                // The press runs a move: the held corner jumps to the pointer.
                { Ev::Press, 100, 100, S::Adjusting, { 100, 100, 100, 100 }, P::SizeNWSE },
                { Ev::Move, 110, 110, S::Adjusting, { 100, 100, 110, 110 }, P::SizeNWSE },
                { Ev::Release, 110, 110, S::Fixed, { 100, 100, 110, 110 }, P::SizeNWSE } } },
        // A press on a fixed selection while the pointer has not been over it since the
        // last hover: the arrow still shows, so the press is ignored.
        fromFixed("press_away_from_last_hover_is_ignored",
            { { Ev::Move, 400, 400, S::Fixed, kSel, P::CaptureCursor },
                { Ev::Press, 150, 125, S::Fixed, kSel, P::CaptureCursor } }),
    };
}

INSTANTIATE_TEST_SUITE_P(Transitions, CaptureSessionSequence, ::testing::ValuesIn(scenarios()),
    [](const ::testing::TestParamInfo<Scenario>& test) { return test.param.name; });

// Every handle and the interior: hover shows its shape, a press grabs it, a drag by
// (+10, +7) moves exactly the edges the handle holds.
struct HandleCase
{
    Handle handle;
    CapturePoint at;
    PointerShape shape;
    CaptureRect afterPress; // the press runs a move, so an off-centre press moves the edges
    CaptureRect afterDrag;
};

class CaptureSessionHandles : public ::testing::TestWithParam<HandleCase>
{
};

TEST_P(CaptureSessionHandles, HoverPressDragRelease)
{
    const HandleCase& c = GetParam();
    CaptureSession s(kW, kH);
    (void)s.press({ 100, 100 });
    (void)s.move({ 200, 150 });
    (void)s.release({ 200, 150 });
    ASSERT_EQ(s.selection(), kSel);

    (void)s.move(c.at);
    EXPECT_EQ(s.shownPointer(), c.shape);
    (void)s.press(c.at);
    EXPECT_EQ(s.state(), CaptureState::Adjusting);
    EXPECT_EQ(s.selection(), c.afterPress);
    const CaptureActions actions = s.move({ c.at.x + 10, c.at.y + 7 });
    EXPECT_EQ(s.selection(), c.afterDrag);
    const bool redrawn = std::any_of(actions.begin(), actions.end(),
        [](const CaptureAction& a) { return a.kind == CaptureActionKind::Redraw && a.infoBox; });
    EXPECT_TRUE(redrawn) << "a drag redraws with the info box";
    (void)s.release({ c.at.x + 10, c.at.y + 7 });
    EXPECT_EQ(s.state(), CaptureState::Fixed);
    EXPECT_EQ(s.selection(), c.afterDrag);
}

const HandleCase kHandleCases[] = {
    HandleCase { Handle::TopLeft, { 100, 100 }, P::SizeNWSE, kSel, { 110, 107, 200, 150 } },
    HandleCase { Handle::TopMiddle, { 150, 100 }, P::SizeNS, kSel, { 100, 107, 200, 150 } },
    HandleCase { Handle::TopRight, { 200, 100 }, P::SizeNESW, kSel, { 100, 107, 210, 150 } },
    HandleCase { Handle::LeftMiddle, { 100, 125 }, P::SizeWE, kSel, { 110, 100, 200, 150 } },
    HandleCase { Handle::RightMiddle, { 200, 125 }, P::SizeWE, kSel, { 100, 100, 210, 150 } },
    HandleCase { Handle::BottomLeft, { 100, 150 }, P::SizeNESW, kSel, { 110, 100, 200, 157 } },
    HandleCase { Handle::BottomMiddle, { 150, 150 }, P::SizeNS, kSel, { 100, 100, 200, 157 } },
    HandleCase { Handle::BottomRight, { 200, 150 }, P::SizeNWSE, kSel, { 100, 100, 210, 157 } },
    // Off the handle centres: the edge of the bottom-left handle's area, and the interior.
    HandleCase {
        Handle::BottomLeft, { 98, 152 }, P::SizeNESW, { 98, 100, 200, 152 }, { 108, 100, 200, 159 } },
    HandleCase { Handle::Interior, { 130, 140 }, P::SizeAll, kSel, { 110, 107, 210, 157 } },
};

INSTANTIATE_TEST_SUITE_P(EveryHandle, CaptureSessionHandles, ::testing::ValuesIn(kHandleCases));

TEST(CaptureSessionActions, DragAndReleaseTellTheWindowWhatToDo)
{
    CaptureSession s(kW, kH);
    using K = CaptureActionKind;
    EXPECT_EQ(s.press({ 10, 20 }),
        (CaptureActions { { .kind = K::GrabMouse },
            { .kind = K::Redraw, .rect = { 10, 20, 10, 20 }, .infoBox = true, .pointer = { 10, 20 } },
            { .kind = K::DrawPanel, .pointer = { 10, 20 }, .help = PanelHelp::Selecting } }));
    EXPECT_EQ(s.move({ 5, 8 }),
        (CaptureActions {
            { .kind = K::Redraw, .rect = { 10, 20, 5, 8 }, .infoBox = true, .pointer = { 5, 8 } },
            { .kind = K::DrawPanel, .pointer = { 5, 8 }, .help = PanelHelp::Selecting } }));
    // The release redraws without the info box, then the hover over the top-left corner
    // (the top-left handle of the normalised selection) shows its sizing shape.
    EXPECT_EQ(s.release({ 5, 8 }),
        (CaptureActions { { .kind = K::ReleaseMouse },
            { .kind = K::Redraw, .rect = { 10, 20, 5, 8 }, .infoBox = false, .pointer = { 5, 8 } },
            { .kind = K::SetPointer, .shape = PointerShape::SizeNWSE },
            { .kind = K::DrawPanel, .pointer = { 5, 8 }, .help = PanelHelp::Fixed } }));
    // Hovering with no change of shape sets no pointer.
    EXPECT_EQ(s.move({ 6, 9 }),
        (CaptureActions { { .kind = K::DrawPanel, .pointer = { 6, 9 }, .help = PanelHelp::Fixed } }));
    // Commit: the picture first, then the plain frozen picture, then the close.
    EXPECT_EQ(s.doubleClick({ 7, 10 }),
        (CaptureActions { { .kind = K::Commit, .rect = { 5, 8, 10, 20 } }, { .kind = K::ReleaseMouse },
            { .kind = K::ShowFrozen }, { .kind = K::SetPointer, .shape = PointerShape::CaptureCursor },
            { .kind = K::Close } }));
    EXPECT_TRUE(s.captured());
    EXPECT_EQ(s.state(), CaptureState::Closed);
    EXPECT_TRUE(s.move({ 1, 1 }).empty()) << "a closed session ignores events";
}

TEST(CaptureSessionActions, EscIsIgnoredWithAltAndPanelKeepsItsLines)
{
    CaptureSession s(kW, kH);
    (void)s.press({ 10, 10 });
    (void)s.move({ 40, 40 });
    EXPECT_TRUE(s.keyPress(CaptureKey::Escape, { .alt = true }).empty());
    EXPECT_EQ(s.state(), CaptureState::Selecting);
    // ESC redraws the plain picture but does not redraw the panel; the next move does, with
    // the idle help, and the release that ends the drag fixes nothing.
    const CaptureActions esc = s.keyPress(CaptureKey::Escape);
    EXPECT_TRUE(std::none_of(esc.begin(), esc.end(), [](const CaptureAction& a) {
        return a.kind == CaptureActionKind::DrawPanel || a.kind == CaptureActionKind::Close;
    }));
    using K = CaptureActionKind;
    EXPECT_EQ(s.move({ 50, 50 }),
        (CaptureActions { { .kind = K::DrawPanel, .pointer = { 50, 50 }, .help = PanelHelp::Idle } }));
    (void)s.release({ 50, 50 });
    EXPECT_EQ(s.state(), CaptureState::Idle);
}

TEST(CaptureRectGeometry, HandlesAndNormalise)
{
    EXPECT_EQ(normalise({ 30, 40, 10, 20 }), (CaptureRect { 10, 20, 30, 40 }));
    EXPECT_EQ(normalise({ 10, 40, 30, 20 }), (CaptureRect { 10, 20, 30, 40 }));
    const SelectionHandles h = handlesOf({ 30, 40, 10, 20 }); // inverted: normalised first
    EXPECT_EQ(handleArea(h, Handle::TopLeft), (CaptureRect { 8, 18, 12, 22 })); // at (10, 20)
    EXPECT_EQ(handleArea(h, Handle::TopMiddle), (CaptureRect { 18, 18, 22, 22 })); // at (20, 20)
    EXPECT_EQ(handleArea(h, Handle::RightMiddle), (CaptureRect { 28, 28, 32, 32 })); // at (30, 30)
    EXPECT_EQ(handleArea(h, Handle::BottomRight), (CaptureRect { 28, 38, 32, 42 })); // at (30, 40)
    // The middles truncate toward zero: (-5 + 0) / 2 is -2, not -3.
    const SelectionHandles neg = handlesOf({ -5, -5, 0, 0 });
    EXPECT_EQ(handleArea(neg, Handle::TopMiddle), (CaptureRect { -4, -7, 0, -3 }));
    EXPECT_EQ(handleArea(neg, Handle::LeftMiddle), (CaptureRect { -7, -4, -3, 0 }));
}

} // namespace
} // namespace inkwell
