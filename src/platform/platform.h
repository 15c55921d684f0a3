// The operating-system services the translation logic may use, over portable
// types. Exactly one implementation is linked: win32.cpp into the DLL,
// simulated.cpp into the native tests and tools. Plain free functions, so the
// seam costs an ordinary call and nothing more.
#pragma once

#include <stdint.h>

struct OpaqueWindow;
struct OpaqueHook;

typedef OpaqueWindow* WindowHandle;
typedef OpaqueHook* HookHandle;
typedef uintptr_t TimerId;
typedef uintptr_t WParam;
typedef intptr_t LParam;
typedef intptr_t LResult;

struct Point {
    int32_t x;
    int32_t y;
};

// Same layout as the platform's MOUSEHOOKSTRUCT.
struct MouseHookRecord {
    Point pt;
    WindowHandle hwnd;
    uint32_t wHitTestCode;
    uintptr_t dwExtraInfo;
};

// What decides whether a top-level window is the host's main window.
struct WindowTraits {
    bool visible;
    bool enabled;
    bool owned;
    bool toolWindow;  // WS_EX_TOOLWINDOW: never on the taskbar
    bool appWindow;   // WS_EX_APPWINDOW: on the taskbar whatever its owner
};

typedef LResult (*HookProcedure)(int code, WParam wParam, LParam lParam);
typedef void (*TimerProcedure)(WindowHandle, uint32_t, TimerId, uint32_t);
typedef int (*EnumWindowsProcedure)(WindowHandle, LParam);

namespace platform {

LResult sendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
// Only the sign bit is meaningful: the key is down at this moment.
int16_t asyncKeyState(int virtualKey);
WindowHandle focusWindow();
uint32_t tickCount();
// A mouse-button message is waiting in this thread's queue, not yet taken.
bool buttonInputQueued();
void screenToClient(WindowHandle window, Point* point);
// A live id re-arms that timer; any other id creates a new one.
TimerId setTimer(TimerId id, uint32_t milliseconds, TimerProcedure procedure);
int killTimer(TimerId id);
int showCursor(bool show);
HookHandle setHook(int kind, HookProcedure procedure, uint32_t threadId);
LResult callNextHook(int code, WParam wParam, LParam lParam);
void enumWindows(EnumWindowsProcedure procedure, LParam lParam);
uint32_t windowThreadId(WindowHandle window);
WindowTraits windowTraits(WindowHandle window);
uint32_t currentThreadId();
void messageBox(WindowHandle owner, const char* text, const char* caption);
// Keeps this module loaded for the life of the process, whatever the host
// frees; false if it could not.
bool pinModule();

}  // namespace platform
