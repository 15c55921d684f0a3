// The mouse's translation of gestures (mouse.cpp), for the hook's entry
// (mouse_hook.cpp) and the reconciling with the platform (reconcile.cpp).
#pragma once

#include "state/state.h"

// Gestures are kept per button: the left, right and middle button.
enum GestureOn { LEFT = 0, RIGHT = 1, MIDDLE = 2 };
constexpr int kButtonKey[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
constexpr WParam kButtonUp[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};

// A mouse event: the window it goes to, and the point in its client area.
struct Event {
    WindowHandle target;
    Point pt;
};

// Replaces the event with what its gesture sends; true: swallow it.
bool translate(WParam message, const Event& e);
// The gesture flags, one bit each, to tell whether a call changed any.
uint32_t gestureBits();
// Ends the gestures on the buttons marked, as their releases would have.
void endGestures(const bool ending[3]);
