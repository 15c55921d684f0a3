// The keyboard's translation of Ctrl and the other keys (keyboard.cpp), for
// the reconciling with the platform (reconcile.cpp).
#pragma once

#include "state/state.h"

// The user's Ctrl went down or up; true: the event is the module's, and
// swallowed.
bool handleCtrl(bool released);
// Any key outside the Ctrl family: Ctrl is no longer alone, or is alone again.
void handleOtherKey(int key, bool released);
