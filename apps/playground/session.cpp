// Recording: the steps the user takes in the playground's windows, seen by
// hooks of our own that run before the module's, and what each step brought
// to the windows.
#include "playground.h"

#include <algorithm>
#include <cstdio>

Session session;

namespace {

scenario::Window pointerWindow = scenario::Main;
POINT pointer = {0, 0};  // client coordinates of pointerWindow
bool pointerKnown = false;  // a mouse event of this session has placed it

scenario::Window windowOf(HWND window) {
    return window == mainWindow ? scenario::Main : window == childWindow ? scenario::Second : scenario::OtherWindow;
}

scenario::Step stepOf(scenario::Kind kind) {
    scenario::Step step;
    step.kind = kind;
    return step;
}

void layoutStep(scenario::Window window, HWND handle) {
    RECT r;
    GetClientRect(handle, &r);
    MapWindowPoints(handle, mainWindow, reinterpret_cast<POINT*>(&r), 2);
    scenario::Step step = stepOf(scenario::Kind::Layout);
    step.window = window;
    step.x = r.left, step.y = r.top;
    step.width = r.right - r.left, step.height = r.bottom - r.top;
    addStep(step);
}

// Before the session's first action, after the lines that precede it.
void insertDeclaration(const scenario::Step& step) {
    std::vector<scenario::Step>& steps = session.scenario.steps;
    size_t at = 0;
    while (at < steps.size() && (steps[at].kind == scenario::Kind::Layout || steps[at].kind == scenario::Kind::Pointer))
        ++at;
    steps.insert(steps.begin() + static_cast<long>(at), step);
    session.received.insert(session.received.begin() + static_cast<long>(at) + 1, std::vector<scenario::Received>());
    session.changed = true;
}

// The thread hooks see each event as the module will, after the system has
// merged queued motion; they only note it and pass it on.
// While a menu or a box runs its loop, the mouse events it takes are
// recorded as over another window, whichever window they name (a menu
// tracks the mouse through main): the module sees them, and a press there
// settles a Ctrl key-up it owes; the loop, not the window, takes them.
LRESULT CALLBACK onMouse(int code, WPARAM message, LPARAM lParam) {
    const auto* record = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    const scenario::Window window = session.recording ? windowOf(record->hwnd) : scenario::OtherWindow;
    if (code == HC_ACTION && window != scenario::NoWindow && message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK &&
        (window <= scenario::Second || !session.recording)) {
        POINT at = record->pt;
        ScreenToClient(record->hwnd, &at);
        const bool moved = window != pointerWindow || at.x != pointer.x || at.y != pointer.y;
        bool movedThere = false;  // a motion step precedes the button's, after the wait
        if (!pointerKnown && message != WM_MOUSEMOVE) {
            // The session opens with a button: the pointer was already there,
            // and the module saw no motion to it.
            scenario::Step place = stepOf(scenario::Kind::Pointer);
            place.window = window, place.x = at.x, place.y = at.y;
            insertDeclaration(place);
        } else if (message == WM_MOUSEMOVE || moved) {
            scenario::Step move = stepOf(scenario::Kind::Move);
            move.window = window, move.x = at.x, move.y = at.y;
            addStepAfterGap(move, true);
            movedThere = true;
        }
        pointerWindow = window, pointer = at, pointerKnown = true;
        if (message != WM_MOUSEMOVE) {
            // down, up, double-click for left, right and middle in turn
            const int index = static_cast<int>(message - WM_LBUTTONDOWN);
            static const scenario::Kind kinds[] = {scenario::Kind::ButtonDown, scenario::Kind::ButtonUp,
                                                   scenario::Kind::ButtonDouble};
            scenario::Step button = stepOf(kinds[index % 3]);
            button.button = static_cast<scenario::Button>(index / 3);
            addStepAfterGap(button, !movedThere);
        }
    }
    return CallNextHookEx(nullptr, code, message, lParam);
}

LRESULT CALLBACK onKey(int code, WPARAM key, LPARAM lParam) {
    if (code == HC_ACTION && session.recording) {
        // Bit 31 of the keystroke flags: a release.
        const bool up = (static_cast<uint32_t>(lParam) & 0x80000000u) != 0;
        scenario::Step step = stepOf(up ? scenario::Kind::KeyUp : scenario::Kind::KeyDown);
        step.key = static_cast<int>(key);
        addStepAfterGap(step, true);
    }
    return CallNextHookEx(nullptr, code, key, lParam);
}

// The low-level hooks see the devices themselves, whichever window the
// input is for: what the user physically holds.
LRESULT CALLBACK onLowLevelMouse(int code, WPARAM message, LPARAM lParam) {
    if (code == HC_ACTION) {
        switch (message) {
        case WM_LBUTTONDOWN: case WM_LBUTTONUP: session.physical.set(VK_LBUTTON, message == WM_LBUTTONDOWN); break;
        case WM_RBUTTONDOWN: case WM_RBUTTONUP: session.physical.set(VK_RBUTTON, message == WM_RBUTTONDOWN); break;
        case WM_MBUTTONDOWN: case WM_MBUTTONUP: session.physical.set(VK_MBUTTON, message == WM_MBUTTONDOWN); break;
        default: return CallNextHookEx(nullptr, code, message, lParam);
        }
        InvalidateRect(mainWindow, nullptr, FALSE);
    }
    return CallNextHookEx(nullptr, code, message, lParam);
}

LRESULT CALLBACK onLowLevelKey(int code, WPARAM message, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* record = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const size_t key = static_cast<size_t>(belief::generic(static_cast<int>(record->vkCode)));
        const bool down = (record->flags & LLKHF_UP) == 0;
        if (session.physical.test(key) != down) {
            session.physical.set(key, down);
            InvalidateRect(mainWindow, nullptr, FALSE);
        }
    }
    return CallNextHookEx(nullptr, code, message, lParam);
}

}  // namespace

void startSession(bool translationOn) {
    session.scenario = scenario::Scenario();
    session.scenario.file = "playground";
    session.scenario.heading = {"Recorded in the Orvalinde playground"};
    session.received.assign(1, {});
    session.believed[0].reset();
    session.believed[1].reset();
    session.lastAction = 0;
    pointerWindow = scenario::Main;
    pointer = {0, 0};
    pointerKnown = false;
    recordLayout();
    static const char* const calls[] = {"load", "doEnable", "doDisable"};
    for (int i = 0; i < (translationOn ? 2 : 3); ++i) {
        scenario::Step call = stepOf(scenario::Kind::Call);
        call.name = calls[i];
        addStep(call);
    }
    session.lastAction = 0;
}

void recordLayout() {
    layoutStep(scenario::Main, mainWindow);
    layoutStep(scenario::Second, childWindow);
}

void addStep(const scenario::Step& step) {
    session.scenario.steps.push_back(step);
    session.received.emplace_back();
    session.changed = true;
    InvalidateRect(mainWindow, nullptr, FALSE);
}

// A wait for the time since the last action, when a millisecond or more passed.
void waitSinceLastAction(double now) {
    if (session.lastAction <= 0 || now - session.lastAction < 1) return;
    scenario::Step wait = stepOf(scenario::Kind::Wait);
    wait.milliseconds = static_cast<uint32_t>(std::min(now - session.lastAction, 60000.0));
    addStep(wait);
}

void addStepAfterGap(const scenario::Step& step, bool gap) {
    const double now = nowMs();
    if (gap) waitSinceLastAction(now);
    session.lastAction = now;
    addStep(step);
}

// Also while a menu or a box runs: what the module sends meanwhile belongs
// to the session, after the step over that window that caused it.
void addReceived(HWND window, scenario::Received r) {
    const scenario::Window w = windowOf(window);
    if (w > scenario::Second || session.received.empty()) return;
    r.window = w;
    belief::update(session.believed[w], r.message, r.wParam);
    session.received.back().push_back(r);
    session.changed = true;
    InvalidateRect(mainWindow, nullptr, FALSE);
}

void addBox(HWND owner, const std::string& caption, const std::string& text) {
    scenario::Received r;
    r.box = true;
    r.window = owner == nullptr ? scenario::NoWindow : windowOf(owner);
    r.caption = caption;
    r.text = text;
    session.received.back().push_back(r);
    session.changed = true;
}

void timerDispatching() {
    // What the module's timer sends belongs after the time that passed.
    if (!session.recording) return;
    const double now = nowMs();
    waitSinceLastAction(now);
    session.lastAction = now;
}

std::vector<scenario::TracedAction> tracedActions() {
    std::vector<scenario::TracedAction> out;
    out.push_back({nullptr, session.received[0]});
    for (size_t i = 0; i < session.scenario.steps.size(); ++i)
        out.push_back({&session.scenario.steps[i], session.received[i + 1]});
    return out;
}

bool writeFile(const std::string& path, const std::string& text) {
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fclose(out) == 0 && written;
}

std::string scenarioText() {
    std::string out;
    for (const std::string& line : session.scenario.heading) out += "# " + line + "\n";
    return out + scenario::write(tracedActions());
}

std::string stuckAlarm() {
    if (session.physical.any()) return "";
    static const char* const names[] = {"main", "the child window"};
    for (int w = 0; w < 2; ++w)
        for (int key = 1; key < 256; ++key) {
            if (!session.believed[w].test(static_cast<size_t>(key))) continue;
            const std::string name = belief::buttonName(key) ? belief::buttonName(key) : scenario::keyName(key);
            return std::string(names[w]) + " believes " + name + " is down when nothing is held";
        }
    return "";
}

void installLowLevelHooks() {
    SetWindowsHookExA(WH_MOUSE_LL, onLowLevelMouse, GetModuleHandleA(nullptr), 0);
    SetWindowsHookExA(WH_KEYBOARD_LL, onLowLevelKey, GetModuleHandleA(nullptr), 0);
}

void installThreadHooks() {
    SetWindowsHookExA(WH_MOUSE, onMouse, nullptr, GetCurrentThreadId());
    SetWindowsHookExA(WH_KEYBOARD, onKey, nullptr, GetCurrentThreadId());
}
