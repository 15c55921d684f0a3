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
    flushPendingCtrlUp();
    // Main's Ctrl is the mask's (its key-up as the mask key's release sends
    // it) or a handed-over one (as taking it back sends it).
    const LParam ctrlUp = state.maskActive ? KEY_OWED_CTRL_UP : KEY_REPEAT_CTRL;
    state.ctrlWithheld = false;
    state.altInjected = false;
    state.maskActive = false;
    state.maskedLeftDown = false;
    state.maskPressPassed = false;
    if (state.mainCtrlDown) sendModifier(state.mainWindow, WM_KEYUP, VK_CONTROL, ctrlUp);
    if (state.mainAltDown) sendAltUpToMain();
}

}  // namespace

void switchIfQuiet(bool inKeyboardHook) {
    // Nothing read held proves nothing while the key state reads nothing.
    if (!nothingHeld() || platform::foregroundOutOfReach()) return;
    // The key state reads a key up once its release is queued. Going on
    // waits for such a release too, which translation would judge without
    // having seen the press (a mask key's release swallowed that the host
    // saw go down); going off finishes what translation began and passes it
    // on. Inside the keyboard hook the key at hand is queued itself.
    if (state.enableRequested && !inKeyboardHook && platform::keyInputQueued()) return;
    // Its key is up: with translation off no hook saw the release.
    stopDragger();
    // Switched before anything is sent: a loop the host runs inside a send
    // finds translation off and passes its input on.
    state.enabled = state.enableRequested;
    if (!state.enabled) finishWhatTranslationBegan();
}
