// Every export once: its name, its ordinal, and what kind of call it is (a
// hook procedure the platform calls back; a call the host makes, `timer`
// where it may arm a timer). A test holds the linker's .def and the public
// header's ordinals to this list; the tools, the scenario runner and the
// host kit read it. It includes nothing, so that any of them can.
#pragma once

#define ORVALINDE_EXPORTS(X)            \
    X(LowLevelMouseProc, 1, hook)       \
    X(MouseProc, 2, hook)               \
    X(customMaskKeyPressed, 3, timer)   \
    X(doDelayedEnable, 4, timer)        \
    X(doDisable, 5, call)               \
    X(doEnable, 6, call)                \
    X(load, 7, call)                    \
    X(setOrvalindeIsEnabled, 8, call)   \
    X(showAbout, 9, call)               \
    X(startDraggerMode, 10, timer)
