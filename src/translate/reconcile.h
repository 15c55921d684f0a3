// What the module remembers, squared with what the platform says, on the way
// into every hook call, timer procedure and export (reconcile.cpp).
#pragma once

#include "state/state.h"
#include "translate/switching.h"

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

// Both, on the way into a hook call: the gestures, then the keys (a drag
// ended here owes its Ctrl key-up at Alt's release). The event at hand is
// `keyAtHand`'s, or the mouse's `mouseMessage` to `target`. Inline: every
// input event of the host comes through here.
inline void settleWhatWentUnseen(int keyAtHand, WParam mouseMessage, WindowHandle target) {
    if (anyGestureHeld()) endLostGestures(mouseMessage, target);
    settleKeysReleasedElsewhere(keyAtHand, mouseMessage);
}

// Every control export and timer procedure runs its body through here: what
// went unseen since the module last looked is settled on the way in, and a
// switch waiting for a quiet moment is made on the way out. The body may
// return early; the way out is still taken.
template <typename Body>
inline void asCall(Body body) {
    settleKeysReleasedElsewhere(0);
    body();
    switchWhenQuiet();
}
