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

bool registerWindowClass(const char* name, WNDPROC procedure, UINT style) {
    WNDCLASSA windowClass = {};
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = name;
    return RegisterClassA(&windowClass) != 0;
}

void dispatchInput(const MSG& msg) {
    const MSG* outer = dispatching;
    dispatching = &msg;
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
