// The platform calls the logic makes, against the simulated world; every
// one is counted.
#include "simulated_world.h"

#include <algorithm>

using namespace simworld;

namespace platform {

LResult sendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) {
    ++world.platformCalls;
    ++world.sendsThisEntry;
    deliver({window, message, wParam, lParam, false});
    return 0;
}

int16_t asyncKeyState(int virtualKey) {
    ++world.platformCalls;
    if (virtualKey < 0 || virtualKey > 255 || world.elevatedInFront) return 0;
    return world.keys[virtualKey] ? static_cast<int16_t>(0x8000) : 0;
}

int16_t threadKeyState(int virtualKey) {
    ++world.platformCalls;
    if (virtualKey < 0 || virtualKey > 255) return 0;
    return world.threadKeys[virtualKey] ? static_cast<int16_t>(0x8000) : 0;
}

bool foregroundOutOfReach() {
    ++world.platformCalls;
    return world.elevatedInFront;
}

bool buttonsSwapped() {
    ++world.platformCalls;
    return world.swapped;
}

WindowHandle focusWindow() {
    ++world.platformCalls;
    return world.focus;
}

bool buttonInputQueued() {
    ++world.platformCalls;
    if (world.buttonsQueued > 0) return true;
    for (const QueuedEvent& e : world.queued)
        if (e.key == 0) return true;
    return false;
}

bool keyInputQueued() {
    ++world.platformCalls;
    if (world.keysHandled > 0 && !world.keysFirst) return true;
    for (const QueuedEvent& e : world.queued)
        if (e.key != 0) return true;
    return false;
}

uint32_t tickCount() {
    ++world.platformCalls;
    return sim::now();
}

void screenToClient(WindowHandle window, Point* point) {
    ++world.platformCalls;
    if (Window* target = find(window)) {
        point->x -= target->origin.x;
        point->y -= target->origin.y;
    }
}

TimerId setTimer(TimerId id, uint32_t milliseconds, TimerProcedure procedure) {
    ++world.platformCalls;
    if (world.coarseClock && milliseconds < 10) milliseconds = 10;
    if (!world.pinned) ++world.callbacksBeforePin;
    if (Timer* timer = liveTimer(id)) {
        timer->interval = milliseconds;
        timer->due = world.clock + milliseconds;
        timer->procedure = procedure;
        timer->arms = ++world.arms;
        return id;
    }
    // Windows hands out the ids of timers without a window from a pool the
    // whole thread shares, and reuses a freed one at once: lowest free first.
    TimerId fresh = 1;
    while (liveTimer(fresh) != nullptr) ++fresh;
    world.timers.push_back({fresh, milliseconds, world.clock + milliseconds, procedure, true, ++world.arms});
    return fresh;
}

int killTimer(TimerId id) {
    ++world.platformCalls;
    Timer* timer = liveTimer(id);
    if (timer == nullptr) return 0;
    timer->live = false;
    return 1;
}

int showCursor(bool show) {
    ++world.platformCalls;
    world.cursorCount += show ? 1 : -1;
    return world.cursorCount;
}

HookHandle setHook(int kind, HookProcedure procedure, uint32_t) {
    ++world.platformCalls;
    if (!world.pinned) ++world.callbacksBeforePin;
    if (world.failHook[kind & 15]) return nullptr;
    world.hooks[kind & 15] = procedure;
    ++world.hooksInstalled;
    return reinterpret_cast<HookHandle>(static_cast<uintptr_t>(0x100 + world.hooksInstalled));
}

LResult callNextHook(int, WParam, LParam lParam) {
    ++world.platformCalls;
    ++world.nextHookCalls;
    if (world.mouseHookDepth > 0) world.pointsPassedOn.push_back(reinterpret_cast<const MouseHookRecord*>(lParam)->pt);
    // Never 0 or 1, so that neither can pass for it by accident.
    world.lastNextHookResult = world.checkHookResults ? static_cast<LResult>(0x5EED0000 + world.nextHookCalls) : 0;
    if (world.hookFrames > 0) world.frameResults[world.hookFrames < 8 ? world.hookFrames - 1 : 7] = world.lastNextHookResult;
    return world.lastNextHookResult;
}

void enumWindows(EnumWindowsProcedure procedure, LParam lParam) {
    ++world.platformCalls;
    std::vector<size_t> topLevel;
    for (size_t i = 0; i < world.windows.size(); ++i)
        if (world.windows[i].parent == nullptr) topLevel.push_back(i);
    std::stable_sort(topLevel.begin(), topLevel.end(),
                     [](size_t a, size_t b) { return world.windows[a].zOrder < world.windows[b].zOrder; });
    for (size_t i : topLevel)
        if (!procedure(reinterpret_cast<WindowHandle>(static_cast<uintptr_t>(i + 1)), lParam)) return;
}

uint32_t windowThreadId(WindowHandle window) {
    ++world.platformCalls;
    const Window* target = find(window);
    return target != nullptr ? target->thread : 0;
}

WindowTraits windowTraits(WindowHandle window) {
    ++world.platformCalls;
    const Window* target = find(window);
    if (target == nullptr) return {false, false, false, false, false};
    const sim::WindowStyle& s = target->style;
    return {s.visible, s.enabled, s.owner != nullptr, s.toolWindow, s.appWindow};
}

uint32_t currentThreadId() {
    ++world.platformCalls;
    return world.currentThread;
}

void messageBox(WindowHandle owner, const char* text, const char* caption) {
    ++world.platformCalls;
    world.boxes.push_back({owner, text, caption});
}

bool pinModule() {
    ++world.platformCalls;
    world.pinned = true;
    return true;
}

}  // namespace platform
