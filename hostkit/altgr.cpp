// AltGr on a layout that has it: Windows presses a left Ctrl of its own
// before the right Alt and lets it go after, and the withheld Ctrl lies on
// that path. The characters must still come, with no menu key.
#include <cstdio>

#include "host.h"
#include "input.h"

namespace {

constexpr const char* kName = "AltGr types characters";

struct Got {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool input;
};
std::vector<Got> got;
WNDPROC original = nullptr;

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool key = message >= WM_KEYFIRST && message <= WM_KEYLAST;
    if (key || message == WM_SYSCOMMAND || message == WM_ENTERMENULOOP || message == WM_INITMENU) {
        scenario::Received r;
        const bool input = receivedMessage(window, message, wParam, lParam, &r) && r.input;
        got.push_back({message, wParam, lParam, input});
    }
    return CallWindowProcW(original, window, message, wParam, lParam);
}

std::string describe(const Got& g) {
    char text[96];
    const char* input = g.input ? "input " : "";
    switch (g.message) {
    case WM_CHAR: std::snprintf(text, sizeof text, "%sWM_CHAR U+%04X", input, static_cast<unsigned>(g.wParam)); break;
    case WM_SYSCHAR: std::snprintf(text, sizeof text, "%sWM_SYSCHAR U+%04X", input, static_cast<unsigned>(g.wParam)); break;
    case WM_DEADCHAR: std::snprintf(text, sizeof text, "%sWM_DEADCHAR U+%04X", input, static_cast<unsigned>(g.wParam)); break;
    case WM_SYSCOMMAND: std::snprintf(text, sizeof text, "WM_SYSCOMMAND 0x%04X", static_cast<unsigned>(g.wParam & 0xFFF0)); break;
    case WM_ENTERMENULOOP: return "WM_ENTERMENULOOP";
    case WM_INITMENU: return "WM_INITMENU";
    default: {
        scenario::Received r;
        r.message = g.message;
        r.wParam = g.wParam;
        r.lParam = static_cast<uintptr_t>(g.lParam);
        r.input = g.input;
        std::string line = scenario::describe(r);
        return line.substr(line.find(' ') + 1);  // the window is main
    }
    }
    return text;
}

// Whether main was last told this key (either side's) went down.
bool believedDown(int generic) {
    bool down = false;
    for (const Got& g : got) {
        if (g.message < WM_KEYDOWN || g.message > WM_SYSKEYUP || g.message == WM_CHAR || g.message == WM_DEADCHAR) continue;
        const int key = static_cast<int>(g.wParam);
        const int keyGeneric = key >= VK_LSHIFT && key <= VK_RMENU ? VK_SHIFT + (key - VK_LSHIFT) / 2 : key;
        if (keyGeneric == generic) down = g.message == WM_KEYDOWN || g.message == WM_SYSKEYDOWN;
    }
    return down;
}

void tap(int key) {
    inject(keyInput(key, true));
    inject(keyInput(key, false));
}

// What main received for AltGr + Q and AltGr + E on a German layout: the
// characters, no system key or menu, and neither Ctrl nor Alt left down.
Outcome judge(std::string* line) {
    std::string wrong;
    auto has = [](UINT message, WPARAM wParam) {
        for (const Got& g : got)
            if (g.message == message && g.wParam == wParam) return true;
        return false;
    };
    if (!has(WM_CHAR, '@')) wrong += "no '@' (WM_CHAR U+0040) for AltGr + Q; ";
    if (!has(WM_CHAR, 0x20AC)) wrong += "no euro sign (WM_CHAR U+20AC) for AltGr + E; ";
    for (const Got& g : got) {
        if (g.message == WM_SYSKEYDOWN || g.message == WM_SYSKEYUP || g.message == WM_SYSCHAR ||
            g.message == WM_SYSCOMMAND || g.message == WM_ENTERMENULOOP || g.message == WM_INITMENU) {
            wrong += "a system key or menu message (" + describe(g) + "); ";
            break;
        }
    }
    if (believedDown(VK_CONTROL) || GetKeyState(VK_CONTROL) < 0) wrong += "main is left believing Ctrl down; ";
    if (believedDown(VK_MENU) || GetKeyState(VK_MENU) < 0) wrong += "main is left believing Alt down; ";
    if (wrong.empty()) return *line = std::string("PASS ") + kName + ": '@' and the euro sign, no menu", Outcome::Passed;
    std::string seen;
    for (const Got& g : got) seen += (seen.empty() ? "" : ", ") + describe(g);
    *line = std::string("FAIL ") + kName + ": " + wrong.substr(0, wrong.size() - 2) + "; main received: " +
            (seen.empty() ? "nothing" : seen);
    return Outcome::Failed;
}

}  // namespace

Outcome checkAltGr(const char* dllPath, std::string* line) {
    std::string error;
    scenario::Driver* driver = startHost(dllPath, &error);
    if (driver == nullptr) return *line = std::string("FAIL ") + kName + ": " + error, Outcome::Failed;
    if (!driver->call("load") || !driver->call("doEnable"))
        return *line = std::string("FAIL ") + kName + ": the module has no load or doEnable", Outcome::Failed;
    driver->take();
    // A German layout for this thread alone: unloaded after unless it was loaded before.
    HKL before = GetKeyboardLayout(0);
    HKL loaded[64];
    const int count = GetKeyboardLayoutList(64, loaded);
    HKL german = LoadKeyboardLayoutA("00000407", KLF_NOTELLSHELL);
    bool wasLoaded = false;
    for (int i = 0; i < count; ++i) wasLoaded = wasLoaded || loaded[i] == german;
    if (german != nullptr) ActivateKeyboardLayout(german, 0);
    const HKL layout = GetKeyboardLayout(0);
    // Without it the probe below still runs: whether AltGr brings a Ctrl.
    const bool isGerman = LOWORD(reinterpret_cast<UINT_PTR>(layout)) == 0x0407;
    const HWND main = hostWindow(scenario::Main);
    original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recordingProcedure)));
    translatingKeys = true;

    inject(keyInput(VK_RMENU, true));
    const bool ownCtrl = GetAsyncKeyState(VK_LCONTROL) < 0;
    if (ownCtrl) {
        tap('Q');
        tap('E');
    }
    inject(keyInput(VK_RMENU, false));
    pumpFor(50);

    translatingKeys = false;
    SetWindowLongPtrW(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    ActivateKeyboardLayout(before, 0);
    if (german != nullptr && german != before && !wasLoaded) UnloadKeyboardLayout(german);
    releaseEverything();
    if (!injectionProblem.empty()) return *line = std::string("FAIL ") + kName + ": " + injectionProblem, Outcome::Failed;
    static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    if (!ownCtrl || !isGerman) {
        std::string why;
        if (!ownCtrl) why = "the platform pressed no Ctrl of its own with AltGr (the right Alt), as Windows does";
        if (!isGerman) {
            char layoutName[16];
            std::snprintf(layoutName, sizeof layoutName, "%08lX",
                          static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(layout)));
            why += std::string(why.empty() ? "" : ", and ") + "this thread's layout is " + layoutName +
                   ", not a German one (00000407)";
        }
        if (wine) why += "; under Wine AltGr is a key of its own, with no Ctrl";
        return *line = std::string("SKIP ") + kName + ": " + why, Outcome::Skipped;
    }

    return judge(line);
}
