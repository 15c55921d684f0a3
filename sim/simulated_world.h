// The simulated platform's world, shared by its two halves: the control side
// that tests and tools use (simulated.cpp) and the platform calls the logic
// makes (simulated_platform.cpp). Internal to them.
#pragma once

#include <array>
#include <bitset>
#include <functional>
#include <vector>

#include "simulated.h"

namespace simworld {

constexpr uint32_t kWmTimer = 0x0113;
constexpr int kKeyboardHook = 2;  // WH_KEYBOARD
constexpr int kMouseHook = 7;     // WH_MOUSE

struct Window {
    Point origin;
    WindowHandle parent;
    uint32_t thread;
    bool doubleClicks;
    std::function<void(const sim::Message&)> procedure;
    sim::WindowStyle style;
    int64_t zOrder;  // enumeration order of top-level windows, lowest first
};

typedef sim::QueuedEvent QueuedEvent;

struct CurrentEvent {
    uint32_t message;
    WindowHandle window;
    Point screen;
    bool taken;  // a modal loop took it from the queue again
    int key;     // a key event's virtual key (0: a mouse event)
    LParam lParam;
};

struct Timer {
    TimerId id;
    uint32_t interval;
    uint64_t due;
    TimerProcedure procedure;
    bool live;
    uint32_t arms;  // stamped anew (World::arms) whenever it is set, re-armed or fires
};

typedef std::bitset<256> Keys;  // by virtual key: down or not

struct World {
    uint64_t timerFires = 0;
    uint32_t arms = 0;  // every arming of any timer, so a reused id is still a new arming
    std::vector<Window> windows;
    uint64_t windowsVersion = 0;  // changed with any window, never reused
    WindowHandle focus = nullptr;
    uint32_t currentThread = sim::kHostThread;
    Keys keys;
    // The keys as the host's thread has them: changed as it takes each key
    // event, and brought into line with `keys` when it is active again.
    Keys threadKeys;
    bool away = false;  // another program has the keyboard focus
    bool swapped = false;  // the right button is the primary one
    // An elevated window of another process is in front: the key state
    // reads nothing, though the pointer may still be over the host.
    bool elevatedInFront = false;
    uint64_t clock = 0;
    // Windows' timers: fired only at the clock's ticks, 15.625 ms apart,
    // which the tick count also moves by; none shorter than 10 ms.
    bool coarseClock = false;
    uint32_t tickBase = 0;
    std::vector<Timer> timers;
    bool timersHeld = false;  // fired only by fireTimer
    int cursorCount = 0;
    bool pinned = false;
    uint32_t callbacksBeforePin = 0;
    std::array<bool, 16> failHook{};
    std::array<HookProcedure, 16> hooks{};
    size_t hooksInstalled = 0;
    std::vector<sim::Message> messages;
    std::vector<sim::MessageBoxRecord> boxes;
    uint64_t platformCalls = 0;
    uint64_t nextHookCalls = 0;
    int mouseHookDepth = 0;  // inside the mouse hook's chain for an event
    std::vector<Point> pointsPassedOn;  // what the next mouse hook was handed
    bool checkHookResults = false;
    LResult lastNextHookResult = 0;
    // Per hook call under way, innermost last: what its own call of the next
    // hook returned (0: none yet). A host's loop inside a send re-enters the
    // hooks, and the outer call must return its own next hook's result.
    int hookFrames = 0;
    LResult frameResults[8] = {};
    uint64_t wrongHookResults = 0;
    int entryDepth = 0;
    uint32_t sendsThisEntry = 0;
    uint32_t mostSendsPerEntry = 0;
    // Button messages in the queue: the one whose hooks are running (the
    // platform takes it only once they return), and releases queued behind.
    int buttonsQueued = 0;
    int keysHandled = 0;  // key events whose hooks are running: still in the queue, unless keys first
    bool keysFirst = false;  // the key at hand leaves the queue before its hook (takeKey)
    bool keysOneDeep = false;  // ... and none taken inside it gets a hook call
    std::vector<QueuedEvent> queued;
    std::vector<CurrentEvent> handling;  // events whose hooks are running, innermost last
    WindowHandle capture = nullptr;
    int captureButton = 0;
    bool capturingHost = false;
    std::vector<WindowHandle> eventWindows;  // of the mouse events since the log was cleared
};

extern World world;

// The window of a handle, or nullptr.
Window* find(WindowHandle handle);
// A message reaching a window: logged, then its procedure, if it has one.
void deliver(const sim::Message& message);
Timer* liveTimer(TimerId id);
// A window about to change (nullptr: one about to be added).
Window* changeWindow(WindowHandle handle);
// Around every entry into the logic: counts the sends one entry makes.
void enter();
void leave();

}  // namespace simworld
