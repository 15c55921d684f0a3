/* Linked into the minimal host example by the kit check: before main runs,
   every export the program imported must be the one the DLL exports under
   that export's ordinal. */
#include <orvalinde.h>
#include <stdio.h>
#include <stdlib.h>

typedef void (*Function)(void);

__attribute__((constructor)) static void checkImports(void) {
    struct {
        const char* name;
        Function imported;
        int ordinal;
    } exports[10];
    /* Filled at run time: in a constant initializer x86 GCC takes a dllimport
       function's address as its import thunk's, not as the import. */
#define IMPORT(i, function, ordinal_)                   \
    exports[i].name = #function;                        \
    exports[i].imported = (Function)&function;          \
    exports[i].ordinal = ordinal_
    IMPORT(0, LowLevelMouseProc, ORVALINDE_ORDINAL_LOWLEVELMOUSEPROC);
    IMPORT(1, MouseProc, ORVALINDE_ORDINAL_MOUSEPROC);
    IMPORT(2, customMaskKeyPressed, ORVALINDE_ORDINAL_CUSTOMMASKKEYPRESSED);
    IMPORT(3, doDelayedEnable, ORVALINDE_ORDINAL_DODELAYEDENABLE);
    IMPORT(4, doDisable, ORVALINDE_ORDINAL_DODISABLE);
    IMPORT(5, doEnable, ORVALINDE_ORDINAL_DOENABLE);
    IMPORT(6, load, ORVALINDE_ORDINAL_LOAD);
    IMPORT(7, setOrvalindeIsEnabled, ORVALINDE_ORDINAL_SETORVALINDEISENABLED);
    IMPORT(8, showAbout, ORVALINDE_ORDINAL_SHOWABOUT);
    IMPORT(9, startDraggerMode, ORVALINDE_ORDINAL_STARTDRAGGERMODE);
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
