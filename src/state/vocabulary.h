// Message identifiers, virtual keys, button flags and the fixed keystroke
// parameters that the module sends. The lParam values are sent exactly as
// listed, including those whose transition bits do not match the message:
// hosts have been built against these values.
#pragma once

#include <stdint.h>

#include "platform/platform.h"

constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
// The first of the non-client forms, which follow the client ones' order.
constexpr uint32_t WM_NCLBUTTONDOWN = 0x00A1;

constexpr int HC_ACTION = 0;
constexpr int WH_KEYBOARD = 2;
constexpr int WH_MOUSE = 7;

constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_TAB = 0x09;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_H = 0x48;
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;

// SetTimer's shortest interval: anything shorter is made this.
constexpr uint32_t USER_TIMER_MINIMUM = 10;

constexpr WParam MK_NONE = 0x0000;
constexpr WParam MK_LBUTTON = 0x0001;
constexpr WParam MK_RBUTTON = 0x0002;
constexpr WParam MK_SHIFT = 0x0004;
constexpr WParam MK_CONTROL = 0x0008;
constexpr WParam MK_MBUTTON = 0x0010;
constexpr WParam MK_RBUTTON_CONTROL = MK_RBUTTON | MK_CONTROL;

// The six keystroke parameters.
constexpr LParam KEY_REPEAT_CTRL = 0xC01D0001;   // mask Ctrl down, re-withheld Ctrl up, dragger, burst
constexpr LParam KEY_OWED_CTRL_UP = 0xC001D001;  // owed Ctrl up, mask release
constexpr LParam KEY_LATE_CTRL_DOWN = 0x001D0001;  // withheld Ctrl handed to the host
constexpr LParam KEY_GESTURE_CTRL_DOWN = 0xC0000001;  // Ctrl that starts a Ctrl-chorded drag
constexpr LParam KEY_ALT_DOWN = 0x20380001;
constexpr LParam KEY_ALT_UP = 0xC0380001;

inline bool isCtrlFamily(int key) { return key == VK_CONTROL || key == VK_LCONTROL || key == VK_RCONTROL; }
inline bool isAltFamily(int key) { return key == VK_MENU || key == VK_LMENU || key == VK_RMENU; }
