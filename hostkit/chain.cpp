// What a mouse hook after the module's in the chain is handed: the screen
// point the platform promises, for an event passed on, for one left in the
// queue (a peek) and with translation off. Such a hook is one the host
// installed before doEnable, or another program's global hook.
#include "input.h"

#include <cstdio>

namespace {

struct Seen {
    int code;
    POINT pt;
};
std::vector<Seen> seen;

LRESULT CALLBACK laterHook(int code, WPARAM message, LPARAM lParam) {
    if (message == WM_MOUSEMOVE) seen.push_back({code, reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam)->pt});
    return CallNextHookEx(nullptr, code, message, lParam);
}

}  // namespace

bool checkHookChain(const char* dllPath, std::string* error) {
    scenario::Driver* driver = startHost(dllPath, error);
    if (driver == nullptr) return false;
    // Installed before the module's: called after them.
    SetWindowsHookExA(WH_MOUSE, laterHook, nullptr, GetCurrentThreadId());
    driver->call("load");
    driver->call("doEnable");
    const struct {
        const char* what;
        int x, y;
        bool peek, off;
    } events[] = {{"motion passed on", 20, 20, false, false},
                  {"motion left in the queue", 30, 30, true, false},
                  {"motion with translation off", 40, 40, false, true}};
    std::string found;
    int checked = 0;
    for (const auto& e : events) {
        if (e.off) driver->call("doDisable");
        POINT at = {e.x, e.y};
        ClientToScreen(GetActiveWindow(), &at);
        seen.clear();
        if (e.peek) {
            // A look that leaves the motion queued calls the hooks with HC_NOREMOVE.
            INPUT input = mouseInput(at, MOUSEEVENTF_MOVE);
            SendInput(1, &input, sizeof input);
            MSG msg;
            for (int i = 0; i < 200 && !PeekMessageA(&msg, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE); ++i) Sleep(1);
            pumpFor(20);
        } else {
            driver->move(scenario::Main, e.x, e.y);
        }
        bool any = false;
        for (const Seen& s : seen) {
            if (e.peek != (s.code != HC_ACTION)) continue;
            any = true;
            ++checked;
            if (s.pt.x != at.x || s.pt.y != at.y)
                found += std::string(found.empty() ? "" : "; ") + e.what + ": " + std::to_string(s.pt.x) + "," +
                         std::to_string(s.pt.y) + " for " + std::to_string(at.x) + "," + std::to_string(at.y);
        }
        if (!any) found += std::string(found.empty() ? "" : "; ") + e.what + ": never reached the later hook";
    }
    releaseEverything();
    if (!found.empty()) return *error = "a later mouse hook was handed " + found, false;
    std::printf("a later mouse hook was handed the screen point %d times\n", checked);
    return true;
}
