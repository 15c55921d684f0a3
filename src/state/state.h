// The one module-wide record that the hooks, the timers and the exports
// share. Everything runs on the host's UI thread, so nothing is locked.
#pragma once

#include <stdint.h>

#include "platform/platform.h"
#include "state/vocabulary.h"

struct GestureButton {
    WindowHandle window;
    Point at;
    bool held;
    bool rightPressOut;  // the drag's right press went out: its release answers it
};

// What a press of each button began: one gesture per button at a time, so
// that combinations no input can reach cannot be written either.
enum class LeftGesture : uint8_t {
    None,
    PressSent,     // Ctrl + left: the module sent the press itself
    AltArmed,      // Alt + left, not yet moved
    AltDrag,       // Alt + left moved: a right drag
    Chord,         // Alt + left + middle: a Ctrl + right drag
    ChordPending,  // the other button joined a drag: a chord on the next motion
    Masked,        // pressed while the mask key stands for Ctrl
};
enum class RightGesture : uint8_t { None, AltDrag };
enum class MiddleGesture : uint8_t { None, AltArmed, AltDrag };

struct ReplacedEvent {
    WParam message;
    Point screen;
    bool live;
};

// An input event a hook is handling, linked to the one it interrupted: a
// loop the host runs inside one of our sends takes the input queued behind
// it first.
struct InputAtHand {
    int32_t key;  // its virtual key, a button's too (0: neither)
    bool press;
    bool overtaken;  // a press whose own release was taken meanwhile
    bool readDown;   // a key press the thread's key state had at its start
    bool keyboard;
    bool interrupted;  // another event began inside its sends
    InputAtHand* outer;
};

struct TranslationState {
    bool enabled = false;
    // What the host last asked for: doEnable and doDisable switch `enabled`
    // only once the user holds nothing, so that every press ends the way it
    // began, translated or passed on.
    bool enableRequested = false;
    bool hooksInstalled = false;
    bool modulePinned = false;
    WindowHandle mainWindow = nullptr;
    HookHandle mouseHook = nullptr;
    HookHandle keyboardHook = nullptr;

    int32_t draggerKey = 0;  // nonzero: dragger mode is on
    TimerId draggerTimer = 0;
    uint32_t draggerDue = 0;  // the tick count the next repeat is due at

    int32_t maskKey = VK_TAB;
    TimerId maskTimer = 0;
    bool maskActive = false;
    // The host saw the mask key go down (it was captured while held): its
    // release is passed on too.
    bool maskPressPassed = false;

    bool ctrlWithheld = false;
    bool altInjected = false;
    bool altHeld = false;
    bool ctrlHeld = false;

    WindowHandle pendingCtrlUpWindow = nullptr;
    // Where each Ctrl-chorded drag sent its Ctrl key-down: the key-up it owes
    // goes there, wherever the pointer is at the release.
    WindowHandle altRightCtrlWindow = nullptr;
    WindowHandle chordCtrlWindow = nullptr;
    // Where the host was told that the user's Ctrl went down (the focus
    // window it was passed on to, or the window it was sent to): the key-up
    // that takes it back goes there.
    WindowHandle ctrlDownWindow = nullptr;
    // The module's last Ctrl or Alt keystroke to main was a key-down: when
    // the user's release of that key goes to another window, main is owed it.
    bool mainCtrlDown = false;
    bool mainAltDown = false;

    LeftGesture leftGesture = LeftGesture::None;
    RightGesture rightGesture = RightGesture::None;
    MiddleGesture middleGesture = MiddleGesture::None;
    // Where an armed Alt + left or Alt + middle press was made: its drag
    // starts there.
    Point leftAnchor = {0, 0};
    Point middleAnchor = {0, 0};
    uint32_t chordSwitchTick = 0;  // when the pending chord was set

    bool sendingLeftUp = false;

    // Per button (left, right, middle), the gesture that button holds on:
    // where it last sent a mouse message (or had one passed on), and whether
    // the button was down when it began. A release the hooks never see (the
    // pointer was over another program, or a title bar) is replayed there.
    GestureButton gestureButtons[3] = {};
    // Counts every change to the gesture flags, so that a handler whose send
    // was re-entered can tell that the re-entered call moved on.
    uint32_t gestureChanges = 0;
    // The mouse event whose replacement is being sent: a host's modal loop
    // inside that send may be handed the same event again.
    ReplacedEvent replacing = {};
    // The input events being handled, innermost first; null between events.
    InputAtHand* inputsAtHand = nullptr;

    int32_t burstTicks = 0;
    TimerId burstTimer = 0;
};

static_assert(sizeof(bool) == 1, "flags are one byte holding 0 or 1");

extern TranslationState state;

// lParam of a synthetic mouse message: low 16 bits of x and y, the 32-bit
// result sign-extended to the width of lParam.
inline LParam makePointParam(Point point) {
    uint32_t packed = (static_cast<uint32_t>(point.x) & 0xFFFFu) | (static_cast<uint32_t>(point.y) << 16);
    return static_cast<LParam>(static_cast<int32_t>(packed));
}

// Settles the Ctrl key-up a gesture owes: dropped where Ctrl's own release
// will reach the window owed it, sent otherwise.
void settleOwedCtrlUp();
// Sends the owed Ctrl key-up, if any, whoever holds Ctrl.
void sendOwedCtrlUp();
// Each timer id is kept only while its timer lives: a killed one's id is
// the thread's to hand out again, to the host or another module.
void killTimer(TimerId* timer);
void stopDragger();
void stopDraggerIfUnfocused();
bool anyOtherKeyDown(int excludedKey);
int singleHeldKey();

// Each hook brackets its event with these. Whatever translation does with
// it, a release taken reaches the host before any press of its key or
// button still being handled: that press is overtaken, and passed on after
// its release it would leave the host believing it down for good.
void beginInput(InputAtHand* at, int key, bool press);
inline void endInput(const InputAtHand& at) { state.inputsAtHand = at.outer; }
// A key whose event a keyboard hook call under way is handling, this one or
// one our sends interrupted: whatever the key state says, its hooks see it.
inline bool keyEventAtHand(int key) {
    for (const InputAtHand* at = state.inputsAtHand; at != nullptr; at = at->outer)
        if (at->keyboard && (at->key == key || (isCtrlFamily(at->key) && isCtrlFamily(key)) ||
                             (isAltFamily(at->key) && isAltFamily(key))))
            return true;
    return false;
}
// A platform may run the keyboard hook one deep: a key the host takes inside
// our send then reaches it past the hook, and only the thread's key state
// tells that the press at hand was let go meanwhile.
inline bool pressOvertaken() {
    const InputAtHand* at = state.inputsAtHand;
    if (at == nullptr) return false;
    return at->overtaken || (at->readDown && platform::threadKeyState(at->key) >= 0);
}

// The hooks and timer procedures live in this module: before the system is
// handed one, the module makes sure no FreeLibrary of the host unmaps it.
inline void keepModuleLoaded() {
    if (!state.modulePinned) state.modulePinned = platform::pinModule();
}

// A gesture holds on while a button the hooks saw held.
inline bool anyGestureHeld() {
    const GestureButton* g = state.gestureButtons;
    return g[0].held || g[1].held || g[2].held;
}

inline bool keyIsDown(int virtualKey) { return platform::asyncKeyState(virtualKey) < 0; }
// A mouse button by the logical button of the messages (VK_LBUTTON,
// VK_RBUTTON or VK_MBUTTON). The key state reads the physical buttons, and
// a left-handed user has the left and right ones swapped; the setting may
// change at any time, so it is read each time.
inline bool buttonIsDown(int logicalButton) {
    if (logicalButton == VK_MBUTTON) return keyIsDown(VK_MBUTTON);
    return keyIsDown(platform::buttonsSwapped() ? VK_LBUTTON + VK_RBUTTON - logicalButton : logicalButton);
}
// A left press made while the mask key stood for Ctrl: its release is
// replayed, and the Alt key-up the mask's release held back waits for it.
inline bool leftMasked() { return state.leftGesture == LeftGesture::Masked; }
// The module remembers a key held: the user's Ctrl or Alt, the mask key, or
// dragger mode's key.
inline bool anyKeyRemembered() {
    return state.ctrlHeld | state.altHeld | state.maskActive | state.maskPressPassed | (state.draggerKey != 0);
}
// Every Ctrl and Alt keystroke the module sends goes through here, so that it
// knows what main was last told of each.
inline void sendModifier(WindowHandle window, uint32_t message, int key, LParam lParam) {
    if (window == state.mainWindow) (key == VK_CONTROL ? state.mainCtrlDown : state.mainAltDown) = message == WM_KEYDOWN;
    platform::sendMessage(window, message, static_cast<WParam>(key), lParam);
}
inline void sendAltDownToMain() { sendModifier(state.mainWindow, WM_KEYDOWN, VK_MENU, KEY_ALT_DOWN); }
inline void sendAltUpToMain() { sendModifier(state.mainWindow, WM_KEYUP, VK_MENU, KEY_ALT_UP); }
