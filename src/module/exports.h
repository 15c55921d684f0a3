// The module's exports, as the host calls them: the hook procedure as the
// platform calls it back, the control exports in the C convention whatever
// the compiler's default. They read no arguments; whatever the host passes
// is ignored.
#pragma once

#include "module/export_list.h"
#include "platform/platform.h"

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
