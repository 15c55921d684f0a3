// The module's exports, as the host calls them: the hook procedure as the
// platform calls it back, the control exports in the C convention whatever
// the compiler's default. They read no arguments; whatever the host passes
// is ignored.
#pragma once

#include "platform/platform.h"

// Every export with its ordinal, once: a test holds the linker's .def, the
// public header's ordinals and the tools' tables to this list.
#define ORVALINDE_EXPORTS(X)     \
    X(LowLevelMouseProc, 1)      \
    X(MouseProc, 2)              \
    X(customMaskKeyPressed, 3)   \
    X(doDelayedEnable, 4)        \
    X(doDisable, 5)              \
    X(doEnable, 6)               \
    X(load, 7)                   \
    X(setOrvalindeIsEnabled, 8)  \
    X(showAbout, 9)              \
    X(startDraggerMode, 10)

extern "C" {
LResult PLATFORM_CALLBACK LowLevelMouseProc(int code, WParam wParam, LParam lParam);
bool PLATFORM_CDECL load();
void PLATFORM_CDECL doEnable();
void PLATFORM_CDECL doDisable();
bool PLATFORM_CDECL showAbout();
void PLATFORM_CDECL startDraggerMode();
void PLATFORM_CDECL customMaskKeyPressed();
void PLATFORM_CDECL doDelayedEnable();
void PLATFORM_CDECL setOrvalindeIsEnabled();
}

bool installHooks();

// Timer procedures.
void PLATFORM_CALLBACK draggerTick(WindowHandle, uint32_t, TimerId, TimerTime);
void PLATFORM_CALLBACK maskTimerTick(WindowHandle, uint32_t, TimerId, TimerTime);
void PLATFORM_CALLBACK burstTick(WindowHandle, uint32_t, TimerId, TimerTime);

extern const char* const kAboutText;
