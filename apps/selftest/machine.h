// What the self-test reports of the machine it runs on, and why it may not
// run there (machine.cpp).
#pragma once

#include <string>

#include "host.h"

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

std::string systemVersion();  // the Windows version and build, or Wine's
int wineMajor();              // the major version of the Wine it runs under; 0 on Windows
const char* machineName(USHORT machine);
std::string architecture();  // the process's and the machine's, and whether emulated
std::string dpi(HWND window);
std::string keyboard();  // the layout and the input method
std::string sha256(const std::string& path);
std::string fileVersion(const std::string& path);
// Whether the file is signed, by whom, and whether Windows trusts it.
std::string signature(const std::string& path);
// Why the DLL is not this kit's (x64 or x86, as this program), or empty.
std::string wrongDll(const std::string& path);
// What the key state reads after a press held past ClickLock's time and its
// release, against what a window was told (clicklock.cpp).
std::string clickLockReport();
// Why this session cannot take input as a person gives it, or empty.
std::string noDesktop();
// The buttons' setting, in words.
std::string buttonSetting();
// Why the self-test cannot run with this DLL on this machine (left-handed,
// if swapped), or empty.
std::string unfit(const std::string& dll, bool swapped);
// The report's head: this machine and the DLL.
std::string machineReport(const std::string& dll, const std::string& dpiLine, const std::string& buttonsLine,
                          bool swapped);
