// The one host on the simulated platform, for the tools and the logic tests
// alike: the scenario driver, with the same window layout as the Windows test
// host and the module's exports callable by name.
#pragma once

#include <string>
#include <vector>

#include "simulated.h"
#include "scenario.h"

// Main's client area at (40, 30) on the screen; the second window is a child
// of main, 400 pixels to its right; the other window, top-level, is beyond.
constexpr Point kMainOrigin = {40, 30};
constexpr Point kSecondOffset = {400, 0};
constexpr Point kOtherOrigin = {860, 30};

struct SimulatedHost : scenario::Driver {
    // A fresh world and module state, main focused, the pointer at main's origin.
    explicit SimulatedHost(bool trace = false);
    // A host with no world yet, for one that outlives many (copy one in).
    struct NoWorld {};
    explicit SimulatedHost(NoWorld) : trace(false), main(nullptr), second(nullptr), other(nullptr) {}

    void layout(const scenario::Step& step) override;
    bool call(const std::string& name) override;
    void key(int key, bool down) override;
    void keyUpQueued(int key) override { sim::keyUpQueued(key); }
    void button(scenario::Button button, bool down, bool doubleClick) override;
    void releaseUnseen(scenario::Button button, scenario::Release how) override;
    void hostCaptures() override { sim::setCapturingHost(true); }
    bool keyOrder(scenario::KeyOrder order) override {
        sim::keysFirst(order != scenario::HookFirst, order == scenario::KeysFirstOneDeep);
        return true;
    }
    void place(scenario::Window window, int x, int y) override {
        pointerWindow = window;
        pointer = {x, y};
    }
    // The window's procedure runs the loop; it calls back into this host, so
    // the host must stay where it is while the world lives.
    void loopAt(scenario::Window window, uint32_t message, bool once) override;
    void move(scenario::Window window, int x, int y) override;
    void wait(uint32_t milliseconds) override;
    void focus(scenario::Window window) override;
    bool focusElevated() override {
        sim::focusAway();
        sim::elevatedInFront(true);
        return true;
    }
    void peek() override;
    void swapButtons(bool on) override { sim::swapButtons(on); }
    bool cursorShown() override;
    uint64_t moduleTimerTicks() override { return sim::timerFires(); }
    void unload() override { unloaded = true; }
    // A module that pinned itself stays mapped whatever the host frees.
    bool moduleLoaded() override { return !unloaded || sim::modulePinned(); }
    std::vector<scenario::Received> take() override;
    double clockMs() override { return sim::now(); }

    WindowHandle handle(scenario::Window window) const {
        switch (window) {
        case scenario::Second: return second;
        case scenario::OtherWindow: return other;
        case scenario::Ime: return ime;
        case scenario::Tooltip: return tooltip;
        default: return main;
        }
    }
    scenario::Window windowOf(WindowHandle window) const;
    Point origin(scenario::Window window) const;

    bool trace;
    WindowHandle main;
    WindowHandle second;
    WindowHandle other;  // another top-level window of the thread: a menu, a box
    WindowHandle ime = nullptr;      // hidden windows listed before main
    WindowHandle tooltip = nullptr;
    size_t boxesTaken = 0;
    bool unloaded = false;
    scenario::Window pointerWindow = scenario::Main;
    Point pointer = {0, 0};  // client coordinates of pointerWindow
    Point secondOffset = kSecondOffset;
    std::vector<uint32_t> loops[2];  // per window, the messages that open a modal loop
    std::vector<uint32_t> loopsOnce[2];  // ... the next time only
};
