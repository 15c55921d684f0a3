#include "state/state.h"

TranslationState state;

void settleOwedCtrlUp() {
    if (state.pendingCtrlUpWindow == nullptr) return;
    // The owed key-up is dropped only when the window owed it was told of a
    // Ctrl the user holds and has the focus, so that Ctrl's own release, or
    // the key-up that takes it back, will reach it. A withheld Ctrl is
    // unknown to the host, and one handed over to main is taken back from
    // main: dropping the key-up then would leave the drag's Ctrl down.
    const bool ownReleaseReachesIt = state.ctrlHeld && !state.ctrlWithheld &&
                                     state.ctrlDownWindow == state.pendingCtrlUpWindow &&
                                     platform::focusWindow() == state.pendingCtrlUpWindow;
    if (ownReleaseReachesIt)
        state.pendingCtrlUpWindow = nullptr;
    else
        sendOwedCtrlUp();
}

void sendOwedCtrlUp() {
    const WindowHandle window = state.pendingCtrlUpWindow;
    if (window == nullptr) return;
    // Settled before the send: a drag that ends in a call re-entered from it
    // owes a key-up of its own, which clearing afterwards would lose, and
    // the window already has this one.
    state.pendingCtrlUpWindow = nullptr;
    sendModifier(window, WM_KEYUP, VK_CONTROL, KEY_OWED_CTRL_UP);
}

void beginInput(InputAtHand* at, int key, bool press) {
    if (!press)
        for (InputAtHand* outer = state.inputsAtHand; outer != nullptr; outer = outer->outer)
            if (outer->press && outer->key == key && key != 0) outer->overtaken = true;
    *at = {key, press && key != 0, false, false, false, false, state.inputsAtHand};
    if (at->outer != nullptr) at->outer->interrupted = true;
    state.inputsAtHand = at;
}

void killTimer(TimerId* timer) {
    if (*timer == 0) return;
    platform::killTimer(*timer);
    *timer = 0;
}

void stopDragger() {
    if (state.draggerKey == 0) return;
    state.draggerKey = 0;
    killTimer(&state.draggerTimer);
    platform::showCursor(true);
}

void stopDraggerIfUnfocused() {
    if (state.draggerKey != 0 && platform::focusWindow() != state.mainWindow) stopDragger();
}

bool anyOtherKeyDown(int excludedKey) {
    for (int key = 8; key <= 255; ++key) {
        if (isCtrlFamily(key) || key == excludedKey) continue;
        if (keyIsDown(key)) return true;
    }
    return false;
}

int singleHeldKey() {
    int found = 0;
    for (int key = 8; key <= 255; ++key) {
        if ((key >= VK_SHIFT && key <= VK_MENU) || (key >= VK_LSHIFT && key <= VK_RMENU)) continue;
        if (!keyIsDown(key)) continue;
        if (found != 0) return 0;
        found = key;
    }
    return found;
}
