// Keyboard hook: tracks Alt and Ctrl, withholds a lone Ctrl from the host,
// lets the mask key stand for a held Ctrl, obeys dragger mode, and settles
// the Ctrl key-up that the mouse gestures owe.
#include "state/state.h"
#include "translate/hooks.h"
#include "translate/keys.h"
#include "translate/reconcile.h"
#include "translate/switching.h"

namespace {

constexpr LResult SWALLOW = 1;

inline void sendCtrlToMain(uint32_t message, LParam lParam) { sendModifier(state.mainWindow, message, VK_CONTROL, lParam); }

// Passed on, unless overtaken by its own release.
inline LResult passOn(int code, WParam wParam, LParam lParam) {
    return pressOvertaken() ? SWALLOW : platform::callNextHook(code, wParam, lParam);
}

// The window a key passed on now reaches.
inline WindowHandle focusOrMain() {
    const WindowHandle focus = platform::focusWindow();
    return focus != nullptr ? focus : state.mainWindow;
}

// Takes the user's Ctrl back from the host: from the window that was told it
// went down, and from main if the module's last word to main was Ctrl down.
void takeCtrlBack() {
    const WindowHandle window = state.ctrlDownWindow != nullptr ? state.ctrlDownWindow : state.mainWindow;
    sendModifier(window, WM_KEYUP, VK_CONTROL, KEY_REPEAT_CTRL);
    if (state.mainCtrlDown && window != state.mainWindow)
        sendModifier(state.mainWindow, WM_KEYUP, VK_CONTROL, KEY_REPEAT_CTRL);
}

// The user's release of Ctrl or Alt, passed on, reaches the focus window.
// Where the module last told main that key went down, main hears it go up too.
void answerInMain(int key) {
    bool& mainDown = key == VK_CONTROL ? state.mainCtrlDown : state.mainAltDown;
    if (!mainDown) return;
    if (focusOrMain() != state.mainWindow)
        sendModifier(state.mainWindow, WM_KEYUP, key, key == VK_CONTROL ? KEY_REPEAT_CTRL : KEY_ALT_UP);
    else
        mainDown = false;
}

// Undoes an Alt key-down that the module itself injected.
void releaseAlt() {
    if (!state.altInjected) return;
    state.altInjected = false;
    if (!state.altHeld) sendAltUpToMain();
}

// The mask key never reaches the host.
void handleMaskKey(bool released) {
    if (!released) {
        if (!anyOtherKeyDown(state.maskKey)) pressCtrlForMask();
        return;
    }
    state.maskPressPassed = false;
    if (state.maskActive) {
        sendCtrlToMain(WM_KEYUP, KEY_OWED_CTRL_UP);
        // Alt is held back only for a masked left press: its replayed release
        // sends the key-up. Any other left press has no such release.
        if (!state.altHeld && !leftMasked()) sendAltUpToMain();
        state.maskActive = false;
    }
}

}  // namespace

bool handleCtrl(bool released) {
    // The host has been told that Ctrl is down (passed on, or handed over).
    const bool hostKnowsCtrl = state.ctrlHeld && !state.ctrlWithheld;
    state.ctrlHeld = !released;
    if (state.maskActive || leftMasked()) {
        if (!released)
            sendAltDownToMain();
        else if (!state.altHeld)
            sendAltUpToMain();
    }
    if (!released) {
        if (pressOvertaken()) return true;
        if (anyOtherKeyDown(-1)) {
            // Passed on, a Ctrl still withheld is the host's from here: its
            // release must reach the host too (a key held with it never
            // handed it over when that key became the dragger's).
            if (state.ctrlWithheld) {
                state.ctrlWithheld = false;
                if (state.altInjected) sendAltUpToMain();
            }
            state.ctrlDownWindow = focusOrMain();
            return false;
        }
        state.ctrlWithheld = true;
        // A repeat that withholds Ctrl again must first take it back from the
        // host, or its swallowed release would leave Ctrl down there.
        if (hostKnowsCtrl) takeCtrlBack();
        if (pressOvertaken()) return true;
        if (!state.altInjected && buttonIsDown(VK_LBUTTON)) {
            state.altInjected = true;
            sendAltDownToMain();
        }
        return true;
    }
    if (state.ctrlWithheld) {
        releaseAlt();
        state.ctrlWithheld = false;
        return true;
    }
    const bool maskHeld = state.maskActive;
    releaseAlt();
    // The mask holds Ctrl down for main alone: another window that the
    // user's own Ctrl key-down reached is told of its release.
    if (maskHeld && hostKnowsCtrl && state.ctrlDownWindow != nullptr && state.ctrlDownWindow != state.mainWindow)
        sendModifier(state.ctrlDownWindow, WM_KEYUP, VK_CONTROL, KEY_REPEAT_CTRL);
    return maskHeld;
}

void handleOtherKey(int key, bool released) {
    if (state.ctrlWithheld && !released) {
        // Handed over before anything is sent: the host may pump messages
        // inside its handler, and Ctrl may go up in a hook re-entered there.
        state.ctrlWithheld = false;
        state.ctrlDownWindow = state.mainWindow;
        if (state.altInjected) sendAltUpToMain();
        // Unless a release taken inside that send withheld Ctrl again.
        if (state.ctrlHeld && !state.ctrlWithheld) sendCtrlToMain(WM_KEYDOWN, KEY_LATE_CTRL_DOWN);
    }
    if (state.ctrlHeld && released && !anyOtherKeyDown(key)) {
        state.ctrlWithheld = true;
        takeCtrlBack();
        // Let go inside that send: no Ctrl is withheld for Alt to stand in.
        if (!state.ctrlWithheld) return;
        if (state.altInjected) {
            sendAltDownToMain();
        } else if (buttonIsDown(VK_LBUTTON)) {
            state.altInjected = true;
            sendAltDownToMain();
        }
    }
}

void pressCtrlForMask() {
    if (state.maskActive) return;
    // Held before anything is sent: the host may pump messages inside its
    // handler, and a hook re-entered there must see the mask's Ctrl to
    // release it.
    state.maskActive = true;
    // A withheld Ctrl is handed over with the mask's Ctrl key-down.
    const bool handOver = state.ctrlWithheld;
    if (handOver) {
        state.ctrlDownWindow = state.mainWindow;
        state.ctrlWithheld = false;
    }
    sendCtrlToMain(WM_KEYDOWN, KEY_REPEAT_CTRL);
    // Unless the mask ended inside that send, its Alt key-up sent already.
    if (handOver && state.maskActive) sendAltDownToMain();
}

namespace {

LResult keyEvent(int code, WParam wParam, LParam lParam) {
    if (!state.enabled) return platform::callNextHook(code, wParam, lParam);
    stopDraggerIfUnfocused();
    if (code != HC_ACTION) return platform::callNextHook(code, wParam, lParam);

    // Bit 31 marks a release; on 64-bit the parameter may arrive sign-extended.
    const bool released = (static_cast<uint64_t>(lParam) >> 31) != 0;
    const int key = static_cast<int32_t>(static_cast<uint32_t>(wParam));

    settleWhatWentUnseen(key, 0, nullptr);

    // Holding Alt after an Alt + right drag must not settle its Ctrl key-up;
    // Alt's release (and a right Alt press) does.
    if (!(!released && (key == VK_MENU || key == VK_LMENU))) settleOwedCtrlUp();
    if (pressOvertaken()) return SWALLOW;
    // Switched off inside those sends, at a quiet moment: the event is the
    // host's, as every one is with translation off.
    if (!state.enabled) return platform::callNextHook(code, wParam, lParam);

    // Main got the dragger key's repeats: it hears the release, whatever
    // else the key is.
    bool hostSawPress = false;
    if (state.draggerKey != 0 && key == state.draggerKey) {
        if (!released) return SWALLOW;
        stopDragger();
        hostSawPress = true;
    }

    if (key == state.maskKey) {
        hostSawPress = hostSawPress || state.maskPressPassed;
        handleMaskKey(released);
        // Passed on after the mask's own key-ups.
        return released && hostSawPress ? platform::callNextHook(code, wParam, lParam) : SWALLOW;
    }

    if (isCtrlFamily(key)) {
        if (handleCtrl(released)) return SWALLOW;
        if (released) answerInMain(VK_CONTROL);
        return passOn(code, wParam, lParam);
    }

    if (isAltFamily(key)) state.altHeld = !released;
    handleOtherKey(key, released);
    if (released && isAltFamily(key)) answerInMain(VK_MENU);
    return passOn(code, wParam, lParam);
}

}  // namespace

LResult PLATFORM_CALLBACK KeyboardProc(int code, WParam wParam, LParam lParam) {
    const bool press = (static_cast<uint64_t>(lParam) >> 31) == 0;
    // Where the hook runs before the key leaves the queue (Wine 8), a loop
    // inside one of our sends is handed the key at hand again, first. It has
    // been handled: translated again it would be judged twice, passed on it
    // would reach the host beside the outer call's answer.
    InputAtHand* outer = state.inputsAtHand;
    if (code == HC_ACTION && outer != nullptr && outer->keyboard && !outer->interrupted &&
        outer->key == static_cast<int32_t>(static_cast<uint32_t>(wParam)) && outer->press == press) {
        outer->interrupted = true;
        return SWALLOW;
    }
    InputAtHand at;
    beginInput(&at, code == HC_ACTION ? static_cast<int32_t>(static_cast<uint32_t>(wParam)) : 0, press);
    // Where the platform takes a key before its hook, the press is in the
    // thread's key state already; a release taken past the hook clears it.
    at.readDown = at.press && platform::threadKeyState(at.key) < 0;
    at.keyboard = code == HC_ACTION;
    const LResult result = keyEvent(code, wParam, lParam);
    endInput(at);
    switchWhenQuiet(code == HC_ACTION ? static_cast<int>(wParam & 0xFF) : 0);
    return result;
}
