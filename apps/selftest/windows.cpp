// --windows: the windows of the self-test's thread once the module is
// loaded, and the one `load` took for the main window (the owner of the
// about box it shows).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#define ORVALINDE_NO_IMPORT
#include <orvalinde.h>

#include "machine.h"
#include "selftest.h"

namespace {

HWND aboutOwner;

BOOL CALLBACK closeIfAbout(HWND window, LPARAM) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    aboutOwner = GetWindow(window, GW_OWNER);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return FALSE;
}

// Closes the about box, noting its owner: the window load took.
DWORD WINAPI closeAbout(void* thread) {
    for (int i = 0; i < 500 && aboutOwner == nullptr; ++i) {
        Sleep(20);
        EnumThreadWindows(static_cast<DWORD>(reinterpret_cast<uintptr_t>(thread)), closeIfAbout, 0);
    }
    return 0;
}

BOOL CALLBACK addIfThisThread(HWND window, LPARAM list) {
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::string describeWindow(HWND window) {
    char name[64] = {}, title[64] = {}, owner[64] = "none";
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, title, sizeof title);
    if (HWND o = GetWindow(window, GW_OWNER)) GetClassNameA(o, owner, sizeof owner);
    return format("class \"%s\", title \"%s\", %s, %s, owner %s, style 0x%08lX, extended 0x%08lX", name, title,
                  IsWindowVisible(window) ? "visible" : "hidden", IsWindowEnabled(window) ? "enabled" : "disabled",
                  owner, static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
                  static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)));
}

}  // namespace

int listWindows(const std::string& dll) {
    std::string error;
    if (startHost(dll.c_str(), &error) == nullptr) {
        std::printf("%s %s\n", error == kNoFocus ? "REFUSE" : "FAIL", error.c_str());
        return error == kNoFocus ? kRefused : kFailed;
    }
    HMODULE module = GetModuleHandleA("Orvalinde.dll");
    reinterpret_cast<OrvalindeLoadFn>(reinterpret_cast<void*>(GetProcAddress(module, "load")))();
    const DWORD thread = GetCurrentThreadId();
    CloseHandle(CreateThread(nullptr, 0, closeAbout, reinterpret_cast<void*>(static_cast<uintptr_t>(thread)), 0, nullptr));
    reinterpret_cast<OrvalindeShowAboutFn>(reinterpret_cast<void*>(GetProcAddress(module, "showAbout")))();
    std::vector<HWND> windows;
    EnumWindows(addIfThisThread, reinterpret_cast<LPARAM>(&windows));
    for (size_t i = 0; i < windows.size(); ++i)
        std::printf("  %zu. %s%s\n", i + 1, describeWindow(windows[i]).c_str(),
                    windows[i] == aboutOwner ? "  <- load took this one" : "");
    if (aboutOwner == nullptr) std::printf("  load took no window of this thread (the about box had no owner)\n");
    std::fflush(stdout);
    return kPassed;
}
