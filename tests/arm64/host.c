/* A host for Orvalinde.dll with no C runtime, built for ARM64, x64 and x86 so
 * that each DLL faces the same checks (tests/arm64_check.sh). It checks the
 * exports by name and ordinal and the version resource, calls load and
 * doEnable, frees its reference to the module, then shows a main window with
 * a child and logs, one line each, what they receive until it is told to
 * quit. Input comes from the X server.
 *   orvalinde_arm64_host DLL LOG MS      run until the user types 0, or MS
 *                                        milliseconds have passed
 *   orvalinde_arm64_host DLL LOG bench   per-call cost of MouseProc against
 *                                        the pass-through LowLevelMouseProc
 * Log lines: "exports ok", "version 2.0.0.0", "manifest ok", "still loaded",
 * "ready", "sent|input main|second MESSAGE WPARAM LPARAM" (hex), "ratio N"
 * (per cent), "end". Text is formatted here: Debian's arm64 Wine cannot take
 * a va_list from Windows ARM64 code. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#define ORVALINDE_NO_IMPORT
#include <orvalinde.h>

static HANDLE logFile;
static HWND mainWindow, secondWindow;
static const MSG* dispatching;

static void put(const char* text) {
    DWORD length = 0, written;
    while (text[length] != 0) ++length;
    WriteFile(logFile, text, length, &written, NULL);
}

static void putHex(unsigned long long value) {
    char digits[20];
    int at = 19;
    digits[at] = 0;
    do {
        digits[--at] = "0123456789ABCDEF"[value & 15];
        value >>= 4;
    } while (value != 0);
    digits[--at] = 'x';
    digits[--at] = '0';
    put(digits + at);
}

static void putDecimal(unsigned long value) {
    char digits[24];
    int at = 23;
    digits[at] = 0;
    do {
        digits[--at] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    put(digits + at);
}

static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const int key = message >= WM_KEYDOWN && message <= WM_SYSKEYUP && message != WM_CHAR && message != WM_DEADCHAR;
    const int mouse = message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK;
    if (key || mouse) {
        const int input = dispatching != NULL && dispatching->hwnd == window && dispatching->message == message &&
                          dispatching->wParam == wParam && dispatching->lParam == lParam;
        put(input ? "input " : "sent ");
        put(window == mainWindow ? "main " : "second ");
        putHex(message);
        put(" ");
        putHex(wParam);
        put(" ");
        putHex((unsigned long long)lParam & 0xFFFFFFFFull);
        put("\n");
        if (input && message == WM_KEYUP && wParam == '0') PostQuitMessage(0);
        return 0;
    }
    /* Alt must not start a menu loop. */
    if (message == WM_SYSCHAR || message == WM_SYSCOMMAND) return 0;
    if (message == WM_TIMER) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static const char* const kExports[] = {"LowLevelMouseProc", "MouseProc",   "customMaskKeyPressed", "doDelayedEnable",
                                       "doDisable",         "doEnable",    "load", "setOrvalindeIsEnabled",
                                       "showAbout",         "startDraggerMode"};

static int checkExports(HMODULE dll) {
    for (int i = 0; i < 10; ++i) {
        FARPROC byName = GetProcAddress(dll, kExports[i]);
        if (byName == NULL || byName != GetProcAddress(dll, MAKEINTRESOURCEA(i + 1))) return 0;
    }
    return 1;
}

/* VS_VERSIONINFO: three WORDs, "VS_VERSION_INFO" in UTF-16 with its NUL,
 * padding to 32 bits, then VS_FIXEDFILEINFO. */
static void checkResources(HMODULE dll) {
    HRSRC found = FindResourceA(dll, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    const unsigned char* info = found ? (const unsigned char*)LockResource(LoadResource(dll, found)) : NULL;
    if (info != NULL && SizeofResource(dll, found) >= 56) {
        const VS_FIXEDFILEINFO* fixed = (const VS_FIXEDFILEINFO*)(info + 40);
        if (fixed->dwSignature == 0xFEEF04BD) {
            put("version ");
            putDecimal(fixed->dwFileVersionMS >> 16);
            put(".");
            putDecimal(fixed->dwFileVersionMS & 0xFFFF);
            put(".");
            putDecimal(fixed->dwFileVersionLS >> 16);
            put(".");
            putDecimal(fixed->dwFileVersionLS & 0xFFFF);
            put("\n");
        }
    }
    if (FindResourceA(dll, MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(24)) != NULL) put("manifest ok\n");
}

static long long now(void) {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

/* Alternating rounds of each, so that a busy machine weighs on both alike. */
static void bench(HMODULE dll) {
    OrvalindeMouseProcFn mouseProc = (OrvalindeMouseProcFn)(void*)GetProcAddress(dll, "MouseProc");
    OrvalindeLowLevelMouseProcFn passThrough =
        (OrvalindeLowLevelMouseProcFn)(void*)GetProcAddress(dll, "LowLevelMouseProc");
    MOUSEHOOKSTRUCT record = {{60, 60}, NULL, HTCLIENT, 0};
    long long spent[2] = {0, 0};
    record.hwnd = mainWindow;
    for (int round = 0; round < 20; ++round)
        for (int which = 0; which < 2; ++which) {
            const long long start = now();
            for (int i = 0; i < 2000; ++i) {
                record.pt.x = 60, record.pt.y = 60;
                if (which == 0)
                    mouseProc(HC_ACTION, WM_MOUSEMOVE, (LPARAM)&record);
                else
                    passThrough(HC_ACTION, WM_MOUSEMOVE, (LPARAM)&record);
            }
            spent[which] += now() - start;
        }
    put("ratio ");
    /* In floating point: 64-bit division on x86 calls a runtime helper. */
    putDecimal((unsigned long)((double)spent[0] * 100 / (double)(spent[1] > 0 ? spent[1] : 1)));
    put("\n");
}

/* The command line's words after the program's name: DLL LOG (MS | bench). */
static int words(char* line, char** out, int most) {
    int count = 0;
    while (*line != 0 && count < most) {
        while (*line == ' ') ++line;
        if (*line == 0) break;
        const char end = *line == '"' ? '"' : ' ';
        if (end == '"') ++line;
        out[count++] = line;
        while (*line != 0 && *line != end) ++line;
        if (*line != 0) *line++ = 0;
    }
    return count;
}

static int run(void) {
    char* argv[5];
    if (words(GetCommandLineA(), argv, 5) != 4) return 2;
    logFile = CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, 0, NULL);
    if (logFile == INVALID_HANDLE_VALUE) return 3;

    WNDCLASSA windowClass = {0};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.lpszClassName = "OrvalindeArm64Host";
    RegisterClassA(&windowClass);
    mainWindow = CreateWindowExA(0, windowClass.lpszClassName, "Orvalinde ARM64 host", WS_POPUP | WS_VISIBLE, 40, 30,
                                 400, 300, NULL, NULL, windowClass.hInstance, NULL);
    secondWindow = CreateWindowExA(0, windowClass.lpszClassName, "", WS_CHILD | WS_VISIBLE, 200, 0, 150, 150,
                                   mainWindow, NULL, windowClass.hInstance, NULL);
    SetForegroundWindow(mainWindow);
    SetFocus(mainWindow);

    HMODULE dll = LoadLibraryA(argv[1]);
    if (dll == NULL) return put("cannot load the DLL\n"), 4;
    if (checkExports(dll)) put("exports ok\n");
    checkResources(dll);
    OrvalindeLoadFn load = (OrvalindeLoadFn)(void*)GetProcAddress(dll, "load");
    OrvalindeDoEnableFn doEnable = (OrvalindeDoEnableFn)(void*)GetProcAddress(dll, "doEnable");
    if (load == NULL || doEnable == NULL) return put("no load or doEnable\n"), 5;
    load();
    doEnable();
    if (argv[3][0] == 'b') {
        bench(dll);
        put("end\n");
        return 0;
    }
    /* Enabled, it stays loaded when the host lets go of it, and works on. */
    FreeLibrary(dll);
    if (GetModuleHandleA("Orvalinde.dll") != NULL) put("still loaded\n");

    unsigned ms = 0;
    for (const char* c = argv[3]; *c >= '0' && *c <= '9'; ++c) ms = ms * 10 + (unsigned)(*c - '0');
    SetTimer(mainWindow, 1, ms, NULL);
    put("ready\n");
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        dispatching = &msg;
        DispatchMessageA(&msg);
        dispatching = NULL;
    }
    put("end\n");
    CloseHandle(logFile);
    return 0;
}

void mainCRTStartup(void) { ExitProcess((UINT)run()); }
