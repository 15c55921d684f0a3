// OrvalindePlayground.exe: loads Orvalinde.dll from its own folder, is its
// host, and shows live what the user holds, every message the module sends,
// passes on or swallows, and what each window believes is down.
//   OrvalindePlayground [--record FILE] [--quit-after MS] [--snapshot FILE]
//                       [--dpi-change MS:DPI]
#include "playground.h"

#define ORVALINDE_NO_IMPORT
#include <orvalinde.h>

#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

HWND mainWindow, childWindow;

namespace {

const char kUsage[] =
    "usage: OrvalindePlayground [--record FILE] [--quit-after MS] [--snapshot FILE] [--dpi-change MS:DPI]\n"
    "  --record FILE         write the session as a scenario to FILE at exit\n"
    "  --quit-after MS       exit after MS milliseconds (1 to 86400000)\n"
    "  --snapshot FILE       save a picture of the window at exit: PNG when FILE ends in .png, else BMP\n"
    "  --dpi-change MS:DPI   after MS milliseconds, act as if the window moved to a monitor of DPI\n"
    "                        (48 to 480), as it does when the system says so\n"
    "  --help                this text\n";

enum Command {
    kSave = 100, kClear, kExit, kTranslation, kDragger, kMask, kBurst, kCancelBurst, kAbout,
};
enum Timer { kCountdownTimer = 1, kQuitTimer = 2, kDpiTimer = 3 };

struct Options {
    std::string record, snapshot;
    unsigned long quitAfter = 0;
    unsigned long dpiAfter = 0, dpi = 0;
};
Options options;

struct Module {
    HMODULE dll;
    OrvalindeLoadFn load;
    OrvalindeDoEnableFn doEnable;
    OrvalindeDoDisableFn doDisable;
    OrvalindeStartDraggerModeFn startDraggerMode;
    OrvalindeCustomMaskKeyPressedFn customMaskKeyPressed;
    OrvalindeDoDelayedEnableFn doDelayedEnable;
    OrvalindeSetOrvalindeIsEnabledFn setOrvalindeIsEnabled;
    OrvalindeShowAboutFn showAbout;
} module;

bool translationOn = false;
int countdown = 0;
Command countdownFor = kDragger;
HHOOK boxHook;

// Output for a program without a console of its own: the one it was started
// from, if any.
void say(const std::string& text, bool error) {
    HANDLE handle = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if ((handle == nullptr || handle == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
        handle = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD written;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        MessageBoxA(nullptr, text.c_str(), "Orvalinde playground", error ? MB_ICONERROR : MB_OK);
}

int usageError(const std::string& why) {
    say("OrvalindePlayground: " + why + "\n" + kUsage, true);
    return 2;
}

// 0 to go on, else the exit status.
int parseArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") return say(kUsage, false), -1;
        const bool known = arg == "--record" || arg == "--quit-after" || arg == "--snapshot" || arg == "--dpi-change";
        if (!known) return usageError("unknown argument '" + arg + "'");
        if (i + 1 >= argc || argv[i + 1][0] == '\0') return usageError(arg + " needs a value");
        const std::string value = argv[++i];
        if (arg == "--record") options.record = value;
        if (arg == "--snapshot") options.snapshot = value;
        if (arg == "--quit-after") {
            char* end = nullptr;
            const unsigned long ms = std::strtoul(value.c_str(), &end, 10);
            if (*end != '\0' || value[0] == '-' || ms < 1 || ms > 86400000)
                return usageError("--quit-after takes 1 to 86400000 milliseconds, not '" + value + "'");
            options.quitAfter = ms;
        }
        if (arg == "--dpi-change") {
            char* colon = nullptr;
            char* end = nullptr;
            const unsigned long ms = std::strtoul(value.c_str(), &colon, 10);
            const unsigned long dpi = *colon == ':' ? std::strtoul(colon + 1, &end, 10) : 0;
            if (end == nullptr || *end != '\0' || end == colon + 1 || value[0] == '-' || ms < 1 || ms > 86400000 ||
                dpi < 48 || dpi > 480)
                return usageError("--dpi-change takes MS:DPI (1 to 86400000 ms, 48 to 480 DPI), not '" + value + "'");
            options.dpiAfter = ms;
            options.dpi = dpi;
        }
    }
    return 0;
}

template <typename T>
bool resolve(T* function, const char* name) {
    *function = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module.dll, name)));
    return *function != nullptr;
}

// Orvalinde.dll from this program's own folder.
std::string loadModule() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "cannot find the program's own folder";
    std::string dll(path, length);
    dll = dll.substr(0, dll.find_last_of("\\/") + 1) + "Orvalinde.dll";
    module.dll = LoadLibraryA(dll.c_str());
    if (module.dll == nullptr) return "cannot load " + dll;
    const bool all = resolve(&module.load, "load") && resolve(&module.doEnable, "doEnable") &&
                     resolve(&module.doDisable, "doDisable") && resolve(&module.startDraggerMode, "startDraggerMode") &&
                     resolve(&module.customMaskKeyPressed, "customMaskKeyPressed") &&
                     resolve(&module.doDelayedEnable, "doDelayedEnable") &&
                     resolve(&module.setOrvalindeIsEnabled, "setOrvalindeIsEnabled") && resolve(&module.showAbout, "showAbout");
    return all ? "" : dll + " lacks an export";
}

// An export, called and recorded as the step it is.
void call(const char* name, void (*function)()) {
    scenario::Step step;
    step.kind = scenario::Kind::Call;
    step.name = name;
    addStepAfterGap(step, true);
    function();
}

// The about box is the module's, modal: its caption and text are recorded as
// it opens; nothing the user does inside it is.
LRESULT CALLBACK onBox(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char className[32] = {}, caption[256] = {}, text[1024] = {};
        GetClassNameA(box, className, sizeof className);
        if (std::strcmp(className, "#32770") == 0) {
            GetWindowTextA(box, caption, sizeof caption);
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            addBox(GetWindow(box, GW_OWNER), caption, text);
            session.recording = false;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void about() {
    scenario::Step step;
    step.kind = scenario::Kind::Call;
    step.name = "showAbout";
    addStepAfterGap(step, true);
    boxHook = SetWindowsHookExA(WH_CBT, onBox, nullptr, GetCurrentThreadId());
    module.showAbout();
    UnhookWindowsHookEx(boxHook);
    session.recording = true;
}

void setStatus() {
    if (countdown > 0)
        view.status = std::string(countdownFor == kDragger ? "Dragger mode" : "Mask key capture") + " in " +
                      std::to_string(countdown) + " s: hold the one key now";
    else
        view.status = std::string("Translation ") + (translationOn ? "on" : "off");
    InvalidateRect(mainWindow, nullptr, FALSE);
}

void saveAs() {
    char path[MAX_PATH] = "session.txt";
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = mainWindow;
    dialog.lpstrFilter = "Scenario files (*.txt)\0*.txt\0All files\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = "txt";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    session.recording = false;
    const bool chosen = GetSaveFileNameA(&dialog) != 0;
    session.recording = true;
    if (!chosen) return;
    if (!writeFile(path, scenarioText()))
        MessageBoxA(mainWindow, (std::string("Cannot write ") + path).c_str(), "Orvalinde playground", MB_ICONERROR);
}

void command(int id) {
    switch (id) {
    case kSave: saveAs(); break;
    case kClear:
        startSession(translationOn);
        view.scrollX = view.scrollY = 0;
        view.follow = true;
        break;
    case kExit: PostMessageA(mainWindow, WM_CLOSE, 0, 0); break;
    case kTranslation:
        translationOn = !translationOn;
        call(translationOn ? "doEnable" : "doDisable", translationOn ? module.doEnable : module.doDisable);
        CheckMenuItem(GetMenu(mainWindow), kTranslation, translationOn ? MF_CHECKED : MF_UNCHECKED);
        break;
    case kDragger:
    case kMask:
        countdown = 3;
        countdownFor = static_cast<Command>(id);
        SetTimer(mainWindow, kCountdownTimer, 1000, nullptr);
        break;
    case kBurst: call("doDelayedEnable", module.doDelayedEnable); break;
    case kCancelBurst: call("setOrvalindeIsEnabled", module.setOrvalindeIsEnabled); break;
    case kAbout: about(); break;
    default: break;
    }
    setStatus();
}

void tick() {
    if (--countdown > 0) return setStatus();
    KillTimer(mainWindow, kCountdownTimer);
    if (countdownFor == kDragger)
        call("startDraggerMode", module.startDraggerMode);
    else
        call("customMaskKeyPressed", module.customMaskKeyPressed);
    setStatus();
}

// At exit: the snapshot and the recording the command line asked for.
bool finish() {
    std::string error;
    bool ok = true;
    if (!options.snapshot.empty() && !saveSnapshot(mainWindow, options.snapshot, &error)) {
        say("OrvalindePlayground: " + error + "\n", true);
        ok = false;
    }
    if (!options.record.empty() && !writeFile(options.record, scenarioText())) {
        say("OrvalindePlayground: " + options.record + ": cannot write the file\n", true);
        ok = false;
    }
    return ok;
}

bool exitOk = true;

bool recordMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    scenario::Received r;
    if (!receivedMessage(window, message, wParam, lParam, &r)) return false;
    addReceived(window, r);
    return true;
}

void paintChild(HDC dc, const RECT& r) {
    HBRUSH fill = CreateSolidBrush(RGB(0xe8, 0xf1, 0xfa));
    FillRect(dc, &r, fill);
    DeleteObject(fill);
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_TOP | TA_LEFT);
    SetTextColor(dc, RGB(0x2f, 0x7f, 0xc1));
    RECT text = {r.left + 8, r.top + 8, r.right - 8, r.bottom - 8};
    DrawTextA(dc, "Child window\nMessages for it show as \"second\". Drags that start here and end over main "
                  "show where the owed Ctrl key-up goes.", -1, &text, DT_WORDBREAK);
}

LRESULT CALLBACK childProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (recordMessage(window, message, wParam, lParam)) return 0;
    if (message == WM_PAINT || message == WM_PRINTCLIENT) {
        PAINTSTRUCT ps;
        HDC dc = message == WM_PAINT ? BeginPaint(window, &ps) : reinterpret_cast<HDC>(wParam);
        RECT r;
        GetClientRect(window, &r);
        paintChild(dc, r);
        if (message == WM_PAINT) EndPaint(window, &ps);
        return 0;
    }
    if (message == WM_KILLFOCUS) belief::loseFocus(session.believed[1]);
    return DefWindowProcA(window, message, wParam, lParam);
}

double dpiScale(HWND window) {
    typedef UINT(WINAPI * GetDpiForWindowFn)(HWND);
    const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpi != nullptr) return getDpi(window) / 96.0;
    HDC dc = GetDC(window);
    const double scale = GetDeviceCaps(dc, LOGPIXELSX) / 96.0;
    ReleaseDC(window, dc);
    return scale;
}

void placeChild() {
    const int s = static_cast<int>(view.scale * 100);
    MoveWindow(childWindow, 16 * s / 100, 12 * s / 100, 300 * s / 100, 104 * s / 100, TRUE);
}

// The window now shows on a monitor of `dpi`: the suggested size, the child
// pane placed for it, and the recording told where the windows now are.
void changeDpi(unsigned dpi, const RECT& suggested) {
    view.scale = dpi / 96.0;
    SetWindowPos(mainWindow, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    placeChild();
    if (session.recording) recordLayout();
    session.changed = true;
    InvalidateRect(mainWindow, nullptr, FALSE);
}

LRESULT CALLBACK mainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (recordMessage(window, message, wParam, lParam)) return 0;
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        if (session.changed) updateScrollBars();
        // Drawn off screen, then shown at once: no flicker while input streams in.
        HDC buffer = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
        HGDIOBJ old = SelectObject(buffer, bitmap);
        paintWindow(buffer, client);
        BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
        SelectObject(buffer, old);
        DeleteObject(bitmap);
        DeleteDC(buffer);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: updateScrollBars(); InvalidateRect(window, nullptr, FALSE); return 0;
    case WM_HSCROLL: scroll(SB_HORZ, wParam); return 0;
    case WM_VSCROLL: scroll(SB_VERT, wParam); return 0;
    case WM_COMMAND: command(LOWORD(wParam)); return 0;
    case WM_TIMER:
        if (wParam == kCountdownTimer) tick();
        if (wParam == kQuitTimer) PostMessageA(window, WM_CLOSE, 0, 0);
        if (wParam == kDpiTimer) {
            KillTimer(window, kDpiTimer);
            RECT r;
            GetWindowRect(window, &r);
            const double grow = options.dpi / 96.0 / view.scale;
            r.right = r.left + static_cast<LONG>((r.right - r.left) * grow);
            r.bottom = r.top + static_cast<LONG>((r.bottom - r.top) * grow);
            changeDpi(options.dpi, r);
        }
        return 0;
    case WM_ENTERMENULOOP: session.recording = false; return 0;
    case WM_EXITMENULOOP: session.recording = true; return 0;
    case WM_KILLFOCUS: belief::loseFocus(session.believed[0]); break;
    case WM_DPICHANGED: {
        changeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    // Alt must not open the menu: it is half of every drag here.
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_KEYMENU) return 0;
        break;
    case WM_SYSCHAR: return 0;
    case WM_CLOSE:
        exitOk = finish();
        DestroyWindow(window);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HMENU makeMenu() {
    HMENU bar = CreateMenu(), file = CreatePopupMenu(), mod = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, kSave, "&Save as scenario...");
    AppendMenuA(file, MF_STRING, kClear, "&Clear");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, kExit, "E&xit");
    AppendMenuA(mod, MF_STRING | MF_CHECKED, kTranslation, "&Translation on");
    AppendMenuA(mod, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(mod, MF_STRING, kDragger, "&Dragger mode in 3 s");
    AppendMenuA(mod, MF_STRING, kMask, "Capture &mask key in 3 s");
    AppendMenuA(mod, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(mod, MF_STRING, kBurst, "&H burst");
    AppendMenuA(mod, MF_STRING, kCancelBurst, "&Cancel H burst");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&Session");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(mod), "&Module");
    AppendMenuA(bar, MF_STRING, kAbout, "&About");
    return bar;
}

}  // namespace

int main(int argc, char** argv) {
    const int parsed = parseArguments(argc, argv);
    if (parsed != 0) return parsed < 0 ? 0 : parsed;
    registerWindowClass("OrvalindePlayground", mainProcedure);
    registerWindowClass("OrvalindePlaygroundChild", childProcedure);
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    mainWindow = CreateWindowExA(0, "OrvalindePlayground", "Orvalinde playground",
                                 WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_VSCROLL, CW_USEDEFAULT, CW_USEDEFAULT, 1000, 700,
                                 nullptr, makeMenu(), instance, nullptr);
    if (mainWindow == nullptr) return say("OrvalindePlayground: cannot create the window\n", true), 1;
    view.scale = dpiScale(mainWindow);
    // Sized for the DPI the window opened on.
    SetWindowPos(mainWindow, nullptr, 0, 0, static_cast<int>(1000 * view.scale), static_cast<int>(700 * view.scale),
                 SWP_NOMOVE | SWP_NOZORDER);
    childWindow = CreateWindowExA(0, "OrvalindePlaygroundChild", "", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, mainWindow,
                                  nullptr, instance, nullptr);
    placeChild();
    ShowWindow(mainWindow, SW_SHOW);
    UpdateWindow(mainWindow);
    SetForegroundWindow(mainWindow);
    SetFocus(mainWindow);

    const std::string problem = loadModule();
    if (!problem.empty()) {
        say("OrvalindePlayground: " + problem + "\n", true);
        return 1;
    }
    module.load();
    module.doEnable();
    translationOn = true;
    // Ours after the module's, so that they see each event first.
    installThreadHooks();
    installLowLevelHooks();
    startSession(true);
    session.recording = true;
    setStatus();
    if (options.quitAfter > 0) SetTimer(mainWindow, kQuitTimer, options.quitAfter, nullptr);
    if (options.dpiAfter > 0) SetTimer(mainWindow, kDpiTimer, options.dpiAfter, nullptr);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        const bool moduleTimer = msg.message == WM_TIMER && msg.hwnd == nullptr;
        if (moduleTimer) timerDispatching();
        dispatchInput(msg);
    }
    return exitOk ? 0 : 1;
}
