/* Orvalinde.dll's exports, installing no hooks and translating nothing: the
 * DLL the checks of tests/arm64_check.sh must fail against. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

LRESULT CALLBACK LowLevelMouseProc(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(NULL, code, wParam, lParam);
}
LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam) { return CallNextHookEx(NULL, code, wParam, lParam); }
void customMaskKeyPressed(void) {}
void doDelayedEnable(void) {}
void doDisable(void) {}
void doEnable(void) {}
BOOLEAN load(void) { return 1; }
void setOrvalindeIsEnabled(void) {}
BOOLEAN showAbout(void) { return 1; }
void startDraggerMode(void) {}
BOOL WINAPI DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance, (void)reason, (void)reserved;
    return TRUE;
}
