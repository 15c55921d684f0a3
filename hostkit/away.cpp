// Another program in front of the host: a window of a thread of its own
// takes the foreground, and the keys with it, until the host's main window
// comes back.
#include "away.h"

#include "input.h"

namespace {

// In front, it takes the keys, and the host's thread sees none of them.
HWND awayWindow;

// A window becomes active when its thread gets to it.
bool waitForForeground(HWND window) {
    const double start = nowMs();
    while (window != nullptr && GetForegroundWindow() != window && nowMs() - start < 2000) pumpOnce(1);
    return window != nullptr && GetForegroundWindow() == window;
}

DWORD WINAPI awayThread(LPVOID ready) {
    awayWindow = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "away", WS_POPUP | WS_VISIBLE, 860, 200, 100, 100, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    SetEvent(ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

}  // namespace

void makeAwayWindow() {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (HANDLE thread = CreateThread(nullptr, 0, awayThread, ready, 0, nullptr)) {
        WaitForSingleObject(ready, 5000);
        CloseHandle(thread);
    }
    CloseHandle(ready);
}

void goAway() {
    inputHeldBack = true;
    if (awayWindow != nullptr) SetForegroundWindow(awayWindow);
    if (!waitForForeground(awayWindow) && injectionProblem.empty())
        injectionProblem = "another thread's window did not take the foreground";
}

void comeBack(HWND mainWindow, HWND focus) {
    if (!bringToForeground(mainWindow) && !waitForForeground(mainWindow) && injectionProblem.empty())
        injectionProblem = "the main window did not come back to the foreground";
    SetFocus(focus);
    // Windows brings the thread's key state into line with the desktop's as
    // the thread becomes active again; Wine once the thread reads it outside
    // the handling of input, as hosts do when activated (dialog and menu
    // keys). Read here, it is the same on both.
    GetKeyState(VK_CONTROL);
    inputHeldBack = false;
    heldInputWaits = true;
}

