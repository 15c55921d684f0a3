// doEnable and doDisable take effect at a quiet moment (switching.cpp).
#pragma once

#include "state/state.h"

// Switches translation to what the host last asked for, if the user holds
// nothing now; going off, it first finishes what translation began.
// `keyAtHand`: the key whose event the keyboard hook is handling, or 0.
void switchIfNothingHeld(int keyAtHand);
// Called after every hook call and timer tick, and by the two exports: costs
// one comparison while no switch waits.
inline void switchWhenQuiet(int keyAtHand = 0) {
    if (state.enableRequested != state.enabled) switchIfNothingHeld(keyAtHand);
}
