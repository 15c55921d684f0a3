// Runs scenarios against the real DLL on Windows: the scenario runner
// (host.cpp), the identity check (identity.cpp), the message boxes
// (boxes.cpp). The test host and the self-test are built on it.
#pragma once

#include <string>
#include <vector>

#include "scenario.h"
#include "windowing.h"

// Every export resolves by name and by its ordinal to the same function.
bool checkExports(HMODULE dll, std::string* error);
// The exports, the version resource and the manifest (identity.cpp).
bool checkIdentity(const char* dllPath, std::string* error);

// Creates the windows, loads the DLL and returns the driver that injects
// input into them; nullptr with the reason on failure (kNoFocus: the main
// window could not take the keyboard focus). Once per process.
scenario::Driver* startHost(const char* dllPath, std::string* error);
constexpr const char* kNoFocus = "the main window did not get the keyboard focus";
// Main or the second window, once startHost made them.
HWND hostWindow(scenario::Window window);
// "AltGr types characters" with translation on (altgr.cpp): under a German
// layout, loaded for this thread alone and unloaded after, AltGr + Q and
// AltGr + E reach main as '@' and the euro sign, with no system key, no
// menu and no window left believing Ctrl or Alt down. Its line starts with
// PASS, FAIL (with the messages main received) or SKIP (the platform sends
// no Ctrl with AltGr here, or has no German layout), and says why.
enum class Outcome { Passed, Failed, Skipped };
Outcome checkAltGr(const char* dllPath, std::string* line);
// A mouse hook installed before the module's is handed screen points,
// whatever the module does with the event (chain.cpp).
bool checkHookChain(const char* dllPath, std::string* error);
// Runs one scenario in this process; false with the reason, and with how
// late the host was when timing explains the failure (else 0).
bool runScenario(const char* dllPath, const scenario::Scenario& s, std::string* error, double* lateMs = nullptr);
// The line for a run that failed where the host was late.
std::string lateLine(const std::string& error, double lateMs);
// Releases every key and button the desktop holds down.
void releaseEverything();
// Input the host did not inject (the person's) reached its hooks; once
// asked, the host injects nothing more after it, and says kTouched.
bool touchedDuringRun();
void stopInjectingAtTouch();
constexpr const char* kTouched = "the mouse or keyboard was used during the run";
// Why an injected event went wrong, or empty.
const std::string& injectionFailure();
// Posts a message to main and pumps until its procedure has it: how long the
// host took to answer, in milliseconds (-1: no answer within 5 s).
double roundTripMs();

// Closes the UI thread's message boxes as a user would, from a thread of
// its own, while watching (boxes.cpp); each is recorded, its owner named by
// `owner`, for takeBoxes.
void startClosingBoxes(DWORD uiThread, scenario::Window (*owner)(HWND));
void watchBoxes(bool on);
std::vector<scenario::Received> takeBoxes();
