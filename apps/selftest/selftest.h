// The self-test's exit statuses, and its parts besides the run (selftest.cpp).
#pragma once

#include <string>

constexpr int kPassed = 0, kFailed = 1, kRefused = 2, kStopped = 3;

// --windows (windows.cpp): lists the windows of this thread once the module
// is loaded, marking the one `load` took for the main window.
int listWindows(const std::string& dll);
