// The real platform: user32 and kernel32.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <stddef.h>

#include "platform/platform.h"

static_assert(sizeof(MouseHookRecord) == sizeof(MOUSEHOOKSTRUCT), "hook record layout");
static_assert(offsetof(MouseHookRecord, pt) == offsetof(MOUSEHOOKSTRUCT, pt), "hook record layout");
static_assert(offsetof(MouseHookRecord, hwnd) == offsetof(MOUSEHOOKSTRUCT, hwnd), "hook record layout");
static_assert(offsetof(MouseHookRecord, wHitTestCode) == offsetof(MOUSEHOOKSTRUCT, wHitTestCode), "hook record layout");
static_assert(offsetof(MouseHookRecord, dwExtraInfo) == offsetof(MOUSEHOOKSTRUCT, dwExtraInfo), "hook record layout");
static_assert(sizeof(Point) == sizeof(POINT), "point layout");
static_assert(sizeof(WParam) == sizeof(WPARAM) && sizeof(LParam) == sizeof(LPARAM), "message parameter width");
static_assert(sizeof(TimerId) == sizeof(UINT_PTR), "timer id width");

// WindowHandle and the callback types are the platform's own here
// (platform.h): handles and callbacks pass as they are, never cast.
namespace platform {

LResult sendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) {
    return SendMessageA(window, message, wParam, lParam);
}

int16_t asyncKeyState(int virtualKey) { return GetAsyncKeyState(virtualKey); }

int16_t threadKeyState(int virtualKey) { return GetKeyState(virtualKey); }

WindowHandle focusWindow() { return GetFocus(); }

bool buttonsSwapped() { return GetSystemMetrics(SM_SWAPBUTTON) != 0; }

// A process this one may not read is one of a higher integrity level (an
// elevated one: processes deny reading up) or another user's: the key state
// is out of reach while its window is in front.
bool foregroundOutOfReach() {
    const HWND foreground = GetForegroundWindow();
    if (foreground == nullptr) return true;
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    if (process == GetCurrentProcessId()) return false;
    const HANDLE handle = OpenProcess(PROCESS_VM_READ, FALSE, process);
    if (handle == nullptr) return true;
    CloseHandle(handle);
    return false;
}

uint32_t tickCount() { return GetTickCount(); }

// The high word lists what is in the queue now and is left as it is; only
// the low word's "new since last asked" bit of QS_MOUSEBUTTON is cleared.
bool buttonInputQueued() { return (HIWORD(GetQueueStatus(QS_MOUSEBUTTON)) & QS_MOUSEBUTTON) != 0; }

bool keyInputQueued() { return (HIWORD(GetQueueStatus(QS_KEY)) & QS_KEY) != 0; }

void screenToClient(WindowHandle window, Point* point) {
    ScreenToClient(window, reinterpret_cast<POINT*>(point));
}

TimerId setTimer(TimerId id, uint32_t milliseconds, TimerProcedure procedure) {
    return SetTimer(nullptr, id, milliseconds, procedure);
}

int killTimer(TimerId id) { return KillTimer(nullptr, id); }

int showCursor(bool show) { return ShowCursor(show ? TRUE : FALSE); }

HookHandle setHook(int kind, HookProcedure procedure, uint32_t threadId) {
    return reinterpret_cast<HookHandle>(SetWindowsHookExA(kind, procedure, nullptr, threadId));
}

LResult callNextHook(int code, WParam wParam, LParam lParam) { return CallNextHookEx(nullptr, code, wParam, lParam); }

void enumWindows(EnumWindowsProcedure procedure, LParam lParam) {
    EnumWindows(procedure, lParam);
}

uint32_t windowThreadId(WindowHandle window) { return GetWindowThreadProcessId(window, nullptr); }

WindowTraits windowTraits(WindowHandle window) {
    const HWND w = window;
    const LONG extended = GetWindowLongA(w, GWL_EXSTYLE);
    return {IsWindowVisible(w) != FALSE, IsWindowEnabled(w) != FALSE, GetWindow(w, GW_OWNER) != nullptr,
            (extended & WS_EX_TOOLWINDOW) != 0, (extended & WS_EX_APPWINDOW) != 0};
}

uint32_t currentThreadId() { return GetCurrentThreadId(); }

void messageBox(WindowHandle owner, const char* text, const char* caption) {
    MessageBoxA(owner, text, caption, MB_OK);
}

bool pinModule() {
    HMODULE self;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN;
    return GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(&pinModule)), &self) != 0;
}

}  // namespace platform
