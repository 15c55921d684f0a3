/* A host that links Orvalinde.dll at load time through its import library:
   it calls the control exports directly and checks that every export it
   imported is the one the DLL exports under that export's ordinal. */
#include <orvalinde.h>
#include <stdio.h>

typedef void (*Function)(void);

int main(void) {
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
    HWND window = CreateWindowExA(0, "STATIC", "consumer", WS_POPUP, 0, 0, 100, 100, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    size_t i;
    bool loaded;
    if (dll == NULL || window == NULL) {
        printf("FAIL " CONSUMER ": Orvalinde.dll is not loaded, or no window\n");
        return 1;
    }
    for (i = 0; i < sizeof exports / sizeof exports[0]; ++i) {
        const Function exported = (Function)GetProcAddress(dll, MAKEINTRESOURCEA(exports[i].ordinal));
        if (exports[i].imported != exported) {
            printf("FAIL " CONSUMER ": %s is not ordinal %d\n", exports[i].name, exports[i].ordinal);
            return 1;
        }
    }
    loaded = load();
    doEnable();
    doDisable();
    if (!loaded) {
        printf("FAIL " CONSUMER ": load returned false\n");
        return 1;
    }
    printf("PASS " CONSUMER ": ten imports match their ordinals; load returned true\n");
    return 0;
}
