#include "support.h"

#include <cstdio>

#include <algorithm>

// The running case's host, for runActions.
static SimulatedHost* current = nullptr;

namespace {

const char* messageName(uint32_t message) {
    switch (message) {
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_KEYUP: return "WM_KEYUP";
    case WM_MOUSEMOVE: return "WM_MOUSEMOVE";
    case WM_LBUTTONDOWN: return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP: return "WM_LBUTTONUP";
    case WM_LBUTTONDBLCLK: return "WM_LBUTTONDBLCLK";
    case WM_RBUTTONDOWN: return "WM_RBUTTONDOWN";
    case WM_RBUTTONUP: return "WM_RBUTTONUP";
    case WM_RBUTTONDBLCLK: return "WM_RBUTTONDBLCLK";
    case WM_MBUTTONDOWN: return "WM_MBUTTONDOWN";
    case WM_MBUTTONUP: return "WM_MBUTTONUP";
    case WM_MBUTTONDBLCLK: return "WM_MBUTTONDBLCLK";
    default: return "WM_?";
    }
}

std::string keyName(WParam key) {
    switch (key) {
    case VK_TAB: return "TAB";
    case VK_SHIFT: return "SHIFT";
    case VK_CONTROL: return "CONTROL";
    case VK_MENU: return "MENU";
    case VK_LCONTROL: return "LCONTROL";
    case VK_RCONTROL: return "RCONTROL";
    case VK_LMENU: return "LMENU";
    case VK_RMENU: return "RMENU";
    default: break;
    }
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%02X", static_cast<unsigned>(key));
    return buffer;
}

}  // namespace

std::string describe(const sim::Message& message, WindowHandle mainWindow, WindowHandle second) {
    std::string line = message.window == mainWindow ? "main" : message.window == second ? "second" : "other";
    if (message.input) line += " input";
    line += " ";
    line += messageName(message.message);
    char buffer[64];
    if (message.message == WM_KEYDOWN || message.message == WM_KEYUP) {
        line += " " + keyName(message.wParam);
        // Passed-on input carries the platform's own keystroke parameter.
        if (!message.input) {
            std::snprintf(buffer, sizeof buffer, " 0x%08llX", static_cast<unsigned long long>(message.lParam));
            line += buffer;
        }
        return line;
    }
    const int x = static_cast<int16_t>(message.lParam & 0xFFFF);
    const int y = static_cast<int16_t>((message.lParam >> 16) & 0xFFFF);
    std::snprintf(buffer, sizeof buffer, " 0x%04X %d,%d", static_cast<unsigned>(message.wParam), x, y);
    return line + buffer;
}

void Host::SetUp() {
    if (begun) endCase();
    begun = true;
    believed.clear();
    observed = 0;
    world = SimulatedHost();
    current = &world;
    main = world.main;
    second = world.second;
    load();
    doEnable();
}

void Host::TearDown() {
    if (begun) endCase();
    begun = false;
    current = nullptr;
}

void Host::observe() {
    const std::vector<sim::Message>& all = sim::messages();
    for (; observed < all.size(); ++observed) {
        const sim::Message& m = all[observed];
        const int key = belief::update(believed[m.window], m.message, m.wParam);
        // A button's release reaching another window than its press, as the
        // platform routes it when no window captures the mouse: the press's
        // window keeps believing it down, with or without the module.
        if (belief::buttonName(key) == nullptr || believed[m.window].test(static_cast<size_t>(key))) continue;
        for (auto& [window, held] : believed)
            if (window != m.window) held.reset(static_cast<size_t>(key));
    }
}

void Host::forgetKeysOfFocus() {
    observe();
    const WindowHandle had = sim::focus();
    if (had != nullptr) belief::loseFocus(believed[had]);
}

void Host::focus(WindowHandle window) {
    forgetKeysOfFocus();
    sim::setFocus(window);
}

void Host::focusAway() {
    forgetKeysOfFocus();
    sim::focusAway();
}

// The user lets go of everything, what is queued is taken, types one more
// key and moves the pointer (what the module owes at a later event is
// settled there), and the timers run out; then no window may believe a key
// or button down.
void Host::endCase() {
    sim::takeQueued();
    sim::elevatedInFront(false);
    for (int key = 8; key < 256; ++key)
        if (sim::keyState(key)) sim::keyUp(key);
    const WindowHandle under = world.handle(world.pointerWindow);
    const Point pointer = at(under, world.pointer.x, world.pointer.y);
    for (Button button : {Button::Left, Button::Right, Button::Middle})
        if (sim::buttonHeld(button)) sim::buttonUp(button, under, pointer);
    sim::keyDown('Q');
    sim::keyUp('Q');
    sim::move(under, pointer);
    sim::advance(1000);
    observe();
    for (const auto& [window, held] : believed) {
        const std::string name = window == main ? "main" : window == second ? "second" : "another window";
        for (int key = 1; key < 256; ++key) {
            if (!held.test(static_cast<size_t>(key))) continue;
            const char* button = belief::buttonName(key);
            ADD_FAILURE() << "once the user let go of everything, " << name << " still believes "
                          << (button != nullptr ? std::string(button) : keyName(static_cast<WParam>(key))) << " down";
        }
    }
}

Lines Host::received() {
    observe();
    observed = 0;
    Lines lines;
    for (const sim::Message& message : sim::messages()) lines.push_back(describe(message, main, second));
    sim::clearMessages();
    return lines;
}

Point at(WindowHandle window, int x, int y) {
    const Point origin = current != nullptr ? current->origin(current->windowOf(window)) : Point{0, 0};
    return {origin.x + x, origin.y + y};
}

void runActions(const std::string& lines) {
    if (current == nullptr) {
        ADD_FAILURE() << "no case is running";
        return;
    }
    std::string text = lines;
    std::replace(text.begin(), text.end(), ',', '\n');
    scenario::Scenario actions;
    std::string error;
    if (!scenario::parse("actions", text, &actions, &error)) {
        ADD_FAILURE() << error << " in \"" << lines << "\"";
        return;
    }
    for (const scenario::Step& step : actions.steps)
        if (!scenario::perform(actions, step, *current, &error)) ADD_FAILURE() << error;
}
