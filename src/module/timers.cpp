// The timer-driven exports: dragger mode, mask key capture and the H burst.
// Timer procedures run from the host's message dispatch on its UI thread.
// Each runs as a call (asCall): it first settles the keys let go where the
// hooks never saw it, and ends with any switch that waits for a quiet moment.
#include "module/exports.h"
#include "state/state.h"
#include "translate/hooks.h"
#include "translate/reconcile.h"

namespace {

void startDragger() {
    if (state.draggerKey != 0) return;
    if (platform::focusWindow() != state.mainWindow) return;
    // Without exactly one held key there is nothing to repeat; arming the
    // timer anyway would send key-downs of key 0 forever.
    const int key = singleHeldKey();
    if (key == 0) return;
    state.draggerKey = key;
    keepModuleLoaded();
    state.draggerDue = platform::tickCount() + 1;
    state.draggerTimer = platform::setTimer(state.draggerTimer, 1, draggerTick);
    platform::showCursor(false);
}

void repeatDraggerKey() {
    // The key may have gone up, or the focus left main, since a hook last
    // looked (with translation off none looks): a repeat sent now would
    // reach a window that never hears the key's release.
    if (!keyIsDown(state.draggerKey)) {
        // The release is still on its way to the hook: main got the repeats,
        // so it hears it even as the mask key.
        if (state.enabled && state.draggerKey == state.maskKey) state.maskPressPassed = true;
        stopDragger();
    }
    stopDraggerIfUnfocused();
    if (state.draggerKey != 0)
        platform::sendMessage(state.mainWindow, WM_KEYDOWN, static_cast<WParam>(state.draggerKey), KEY_REPEAT_CTRL);
    // The host may pump messages inside its key-down handler: a hook
    // re-entered there may have ended the mode and killed this timer.
    if (state.draggerKey != 0) {
        // Every 50 ms on average, though the platform fires timers only at
        // its clock's ticks (15.6 ms apart on most machines): each tick arms
        // for what is left until the next repeat is due. Behind by more than
        // that, the schedule starts afresh rather than repeat in a burst.
        const uint32_t now = platform::tickCount();
        state.draggerDue += 50;
        int32_t left = static_cast<int32_t>(state.draggerDue - now);
        if (left < static_cast<int32_t>(USER_TIMER_MINIMUM)) {
            state.draggerDue = now + 50;
            left = 50;
        }
        state.draggerTimer = platform::setTimer(state.draggerTimer, static_cast<uint32_t>(left), draggerTick);
    }
}

void captureMaskKey() {
    if (platform::focusWindow() != state.mainWindow) return;
    const int key = singleHeldKey();
    if (key == 0) return;
    // With translation on, a key held now went down to the host as an
    // ordinary key: the host is owed its release.
    if (key != state.maskKey) state.maskPressPassed = state.enabled;
    state.maskKey = key;
    if (state.maskActive) return;
    keepModuleLoaded();
    state.maskTimer = platform::setTimer(state.maskTimer, 50, maskTimerTick);
}

void pressCtrlIfMaskHeld() {
    // A key released before the tick has had its release handled already;
    // pressing Ctrl now would leave the host with Ctrl held and nothing to
    // release it. With translation off the key's release passes on
    // untracked: the key only changes.
    if (state.enabled && keyIsDown(state.maskKey)) pressCtrlForMask();
    killTimer(&state.maskTimer);
}

void startBurst() {
    state.burstTicks = 0;
    keepModuleLoaded();
    state.burstTimer = platform::setTimer(state.burstTimer, 1, burstTick);
}

void sendBurstPair() {
    if (state.burstTicks > 4) {
        killTimer(&state.burstTimer);
        state.burstTicks += 1;
    } else {
        state.burstTicks += 1;
        platform::sendMessage(state.mainWindow, WM_KEYDOWN, VK_H, KEY_REPEAT_CTRL);
        platform::sendMessage(state.mainWindow, WM_KEYUP, VK_H, KEY_REPEAT_CTRL);
        // The host's own H handler may have cancelled the burst meanwhile.
        if (state.burstTimer != 0) state.burstTimer = platform::setTimer(state.burstTimer, 10, burstTick);
    }
}

void cancelBurst() { killTimer(&state.burstTimer); }

}  // namespace

extern "C" void PLATFORM_CDECL startDraggerMode() { asCall(startDragger); }
void PLATFORM_CALLBACK draggerTick(WindowHandle, uint32_t, TimerId, TimerTime) { asCall(repeatDraggerKey); }
extern "C" void PLATFORM_CDECL customMaskKeyPressed() { asCall(captureMaskKey); }
void PLATFORM_CALLBACK maskTimerTick(WindowHandle, uint32_t, TimerId, TimerTime) { asCall(pressCtrlIfMaskHeld); }
extern "C" void PLATFORM_CDECL doDelayedEnable() { asCall(startBurst); }
void PLATFORM_CALLBACK burstTick(WindowHandle, uint32_t, TimerId, TimerTime) { asCall(sendBurstPair); }
extern "C" void PLATFORM_CDECL setOrvalindeIsEnabled() { asCall(cancelBurst); }
