// Benchmarks of the real Orvalinde.dll in one Windows process (run under
// Wine by scripts/bench.sh). Absolute times swing from run to run on shared
// machines, so each figure that matters is a ratio of two measurements
// interleaved round by round, and medians are reported.
//   orvalinde_wine_bench DLL
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#define ORVALINDE_NO_IMPORT
#include <orvalinde.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

HWND window;
LONG markers = 0;  // marker key-ups the window has received
LONG hooked = 0;   // events our own hooks saw (they run before the module's)

double nowUs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1e6 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

constexpr WORD kMarkerKey = 'B';

LRESULT CALLBACK procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    if ((message == WM_KEYUP || message == WM_SYSKEYUP) && wParam == kMarkerKey) ++markers;
    if (message == WM_SYSCHAR || message == WM_SYSCOMMAND || (message >= WM_SYSKEYDOWN && message <= WM_SYSKEYUP))
        return 0;
    return DefWindowProcA(w, message, wParam, lParam);
}

LRESULT CALLBACK ownHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) ++hooked;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Injects the events and pumps until the last marker key-up has arrived;
// returns the time taken in microseconds, or -1.
double injectAndWait(std::vector<INPUT>& inputs, LONG markersSent) {
    const LONG target = markers + markersSent;
    const double start = nowUs();
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size()) return -1;
    while (markers < target) {
        if (nowUs() - start > 10e6) return -1;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        pump();
    }
    return nowUs() - start;
}

INPUT key(WORD virtualKey, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

INPUT moveTo(int x, int y) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = x * 65536 / GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = y * 65536 / GetSystemMetrics(SM_CYSCREEN);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

bool createWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrvalindeBench";
    if (!RegisterClassA(&windowClass)) return false;
    window = CreateWindowExA(0, windowClass.lpszClassName, "Orvalinde bench", WS_POPUP | WS_VISIBLE, 40, 30, 600, 400,
                             nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return false;
    SetForegroundWindow(window);
    SetFocus(window);
    // One pointer grab for the whole run: Wine drops held keys on each warp otherwise.
    RECT clip = {1, 1, GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1};
    ClipCursor(&clip);
    for (int i = 0; i < 20; ++i) pump(), Sleep(2);
    return GetFocus() == window;
}

// 1. The exported hook on a plain motion record, against the one that only
// passes on; the ratio of their medians. Each call converts the record's
// point in place, so it is reset before every call of either.
double perCallRatio(OrvalindeMouseProcFn mouseProc, OrvalindeLowLevelMouseProcFn lowLevel) {
    const POINT screen = {140, 130};
    MOUSEHOOKSTRUCT record = {};
    record.hwnd = window;
    auto perCall = [&](OrvalindeMouseProcFn hook, int calls) {
        const double start = nowUs();
        for (int i = 0; i < calls; ++i) {
            record.pt = screen;
            hook(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LPARAM>(&record));
        }
        return (nowUs() - start) / calls;
    };
    std::vector<double> translated, passed;
    for (int round = 0; round < 200; ++round) {
        if (round % 2 == 0) translated.push_back(perCall(mouseProc, 200)), passed.push_back(perCall(lowLevel, 200));
        else passed.push_back(perCall(lowLevel, 200)), translated.push_back(perCall(mouseProc, 200));
    }
    std::printf("per call, median of 200 rounds of 200: MouseProc %.2f us, LowLevelMouseProc %.2f us\n",
                median(translated), median(passed));
    return median(translated) / median(passed);
}

// 2. A stream of motion and keystrokes through the host, with the module
// enabled and then loaded but disabled, round by round; the ratio of the
// rates, or a negative number if the stream did not arrive. Pairs of rounds
// go in alternating order and the ratio is the median of the pairs' ratios,
// so slow drifts of the machine cancel out.
double throughputRatio(OrvalindeDoEnableFn doEnable, OrvalindeDoDisableFn doDisable) {
    std::vector<INPUT> stream;
    for (int i = 0; i < 100; ++i) {
        stream.push_back(key('A', false));
        stream.push_back(moveTo(100 + i % 50 * 4, 100 + i % 30 * 5));
        stream.push_back(key('A', true));
        stream.push_back(moveTo(120 + i % 40 * 5, 110 + i % 20 * 6));
    }
    stream.push_back(key(kMarkerKey, false));
    stream.push_back(key(kMarkerKey, true));
    std::vector<double> enabledRates, disabledRates, ratios;
    auto rate = [&](bool enabled) {
        enabled ? doEnable() : doDisable();
        pump();
        const LONG before = hooked;
        const double us = injectAndWait(stream, 1);
        return us < 0 ? -1 : (hooked - before) / (us / 1e6);
    };
    constexpr int kPairs = 24;
    for (int pair = 0; pair < kPairs; ++pair) {
        const bool enabledFirst = pair % 2 == 0;
        const double first = rate(enabledFirst), second = rate(!enabledFirst);
        if (first < 0 || second < 0) return -1;
        enabledRates.push_back(enabledFirst ? first : second);
        disabledRates.push_back(enabledFirst ? second : first);
        ratios.push_back(enabledRates.back() / disabledRates.back());
    }
    std::printf("host throughput, median of %d pairs of rounds of %zu events: enabled %.0f events/s, disabled %.0f "
                "events/s\n",
                kPairs, stream.size(), median(enabledRates), median(disabledRates));
    return median(ratios);
}

// 3. A lone Ctrl press and release (the module scans every key's state),
// then a marker keystroke, enabled against disabled; false if it did not
// arrive.
bool loneCtrl(OrvalindeDoEnableFn doEnable, OrvalindeDoDisableFn doDisable) {
    std::vector<INPUT> lone = {key(VK_CONTROL, false), key(VK_CONTROL, true), key(kMarkerKey, false), key(kMarkerKey, true)};
    std::vector<double> loneEnabled, loneDisabled;
    for (int round = 0; round < 400; ++round) {
        const bool enabled = round % 2 == 0;
        enabled ? doEnable() : doDisable();
        const double us = injectAndWait(lone, 1);
        if (us < 0) return false;
        (enabled ? loneEnabled : loneDisabled).push_back(us);
    }
    doEnable();
    std::printf("lone Ctrl press and release, then a keystroke, median of 200: enabled %.1f us, disabled %.1f us; "
                "the module's share %.1f us\n",
                median(loneEnabled), median(loneDisabled), median(loneEnabled) - median(loneDisabled));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return std::fprintf(stderr, "usage: orvalinde_wine_bench DLL\n"), 2;
    HMODULE dll = LoadLibraryA(argv[1]);
    if (dll == nullptr || !createWindow()) return std::printf("bench: cannot load %s or create a window\n", argv[1]), 1;
    auto resolve = [dll](int ordinal) { return reinterpret_cast<void*>(GetProcAddress(dll, MAKEINTRESOURCEA(ordinal))); };
    const auto mouseProc = reinterpret_cast<OrvalindeMouseProcFn>(resolve(ORVALINDE_ORDINAL_MOUSEPROC));
    const auto lowLevel = reinterpret_cast<OrvalindeLowLevelMouseProcFn>(resolve(ORVALINDE_ORDINAL_LOWLEVELMOUSEPROC));
    const auto load = reinterpret_cast<OrvalindeLoadFn>(resolve(ORVALINDE_ORDINAL_LOAD));
    const auto doEnable = reinterpret_cast<OrvalindeDoEnableFn>(resolve(ORVALINDE_ORDINAL_DOENABLE));
    const auto doDisable = reinterpret_cast<OrvalindeDoDisableFn>(resolve(ORVALINDE_ORDINAL_DODISABLE));
    load();
    doEnable();
    SetWindowsHookExA(WH_MOUSE, ownHook, nullptr, GetCurrentThreadId());
    SetWindowsHookExA(WH_KEYBOARD, ownHook, nullptr, GetCurrentThreadId());

    const double callRatio = perCallRatio(mouseProc, lowLevel);
    const double streamRatio = throughputRatio(doEnable, doDisable);
    if (streamRatio < 0) return std::printf("bench: the injected stream did not arrive\n"), 1;
    if (!loneCtrl(doEnable, doDisable)) return std::printf("bench: the lone Ctrl press did not arrive\n"), 1;
    std::printf("MouseProc/LowLevelMouseProc per call: %.2f\n", callRatio);
    std::printf("enabled/disabled throughput: %.2f\n", streamRatio);
    std::fflush(stdout);
    ExitProcess(0);
}
