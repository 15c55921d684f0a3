// The simulated platform's clock and timers: a virtual clock that moves only
// when told, and timers that fire in order of due time as it passes them, or,
// for tools that search every order, only when told to.
#include "simulated.h"
#include "simulated_world.h"

using namespace simworld;

namespace {

// The coarse clock's ticks fall at floor(k * 15.625) ms.
uint64_t tickAtOrAfter(uint64_t ms) { return (ms * 8 + 124) / 125 * 125 / 8; }
uint64_t tickAtOrBefore(uint64_t ms) { return ms * 8 / 125 * 125 / 8; }

void (*watcher)(TimerId, bool) = nullptr;

void fire(Timer* timer) {
    if (watcher != nullptr) watcher(timer->id, false);
    // Periodic until killed or re-armed by its own procedure.
    timer->due = world.clock + (timer->interval == 0 ? 1 : timer->interval);
    timer->arms = ++world.arms;
    ++world.timerFires;
    const TimerId id = timer->id;
    const TimerProcedure procedure = timer->procedure;
    enter();
    procedure(nullptr, kWmTimer, id, sim::now());
    leave();
    if (watcher != nullptr) watcher(id, true);
}

}  // namespace

namespace sim {

void setTick(uint32_t tick) { world.tickBase = tick - static_cast<uint32_t>(world.clock); }

uint32_t now() {
    const uint64_t clock = world.coarseClock ? tickAtOrBefore(world.clock) : world.clock;
    return world.tickBase + static_cast<uint32_t>(clock);
}

void coarseClock(bool on) { world.coarseClock = on; }

void advance(uint32_t milliseconds) {
    const uint64_t target = world.clock + milliseconds;
    while (!world.timersHeld) {
        auto firesAt = [](const Timer& timer) { return world.coarseClock ? tickAtOrAfter(timer.due) : timer.due; };
        Timer* next = nullptr;
        for (Timer& timer : world.timers)
            if (timer.live && firesAt(timer) <= target && (next == nullptr || timer.due < next->due)) next = &timer;
        if (next == nullptr) break;
        if (firesAt(*next) > world.clock) world.clock = firesAt(*next);
        fire(next);
    }
    world.clock = target;
}

void holdTimers(bool on) { world.timersHeld = on; }

bool fireTimer(TimerId id) {
    Timer* timer = liveTimer(id);
    if (timer == nullptr) return false;
    // The procedure runs at the timer's due time, so one that reads the
    // clock to arm its next run arms it as it would then. Events between
    // firings do not move a held clock, so that time may be behind it;
    // afterwards the clock is where it was, or at the due time if later.
    const uint64_t before = world.clock;
    world.clock = timer->due;
    fire(timer);
    if (world.clock < before) world.clock = before;
    return true;
}

void watchTimerFires(void (*watch)(TimerId id, bool fired)) { watcher = watch; }

uint64_t timerFires() { return world.timerFires; }

size_t liveTimers() {
    size_t count = 0;
    for (const Timer& timer : world.timers) count += timer.live ? 1 : 0;
    return count;
}

const std::vector<TimerInfo>& timers() {
    static std::vector<TimerInfo> out;
    out.clear();
    for (const Timer& timer : world.timers)
        if (timer.live)
            out.push_back({timer.id, timer.procedure, timer.interval, static_cast<uint32_t>(timer.due - world.clock), timer.arms});
    return out;
}

}  // namespace sim
