// Finding the host's main window, installing the thread hooks once, and
// switching translation on and off.
#include "module/exports.h"
#include "state/state.h"
#include "translate/hooks.h"
#include "translate/reconcile.h"

// ORVALINDE_VERSION comes from the build, which states the version once.
const char* const kAboutText =
    "Orvalinde\r\n"
    "Version " ORVALINDE_VERSION "\r\n"
    "Copyright (C) 2026 Orvalinde Software. All rights reserved.";

namespace {

// The thread's top-level windows come in Z order, and hidden ones come too:
// an input-method window or a tooltip is often first. So the main window is
// the first one the taskbar would show; failing that, the first unowned,
// enabled, ordinary window (a main window not shown yet); failing that, the
// first one.
struct MainWindowSearch {
    uint32_t thread;
    WindowHandle first;
    WindowHandle unshown;
    WindowHandle shown;
};

int PLATFORM_CALLBACK findMainWindow(WindowHandle window, LParam param) {
    MainWindowSearch* search = reinterpret_cast<MainWindowSearch*>(param);
    if (platform::windowThreadId(window) != search->thread) return 1;
    const WindowTraits traits = platform::windowTraits(window);
    const bool ordinary = !traits.owned && !traits.toolWindow;
    if (traits.visible && (traits.appWindow || ordinary)) {
        search->shown = window;
        return 0;
    }
    if (search->first == nullptr) search->first = window;
    if (search->unshown == nullptr && ordinary && traits.enabled) search->unshown = window;
    return 1;
}

}  // namespace

extern "C" LResult PLATFORM_CALLBACK LowLevelMouseProc(int code, WParam wParam, LParam lParam) {
    return platform::callNextHook(code, wParam, lParam);
}

extern "C" bool PLATFORM_CDECL load() {
    MainWindowSearch search = {platform::currentThreadId(), nullptr, nullptr, nullptr};
    platform::enumWindows(findMainWindow, reinterpret_cast<LParam>(&search));
    const WindowHandle found = search.shown    ? search.shown
                               : search.unshown ? search.unshown
                                                : search.first;
    // A thread with no window keeps the main window it had.
    if (found != nullptr) state.mainWindow = found;
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
    return true;
}

extern "C" void PLATFORM_CDECL doEnable() {
    asCall([] {
        if (!state.hooksInstalled) {
            state.hooksInstalled = true;
            keepModuleLoaded();
            installHooks();
        }
        state.enableRequested = true;
    });
}

extern "C" void PLATFORM_CDECL doDisable() {
    asCall([] { state.enableRequested = false; });
}

extern "C" bool PLATFORM_CDECL showAbout() {
    platform::messageBox(state.mainWindow, kAboutText, "Orvalinde");
    return true;
}
