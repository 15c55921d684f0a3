/* A host linked by the Microsoft-style linker (lld-link, no mingw driver or
   runtime) against Orvalinde.lib: it calls a control export through the
   import library and checks that its imports are the DLL's exports. */
#include <orvalinde.h>

static void say(const char* text) {
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, lstrlenA(text), &written, NULL);
}

void start(void) {
    HMODULE dll = GetModuleHandleA("Orvalinde.dll");
    HWND window = CreateWindowExA(0, "STATIC", "lld-link host", WS_POPUP, 0, 0, 100, 100, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    if (dll == NULL || window == NULL) {
        say("FAIL lld_link_host: Orvalinde.dll is not loaded, or no window\n");
        ExitProcess(1);
    }
    /* On x86 the two differ in calling convention, and so in how the
       import library names them. */
    if ((void*)&load != (void*)GetProcAddress(dll, MAKEINTRESOURCEA(ORVALINDE_ORDINAL_LOAD)) ||
        (void*)&MouseProc != (void*)GetProcAddress(dll, MAKEINTRESOURCEA(ORVALINDE_ORDINAL_MOUSEPROC))) {
        say("FAIL lld_link_host: the imports of load and MouseProc are not the DLL's exports\n");
        ExitProcess(1);
    }
    if (!load()) {
        say("FAIL lld_link_host: load returned false\n");
        ExitProcess(1);
    }
    say("PASS lld_link_host: linked by lld-link against Orvalinde.lib; load returned true\n");
    ExitProcess(0);
}
