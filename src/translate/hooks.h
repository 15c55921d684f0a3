#pragma once

#include "platform/platform.h"

extern "C" {
// WH_MOUSE hook of the host's UI thread; also exported.
LResult PLATFORM_CALLBACK MouseProc(int code, WParam wParam, LParam lParam);
}

// WH_KEYBOARD hook of the host's UI thread.
LResult PLATFORM_CALLBACK KeyboardProc(int code, WParam wParam, LParam lParam);

// Tells mainWindow that Ctrl is down on behalf of the mask key.
void pressCtrlForMask();

// Ends every gesture a button holds on, as its release would have, and
// forgets what the buttons armed.
void endAllGestures();
