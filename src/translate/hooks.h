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

// Ends each gesture whose button the hooks saw held and the user no longer
// holds, or presses again, as its release would have: the release went to a
// window of another program, or arrived as a non-client message. `message`
// is the mouse message being handled (0 for a keystroke), and `target` the
// window it goes to: a button-up of the gesture's own button is left to its
// handler.
void endLostGestures(WParam message, WindowHandle target);

// Settles each key the module remembers held that the user has let go where
// the hooks never saw it (another program had the focus), as its release
// would have, but passing nothing on: the thread never had that release.
// `keyAtHand` is the key of the event being handled, which its handler
// settles itself (0 outside the keyboard hook); `mouseMessage` that of the
// mouse hook's event. Nothing is settled while the key state reads nothing.
void settleKeysReleasedElsewhere(int keyAtHand, WParam mouseMessage = 0);

// Ends every gesture a button holds on, as its release would have, and
// forgets what the buttons armed.
void endAllGestures();
