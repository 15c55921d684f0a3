// The operating-system services the translation logic may use, over portable
// types. Exactly one implementation is linked: win32.cpp into the DLL,
// sim/simulated.cpp into the native tests and tools. Plain free functions,
// so the seam costs an ordinary call and nothing more.
#pragma once

#include <stdint.h>

// What the platform calls back, and what a host calls, carry the platform's
// calling conventions: on 32-bit x86 they differ, and a mismatch corrupts
// the stack. Elsewhere both are the one convention. The simulated platform
// has none to state.
#ifdef _WIN32
#define PLATFORM_CALLBACK __stdcall
#define PLATFORM_CDECL __cdecl
#else
#define PLATFORM_CALLBACK
#define PLATFORM_CDECL
#endif

struct OpaqueHook;
typedef OpaqueHook* HookHandle;
typedef uintptr_t TimerId;
typedef uintptr_t WParam;
#ifdef _WIN32
// On Windows the callbacks' parameters are the platform's own types, so
// that a callback is passed as it is, never cast: its window handle, its
// 32-bit time (unsigned long), and its pointer-sized signed integer, which
// 32-bit Windows writes as long.
struct HWND__;
typedef HWND__* WindowHandle;
typedef unsigned long TimerTime;
#ifdef _WIN64
typedef intptr_t LParam;
#else
typedef long LParam;
#endif
#else
struct OpaqueWindow;
typedef OpaqueWindow* WindowHandle;
typedef uint32_t TimerTime;
typedef intptr_t LParam;
#endif
typedef LParam LResult;

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

typedef LResult(PLATFORM_CALLBACK* HookProcedure)(int code, WParam wParam, LParam lParam);
typedef void(PLATFORM_CALLBACK* TimerProcedure)(WindowHandle, uint32_t, TimerId, TimerTime);
typedef int(PLATFORM_CALLBACK* EnumWindowsProcedure)(WindowHandle, LParam);

namespace platform {

LResult sendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
// Only the sign bit is meaningful: the key is down at this moment.
int16_t asyncKeyState(int virtualKey);
// The key as this thread's input has it so far: it changes as the thread
// takes the key's messages from its queue (whether or not a hook passed
// them on), after the hook. Windows brings it into line with the desktop
// when the thread is active again after input went elsewhere; Wine only
// when asked outside the handling of an input message.
int16_t threadKeyState(int virtualKey);
WindowHandle focusWindow();
// The key state reads every key up while the foreground is out of this
// thread's reach: an elevated process's window in front, which the
// user-interface privilege isolation keeps it from, or none (another
// desktop, as the lock screen's).
bool foregroundOutOfReach();
// The user has made the right button the primary one: messages and hooks
// speak of logical buttons, the key state of physical ones.
bool buttonsSwapped();
uint32_t tickCount();
// A mouse-button message is waiting in this thread's queue, not yet taken.
bool buttonInputQueued();
// A key message is waiting in this thread's queue; inside the keyboard hook
// the key at hand is always one.
bool keyInputQueued();
void screenToClient(WindowHandle window, Point* point);
// A live id re-arms that timer; 0 creates a new one. Any other id may be
// someone else's timer by now: ids of timers without a window are shared
// by the thread and reused at once.
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
