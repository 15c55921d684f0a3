// Another program in front of the host (away.cpp), for the scenario lines
// that take the focus away from the host and give it back.
#pragma once

#include "windowing.h"

// Made once, before anything is held: under Wine a window that appears makes
// the X server's keymap, which never saw the injected keys, the key state.
void makeAwayWindow();
// The other program's window takes the foreground; the host's input is held
// back until it comes back (see inputHeldBack).
void goAway();
// The host's main window takes the foreground again, `focus` the focus. No
// input is taken here: see inputHeldBack.
void comeBack(HWND mainWindow, HWND focus);
