// Between the mouse hook's entry (mouse_hook.cpp) and its translation of
// gestures (mouse.cpp).
#pragma once

#include "state/state.h"

// A mouse event: the window it goes to, and the point in its client area.
struct Event {
    WindowHandle target;
    Point pt;
};

// Replaces the event with what its gesture sends; true: swallow it.
bool translate(WParam message, const Event& e);
// The gesture flags, one bit each, to tell whether a call changed any.
uint32_t gestureBits();
