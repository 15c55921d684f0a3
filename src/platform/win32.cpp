// The real platform: user32 and kernel32.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <stddef.h>

#include "platform/platform.h"

static_assert(sizeof(MouseHookRecord) == sizeof(MOUSEHOOKSTRUCT), "hook record layout");
static_assert(offsetof(MouseHookRecord, pt) == offsetof(MOUSEHOOKSTRUCT, pt), "hook record layout");
static_assert(offsetof(MouseHookRecord, hwnd) == offsetof(MOUSEHOOKSTRUCT, hwnd), "hook record layout");
static_assert(offsetof(MouseHookRecord, wHitTestCode) == offsetof(MOUSEHOOKSTRUCT, wHitTestCode), "hook record layout");
static_assert(offsetof(MouseHookRecord, dwExtraInfo) == offsetof(MOUSEHOOKSTRUCT, dwExtraInfo), "hook record layout");
static_assert(sizeof(Point) == sizeof(POINT), "point layout");
static_assert(sizeof(WParam) == sizeof(WPARAM) && sizeof(LParam) == sizeof(LPARAM), "message parameter width");
static_assert(sizeof(TimerId) == sizeof(UINT_PTR), "timer id width");

// WindowHandle and the callback types are the platform's own here
// (platform.h): handles and callbacks pass as they are, never cast.
namespace platform {

LResult sendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) {
    return SendMessageA(window, message, wParam, lParam);
}

int16_t asyncKeyState(int virtualKey) { return GetAsyncKeyState(virtualKey); }

int16_t threadKeyState(int virtualKey) { return GetKeyState(virtualKey); }

WindowHandle focusWindow() { return GetFocus(); }

bool buttonsSwapped() { return GetSystemMetrics(SM_SWAPBUTTON) != 0; }

namespace {

// The token calls live in advapi32, which the DLL does not import: they are
// looked up once, from the system directory only, and the library is kept.
typedef BOOL(WINAPI* OpenProcessTokenCall)(HANDLE, DWORD, HANDLE*);
typedef BOOL(WINAPI* GetTokenInformationCall)(HANDLE, TOKEN_INFORMATION_CLASS, void*, DWORD, DWORD*);
OpenProcessTokenCall openProcessToken;
GetTokenInformationCall getTokenInformation;
bool tokenCallsLooked;

bool tokenCalls() {
    if (!tokenCallsLooked) {
        tokenCallsLooked = true;
        const HMODULE advapi = LoadLibraryExW(L"advapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (advapi != nullptr) {
            openProcessToken =
                reinterpret_cast<OpenProcessTokenCall>(reinterpret_cast<void*>(GetProcAddress(advapi, "OpenProcessToken")));
            getTokenInformation = reinterpret_cast<GetTokenInformationCall>(
                reinterpret_cast<void*>(GetProcAddress(advapi, "GetTokenInformation")));
        }
    }
    return openProcessToken != nullptr && getTokenInformation != nullptr;
}

// The integrity level's relative id (0x2000 medium, 0x3000 high, ...), or
// -1 when the process or its token cannot be asked: only the right to query
// limited information is asked for, never to read the process.
long integrityLevel(HANDLE process) {
    HANDLE token = nullptr;
    if (!openProcessToken(process, TOKEN_QUERY, &token)) return -1;
    union {
        TOKEN_MANDATORY_LABEL label;
        unsigned char bytes[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
    } buffer;
    DWORD size = 0;
    long level = -1;
    if (getTokenInformation(token, TokenIntegrityLevel, &buffer, sizeof buffer, &size)) {
        // A SID: revision, count of sub-authorities, 6-byte authority, then
        // the sub-authorities; the level is the last (the layout is fixed).
        const SID* sid = static_cast<const SID*>(buffer.label.Label.Sid);
        if (sid != nullptr && sid->SubAuthorityCount > 0) level = long(sid->SubAuthority[sid->SubAuthorityCount - 1]);
    }
    CloseHandle(token);
    return level;
}

// The desktop that takes input is this thread's: not the secure desktop of
// an elevation prompt, nor the lock screen's, nor a screen saver's. Opening
// one of those is refused, which answers the same.
bool inputDesktopIsOurs() {
    const HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (input == nullptr) return false;
    wchar_t inputName[64], ownName[64];
    DWORD size = 0;
    const bool named =
        GetUserObjectInformationW(input, UOI_NAME, inputName, sizeof inputName, &size) &&
        GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, ownName, sizeof ownName, &size);
    CloseDesktop(input);
    return named && lstrcmpiW(inputName, ownName) == 0;
}

}  // namespace

// The key state reads nothing held when the input goes where this process
// may not look: a window of a higher integrity level (the user-interface
// privilege isolation keeps lower ones from reading up), or another desktop.
// Anything that cannot be asked counts as out of reach.
bool foregroundOutOfReach() {
    const HWND foreground = GetForegroundWindow();
    if (foreground == nullptr || !inputDesktopIsOurs()) return true;
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    if (process == GetCurrentProcessId()) return false;
    if (!tokenCalls()) return true;
    const HANDLE other = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    if (other == nullptr) return true;
    const long theirs = integrityLevel(other);
    CloseHandle(other);
    const long ours = integrityLevel(GetCurrentProcess());
    return theirs < 0 || ours < 0 || theirs > ours;
}

uint32_t tickCount() { return GetTickCount(); }

// The high word lists what is in the queue now and is left as it is; only
// the low word's "new since last asked" bit of QS_MOUSEBUTTON is cleared.
bool buttonInputQueued() { return (HIWORD(GetQueueStatus(QS_MOUSEBUTTON)) & QS_MOUSEBUTTON) != 0; }

bool keyInputQueued() { return (HIWORD(GetQueueStatus(QS_KEY)) & QS_KEY) != 0; }

void screenToClient(WindowHandle window, Point* point) {
    ScreenToClient(window, reinterpret_cast<POINT*>(point));
}

TimerId setTimer(TimerId id, uint32_t milliseconds, TimerProcedure procedure) {
    return SetTimer(nullptr, id, milliseconds, procedure);
}

int killTimer(TimerId id) { return KillTimer(nullptr, id); }

int showCursor(bool show) { return ShowCursor(show ? TRUE : FALSE); }

HookHandle setHook(int kind, HookProcedure procedure, uint32_t threadId) {
    return reinterpret_cast<HookHandle>(SetWindowsHookExA(kind, procedure, nullptr, threadId));
}

LResult callNextHook(int code, WParam wParam, LParam lParam) { return CallNextHookEx(nullptr, code, wParam, lParam); }

void enumWindows(EnumWindowsProcedure procedure, LParam lParam) {
    EnumWindows(procedure, lParam);
}

uint32_t windowThreadId(WindowHandle window) { return GetWindowThreadProcessId(window, nullptr); }

WindowTraits windowTraits(WindowHandle window) {
    const HWND w = window;
    const LONG extended = GetWindowLongA(w, GWL_EXSTYLE);
    return {IsWindowVisible(w) != FALSE, IsWindowEnabled(w) != FALSE, GetWindow(w, GW_OWNER) != nullptr,
            (extended & WS_EX_TOOLWINDOW) != 0, (extended & WS_EX_APPWINDOW) != 0};
}

uint32_t currentThreadId() { return GetCurrentThreadId(); }

void messageBox(WindowHandle owner, const char* text, const char* caption) {
    MessageBoxA(owner, text, caption, MB_OK);
}

bool pinModule() {
    HMODULE self;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN;
    return GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(&pinModule)), &self) != 0;
}

}  // namespace platform
