#include "windowing.h"

namespace {

const MSG* dispatching = nullptr;  // the queued message being dispatched

}  // namespace

double nowMs() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool bringToForeground(HWND window) {
    SetForegroundWindow(window);
    if (GetForegroundWindow() == window) return true;
    const HWND foreground = GetForegroundWindow();
    const DWORD own = GetCurrentThreadId();
    const DWORD other = foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    if (other != 0 && other != own && AttachThreadInput(own, other, TRUE)) {
        BringWindowToTop(window);
        SetForegroundWindow(window);
        AttachThreadInput(own, other, FALSE);
    }
    return GetForegroundWindow() == window;
}

std::string describeForeground() {
    const HWND foreground = GetForegroundWindow();
    if (foreground == nullptr) return "none";
    char name[64] = {}, title[64] = {}, program[MAX_PATH] = "?";
    GetClassNameA(foreground, name, sizeof name);
    GetWindowTextA(foreground, title, sizeof title);
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    if (HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process)) {
        DWORD size = sizeof program;
        if (!QueryFullProcessImageNameA(handle, 0, program, &size)) lstrcpyA(program, "?");
        CloseHandle(handle);
    }
    const char* base = program;
    for (const char* c = program; *c != 0; ++c)
        if (*c == '\\' || *c == '/') base = c + 1;
    const std::string owner = process == GetCurrentProcessId()
                                  ? std::string("this program")
                                  : std::string(base) + " (process " + std::to_string(process) + ")";
    return std::string("class \"") + name + "\", title \"" + title + "\", of " + owner;
}

bool registerWindowClass(const char* name, WNDPROC procedure, UINT style) {
    WNDCLASSA windowClass = {};
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = name;
    return RegisterClassA(&windowClass) != 0;
}

uint64_t threadTimerTicks = 0;

void dispatchInput(const MSG& msg, bool wide) {
    // A timer with no window is the module's: the test hosts arm none.
    if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.lParam != 0) ++threadTimerTicks;
    const MSG* outer = dispatching;
    dispatching = &msg;
    if (wide)
        DispatchMessageW(&msg);
    else
        DispatchMessageA(&msg);
    dispatching = outer;
}

bool receivedMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, scenario::Received* out) {
    const bool key = message >= WM_KEYDOWN && message <= WM_SYSKEYUP && message != WM_CHAR && message != WM_DEADCHAR;
    const bool mouse = message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK;
    if (!key && !mouse) return false;
    out->message = message;
    out->wParam = wParam;
    // As the bits the window got: 32-bit Windows' LPARAM is signed and
    // would widen with its sign (0xC0000001 as 0xFFFFFFFFC0000001).
    out->lParam = static_cast<uintptr_t>(lParam);
    // Sent messages arrive while the hooks run inside PeekMessage or
    // GetMessage; input arrives through DispatchMessage.
    out->input = dispatching != nullptr && dispatching->hwnd == window && dispatching->message == message &&
                 dispatching->wParam == wParam && dispatching->lParam == lParam;
    return true;
}
