// The Windows test host's user for message boxes: a thread that finds the
// UI thread's boxes, records each and presses OK, while the host watches.
#include <cstring>

#include "host.h"

namespace {

CRITICAL_SECTION boxLock;
std::vector<scenario::Received> boxes;
volatile LONG watching = 0;
DWORD uiThread;
scenario::Window (*ownerOf)(HWND);

BOOL CALLBACK closeBox(HWND window, LPARAM) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    char caption[256] = {}, text[1024] = {};
    GetWindowTextA(window, caption, sizeof caption);
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    scenario::Received r;
    r.box = true;
    r.window = ownerOf(GetWindow(window, GW_OWNER));
    r.caption = caption;
    r.text = text;
    EnterCriticalSection(&boxLock);
    boxes.push_back(r);
    LeaveCriticalSection(&boxLock);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

DWORD WINAPI boxCloser(void*) {
    for (;;) {
        Sleep(20);
        if (watching) EnumThreadWindows(uiThread, closeBox, 0);
    }
}

}  // namespace

void startClosingBoxes(DWORD thread, scenario::Window (*owner)(HWND)) {
    uiThread = thread;
    ownerOf = owner;
    InitializeCriticalSection(&boxLock);
    CreateThread(nullptr, 0, boxCloser, nullptr, 0, nullptr);
}

void watchBoxes(bool on) { InterlockedExchange(&watching, on ? 1 : 0); }

std::vector<scenario::Received> takeBoxes() {
    std::vector<scenario::Received> out;
    EnterCriticalSection(&boxLock);
    out.swap(boxes);
    LeaveCriticalSection(&boxLock);
    return out;
}
