// A host on the simulated platform, the tools' own (see tools/sim_host.h):
// main, its child window second, and another top-level window of the thread,
// the module loaded and enabled, and helpers that read as the user's
// actions. received() returns what the windows got since the last call, one
// line per message, e.g. "main WM_RBUTTONDOWN 0x0000 100,100" (client
// coordinates) or, for input the hooks passed on, "main input WM_KEYDOWN S".
// Every case ends (at TearDown, or at the SetUp of the next case of a table)
// as a user ends: letting go of every key and button; and then no window may
// believe any of them down.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "belief.h"
#include "module/exports.h"
#include "sim_host.h"
#include "simulated.h"
#include "state/state.h"
#include "translate/hooks.h"

using Lines = std::vector<std::string>;
using sim::Button;

std::string describe(const sim::Message& message, WindowHandle mainWindow, WindowHandle second);

// The screen point at (x, y) in the client area of a window of the running
// case's host.
Point at(WindowHandle window, int x, int y);

struct Host : ::testing::Test {
    SimulatedHost world{SimulatedHost::NoWorld{}};
    WindowHandle main = nullptr;
    WindowHandle second = nullptr;

    void SetUp() override;
    void TearDown() override;
    // The next case of a table: the one before ends as a user ends (checked),
    // and a fresh host begins.
    void nextCase() { SetUp(); }

    Lines received();
    // The focus moves, as the user moves it: the window losing it forgets
    // the keys it saw go down.
    void focus(WindowHandle window);
    void focusAway();

    void down(int key) { sim::keyDown(key); }
    void up(int key) { sim::keyUp(key); }
    void tap(int key) {
        sim::keyDown(key);
        sim::keyUp(key);
    }
    // Over main, at (x, y) in its client area.
    void press(Button button, int x, int y) { sim::buttonDown(button, main, at(main, x, y)); }
    void release(Button button, int x, int y) { sim::buttonUp(button, main, at(main, x, y)); }
    void moveTo(int x, int y) { sim::move(main, at(main, x, y)); }

private:
    // What each window believes held, from every message it got so far.
    std::map<WindowHandle, belief::Held> believed;
    size_t observed = 0;  // messages already read into `believed`
    bool begun = false;
    void observe();
    void forgetKeysOfFocus();
    void endCase();
};

// What the module believes, asked here rather than of the state record's
// fields, so that the cases outlive a change in how the record keeps it.
// (Cases that set up a belief directly still write the record.)
inline bool translating() { return state.enabled; }
inline bool hooksInstalled() { return state.hooksInstalled && state.mouseHook && state.keyboardHook; }
inline WindowHandle hostWindow() { return state.mainWindow; }
inline bool ctrlHeld() { return state.ctrlHeld; }
inline bool ctrlWithheld() { return state.ctrlWithheld; }
inline bool altHeld() { return state.altHeld; }
inline bool altInjected() { return state.altInjected; }
inline WindowHandle ctrlUpOwedTo() { return state.pendingCtrlUpWindow; }
inline LeftGesture leftGesture() { return state.leftGesture; }
inline RightGesture rightGesture() { return state.rightGesture; }
inline MiddleGesture middleGesture() { return state.middleGesture; }
inline bool sendingLeftUp() { return state.sendingLeftUp; }
inline int draggerKey() { return state.draggerKey; }
inline int maskKey() { return state.maskKey; }
inline bool maskStandsForCtrl() { return state.maskActive; }
inline int burstTicks() { return state.burstTicks; }
inline bool burstTimerLive() { return state.burstTimer != 0; }

// Runs user actions in the scenario files' words, one line after another,
// separated by commas: "key down CONTROL, button down left, move 5 5, wait 50"
// (see lib/scenario/scenario.h), against the running case's host.
void runActions(const std::string& lines);
