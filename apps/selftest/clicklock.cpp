// What Windows does with ClickLock on (a setting for people who cannot
// hold a button down): a press held past its time locks the button until
// the next click. After such a press and its release the module reads the
// button's key state; this says what that reads against what the window
// was told, and fails nothing. The person's setting is put back.
#include "input.h"
#include "machine.h"

namespace {

int downs = 0, ups = 0;

LRESULT CALLBACK countButtons(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN) ++downs;
    if (message == WM_LBUTTONUP) ++ups;
    return DefWindowProcA(window, message, wParam, lParam);
}

void press(bool down) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
}

std::string reading() {
    return format("the key state reads the left button %s, the window got %d press(es) and %d release(s)",
                  GetAsyncKeyState(VK_LBUTTON) < 0 ? "down" : "up", downs, ups);
}

}  // namespace

std::string clickLockReport() {
    BOOL was = FALSE;
    DWORD lockMs = 0;
    SystemParametersInfoA(SPI_GETMOUSECLICKLOCK, 0, &was, 0);
    SystemParametersInfoA(SPI_GETMOUSECLICKLOCKTIME, 0, &lockMs, 0);
    if (GetSystemMetrics(SM_SWAPBUTTON)) return "ClickLock: not tried, the buttons are swapped";
    if (!SystemParametersInfoA(SPI_SETMOUSECLICKLOCK, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(TRUE)), 0))
        return "ClickLock: it cannot be switched on here";
    registerWindowClass("OrvalindeClickLock", countButtons);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "OrvalindeClickLock", "ClickLock", WS_POPUP | WS_VISIBLE, 100, 100, 200,
                                  200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    bringToForeground(window);
    SetCursorPos(200, 200);
    pumpFor(100);
    press(true);
    pumpFor(lockMs + 500);  // held past the lock time
    press(false);
    pumpFor(300);
    std::string report = format("ClickLock (locks after %lu ms): after a long press and its release, ", lockMs) + reading();
    press(true);  // the next click lets go of a locked button
    press(false);
    pumpFor(300);
    report += "; after one more click, " + reading();
    DestroyWindow(window);
    SystemParametersInfoA(SPI_SETMOUSECLICKLOCK, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(was)), 0);
    return report;
}
