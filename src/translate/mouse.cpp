// Mouse hook: replays Alt-chorded button gestures as right-button drags (with
// or without a synthetic Ctrl), swallows pointer input in dragger mode and
// replays the left-button releases that the keyboard modes need.
#include "state/state.h"
#include "translate/hooks.h"

namespace {

constexpr LResult SWALLOW = 1;

struct Event {
    WindowHandle target;
    Point pt;
};

inline void send(const Event& event, uint32_t message, WParam flags, Point at) {
    platform::sendMessage(event.target, message, flags, makePointParam(at));
}

// A keystroke is not routed by the pointer: the window told Ctrl went down
// is remembered, so the key-up is owed to it even if the release lands on
// another window (a host that does not capture, or whose capture ended).
inline void sendCtrlDownToTarget(const Event& event, WindowHandle* ctrlWindow) {
    *ctrlWindow = event.target;
    platform::sendMessage(event.target, WM_KEYDOWN, VK_CONTROL, KEY_GESTURE_CTRL_DOWN);
}

// Records the owed Ctrl key-up of a drag that just ended. Two overlapping
// drags that sent Ctrl to different windows each owe one: the earlier is
// settled now rather than overwritten and lost.
void oweCtrlUp(WindowHandle window) {
    if (state.pendingCtrlUpWindow != nullptr && state.pendingCtrlUpWindow != window) flushPendingCtrlUp();
    state.pendingCtrlUpWindow = window;
}

inline bool movedFrom(Point anchor, Point pt) { return anchor.x != pt.x || anchor.y != pt.y; }

// Motion just after a drag was switched into a chord restarts it as a
// Ctrl + right drag, once at least 2 ms have passed.
inline bool chordSwitchDue() {
    // Elapsed time, so a switch made just before the tick counter wraps does
    // not stay pending for the whole 49.7-day period of the counter.
    return static_cast<uint32_t>(platform::tickCount() - state.chordSwitchTick) > 1u;
}

// Motion re-entering the hook while the release is delivered is swallowed.
void replayLeftUp(const Event& e) {
    state.sendingLeftUp = true;
    send(e, WM_LBUTTONUP, MK_NONE, e.pt);
    state.sendingLeftUp = false;
}

// A drag ended by adding the other button restarts as a chord on later motion.
void pendChordSwitch() {
    state.chordSwitchPending = true;
    state.chordSwitchTick = platform::tickCount();
}

bool handleMove(const Event& e) {
    if (state.altMiddleArmed && keyIsDown(VK_MENU) && keyIsDown(VK_MBUTTON) && movedFrom(state.middleAnchor, e.pt)) {
        state.altMiddleArmed = false;
        flushPendingCtrlUp();
        state.altMiddleDragActive = true;
        send(e, WM_RBUTTONDOWN, MK_NONE, state.middleAnchor);
        send(e, WM_MOUSEMOVE, MK_RBUTTON_CONTROL, e.pt);
        return true;
    }
    if (state.altLeftArmed && keyIsDown(VK_MENU) && keyIsDown(VK_LBUTTON) && movedFrom(state.leftAnchor, e.pt)) {
        state.altLeftArmed = false;
        state.altLeftDragActive = true;
        sendAltUpToMain();
        send(e, WM_RBUTTONDOWN, MK_NONE, state.leftAnchor);
        send(e, WM_MOUSEMOVE, MK_NONE, e.pt);
        return true;
    }
    if (state.altRightDragActive || state.chordDragActive) {
        send(e, WM_MOUSEMOVE, MK_RBUTTON_CONTROL, e.pt);
        return true;
    }
    if (state.altLeftDragActive || state.altMiddleDragActive) {
        send(e, WM_MOUSEMOVE, MK_RBUTTON, e.pt);
        return true;
    }
    return false;
}

bool handleLeftUp(const Event& e) {
    // A left release ends what a left press began: a chord switch that never
    // started, and an Alt + left press that never moved. Left pending, either
    // would turn a later, unrelated motion into a drag no release ends.
    state.chordSwitchPending = false;
    state.altLeftArmed = false;
    if (state.chordDragActive) {
        send(e, WM_RBUTTONUP, MK_RBUTTON_CONTROL, e.pt);
        oweCtrlUp(state.chordCtrlWindow);
        state.chordDragActive = false;
        // Alt and middle still held: the Alt + middle gesture resumes.
        if (keyIsDown(VK_MENU) && keyIsDown(VK_MBUTTON)) {
            state.middleAnchor = e.pt;
            state.altMiddleArmed = true;
        }
        return true;
    }
    if (state.altLeftDragActive) {
        state.altLeftDragActive = false;
        send(e, WM_RBUTTONUP, MK_NONE, e.pt);
        if (state.altHeld) sendAltDownToMain();
        return true;
    }
    if (state.maskedLeftDown) {
        replayLeftUp(e);
        state.maskedLeftDown = false;
        // The Alt key-up the mask key's release held back for this press.
        if (!state.maskActive && !state.altHeld && !state.altInjected) sendAltUpToMain();
        return true;
    }
    if (state.altInjected) {
        replayLeftUp(e);
        return true;
    }
    return false;
}

bool handleLeftDown(const Event& e) {
    if (!state.altInjected && keyIsDown(VK_MENU)) {
        if (keyIsDown(VK_MBUTTON)) {
            if (state.altMiddleDragActive) {
                send(e, WM_RBUTTONUP, MK_NONE, e.pt);
                state.altMiddleDragActive = false;
                pendChordSwitch();
            } else {
                state.altMiddleArmed = false;
                state.chordDragActive = true;
                sendCtrlDownToTarget(e, &state.chordCtrlWindow);
                send(e, WM_RBUTTONDOWN, MK_NONE, e.pt);
            }
            return true;
        }
        state.leftAnchor = e.pt;
        state.altLeftArmed = true;
        return true;
    }
    if (state.maskActive) {
        state.maskedLeftDown = true;
        return false;
    }
    if (state.ctrlWithheld) {
        state.altInjected = true;
        sendAltDownToMain();
        send(e, WM_LBUTTONDOWN, MK_LBUTTON, e.pt);
        return true;
    }
    return false;
}

bool handleMiddleDown(const Event& e) {
    if (!keyIsDown(VK_MENU)) return false;
    if (state.altLeftDragActive) {
        state.altLeftDragActive = false;
        send(e, WM_RBUTTONUP, MK_NONE, e.pt);
        if (state.altHeld) sendAltDownToMain();
        state.altMiddleArmed = false;
        pendChordSwitch();
        return true;
    }
    state.middleAnchor = e.pt;
    state.altMiddleArmed = true;
    return true;
}

bool translate(WParam message, const Event& e) {
    if (message == WM_MOUSEMOVE) {
        if (state.sendingLeftUp) return true;
        if (state.chordSwitchPending && chordSwitchDue()) {
            state.chordSwitchPending = false;
            sendCtrlDownToTarget(e, &state.chordCtrlWindow);
            send(e, WM_RBUTTONDOWN, MK_NONE, e.pt);
            state.chordDragActive = true;
            return true;
        }
    }

    if (state.draggerKey != 0) {
        if (message == WM_MBUTTONDOWN)
            platform::sendMessage(state.mainWindow, WM_KEYDOWN, static_cast<WParam>(state.draggerKey), KEY_REPEAT_CTRL);
        if (state.draggerKey != 0 && (message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN)) return true;
    }

    switch (message) {
    case WM_RBUTTONUP:
        if (!state.altRightDragActive) return false;
        send(e, WM_RBUTTONUP, MK_CONTROL, e.pt);
        oweCtrlUp(state.altRightCtrlWindow);
        state.altRightDragActive = false;
        return true;
    case WM_LBUTTONUP:
        return handleLeftUp(e);
    case WM_MOUSEMOVE:
        return handleMove(e);
    case WM_MBUTTONUP:
        state.altMiddleArmed = false;
        if (!state.altMiddleDragActive) return false;
        state.altMiddleDragActive = false;
        send(e, WM_MBUTTONDOWN, MK_NONE, e.pt);
        send(e, WM_RBUTTONUP, MK_NONE, e.pt);
        send(e, WM_MBUTTONUP, MK_NONE, e.pt);
        return true;
    case WM_RBUTTONDOWN:
        flushPendingCtrlUp();
        if (!keyIsDown(VK_MENU)) return false;
        state.altRightDragActive = true;
        sendCtrlDownToTarget(e, &state.altRightCtrlWindow);
        send(e, WM_RBUTTONDOWN, MK_NONE, e.pt);
        return true;
    case WM_LBUTTONDOWN:
        flushPendingCtrlUp();
        return handleLeftDown(e);
    case WM_MBUTTONDOWN:
        flushPendingCtrlUp();
        return handleMiddleDown(e);
    default:
        return false;
    }
}

}  // namespace

extern "C" LResult MouseProc(int code, WParam wParam, LParam lParam) {
    // An export: a host may call it with anything, including no record.
    if (!state.enabled || lParam == 0) return platform::callNextHook(code, wParam, lParam);
    stopDraggerIfUnfocused();
    if (state.mainWindow == nullptr) return platform::callNextHook(code, wParam, lParam);

    MouseHookRecord* record = reinterpret_cast<MouseHookRecord*>(lParam);
    platform::screenToClient(record->hwnd, &record->pt);

    // Only a message being removed from the queue is acted on; a peek that
    // leaves it there would otherwise replay the gesture twice.
    if (code != HC_ACTION) return platform::callNextHook(code, wParam, lParam);

    const Event event = {record->hwnd, record->pt};
    if (translate(wParam, event)) return SWALLOW;
    return platform::callNextHook(code, wParam, lParam);
}
