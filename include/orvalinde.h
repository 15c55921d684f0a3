/*
 * orvalinde.h: the exports of Orvalinde.dll, for hosts written in C or C++.
 *
 * Call every export on the host's user-interface thread: load() once the
 * main window exists, then doEnable(). Link with the import library
 * (libOrvalinde.dll.a for mingw-w64, Orvalinde.lib for the Microsoft linker),
 * or load the DLL yourself and resolve the exports by name or by the
 * ORVALINDE_ORDINAL_* numbers with GetProcAddress and the Orvalinde*Fn types.
 *
 * Define ORVALINDE_NO_IMPORT before including this header when you resolve
 * the exports yourself and do not link the import library.
 *
 * Each kit serves one architecture: x64, ARM64 or x86. On x86 the calling
 * convention is part of each export's contract: the two hook procedures are
 * CALLBACK (stdcall), the other exports __cdecl, stated here and in the
 * pointer types whatever the compiler's default.
 */
#ifndef ORVALINDE_H
#define ORVALINDE_H

#if !defined(_M_X64) && !defined(__x86_64__) && !defined(_M_ARM64) && !defined(__aarch64__) && !defined(_M_IX86) && \
    !defined(__i386__)
#error "Orvalinde.dll is built for x64, ARM64 and x86: build the host for one of them, with that kit"
#endif

#include <windows.h>

#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(ORVALINDE_BUILDING) || defined(ORVALINDE_NO_IMPORT)
#define ORVALINDE_API
#else
#define ORVALINDE_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Ordinals of the exports. */
#define ORVALINDE_ORDINAL_LOWLEVELMOUSEPROC 1
#define ORVALINDE_ORDINAL_MOUSEPROC 2
#define ORVALINDE_ORDINAL_CUSTOMMASKKEYPRESSED 3
#define ORVALINDE_ORDINAL_DODELAYEDENABLE 4
#define ORVALINDE_ORDINAL_DODISABLE 5
#define ORVALINDE_ORDINAL_DOENABLE 6
#define ORVALINDE_ORDINAL_LOAD 7
#define ORVALINDE_ORDINAL_SETORVALINDEISENABLED 8
#define ORVALINDE_ORDINAL_SHOWABOUT 9
#define ORVALINDE_ORDINAL_STARTDRAGGERMODE 10

/* A hook procedure that does nothing but pass the event on. */
ORVALINDE_API LRESULT CALLBACK LowLevelMouseProc(int code, WPARAM wParam, LPARAM lParam);
/* The WH_MOUSE hook that doEnable installs for the calling thread. */
ORVALINDE_API LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam);
/* Makes the single key the user holds the mask key (Tab until then). */
ORVALINDE_API void __cdecl customMaskKeyPressed(void);
/* Sends five H key-down/key-up pairs to the main window, from a timer. */
ORVALINDE_API void __cdecl doDelayedEnable(void);
/* Switches translation off once the user holds nothing, finishing what it
   began; the hooks stay installed and pass everything on. */
ORVALINDE_API void __cdecl doDisable(void);
/* Installs the hooks on the first call; switches translation on once the
   user holds nothing. */
ORVALINDE_API void __cdecl doEnable(void);
/* Finds the calling thread's first top-level window as the main window. */
ORVALINDE_API bool __cdecl load(void);
/* Cancels the H key burst. */
ORVALINDE_API void __cdecl setOrvalindeIsEnabled(void);
/* Shows the about box, owned by the main window. */
ORVALINDE_API bool __cdecl showAbout(void);
/* Repeats the single key the user holds every 50 ms, cursor hidden, until
   its release or until the main window loses the focus. */
ORVALINDE_API void __cdecl startDraggerMode(void);

/* Pointer types for GetProcAddress. */
typedef LRESULT(CALLBACK* OrvalindeLowLevelMouseProcFn)(int code, WPARAM wParam, LPARAM lParam);
typedef LRESULT(CALLBACK* OrvalindeMouseProcFn)(int code, WPARAM wParam, LPARAM lParam);
typedef void(__cdecl* OrvalindeCustomMaskKeyPressedFn)(void);
typedef void(__cdecl* OrvalindeDoDelayedEnableFn)(void);
typedef void(__cdecl* OrvalindeDoDisableFn)(void);
typedef void(__cdecl* OrvalindeDoEnableFn)(void);
typedef bool(__cdecl* OrvalindeLoadFn)(void);
typedef void(__cdecl* OrvalindeSetOrvalindeIsEnabledFn)(void);
typedef bool(__cdecl* OrvalindeShowAboutFn)(void);
typedef void(__cdecl* OrvalindeStartDraggerModeFn)(void);

#ifdef __cplusplus
}
#endif

#endif /* ORVALINDE_H */
