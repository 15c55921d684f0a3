/* Linked into the minimal host example by the kit check: before main runs,
   every export the program imported must be the one the DLL exports under
   that export's ordinal. */
#include <orvalinde.h>
#include <stdio.h>
#include <stdlib.h>

typedef void (*Function)(void);

__attribute__((constructor)) static void checkImports(void) {
    const struct {
        const char* name;
        Function imported;
        int ordinal;
    } exports[] = {
        {"LowLevelMouseProc", (Function)&LowLevelMouseProc, ORVALINDE_ORDINAL_LOWLEVELMOUSEPROC},
        {"MouseProc", (Function)&MouseProc, ORVALINDE_ORDINAL_MOUSEPROC},
        {"customMaskKeyPressed", (Function)&customMaskKeyPressed, ORVALINDE_ORDINAL_CUSTOMMASKKEYPRESSED},
        {"doDelayedEnable", (Function)&doDelayedEnable, ORVALINDE_ORDINAL_DODELAYEDENABLE},
        {"doDisable", (Function)&doDisable, ORVALINDE_ORDINAL_DODISABLE},
        {"doEnable", (Function)&doEnable, ORVALINDE_ORDINAL_DOENABLE},
        {"load", (Function)&load, ORVALINDE_ORDINAL_LOAD},
        {"setOrvalindeIsEnabled", (Function)&setOrvalindeIsEnabled, ORVALINDE_ORDINAL_SETORVALINDEISENABLED},
        {"showAbout", (Function)&showAbout, ORVALINDE_ORDINAL_SHOWABOUT},
        {"startDraggerMode", (Function)&startDraggerMode, ORVALINDE_ORDINAL_STARTDRAGGERMODE},
    };
    HMODULE dll = GetModuleHandleA("Orvalinde.dll");
    size_t i;
    if (dll == NULL) {
        printf("FAIL " CONSUMER ": Orvalinde.dll is not loaded\n");
        exit(1);
    }
    for (i = 0; i < sizeof exports / sizeof exports[0]; ++i) {
        const Function exported = (Function)GetProcAddress(dll, MAKEINTRESOURCEA(exports[i].ordinal));
        if (exports[i].imported != exported) {
            printf("FAIL " CONSUMER ": %s is not ordinal %d\n", exports[i].name, exports[i].ordinal);
            exit(1);
        }
    }
    printf("PASS " CONSUMER ": ten imports match their ordinals\n");
    fflush(stdout);
}
