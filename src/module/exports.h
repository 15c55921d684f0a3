// The module's exports, as the host calls them. The control exports read no
// arguments; whatever the host passes is ignored.
#pragma once

#include "platform/platform.h"

extern "C" {
LResult LowLevelMouseProc(int code, WParam wParam, LParam lParam);
bool load();
void doEnable();
void doDisable();
bool showAbout();
void startDraggerMode();
void customMaskKeyPressed();
void doDelayedEnable();
void setOrvalindeIsEnabled();
}

bool installHooks();

// Timer procedures.
void draggerTick(WindowHandle, uint32_t, TimerId, uint32_t);
void maskTimerTick(WindowHandle, uint32_t, TimerId, uint32_t);
void burstTick(WindowHandle, uint32_t, TimerId, uint32_t);

extern const char* const kAboutText;
