// Finding the host's main window, installing the thread hooks once, and
// switching translation on and off.
#include "module/exports.h"
#include "state/state.h"
#include "translate/hooks.h"

// ORVALINDE_VERSION comes from the build, which states the version once.
const char* const kAboutText =
    "Orvalinde\r\n"
    "Version " ORVALINDE_VERSION "\r\n"
    "Copyright (C) 2026 Orvalinde Software. All rights reserved.";

namespace {

int findMainWindow(WindowHandle window, LParam) {
    if (platform::windowThreadId(window) != platform::currentThreadId()) return 1;
    state.mainWindow = window;
    return 0;
}

}  // namespace

extern "C" LResult LowLevelMouseProc(int code, WParam wParam, LParam lParam) {
    return platform::callNextHook(code, wParam, lParam);
}

extern "C" bool load() {
    platform::enumWindows(findMainWindow, 0);
    return true;
}

bool installHooks() {
    const uint32_t thread = platform::currentThreadId();
    state.mouseHook = platform::setHook(WH_MOUSE, MouseProc, thread);
    if (state.mouseHook == nullptr) {
        platform::messageBox(nullptr, "Error setting hook for MouseProc!", "");
        return false;
    }
    state.keyboardHook = platform::setHook(WH_KEYBOARD, KeyboardProc, thread);
    if (state.keyboardHook == nullptr) {
        platform::messageBox(nullptr, "Error setting hook for LowLevelKbd!", "Error");
        return false;
    }
    state.enabled = true;
    return true;
}

extern "C" void doEnable() {
    if (!state.hooksInstalled) {
        state.hooksInstalled = true;
        keepModuleLoaded();
        installHooks();
    }
    state.enabled = true;
}

extern "C" void doDisable() { state.enabled = false; }

extern "C" bool showAbout() {
    platform::messageBox(state.mainWindow, kAboutText, "Orvalinde");
    return true;
}
