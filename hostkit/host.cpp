// A Windows host for Orvalinde.dll: creates its windows, loads the DLL,
// drives it with real injected input (SendInput, one event at a time) and
// records every keyboard and mouse message its windows receive. The test
// host (tests/e2e) and the self-test (apps/selftest) run it.
// With ORVALINDE_TRACE set, every message the windows receive is printed.
#include "away.h"
#include "input.h"

// The exports are resolved by hand here, as a host that loads the DLL would.
#define ORVALINDE_NO_IMPORT
#include <orvalinde.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Our own message posted to main, to time the host's answer.
static volatile bool appMessageArrived = false;

namespace {

// Window layout shared with the native replay tool.
constexpr int kMainX = 40, kMainY = 30, kMainWidth = 800, kMainHeight = 500;
constexpr int kSecondX = 400, kSecondY = 0, kSecondWidth = 300, kSecondHeight = 300;


HWND mainWindow, secondWindow;
// Another top-level window of the thread, as a menu or a box would be; what
// it receives is not logged.
HWND otherWindow;
// Hidden top-level windows listed before main, as input-method windows and
// tooltips are; made when a scenario declares them.
HWND imeWindow, tooltipWindow;
std::vector<scenario::Received> received;
std::vector<double> receivedAt;  // milliseconds, for tracing

// Hosts that answer back: windows that capture at a press, and the messages
// at which each window runs a modal loop (main, second).
bool capturing = false;
int captureButton = -1;
std::vector<UINT> loopMessages[2];
std::vector<UINT> loopOnce[2];  // the next such message only
scenario::Driver* activeDriver = nullptr;

scenario::Window windowOf(HWND window) {
    if (window == mainWindow) return scenario::Main;
    if (window == secondWindow) return scenario::Second;
    if (window == nullptr) return scenario::NoWindow;
    if (window == imeWindow) return scenario::Ime;
    if (window == tooltipWindow) return scenario::Tooltip;
    return scenario::OtherWindow;
}

BOOL CALLBACK firstOfThread(HWND window, LPARAM found) {
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// What a host that answers back does with a button message it received.
void answer(HWND window, UINT message) {
    if (capturing && message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK) {
        const int button = static_cast<int>(message - WM_LBUTTONDOWN) / 3;
        const bool up = (message - WM_LBUTTONDOWN) % 3 == 1;
        if (!up && GetCapture() == nullptr) {
            SetCapture(window);
            captureButton = button;
        } else if (up && button == captureButton && GetCapture() == window) {
            ReleaseCapture();
            captureButton = -1;
        }
    }
    const scenario::Window which = windowOf(window);
    if (which > scenario::Second || activeDriver == nullptr) return;
    std::vector<UINT>& once = loopOnce[which];
    const auto next = std::find(once.begin(), once.end(), message);
    if (next != once.end())
        once.erase(next);
    else if (std::find(loopMessages[which].begin(), loopMessages[which].end(), message) == loopMessages[which].end())
        return;
    // A modal loop pumps the thread's queue: the platform hands it the
    // event still being handled, then the scenario's lines run inside. Input
    // alone: a timer of the module's falls due at its own pace (the burst's
    // every 10 ms or so), and on a loaded machine these 5 ms outlasted it,
    // firing the next tick before the scenario's first line inside the loop
    // had run; the scenario's own waits let timers fire there.
    pumpInputFor(5);
    if (activeDriver->loopBody) activeDriver->loopBody();
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    scenario::Received r;
    if (window != otherWindow && receivedMessage(window, message, wParam, lParam, &r) &&
        !(r.input && message == WM_MOUSEMOVE && syntheticMotion())) {
        r.window = windowOf(window);
        received.push_back(r);
        receivedAt.push_back(nowMs());
        answer(window, message);
        return 0;
    }
    if (message == WM_APP) {
        appMessageArrived = true;
        return 0;
    }
    // Handing Alt keystrokes to DefWindowProc would start a menu loop.
    if (message == WM_SYSCHAR || message == WM_SYSCOMMAND || message == WM_SYSDEADCHAR) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

POINT clientToScreen(scenario::Window window, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(window == scenario::Second ? secondWindow : window == scenario::OtherWindow ? otherWindow : mainWindow, &p);
    return p;
}

}  // namespace

namespace {

// The host on Windows itself (checked here under Wine): real windows, input
// through SendInput, the DLL's own hooks.
struct WindowsHost : scenario::Driver {
    static constexpr DWORD kDown[3] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_MIDDLEDOWN};
    static constexpr DWORD kUp[3] = {MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTUP, MOUSEEVENTF_MIDDLEUP};
    HMODULE dll;
    bool trace = GetEnvironmentVariableA("ORVALINDE_TRACE", nullptr, 0) != 0;
    POINT pointer;
    scenario::Window pointerWindow = scenario::Main;

    bool call(const std::string& name) override {
        if (name == "LowLevelMouseProc" || name == "MouseProc") return false;  // hook procedures, not calls
        FARPROC function = GetProcAddress(dll, name.c_str());
        if (function == nullptr) return false;
        watchBoxes(true);
        reinterpret_cast<void(__cdecl*)()>(reinterpret_cast<void*>(function))();  // the exports' convention
        watchBoxes(false);
        // Hooks installed after ours would see events first; stay in front.
        if (name == "doEnable") installOwnHooks();
        // Input alone: a timer the call armed fires in the scenario's waits,
        // not here. On a loaded machine these 5 ms outlasted the burst's
        // first tick, which then came before a loop the next line set up
        // for it (a stall of 10 ms or more, beside two busy loops).
        pumpInputFor(5);
        return true;
    }

    void key(int key, bool down) override {
        keyHeld(key, down);
        // With another program in front the key goes to it: our hooks never see it.
        if (inputHeldBack)
            injectAway(keyInput(key, down));
        else
            inject(keyInput(key, down));
    }

    void keyUpQueued(int key) override {
        keyHeld(key, false);
        queuedRelease = keyInput(key, false);
        releaseQueued = true;
    }

    // A button line names the logical button. Windows makes a physical press
    // the logical button the setting maps it to; Wine only changes the
    // setting, so there the physical button is the logical one.
    static int physical(scenario::Button button) {
        static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
        return button != scenario::Middle && GetSystemMetrics(SM_SWAPBUTTON) && !wine ? 1 - button : button;
    }

    void button(scenario::Button button, bool down, bool) override {
        // A double-click is the platform's doing: a second press soon after a click.
        injectMove(pointer, down ? kDown[physical(button)] : kUp[physical(button)]);
    }

    void releaseUnseen(scenario::Button logical, scenario::Release how) override {
        const int button = physical(logical);
        if (how == scenario::Queued) {
            queuedRelease = mouseInput(pointer, kUp[button]);
            releaseQueued = true;
        } else if (how == scenario::Outside) {
            // The desktop, beyond the host's windows, belongs to another process.
            const POINT outside = {GetSystemMetrics(SM_CXSCREEN) - 20, GetSystemMetrics(SM_CYSCREEN) - 20};
            injectElsewhere(outside, MOUSEEVENTF_MOVE);
            injectElsewhere(outside, kUp[button]);
            returnUnseen(pointer);
        } else {
            // Both windows have a one-pixel border: its left edge, level with the pointer.
            RECT frame;
            GetWindowRect(pointerWindow == scenario::Second ? secondWindow : mainWindow, &frame);
            const POINT border = {frame.left, pointer.y};
            injectMove(border, MOUSEEVENTF_MOVE);
            injectMove(border, kUp[button]);
        }
    }

    void hostCaptures() override { capturing = true; }

    // Wine 8 runs the keyboard hook before it takes the key; Wine from 9.1
    // takes it first, and runs the hook for a key taken inside it too
    // (measured under Wine 10). Windows takes it first; whether it runs the
    // hook one deep, the scenario that runs here finds out.
    bool keyOrder(scenario::KeyOrder order) override {
        typedef const char*(CDECL * WineVersionFn)();
        const auto wine = reinterpret_cast<WineVersionFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
        if (wine == nullptr) return order != scenario::HookFirst;
        char* rest = nullptr;
        const long major = std::strtol(wine(), &rest, 10);
        const long minor = *rest == '.' ? std::strtol(rest + 1, nullptr, 10) : 0;
        const bool keysFirst = major > 9 || (major == 9 && minor >= 1);
        return order == (keysFirst ? scenario::KeysFirst : scenario::HookFirst);
    }

    void swapButtons(bool on) override {
        SwapMouseButton(on ? TRUE : FALSE);
        pumpFor(5);
    }

    // The pointer goes there before the module is at work; what that motion
    // brought is not part of the run.
    void place(scenario::Window window, int x, int y) override {
        pointerWindow = window;
        pointer = clientToScreen(window, x, y);
        injectMove(pointer, MOUSEEVENTF_MOVE);
        pumpFor(20);
        received.clear();
        receivedAt.clear();
    }
    void loopAt(scenario::Window window, uint32_t message, bool once) override {
        (once ? loopOnce : loopMessages)[window].push_back(message);
    }

    void move(scenario::Window window, int x, int y) override {
        pointerWindow = window;
        pointer = clientToScreen(window, x, y);
        injectMove(pointer, MOUSEEVENTF_MOVE);
        POINT now;
        GetCursorPos(&now);
        if ((now.x != pointer.x || now.y != pointer.y) && injectionProblem.empty())
            injectionProblem = "the pointer landed at " + std::to_string(now.x) + "," + std::to_string(now.y);
    }

    void wait(uint32_t milliseconds) override { pumpFor(milliseconds); }

    void focus(scenario::Window window) override {
        const HWND target = window == scenario::Second ? secondWindow : mainWindow;
        if (window == scenario::NoWindow) {
            goAway();
        } else if (inputHeldBack) {
            comeBack(mainWindow, target);
        } else {
            SetFocus(target);
            pumpFor(5);
        }
    }

    // The exported MouseProc is the installed hook itself: a call with
    // HC_NOREMOVE is what the platform makes for a message left in the queue.
    void peek() override {
        const OrvalindeMouseProcFn mouseProc =
            reinterpret_cast<OrvalindeMouseProcFn>(reinterpret_cast<void*>(GetProcAddress(dll, "MouseProc")));
        MOUSEHOOKSTRUCT record = {};
        record.pt = pointer;
        record.hwnd = WindowFromPoint(pointer);
        mouseProc(HC_NOREMOVE, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&record));
        pumpFor(5);
    }

    void unload() override { FreeLibrary(dll); }

    void layout(const scenario::Step& step) override {
        if (step.window == scenario::Ime || step.window == scenario::Tooltip) {
            declareHidden(step.window);
        } else if (step.window == scenario::Second) {
            SetWindowPos(secondWindow, nullptr, step.x, step.y, step.width, step.height, SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            const LONG extended = GetWindowLongA(mainWindow, GWL_EXSTYLE);
            SetWindowLongA(mainWindow, GWL_EXSTYLE,
                           step.toolWindow ? extended | WS_EX_TOOLWINDOW : extended & ~WS_EX_TOOLWINDOW);
            SetWindowPos(mainWindow, nullptr, 0, 0, step.width, step.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            if (step.hidden != !IsWindowVisible(mainWindow)) {
                ShowWindow(mainWindow, step.hidden ? SW_HIDE : SW_SHOW);
                if (!step.hidden) SetForegroundWindow(mainWindow), SetFocus(mainWindow);
            }
            raiseHidden();
        }
        pumpFor(5);
    }

    // Showing or hiding main may put it on top: the hidden windows go back
    // above it, in the order they were declared.
    static void raiseHidden() {
        for (HWND window : {imeWindow, tooltipWindow})
            if (window != nullptr) SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }

    // Made hidden and put on top of the Z order: listed before every window so far.
    static void declareHidden(scenario::Window which) {
        HWND& window = which == scenario::Ime ? imeWindow : tooltipWindow;
        if (window == nullptr)
            window = which == scenario::Ime
                         ? CreateWindowExA(0, "OrvalindeTestMain", "", WS_POPUP | WS_DISABLED, 0, 0, 10, 10, nullptr, nullptr,
                                           GetModuleHandleA(nullptr), nullptr)
                         : CreateWindowExA(WS_EX_TOOLWINDOW, "OrvalindeTestMain", "", WS_POPUP, 0, 0, 10, 10, imeWindow,
                                           nullptr, GetModuleHandleA(nullptr), nullptr);
        raiseHidden();
        HWND first = nullptr;
        EnumWindows(firstOfThread, reinterpret_cast<LPARAM>(&first));
        if (first != window && injectionProblem.empty())
            injectionProblem = which == scenario::Ime ? "the platform does not list the ime window first"
                                                      : "the platform does not list the tooltip window first";
    }

    bool moduleLoaded() override { return GetModuleHandleA("Orvalinde.dll") != nullptr; }

    bool cursorShown() override {
        const int count = ShowCursor(TRUE) - 1;
        ShowCursor(FALSE);
        return count >= 0;
    }

    uint64_t moduleTimerTicks() override { return threadTimerTicks; }
    double clockMs() override { return nowMs(); }
    double stalledMs() override { return ::stalledMs(); }
    double longestStallMs() override { return ::longestStallMs(); }

    std::vector<scenario::Received> take() override {
        std::vector<scenario::Received> out = takeBoxes();
        if (trace) {
            for (const scenario::Received& r : out) std::printf("    %s\n", scenario::describe(r).c_str());
            for (size_t i = 0; i < received.size(); ++i)
                std::printf("    %s  (at %.1f ms)\n", scenario::describe(received[i]).c_str(), receivedAt[i]);
        }
        out.insert(out.end(), received.begin(), received.end());
        received.clear();
        receivedAt.clear();
        return out;
    }
};

bool createWindows(std::string* error) {
    // Double-clicks only over the second window.
    if (!registerWindowClass("OrvalindeTestMain", windowProcedure) ||
        !registerWindowClass("OrvalindeTestSecond", windowProcedure, CS_DBLCLKS))
        return *error = "RegisterClass failed", false;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    // Made first, so that main is above it; and a tool window, as a menu
    // is: never taken for the main window.
    otherWindow = CreateWindowExA(WS_EX_TOOLWINDOW, "OrvalindeTestMain", "", WS_POPUP | WS_VISIBLE, 860, 30, 150, 150,
                                  nullptr, nullptr, instance, nullptr);
    mainWindow = CreateWindowExA(0, "OrvalindeTestMain", "Orvalinde test host", WS_POPUP | WS_VISIBLE | WS_BORDER, kMainX,
                                 kMainY, kMainWidth, kMainHeight, nullptr, nullptr, instance, nullptr);
    secondWindow = CreateWindowExA(0, "OrvalindeTestSecond", "", WS_CHILD | WS_VISIBLE | WS_BORDER, kSecondX, kSecondY,
                                   kSecondWidth, kSecondHeight, mainWindow, nullptr, instance, nullptr);
    if (!mainWindow || !secondWindow || !otherWindow) return *error = "CreateWindow failed", false;
    makeAwayWindow();
    bringToForeground(mainWindow);
    SetFocus(mainWindow);
    // One grab for the whole run: Wine resynchronises key state on each
    // pointer warp otherwise, and held keys would be lost.
    RECT clip = {1, 1, GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1};
    ClipCursor(&clip);
    pumpFor(50);
    if (GetFocus() != mainWindow) return *error = kNoFocus, false;
    return true;
}

WindowsHost host;

}  // namespace

scenario::Driver* startHost(const char* dllPath, std::string* error) {
    startClosingBoxes(GetCurrentThreadId(), windowOf);
    if (!createWindows(error)) return nullptr;
    releaseEverything();
    host.dll = LoadLibraryA(dllPath);
    if (host.dll == nullptr) return *error = std::string("cannot load ") + dllPath, nullptr;
    if (!checkExports(host.dll, error)) return nullptr;
    activeDriver = &host;
    installOwnHooks();
    // The pointer starts at main's client origin; what that move caused is not
    // part of what is run.
    const bool trace = host.trace;
    host.trace = false;
    host.pointer = clientToScreen(scenario::Main, 0, 0);
    // A move to where the pointer already is (the last run may have left it
    // there) need not reach the hooks at all.
    POINT now;
    if (GetCursorPos(&now) && now.x == host.pointer.x && now.y == host.pointer.y)
        injectMove({host.pointer.x + 1, host.pointer.y + 1}, MOUSEEVENTF_MOVE);
    injectMove(host.pointer, MOUSEEVENTF_MOVE);
    pumpFor(20);
    host.take();
    host.trace = trace;
    return &host;
}

double roundTripMs() {
    appMessageArrived = false;
    const double start = nowMs();
    PostMessageA(mainWindow, WM_APP, 0, 0);
    while (!appMessageArrived && nowMs() - start < 5000) pumpOnce(1);
    return appMessageArrived ? nowMs() - start : -1;
}

bool runScenario(const char* dllPath, const scenario::Scenario& s, std::string* error, double* lateMs) {
    if (lateMs != nullptr) *lateMs = 0;
    scenario::Driver* driver = startHost(dllPath, error);
    if (driver == nullptr) return false;
    const bool ok = scenario::run(s, *driver, error, lateMs);
    releaseEverything();
    if (!injectionProblem.empty()) {
        if (lateMs != nullptr) *lateMs = 0;
        *error = s.file + ": " + injectionProblem + (ok ? "" : "; " + *error);
        return false;
    }
    return ok;
}

std::string lateLine(const std::string& error, double lateMs) {
    char late[96];
    std::snprintf(late, sizeof late, " (the host ran %.0f ms late)", lateMs);
    return error + late;
}

HWND hostWindow(scenario::Window window) { return window == scenario::Second ? secondWindow : mainWindow; }
