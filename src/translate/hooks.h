#pragma once

#include "platform/platform.h"

extern "C" {
// WH_MOUSE hook of the host's UI thread; also exported.
LResult MouseProc(int code, WParam wParam, LParam lParam);
}

// WH_KEYBOARD hook of the host's UI thread.
LResult KeyboardProc(int code, WParam wParam, LParam lParam);

// Tells mainWindow that Ctrl is down on behalf of the mask key.
void pressCtrlForMask();
