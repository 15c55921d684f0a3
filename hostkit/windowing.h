// What every host of ours on Windows does with its windows, the test host's
// and the self-test's as the playground's: register their classes, dispatch
// the queue, and log the key and mouse messages they receive, telling input
// dispatched from the queue from messages sent to them.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "scenario.h"

// Milliseconds from the performance counter.
double nowMs();

// Brings the window to the foreground as Windows lets a program started
// from the foreground console: asked directly, then once more with this
// thread's input joined for a moment to the foreground window's thread's
// (a console that started it keeps the foreground on a hosted runner).
// True once it is the foreground window.
bool bringToForeground(HWND window);
// The foreground window, as a person would find it: its class, title and
// program; "none" when there is none.
std::string describeForeground();

// Registers a class of this program's; false if the system refused.
bool registerWindowClass(const char* name, WNDPROC procedure, UINT style = 0);

// Dispatches a message taken from the queue: what the window procedure is
// handed meanwhile is input, not a sent message. A modal loop may dispatch
// inside a dispatch.
void dispatchInput(const MSG& msg, bool wide = false);
// The timer messages with no window dispatched so far: the module's timers.
extern uint64_t threadTimerTicks;

// A key or mouse message a window received, as a scenario has it (its window
// left to the caller); false for any other message.
bool receivedMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, scenario::Received* out);
