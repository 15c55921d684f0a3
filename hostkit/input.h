// The Windows test host's input, shared by its parts (input.cpp).
#pragma once

#include "host.h"

extern std::string injectionProblem;
// A release queued behind the next event: both go in one SendInput, so the
// hooks see the first with the button already up.
extern INPUT queuedRelease;
extern bool releaseQueued;

// The host's own hooks, after the module's: they tell it an event arrived.
void installOwnHooks();
void pumpOnce(DWORD timeoutMs);
void pumpFor(DWORD milliseconds);
// Injects one event and waits until it has been handled.
void inject(INPUT input);
INPUT mouseInput(POINT at, DWORD buttonFlags);
void injectMove(POINT at, DWORD buttonFlags);
// Input that goes to a window of another thread: our hooks never see it.
void injectElsewhere(POINT at, DWORD buttonFlags);
