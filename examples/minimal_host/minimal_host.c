/* The smallest correct host for Orvalinde.dll: it creates its main window,
   calls load() then doEnable() on its user-interface thread, runs its
   message loop and prints the keyboard and mouse messages its window
   receives. Try Alt + right drag over the window, or a lone Ctrl press.
   With an argument, it exits after that many milliseconds. */
#include <orvalinde.h>
#include <stdio.h>
#include <stdlib.h>

static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_KEYFIRST && message <= WM_KEYLAST) {
        printf("key message 0x%04X, key 0x%02X, lParam 0x%08lX\n", message, (unsigned)wParam, (unsigned long)lParam);
        return 0; /* Alt keystrokes handed on would open the window menu */
    }
    if (message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK)
        printf("mouse message 0x%04X, flags 0x%04X at %d,%d\n", message, (unsigned)wParam,
               (int)(short)LOWORD(lParam), (int)(short)HIWORD(lParam));
    if (message == WM_TIMER || message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

int main(int argc, char** argv) {
    WNDCLASSA windowClass = {0};
    HWND window;
    MSG msg;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.lpszClassName = "MinimalOrvalindeHost";
    RegisterClassA(&windowClass);
    window = CreateWindowExA(0, windowClass.lpszClassName, "Minimal Orvalinde host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, NULL, NULL, windowClass.hInstance, NULL);
    if (window == NULL) return 1;
    /* The main window exists: load() finds it, doEnable() hooks this thread. */
    if (!load()) return 1;
    doEnable();
    printf("Orvalinde enabled\n");
    fflush(stdout);
    if (argc > 1) SetTimer(window, 1, (UINT)atoi(argv[1]), NULL);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        DispatchMessageA(&msg);
        fflush(stdout);
    }
    return 0;
}
