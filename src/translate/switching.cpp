// doEnable and doDisable take effect at a quiet moment: while the user holds
// a key or a button, the module goes on as it was, so that every press ends
// the way it began, translated or passed on.
#include "state/state.h"
#include "translate/hooks.h"
#include "translate/switching.h"

namespace {

bool nothingHeld() {
    for (int key = 1; key <= 254; ++key)
        if (keyIsDown(key)) return false;
    return true;
}

bool sameKey(int a, int b) {
    return a == b || (isCtrlFamily(a) && isCtrlFamily(b)) || (isAltFamily(a) && isAltFamily(b)) ||
           ((a == VK_SHIFT || a == VK_LSHIFT || a == VK_RSHIFT) && (b == VK_SHIFT || b == VK_LSHIFT || b == VK_RSHIFT));
}

// A key's release still waits in the queue: the key state reads the key up
// as soon as it is queued. Inside the keyboard hook (`keyAtHand` nonzero)
// the key at hand is queued itself; a release queued behind it shows as a
// key that the thread's own key state, which follows each key as it is
// taken, still has down.
bool releaseStillQueued(int keyAtHand) {
    if (keyAtHand == 0) return platform::keyInputQueued();
    for (int key = 8; key <= 254; ++key)
        if (!sameKey(key, keyAtHand) && platform::threadKeyState(key) < 0) return true;
    return false;
}

// Once translation is off the hooks no longer see how anything ends, so what
// the module began is finished here. At a true quiet moment most of it is
// over already, but the key state can read "nothing held" while a release is
// still on its way, and an Alt + right drag whose Alt went up first still
// owes its Ctrl key-up.
void finishWhatTranslationBegan() {
    // Neither key is held: ending a drag must not press Alt again, and the
    // owed key-up must not be left to a Ctrl release.
    state.altHeld = false;
    state.ctrlHeld = false;
    endAllGestures();
    settleOwedCtrlUp();
    // Main's Ctrl is the mask's (its key-up as the mask key's release sends
    // it: whatever the module last told main, since the user's own Ctrl
    // may have reached main meanwhile and its release been kept as the
    // mask's) or a handed-over one (as taking it back sends it).
    const bool mask = state.maskActive;
    const LParam ctrlUp = mask ? KEY_OWED_CTRL_UP : KEY_REPEAT_CTRL;
    state.ctrlWithheld = false;
    state.altInjected = false;
    state.maskActive = false;
    if (leftMasked()) state.leftGesture = LeftGesture::None;
    state.maskPressPassed = false;
    if (state.mainCtrlDown || mask) sendModifier(state.mainWindow, WM_KEYUP, VK_CONTROL, ctrlUp);
    if (state.mainAltDown) sendAltUpToMain();
}

}  // namespace

void switchIfNothingHeld(int keyAtHand) {
    // Nothing read held proves nothing while the key state reads nothing.
    if (!nothingHeld() || platform::foregroundOutOfReach()) return;
    // Going on waits for a release still queued too, which translation would
    // judge without having seen the press (a mask key's release swallowed
    // that the host saw go down); going off finishes what translation began
    // and passes such a release on.
    if (state.enableRequested && releaseStillQueued(keyAtHand)) return;
    // Its key is up: with translation off no hook saw the release.
    stopDragger();
    // Switched before anything is sent: a loop the host runs inside a send
    // finds translation off and passes its input on.
    state.enabled = state.enableRequested;
    if (!state.enabled) finishWhatTranslationBegan();
}
