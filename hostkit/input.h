// The Windows test host's input, shared by its parts (input.cpp).
#pragma once

#include "host.h"

extern std::string injectionProblem;
// A release queued behind the next event: both go in one SendInput, so the
// hooks see the first with the button already up.
extern INPUT queuedRelease;
extern bool releaseQueued;
// While another program has the focus the host takes no input from its
// queue: what the platform queued at the switch (Wine hands the thread a
// motion, and releases the keys the X server never saw held) reaches the
// hooks with the next injected event, where the simulated host, which
// queues nothing at a switch, has the user's next event.
extern bool inputHeldBack;
extern bool heldInputWaits;
// The pump makes characters of keystrokes, as a host's message loop does,
// and takes its messages as Unicode.
extern bool translatingKeys;

// The host's own hooks, after the module's: they tell it an event arrived.
void installOwnHooks();
// The platform's own motion, which went nowhere and came from no injection,
// is handled but not logged: no user did it.
bool syntheticMotion();
// Takes what is queued, after waiting up to `timeoutMs` for something;
// `inputOnly`: input alone (and messages other threads send).
void pumpOnce(DWORD timeoutMs, bool inputOnly = false);
// How long the host stayed away from its queue (see scenario::Driver).
double stalledMs();
double longestStallMs();
void pumpFor(DWORD milliseconds);
// The same for input alone: a timer that falls due meanwhile waits.
void pumpInputFor(DWORD milliseconds);
// Injects one event and waits until it has been handled.
void inject(INPUT input);
INPUT mouseInput(POINT at, DWORD buttonFlags);
INPUT keyInput(int key, bool down);
// The keys the scenario holds (its key lines).
void keyHeld(int key, bool down);
// Brings the pointer back from another program's window without the module
// seeing the motion (the host's own hook, in front of the module's, takes
// it), as the simulated platform's pointer never left. Under Wine the return
// into the host's window can make the X server's keymap, which never saw the
// injected keys, the desktop's key state, with no event; a key the scenario
// still holds is then pressed again, unseen by the module too.
void returnUnseen(POINT to);
void injectMove(POINT at, DWORD buttonFlags);
// Input that goes to a window of another thread: our hooks never see it.
void injectElsewhere(POINT at, DWORD buttonFlags);
void injectAway(INPUT input);
