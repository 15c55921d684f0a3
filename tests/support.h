// A host on the simulated platform: a main window and a second top-level
// window, the module loaded and enabled, and helpers that read as the user's
// actions. received() returns what the windows got since the last call, one
// line per message, e.g. "main WM_RBUTTONDOWN 0x0000 100,100" or, for input
// the hooks passed on, "main input WM_KEYDOWN S".
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
#include "simulated.h"
#include "state/state.h"
#include "translate/hooks.h"

using Lines = std::vector<std::string>;
using sim::Button;

std::string describe(const sim::Message& message, WindowHandle mainWindow, WindowHandle second);

struct Host : ::testing::Test {
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
    void press(Button button, int x, int y) { sim::buttonDown(button, main, {x, y}); }
    void release(Button button, int x, int y) { sim::buttonUp(button, main, {x, y}); }
    void moveTo(int x, int y) { sim::move(main, {x, y}); }

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

// Runs a line of user actions, e.g. "d:CTRL bd:L m:5,5 bu:L u:CTRL t:S w:50":
// d:/u:/t: key down, up, down and up; bd:/bu: button L, R or M down or up at
// the pointer; m:x,y moves the pointer over the main window; w:ms advances
// the clock. Key names: CTRL LCTRL RCTRL ALT LALT RALT SHIFT TAB, letters.
void runActions(const std::string& line, WindowHandle window);
int keyByName(const std::string& name);
