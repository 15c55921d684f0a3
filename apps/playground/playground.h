// The playground: a host for Orvalinde.dll that shows live what the user
// holds, what the module makes of it and what the host's windows believe,
// and records the session in the scenario language.
#pragma once

#include <string>
#include <vector>

#include "belief.h"
#include "scenario.h"
#include "timeline.h"
#include "windowing.h"

// What the user did in the playground's windows, as scenario steps, and what
// each step brought to the windows.
struct Session {
    scenario::Scenario scenario;
    // [0]: what arrived before the first step; [i + 1]: while step i ran.
    std::vector<std::vector<scenario::Received>> received;
    belief::Held believed[2];  // main, child, from the messages they received
    belief::Held physical;     // what the user holds, from the low-level hooks
    double lastAction = 0;     // milliseconds, for the waits between actions
    bool recording = false;    // off while a menu or box runs its own loop
    bool changed = false;      // the view needs a new layout
};

extern Session session;
extern HWND mainWindow, childWindow;

// session.cpp
// A new session: the windows' places, load and (when on) doEnable.
void startSession(bool translationOn);
// The windows' places as steps: at the start, and when they move.
void recordLayout();
// A step, after a wait for the gap since the last when there was one.
void addStep(const scenario::Step& step);
void addStepAfterGap(const scenario::Step& step, bool gap);
// A key or mouse message one of the windows received.
void addReceived(HWND window, scenario::Received r);
void addBox(HWND owner, const std::string& caption, const std::string& text);
std::vector<scenario::TracedAction> tracedActions();
std::string scenarioText();
// The whole of `text` to `path`; false if it could not be written.
bool writeFile(const std::string& path, const std::string& text);
// "" or which window believes which key is down while the user holds nothing.
std::string stuckAlarm();
// Hooks of the playground's own: the low-level ones for what the user
// holds, and thread hooks, installed after the module's so that they see
// each event first, for the steps.
void installLowLevelHooks();
void installThreadHooks();
// Timer procedures of the module run from the message loop: what they send
// comes after the time that passed, as a wait.
void timerDispatching();

// view.cpp
struct ViewState {
    int scrollX = 0, scrollY = 0;
    bool follow = true;  // keep the newest column in sight
    double scale = 1.0;  // the window's DPI over 96
    std::string status;
};
extern ViewState view;
int bandHeight();  // the strip above the picture: child pane and status lines
const timeline::Picture& currentPicture();
void paintWindow(HDC dc, const RECT& client);
// The scroll bars for the picture's size; following, the newest column in sight.
void updateScrollBars();
// A scroll bar's request (WM_HSCROLL, WM_VSCROLL) for SB_HORZ or SB_VERT.
void scroll(int bar, WPARAM request);
bool saveSnapshot(HWND window, const std::string& path, std::string* error);
