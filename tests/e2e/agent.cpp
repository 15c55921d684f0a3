// Loaded into a real program's UI thread by orvalinde_inject (a message hook
// of that thread): loads Orvalinde.dll there, calls load and doEnable, and
// logs, without changing the program, the key, mouse and menu messages its
// windows receive, one line each:
//   <ms> sent|input <hwnd> <class> <message> <wParam> <lParam>
//   <ms> mark <n>        a mark the check posted between its steps
//   <ms> loading         the agent has begun to load the module
//   <ms> ready           the module is loaded and enabled
// ORVALINDE_AGENT_LOG names the log, ORVALINDE_AGENT_DLL the module.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

namespace {

FILE* logFile = nullptr;
HHOOK callHook = nullptr;
UINT markMessage = 0;
bool started = false;

bool logged(UINT message) {
    const bool key = message >= WM_KEYDOWN && message <= WM_SYSKEYUP && message != WM_CHAR && message != WM_DEADCHAR;
    const bool mouse = message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK;
    const bool menu = message == WM_ENTERMENULOOP || message == WM_EXITMENULOOP || message == WM_CONTEXTMENU ||
                      message == WM_KILLFOCUS || message == WM_SETFOCUS || message == WM_CAPTURECHANGED;
    return key || mouse || menu;
}

void write(const char* kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    char className[64] = "?";
    GetClassNameA(window, className, sizeof className);
    std::fprintf(logFile, "%lu %s %p %s 0x%04X 0x%llX 0x%llX\n", GetTickCount(), kind, static_cast<void*>(window),
                 className, message, static_cast<unsigned long long>(wParam),
                 static_cast<unsigned long long>(static_cast<uintptr_t>(lParam)));  // unsigned, as on x64
    std::fflush(logFile);
}

LRESULT CALLBACK sentHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && logFile != nullptr) {
        const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (logged(m->message)) write("sent", m->hwnd, m->message, m->wParam, m->lParam);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void start() {
    started = true;
    char path[MAX_PATH];
    if (GetEnvironmentVariableA("ORVALINDE_AGENT_LOG", path, sizeof path) == 0) return;
    logFile = std::fopen(path, "w");
    if (logFile == nullptr) return;
    markMessage = RegisterWindowMessageA("OrvalindeAgentMark");
    callHook = SetWindowsHookExA(WH_CALLWNDPROC, sentHook, nullptr, GetCurrentThreadId());
    if (GetEnvironmentVariableA("ORVALINDE_AGENT_DLL", path, sizeof path) == 0) {
        std::fprintf(logFile, "%lu failed: no ORVALINDE_AGENT_DLL\n", GetTickCount());
        std::fflush(logFile);
        return;
    }
    // Said first, so that a log with this and no "ready" tells that loading
    // or enabling never returned.
    std::fprintf(logFile, "%lu loading\n", GetTickCount());
    std::fflush(logFile);
    HMODULE module = LoadLibraryA(path);
    FARPROC load = module ? GetProcAddress(module, "load") : nullptr;
    FARPROC enable = module ? GetProcAddress(module, "doEnable") : nullptr;
    if (load == nullptr || enable == nullptr) {
        std::fprintf(logFile, "%lu failed to load %s\n", GetTickCount(), path);
        std::fflush(logFile);
        return;
    }
    reinterpret_cast<bool(__cdecl*)()>(reinterpret_cast<void*>(load))();  // the exports' convention
    reinterpret_cast<void(__cdecl*)()>(reinterpret_cast<void*>(enable))();
    std::fprintf(logFile, "%lu ready\n", GetTickCount());
    std::fflush(logFile);
}

}  // namespace

// The injector's WH_GETMESSAGE hook: the first call starts the agent; every
// message taken from the queue (input, and the check's marks) is logged.
extern "C" __declspec(dllexport) LRESULT CALLBACK orvalindeAgentHook(int code, WPARAM wParam, LPARAM lParam) {
    if (!started) start();
    if (code == HC_ACTION && wParam == PM_REMOVE && logFile != nullptr) {
        const MSG* m = reinterpret_cast<const MSG*>(lParam);
        if (m->message == markMessage) {
            std::fprintf(logFile, "%lu mark %llu\n", GetTickCount(), static_cast<unsigned long long>(m->wParam));
            std::fflush(logFile);
        } else if (logged(m->message)) {
            write("input", m->hwnd, m->message, m->wParam, m->lParam);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
