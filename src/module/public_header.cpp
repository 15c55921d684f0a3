// The public header's declarations meet the module's own here, so an export
// whose signature drifts from what hosts are told fails to compile.
#define ORVALINDE_BUILDING
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <orvalinde.h>

#include "module/exports.h"
#include "translate/hooks.h"

// No C++ library here (the module has no runtime): the one trait needed.
template <typename A, typename B>
struct Same {
    static constexpr bool value = false;
};
template <typename A>
struct Same<A, A> {
    static constexpr bool value = true;
};

#define ORVALINDE_SAME(function, type) \
    static_assert(Same<decltype(&::function), type>::value, #function " differs from orvalinde.h")
ORVALINDE_SAME(LowLevelMouseProc, OrvalindeLowLevelMouseProcFn);
ORVALINDE_SAME(MouseProc, OrvalindeMouseProcFn);
ORVALINDE_SAME(customMaskKeyPressed, OrvalindeCustomMaskKeyPressedFn);
ORVALINDE_SAME(doDelayedEnable, OrvalindeDoDelayedEnableFn);
ORVALINDE_SAME(doDisable, OrvalindeDoDisableFn);
ORVALINDE_SAME(doEnable, OrvalindeDoEnableFn);
ORVALINDE_SAME(load, OrvalindeLoadFn);
ORVALINDE_SAME(setOrvalindeIsEnabled, OrvalindeSetOrvalindeIsEnabledFn);
ORVALINDE_SAME(showAbout, OrvalindeShowAboutFn);
ORVALINDE_SAME(startDraggerMode, OrvalindeStartDraggerModeFn);
