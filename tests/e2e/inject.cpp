// Runs a real program with Orvalinde.dll inside its UI thread, for
// tests/real_programs.py; the program itself is not changed.
//   orvalinde_inject run PROGRAM AGENT DLL LOG   starts PROGRAM, has its UI
//       thread load AGENT (a message hook of that thread), which loads DLL and
//       logs to LOG; waits for the program to end and exits with its code
//   orvalinde_inject mark TITLE N        posts mark N to the window TITLE
//   orvalinde_inject text TITLE CLASS    prints the text of its first CLASS child
//   orvalinde_inject rect TITLE CLASS    prints that child's client area on the
//                                        screen (CLASS - : the window's own):
//                                        left top right bottom
//   orvalinde_inject menubar TITLE N LABEL...
//                                        prints item N of its menu bar, whose
//                                        items are LABEL...: left top right bottom
//   orvalinde_inject close TITLE         clears CLASS Edit's modified flag and
//                                        asks the window to close
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// The agent's hook, imported from it: the system calls it as declared here.
extern "C" __declspec(dllimport) LRESULT CALLBACK orvalindeAgentHook(int code, WPARAM wParam, LPARAM lParam);

namespace {

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK findVisible(HWND window, LPARAM lParam) {
    Search* search = reinterpret_cast<Search*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

int run(const char* program, const char* agentPath, const char* dllPath, const char* logPath) {
    SetEnvironmentVariableA("ORVALINDE_AGENT_DLL", dllPath);
    SetEnvironmentVariableA("ORVALINDE_AGENT_LOG", logPath);
    char commandLine[MAX_PATH];
    std::snprintf(commandLine, sizeof commandLine, "%s", program);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
        std::printf("inject: cannot start %s\n", program);
        return 101;
    }
    WaitForInputIdle(child.hProcess, 10000);
    Search search = {child.dwProcessId, nullptr};
    for (int i = 0; i < 100 && search.found == nullptr; ++i) {
        EnumWindows(findVisible, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) Sleep(50);
    }
    if (search.found == nullptr) {
        std::printf("inject: %s shows no window\n", program);
        TerminateProcess(child.hProcess, 102);
        return 102;
    }
    HMODULE agent = LoadLibraryA(agentPath);
    const DWORD thread = GetWindowThreadProcessId(search.found, nullptr);
    if (agent == nullptr || SetWindowsHookExA(WH_GETMESSAGE, orvalindeAgentHook, agent, thread) == nullptr) {
        std::printf("inject: cannot hook the program's UI thread\n");
        TerminateProcess(child.hProcess, 103);
        return 103;
    }
    PostMessageA(search.found, WM_NULL, 0, 0);
    std::printf("inject: %s runs, window %p, thread %lu\n", program, static_cast<void*>(search.found), thread);
    std::fflush(stdout);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    return static_cast<int>(code);
}

HWND windowTitled(const char* title) {
    HWND window = FindWindowA(nullptr, title);
    if (window == nullptr) std::printf("inject: no window titled '%s'\n", title);
    return window;
}

BOOL CALLBACK findClass(HWND window, LPARAM lParam) {
    HWND* found = reinterpret_cast<HWND*>(lParam);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (_stricmp(name, reinterpret_cast<const char*>(found[1])) != 0) return TRUE;
    found[0] = window;
    return FALSE;
}

HWND child(HWND parent, const char* className) {
    HWND found[2] = {nullptr, reinterpret_cast<HWND>(const_cast<char*>(className))};
    EnumChildWindows(parent, findClass, reinterpret_cast<LPARAM>(found));
    return found[0];
}

// The screen rectangle of item `index` of `window`'s menu bar, whose items
// are `labels`. Another process's menu cannot be asked, so a window of the
// same style and width with the same bar is laid out here and asked instead.
bool menuBarItem(HWND window, int index, int count, char** labels, RECT* item) {
    WNDCLASSA probeClass = {};
    probeClass.lpfnWndProc = DefWindowProcA;
    probeClass.hInstance = GetModuleHandleA(nullptr);
    probeClass.lpszClassName = "OrvalindeMenuProbe";
    RegisterClassA(&probeClass);
    HMENU bar = CreateMenu();
    for (int i = 0; i < count; ++i) AppendMenuA(bar, MF_STRING, 1 + i, labels[i]);
    RECT frame;
    GetWindowRect(window, &frame);
    const LONG style = GetWindowLongA(window, GWL_STYLE) & ~WS_VISIBLE;
    HWND probe = CreateWindowExA(0, probeClass.lpszClassName, "", style, frame.left, frame.top, frame.right - frame.left,
                                 frame.bottom - frame.top, nullptr, bar, probeClass.hInstance, nullptr);
    RECT probeFrame;
    const bool ok = probe != nullptr && GetWindowRect(probe, &probeFrame) && GetMenuItemRect(probe, bar, index, item);
    if (ok) OffsetRect(item, frame.left - probeFrame.left, frame.top - probeFrame.top);
    if (probe != nullptr) DestroyWindow(probe);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "run") == 0) return run(argv[2], argv[3], argv[4], argv[5]);
    if (argc == 4 && std::strcmp(argv[1], "mark") == 0) {
        HWND window = windowTitled(argv[2]);
        return window && PostMessageA(window, RegisterWindowMessageA("OrvalindeAgentMark"), std::atoi(argv[3]), 0) ? 0 : 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "text") == 0) {
        HWND window = windowTitled(argv[2]);
        HWND edit = window ? child(window, argv[3]) : nullptr;
        if (edit == nullptr) return 1;
        char text[4096] = {};
        DWORD_PTR ignored;
        SendMessageTimeoutA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &ignored);
        std::printf("%s\n", text);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "rect") == 0) {
        HWND window = windowTitled(argv[2]);
        HWND found = window && std::strcmp(argv[3], "-") == 0 ? window : window ? child(window, argv[3]) : nullptr;
        if (found == nullptr) return 1;
        RECT r;
        GetClientRect(found, &r);
        MapWindowPoints(found, nullptr, reinterpret_cast<POINT*>(&r), 2);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "menubar") == 0) {
        HWND window = windowTitled(argv[2]);
        RECT item;
        if (window == nullptr || !menuBarItem(window, std::atoi(argv[3]), argc - 4, argv + 4, &item)) return 1;
        std::printf("%ld %ld %ld %ld\n", item.left, item.top, item.right, item.bottom);
        return 0;
    }
    // Waits until the desktop's key state reads the key up (its virtual key,
    // in hexadecimal), at most the milliseconds given.
    if (argc == 4 && std::strcmp(argv[1], "keyup") == 0) {
        const int key = static_cast<int>(std::strtol(argv[2], nullptr, 16));
        const DWORD start = GetTickCount(), limit = static_cast<DWORD>(std::atoi(argv[3]));
        while (GetAsyncKeyState(key) < 0) {
            if (GetTickCount() - start > limit) return 1;
            Sleep(10);
        }
        return 0;
    }
    // Waits until the window titled so is in front, at most the milliseconds given.
    if (argc == 4 && std::strcmp(argv[1], "front") == 0) {
        const DWORD start = GetTickCount(), limit = static_cast<DWORD>(std::atoi(argv[3]));
        for (HWND window = windowTitled(argv[2]); window == nullptr || GetForegroundWindow() != window;
             window = windowTitled(argv[2])) {
            if (GetTickCount() - start > limit) return 1;
            Sleep(10);
        }
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "close") == 0) {
        HWND window = windowTitled(argv[2]);
        if (window == nullptr) return 1;
        // What was typed is not to be saved: no prompt keeps the program open.
        if (HWND edit = child(window, "Edit")) SendMessageA(edit, EM_SETMODIFY, FALSE, 0);
        return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: orvalinde_inject run PROGRAM AGENT DLL LOG | mark TITLE N | text TITLE CLASS | rect TITLE CLASS | "
                         "menubar TITLE N LABEL... | keyup VK MS | front TITLE MS | close TITLE\n");
    return 2;
}
