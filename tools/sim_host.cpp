#include "sim_host.h"

#include <algorithm>
#include <cstdio>

#include "module/exports.h"
#include "state/state.h"

namespace {

struct Export {
    const char* name;
    void (*function)();
};

// Every call a host makes by name, from the list of exports: the hook
// procedures are the platform's to call.
#define ORVALINDE_SIM_hook(function)
#define ORVALINDE_SIM_call(function) {#function, [] { (void)function(); }},
#define ORVALINDE_SIM_timer(function) ORVALINDE_SIM_call(function)
#define ORVALINDE_SIM(function, ordinal, kind) ORVALINDE_SIM_##kind(function)
const Export kExports[] = {ORVALINDE_EXPORTS(ORVALINDE_SIM)};
#undef ORVALINDE_SIM
#undef ORVALINDE_SIM_timer
#undef ORVALINDE_SIM_call
#undef ORVALINDE_SIM_hook

sim::Button simButton(scenario::Button button) {
    return button == scenario::Left ? sim::Button::Left
           : button == scenario::Right ? sim::Button::Right
                                       : sim::Button::Middle;
}

}  // namespace

SimulatedHost::SimulatedHost(bool traceMessages) : trace(traceMessages) {
    sim::reset();
    state = TranslationState{};
    main = sim::addWindow(kMainOrigin);
    second = sim::addWindow({kMainOrigin.x + kSecondOffset.x, kMainOrigin.y + kSecondOffset.y}, main);
    other = sim::addWindow(kOtherOrigin);
    sim::WindowStyle menu;  // as a menu is: no taskbar button, so never the main window
    menu.toolWindow = true;
    sim::setWindowStyle(other, menu);
    sim::setFocus(main);
    sim::setDoubleClicks(second, true);  // as the Windows test host's class
}

// Sizes do not matter here: nothing is hit-tested, the scenario names the
// window under the pointer.
void SimulatedHost::layout(const scenario::Step& step) {
    sim::WindowStyle style;
    switch (step.window) {
    case scenario::Second:
        secondOffset = {step.x, step.y};
        sim::moveWindow(second, origin(scenario::Second));
        return;
    case scenario::Main:
        style.visible = !step.hidden;
        style.toolWindow = step.toolWindow;
        sim::setWindowStyle(main, style);
        return;
    case scenario::Ime:
        if (ime == nullptr) ime = sim::addWindow(kOtherOrigin);
        style.visible = style.enabled = false;
        sim::setWindowStyle(ime, style);
        sim::bringToTop(ime);
        return;
    default:
        if (tooltip == nullptr) tooltip = sim::addWindow(kOtherOrigin);
        style.visible = false;
        style.toolWindow = true;
        style.owner = ime;
        sim::setWindowStyle(tooltip, style);
        sim::bringToTop(tooltip);
        return;
    }
}

bool SimulatedHost::call(const std::string& name) {
    for (const Export& e : kExports) {
        if (name != e.name) continue;
        e.function();
        return true;
    }
    return false;
}

void SimulatedHost::key(int key, bool down) {
    if (down)
        sim::keyDown(key);
    else
        sim::keyUp(key);
}

void SimulatedHost::button(scenario::Button button, bool down, bool doubleClick) {
    const Point o = origin(pointerWindow);
    const Point at = {o.x + pointer.x, o.y + pointer.y};
    if (doubleClick)
        sim::doubleClick(simButton(button), handle(pointerWindow), at);
    else if (down)
        sim::buttonDown(simButton(button), handle(pointerWindow), at);
    else
        sim::buttonUp(simButton(button), handle(pointerWindow), at);
}

void SimulatedHost::releaseUnseen(scenario::Button button, scenario::Release how) {
    const Point o = origin(pointerWindow);
    const Point at = {o.x + pointer.x, o.y + pointer.y};
    if (how == scenario::Outside) sim::releaseOutside(simButton(button));
    if (how == scenario::Queued) sim::releaseQueued(simButton(button), handle(pointerWindow), at);
    if (how == scenario::NonClient) sim::nonClientButtonUp(simButton(button), handle(pointerWindow), at);
}

void SimulatedHost::loopAt(scenario::Window window, uint32_t message, bool once) {
    const bool first = loops[window].empty() && loopsOnce[window].empty();
    (once ? loopsOnce : loops)[window].push_back(message);
    if (!first) return;
    sim::setWindowProcedure(handle(window), [this, window](const sim::Message& m) {
        std::vector<uint32_t>& next = loopsOnce[window];
        auto it = std::find(next.begin(), next.end(), m.message);
        if (it != next.end())
            next.erase(it);
        else if (std::find(loops[window].begin(), loops[window].end(), m.message) == loops[window].end())
            return;
        sim::handTheEventAgain();
        const sim::LoopEntry entry = sim::enterModalLoop();
        if (loopBody) loopBody();
        sim::leaveModalLoop(entry);
    });
}

void SimulatedHost::move(scenario::Window window, int x, int y) {
    pointerWindow = window;
    pointer = {x, y};
    const Point o = origin(window);
    sim::move(handle(window), {o.x + x, o.y + y});
}

void SimulatedHost::wait(uint32_t milliseconds) { sim::advance(milliseconds); }
void SimulatedHost::focus(scenario::Window window) {
    sim::elevatedInFront(false);
    if (window == scenario::NoWindow)
        sim::focusAway();
    else
        sim::setFocus(handle(window));
}

void SimulatedHost::peek() {
    const Point o = origin(pointerWindow);
    sim::peek(handle(pointerWindow), {o.x + pointer.x, o.y + pointer.y});
}

bool SimulatedHost::cursorShown() { return sim::cursorCount() >= 0; }

std::vector<scenario::Received> SimulatedHost::take() {
    std::vector<scenario::Received> out;
    for (const sim::Message& m : sim::messages()) {
        if (m.window == nullptr || m.window == other) continue;  // nobody, or a window not watched
        // Only client-area mouse messages and keystrokes, as the Windows test host logs.
        if (m.message < 0x0100 || (m.message > 0x0105 && m.message < 0x0200)) continue;
        scenario::Received r;
        r.window = windowOf(m.window);
        r.input = m.input;
        r.message = m.message;
        r.wParam = m.wParam;
        r.lParam = m.lParam;
        out.push_back(r);
    }
    sim::clearMessages();
    const std::vector<sim::MessageBoxRecord>& boxes = sim::messageBoxes();
    for (; boxesTaken < boxes.size(); ++boxesTaken) {
        scenario::Received r;
        r.box = true;
        r.window = windowOf(boxes[boxesTaken].owner);
        r.caption = boxes[boxesTaken].caption;
        r.text = boxes[boxesTaken].text;
        out.push_back(r);
    }
    if (trace)
        for (const scenario::Received& r : out) std::printf("    %s\n", scenario::describe(r).c_str());
    return out;
}

scenario::Window SimulatedHost::windowOf(WindowHandle window) const {
    if (window == main) return scenario::Main;
    if (window == second) return scenario::Second;
    if (window == other) return scenario::OtherWindow;
    if (window == nullptr) return scenario::NoWindow;
    if (window == ime) return scenario::Ime;
    if (window == tooltip) return scenario::Tooltip;
    return scenario::OtherWindow;
}

Point SimulatedHost::origin(scenario::Window window) const {
    if (window == scenario::Second) return {kMainOrigin.x + secondOffset.x, kMainOrigin.y + secondOffset.y};
    if (window == scenario::OtherWindow) return kOtherOrigin;
    return kMainOrigin;
}
