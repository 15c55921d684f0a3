// Squares what the module remembers with what the platform says: the
// releases of keys and buttons that went where the hooks never saw them, a
// key state that reads nothing, input still queued behind the event at hand.
// Every hook call, timer procedure and export passes through here first.
#include "translate/reconcile.h"

#include "translate/gestures.h"
#include "translate/keys.h"

namespace {

// A reading of "up" proves nothing while the foreground is out of reach,
// every key reading up; unless the event at hand is a press whose own
// button reads down, which shows the readings are live.
bool keyStateBlind(WParam message) {
    const bool press = message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK && (message - WM_LBUTTONDOWN) % 3 != 1;
    if (press && buttonIsDown(kButtonKey[(message - WM_LBUTTONDOWN) / 3])) return false;
    return platform::foregroundOutOfReach();
}

// Up, and not on its way to the hooks. The desktop's key state runs ahead of
// the thread's queue: a release still queued behind the event at hand reads
// up already. Outside the keyboard hook no key message queued tells them
// apart. Inside it the key at hand may be queued itself, so the thread's
// own key state does: a release not yet taken has not reached it. A key
// whose event a hook call under way handles is never released unseen, even
// once out of the queue. (Under Wine that state can lag after the focus
// came back, until read outside input: the key is then settled at the next
// mouse event, tick or call instead.)
// And a reading of "up" counts only while the key state reads anything at
// all: `blind` keeps that check, made once (-1: not yet).
bool releasedUnseen(int key, bool inKeyboardHook, WParam mouseMessage, int* blind) {
    if (keyIsDown(key) || keyEventAtHand(key)) return false;
    if (inKeyboardHook ? platform::threadKeyState(key) < 0 : platform::keyInputQueued()) return false;
    if (*blind < 0) *blind = keyStateBlind(mouseMessage);
    return *blind == 0;
}

// The dragger key or the mask key, released where the hooks never saw it.
// The mask is over before its key-ups go out: a hook re-entered from them
// reads the key up too, and must not settle it again.
void settleKey(int key) {
    settleOwedCtrlUp();
    if (key == state.draggerKey) stopDragger();
    if (key != state.maskKey) return;
    const bool active = state.maskActive;
    state.maskActive = state.maskPressPassed = false;
    if (!active) return;
    sendModifier(state.mainWindow, WM_KEYUP, VK_CONTROL, KEY_OWED_CTRL_UP);
    if (!state.altHeld && !leftMasked()) sendAltUpToMain();
}

}  // namespace

void endLostGestures(WParam message, WindowHandle target) {
    const GestureButton* g = state.gestureButtons;
    bool lost[3], ending[3];
    bool any = false, anyUp = false;
    for (int b = LEFT; b <= MIDDLE; ++b) {
        const WParam press = kButtonUp[b] - 1;
        // A press of the button, or the double-click a second press makes,
        // means it went up since, wherever its release went.
        const bool pressedAgain = g[b].held && (message == press || message == press + 2);
        lost[b] = g[b].held && !pressedAgain && message != kButtonUp[b] && !buttonIsDown(kButtonKey[b]);
        ending[b] = lost[b] || pressedAgain;
        any = any || ending[b];
        anyUp = anyUp || lost[b];
    }
    if (!any) return;
    // The async state changes when a release is queued: one still queued
    // behind this event is on its way to its handler. Nor is a button that
    // reads up while the key state reads nothing released; but such a drag
    // is not followed into another window: were its button up, that window
    // would get the release, and the one sent the press never would.
    const bool queued = anyUp && platform::buttonInputQueued();
    if (anyUp && (queued || keyStateBlind(message))) {
        const bool moved = !queued && message == WM_MOUSEMOVE;
        for (int b = LEFT; b <= MIDDLE; ++b) ending[b] = ending[b] && (!lost[b] || (moved && target != g[b].window));
        if (!ending[LEFT] && !ending[RIGHT] && !ending[MIDDLE]) return;
    }
    endGestures(ending);
}

void settleKeysReleasedElsewhere(int keyAtHand, WParam mouseMessage) {
    if (!anyKeyRemembered()) return;
    const bool inKeyboardHook = keyAtHand != 0;
    int blind = -1;
    auto up = [&](int key) { return releasedUnseen(key, inKeyboardHook, mouseMessage, &blind); };
    // Ctrl first: a drag's owed key-up then goes out with Alt, as when Ctrl
    // goes up before Alt.
    if (state.ctrlHeld && !isCtrlFamily(keyAtHand) && up(VK_CONTROL)) {
        // Its release will never reach the window owed the key-up.
        sendOwedCtrlUp();
        // Passed on, the release would have answered main's Ctrl; there is none.
        if (!handleCtrl(true) && state.mainCtrlDown) sendModifier(state.mainWindow, WM_KEYUP, VK_CONTROL, KEY_REPEAT_CTRL);
    }
    if (state.altHeld && !isAltFamily(keyAtHand) && up(VK_MENU)) {
        // Forgotten before anything is sent: a hook re-entered from the sends
        // must not settle Alt again.
        state.altHeld = false;
        settleOwedCtrlUp();
        handleOtherKey(VK_MENU, true);
        if (state.mainAltDown) sendAltUpToMain();
    }
    const int dragger = state.draggerKey;
    if (dragger != 0 && dragger != keyAtHand && up(dragger)) settleKey(dragger);
    const int mask = state.maskKey;
    if ((state.maskActive || state.maskPressPassed) && mask != keyAtHand && up(mask)) settleKey(mask);
}
