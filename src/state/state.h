// The one module-wide record that the hooks, the timers and the exports
// share. Everything runs on the host's UI thread, so nothing is locked.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "state/vocabulary.h"

struct TranslationState {
    bool enabled = false;
    bool hooksInstalled = false;
    bool modulePinned = false;
    WindowHandle mainWindow = nullptr;
    HookHandle mouseHook = nullptr;
    HookHandle keyboardHook = nullptr;

    int32_t draggerKey = 0;  // nonzero: dragger mode is on
    TimerId draggerTimer = 0;

    int32_t maskKey = VK_TAB;
    TimerId maskTimer = 0;
    bool maskActive = false;

    bool ctrlWithheld = false;
    bool altInjected = false;
    bool altHeld = false;
    bool ctrlHeld = false;

    WindowHandle pendingCtrlUpWindow = nullptr;
    // Where each Ctrl-chorded drag sent its Ctrl key-down: the key-up it owes
    // goes there, wherever the pointer is at the release.
    WindowHandle altRightCtrlWindow = nullptr;
    WindowHandle chordCtrlWindow = nullptr;
    bool maskedLeftDown = false;

    bool altLeftArmed = false;
    Point leftAnchor = {0, 0};
    bool altLeftDragActive = false;

    bool altMiddleArmed = false;
    Point middleAnchor = {0, 0};
    bool altMiddleDragActive = false;

    bool altRightDragActive = false;
    bool chordDragActive = false;
    bool chordSwitchPending = false;
    uint32_t chordSwitchTick = 0;

    bool sendingLeftUp = false;

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

void flushPendingCtrlUp();
void stopDragger();
void stopDraggerIfUnfocused();
bool anyOtherKeyDown(int excludedKey);
int singleHeldKey();

// The hooks and timer procedures live in this module: before the system is
// handed one, the module makes sure no FreeLibrary of the host unmaps it.
inline void keepModuleLoaded() {
    if (!state.modulePinned) state.modulePinned = platform::pinModule();
}

inline bool keyIsDown(int virtualKey) { return platform::asyncKeyState(virtualKey) < 0; }
inline void sendAltDownToMain() { platform::sendMessage(state.mainWindow, WM_KEYDOWN, VK_MENU, KEY_ALT_DOWN); }
inline void sendAltUpToMain() { platform::sendMessage(state.mainWindow, WM_KEYUP, VK_MENU, KEY_ALT_UP); }
