// Mouse hook: replays Alt-chorded button gestures as right-button drags (with
// or without a synthetic Ctrl), swallows pointer input in dragger mode and
// replays the left-button releases that the keyboard modes need.
#include "state/state.h"
#include "translate/gestures.h"
#include "translate/hooks.h"
#include "translate/switching.h"

namespace {

inline void send(const Event& event, uint32_t message, WParam flags, Point at) {
    platform::sendMessage(event.target, message, flags, makePointParam(at));
}

// A gesture begins on `button` at this event. Only a button seen down now can
// be released unseen later: a host calling MouseProc with records of its own,
// no button held, starts gestures that only its own records end.
void begin(int button, const Event& e) {
    GestureButton& g = state.gestureButtons[button];
    g.window = e.target;
    g.at = e.pt;
    g.held = buttonIsDown(kButtonKey[button]);
    g.rightPressOut = false;
}

// The gesture on `button` sent a mouse message at this event.
inline void recordSendPoint(int button, const Event& e, Point at) {
    state.gestureButtons[button].window = e.target;
    state.gestureButtons[button].at = at;
}

inline void sendFor(int button, const Event& e, uint32_t message, WParam flags, Point at) {
    recordSendPoint(button, e, at);
    send(e, message, flags, at);
}

// A drag's right press, marked out before it is sent: a loop the window runs
// in its handler has had the press.
inline void sendRightPressFor(int button, const Event& e, Point at) {
    state.gestureButtons[button].rightPressOut = true;
    sendFor(button, e, WM_RBUTTONDOWN, MK_NONE, at);
}

// A drag's right release, unless the drag ended in a call re-entered from
// a send before its press (Alt's key-up, Ctrl's key-down): the window never
// had the press, and a release would pop up its context menu.
inline void sendRightUpFor(int button, const Event& e, WParam flags) {
    if (!state.gestureButtons[button].rightPressOut) return;
    state.gestureButtons[button].rightPressOut = false;
    send(e, WM_RBUTTONUP, flags, e.pt);
}

// The button's release is being handled: its gesture is over.
inline void released(int button) { state.gestureButtons[button].held = false; }

// True once a call re-entered from inside a send has ended or started a
// gesture since `changes` was taken: the rest of what this handler meant to
// send is stale.
inline bool gestureChangedSince(uint32_t changes) { return state.gestureChanges != changes; }

// A keystroke is not routed by the pointer: the window told Ctrl went down
// is remembered, so the key-up is owed to it even if the release lands on
// another window (a host that does not capture, or whose capture ended).
inline void sendCtrlDownToTarget(const Event& event, WindowHandle* ctrlWindow) {
    *ctrlWindow = event.target;
    sendModifier(event.target, WM_KEYDOWN, VK_CONTROL, KEY_GESTURE_CTRL_DOWN);
}

// Records the owed Ctrl key-up of a drag that just ended. Two overlapping
// drags that sent Ctrl to different windows each owe one: the earlier is
// settled now rather than overwritten and lost.
void oweCtrlUp(WindowHandle window) {
    if (state.pendingCtrlUpWindow != nullptr && state.pendingCtrlUpWindow != window) settleOwedCtrlUp();
    state.pendingCtrlUpWindow = window;
}

// The same once the drag's release went out. Sent with translation on, and
// switched off inside that send (a loop the host ran there re-entered the
// hooks at a quiet moment), no later event of ours settles it.
void oweCtrlUpAfterSend(WindowHandle window, bool sentEnabled) {
    oweCtrlUp(window);
    if (sentEnabled && !state.enabled) settleOwedCtrlUp();
}

inline bool awayFrom(Point anchor, Point pt) { return anchor.x != pt.x || anchor.y != pt.y; }

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
    state.leftGesture = LeftGesture::ChordPending;
    state.chordSwitchTick = platform::tickCount();
}

// Starting a Ctrl + right drag: Ctrl, then the press, unless a call
// re-entered from the Ctrl key-down already ended it.
void startCtrlRightDrag(int button, const Event& e, WindowHandle* ctrlWindow) {
    const uint32_t changes = state.gestureChanges;
    sendCtrlDownToTarget(e, ctrlWindow);
    if (gestureChangedSince(changes)) return;
    sendRightPressFor(button, e, e.pt);
}

bool handleMove(const Event& e) {
    const uint32_t changes = state.gestureChanges;
    if (state.middleGesture == MiddleGesture::AltArmed && keyIsDown(VK_MENU) && keyIsDown(VK_MBUTTON) &&
        awayFrom(state.middleAnchor, e.pt)) {
        state.middleGesture = MiddleGesture::AltDrag;
        settleOwedCtrlUp();
        if (gestureChangedSince(changes)) return true;
        sendRightPressFor(MIDDLE, e, state.middleAnchor);
        if (gestureChangedSince(changes)) return true;
        sendFor(MIDDLE, e, WM_MOUSEMOVE, MK_RBUTTON_CONTROL, e.pt);
        return true;
    }
    if (state.leftGesture == LeftGesture::AltArmed && keyIsDown(VK_MENU) && buttonIsDown(VK_LBUTTON) &&
        awayFrom(state.leftAnchor, e.pt)) {
        state.leftGesture = LeftGesture::AltDrag;
        sendAltUpToMain();
        if (gestureChangedSince(changes)) return true;
        sendRightPressFor(LEFT, e, state.leftAnchor);
        if (gestureChangedSince(changes)) return true;
        sendFor(LEFT, e, WM_MOUSEMOVE, MK_NONE, e.pt);
        return true;
    }
    const bool rightDrag = state.rightGesture == RightGesture::AltDrag;
    const bool chord = state.leftGesture == LeftGesture::Chord;
    if (rightDrag || chord) {
        if (rightDrag) recordSendPoint(RIGHT, e, e.pt);
        if (chord) recordSendPoint(LEFT, e, e.pt);
        send(e, WM_MOUSEMOVE, MK_RBUTTON_CONTROL, e.pt);
        return true;
    }
    const bool leftDrag = state.leftGesture == LeftGesture::AltDrag;
    const bool middleDrag = state.middleGesture == MiddleGesture::AltDrag;
    if (leftDrag || middleDrag) {
        if (leftDrag) recordSendPoint(LEFT, e, e.pt);
        if (middleDrag) recordSendPoint(MIDDLE, e, e.pt);
        send(e, WM_MOUSEMOVE, MK_RBUTTON, e.pt);
        return true;
    }
    return false;
}

// Each release handler marks its gesture ended before it sends: the release
// it sends may open a host's context menu, whose loop re-enters the hooks,
// and must find the gesture over.
bool handleRightUp(const Event& e) {
    released(RIGHT);
    if (state.rightGesture != RightGesture::AltDrag) return false;
    state.rightGesture = RightGesture::None;
    const WindowHandle ctrlWindow = state.altRightCtrlWindow;
    const bool enabled = state.enabled;
    sendRightUpFor(RIGHT, e, MK_CONTROL);
    // Owed even if a re-entered call started another drag meanwhile: this
    // drag's Ctrl key-down is still unanswered.
    oweCtrlUpAfterSend(ctrlWindow, enabled);
    return true;
}

bool handleMiddleUp(const Event& e) {
    released(MIDDLE);
    const MiddleGesture was = state.middleGesture;
    state.middleGesture = MiddleGesture::None;
    if (was != MiddleGesture::AltDrag) return false;
    // These go out whatever a re-entered call does: each answers a press
    // the window was sent.
    send(e, WM_MBUTTONDOWN, MK_NONE, e.pt);
    sendRightUpFor(MIDDLE, e, MK_NONE);
    send(e, WM_MBUTTONUP, MK_NONE, e.pt);
    return true;
}

bool handleLeftUp(const Event& e) {
    released(LEFT);
    // A left release ends whatever the left press began, a chord switch that
    // never started and an Alt + left press that never moved too: left
    // pending, either would turn a later, unrelated motion into a drag no
    // release ends.
    const LeftGesture was = state.leftGesture;
    state.leftGesture = LeftGesture::None;
    const uint32_t changes = state.gestureChanges;
    if (was == LeftGesture::Chord) {
        const WindowHandle ctrlWindow = state.chordCtrlWindow;
        // Alt and middle still held: the Alt + middle gesture resumes,
        // unless it is under way again (the middle button went up and down
        // while the chord held), and its own release ends it.
        if (keyIsDown(VK_MENU) && keyIsDown(VK_MBUTTON) && state.middleGesture != MiddleGesture::AltDrag) {
            state.middleAnchor = e.pt;
            state.middleGesture = MiddleGesture::AltArmed;
            begin(MIDDLE, e);
        }
        const bool enabled = state.enabled;
        sendRightUpFor(LEFT, e, MK_RBUTTON_CONTROL);
        oweCtrlUpAfterSend(ctrlWindow, enabled);
        return true;
    }
    if (was == LeftGesture::AltDrag) {
        sendRightUpFor(LEFT, e, MK_NONE);
        if (state.altHeld && !gestureChangedSince(changes)) sendAltDownToMain();
        return true;
    }
    if (was == LeftGesture::Masked) {
        replayLeftUp(e);
        // The Alt key-up the mask key's release held back for this press.
        if (!state.maskActive && !state.altHeld && !state.altInjected && !gestureChangedSince(changes))
            sendAltUpToMain();
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
        begin(LEFT, e);
        if (keyIsDown(VK_MBUTTON)) {
            const bool middleDrag = state.middleGesture == MiddleGesture::AltDrag;
            state.middleGesture = MiddleGesture::None;
            if (middleDrag) {
                pendChordSwitch();
                sendRightUpFor(MIDDLE, e, MK_NONE);
            } else {
                state.leftGesture = LeftGesture::Chord;
                startCtrlRightDrag(LEFT, e, &state.chordCtrlWindow);
            }
            return true;
        }
        state.leftAnchor = e.pt;
        state.leftGesture = LeftGesture::AltArmed;
        return true;
    }
    if (state.maskActive) {
        state.leftGesture = LeftGesture::Masked;
        begin(LEFT, e);
        return false;
    }
    if (state.ctrlWithheld) {
        state.altInjected = true;
        begin(LEFT, e);
        // Ctrl released first, the real release is passed on to answer this
        // press; a lost one must be answered here.
        state.leftGesture = LeftGesture::PressSent;
        const uint32_t changes = state.gestureChanges;
        sendAltDownToMain();
        if (!gestureChangedSince(changes)) send(e, WM_LBUTTONDOWN, MK_LBUTTON, e.pt);
        return true;
    }
    return false;
}

bool handleMiddleDown(const Event& e) {
    if (!keyIsDown(VK_MENU)) return false;
    if (state.leftGesture == LeftGesture::AltDrag) {
        if (state.middleGesture == MiddleGesture::AltArmed) state.middleGesture = MiddleGesture::None;
        pendChordSwitch();
        const uint32_t changes = state.gestureChanges;
        sendRightUpFor(LEFT, e, MK_NONE);
        if (state.altHeld && !gestureChangedSince(changes)) sendAltDownToMain();
        return true;
    }
    state.middleAnchor = e.pt;
    state.middleGesture = MiddleGesture::AltArmed;
    begin(MIDDLE, e);
    return true;
}

}  // namespace

bool translate(WParam message, const Event& e) {
    // Overtaken by its own release inside a send made on the way in (a lost
    // gesture ended, a key settled): nothing begins.
    if (pressOvertaken()) return true;
    if (message == WM_MOUSEMOVE) {
        if (state.sendingLeftUp) return true;
        if (state.leftGesture == LeftGesture::ChordPending && chordSwitchDue()) {
            state.leftGesture = LeftGesture::Chord;
            startCtrlRightDrag(LEFT, e, &state.chordCtrlWindow);
            return true;
        }
    }

    if (state.draggerKey != 0) {
        if (message == WM_MBUTTONDOWN)
            platform::sendMessage(state.mainWindow, WM_KEYDOWN, static_cast<WParam>(state.draggerKey), KEY_REPEAT_CTRL);
        if (state.draggerKey != 0 && (message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN)) return true;
    }

    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) {
        settleOwedCtrlUp();
        if (pressOvertaken()) return true;
    }

    switch (message) {
    case WM_RBUTTONUP:
        return handleRightUp(e);
    case WM_LBUTTONUP:
        return handleLeftUp(e);
    case WM_MOUSEMOVE:
        return handleMove(e);
    case WM_MBUTTONUP:
        return handleMiddleUp(e);
    case WM_RBUTTONDOWN:
        if (!keyIsDown(VK_MENU)) return false;
        state.rightGesture = RightGesture::AltDrag;
        begin(RIGHT, e);
        startCtrlRightDrag(RIGHT, e, &state.altRightCtrlWindow);
        return true;
    case WM_LBUTTONDOWN:
        return handleLeftDown(e);
    case WM_MBUTTONDOWN:
        return handleMiddleDown(e);
    default:
        return false;
    }
}

// Each button's gesture and whether it is held, to tell whether a call
// changed any.
uint32_t gestureBits() {
    const GestureButton* g = state.gestureButtons;
    return static_cast<uint32_t>(state.leftGesture) | static_cast<uint32_t>(state.rightGesture) << 4 |
           static_cast<uint32_t>(state.middleGesture) << 6 | g[LEFT].held << 8 | g[RIGHT].held << 9 |
           g[MIDDLE].held << 10;
}

void endGestures(const bool ending[3]) {
    const GestureButton* g = state.gestureButtons;
    // A release sent here may open a host's menu, whose loop ends (or starts)
    // gestures itself: what is left then is no longer this call's to end.
    const uint32_t changes = state.gestureChanges;
    for (int b = LEFT; b <= MIDDLE; ++b) {
        if (gestureChangedSince(changes)) break;
        if (!ending[b]) continue;
        const Event e = {g[b].window, g[b].at};
        const bool pressSent = b == LEFT && state.leftGesture == LeftGesture::PressSent;
        if (b == LEFT && !handleLeftUp(e) && pressSent) replayLeftUp(e);
        if (b == RIGHT) handleRightUp(e);
        if (b == MIDDLE) handleMiddleUp(e);
    }
    ++state.gestureChanges;
}

void endAllGestures() {
    const GestureButton* g = state.gestureButtons;
    const bool held[3] = {g[LEFT].held, g[RIGHT].held, g[MIDDLE].held};
    if (held[LEFT] || held[RIGHT] || held[MIDDLE]) endGestures(held);
    // What a press armed and no motion has started yet.
    if (state.leftGesture == LeftGesture::AltArmed || state.leftGesture == LeftGesture::ChordPending)
        state.leftGesture = LeftGesture::None;
    if (state.middleGesture == MiddleGesture::AltArmed) state.middleGesture = MiddleGesture::None;
}

