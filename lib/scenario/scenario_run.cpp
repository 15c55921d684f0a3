// Running scenarios against a driver: the actions, the expectations, and
// the traces that other tools draw or record.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <map>

#include "module/export_list.h"
#include "scenario.h"

namespace scenario {

namespace {

bool matches(const Step& step, const Received& got) {
    const Received& want = step.expected;
    if (want.box != got.box || want.window != got.window) return false;
    if (want.box) return want.caption == got.caption && want.text == got.text;
    if (want.input != got.input) return false;
    if (isKeyMessage(want.message))
        return plainKeyMessage(got.message) == want.message && got.wParam == want.wParam &&
               (!step.compareParam || got.lParam == want.lParam);
    return got.message == want.message && got.wParam == want.wParam &&
           static_cast<uint32_t>(got.lParam) == static_cast<uint32_t>(want.lParam);
}

std::string where(const Scenario& s, int line) { return s.file + ":" + std::to_string(line) + ": "; }

}  // namespace

bool perform(const Scenario& s, const Step& step, Driver& driver, std::string* error) {
    switch (step.kind) {
    case Kind::Layout: driver.layout(step); break;
    case Kind::Pointer: driver.place(step.window, step.x, step.y); break;
    case Kind::Host:
        if (step.captures) {
            driver.hostCaptures();
        } else if (step.keyOrder != HookFirst) {
            if (!driver.keyOrder(step.keyOrder)) {
                *error = where(s, step.line) + "this platform takes keys in another order";
                return false;
            }
        } else
            driver.loopAt(step.window, step.expected.message, step.once);
        break;
    case Kind::Call:
        if (!driver.moduleLoaded()) {
            *error = where(s, step.line) + "the module is no longer loaded";
            return false;
        }
        if (driver.call(step.name)) return true;
        *error = where(s, step.line) + "no export named '" + step.name + "'";
        return false;
    case Kind::KeyDown: driver.key(step.key, true); break;
    case Kind::KeyUp:
        if (step.release == Queued)
            driver.keyUpQueued(step.key);
        else
            driver.key(step.key, false);
        break;
    case Kind::KeyTap:
        driver.key(step.key, true);
        driver.key(step.key, false);
        break;
    case Kind::ButtonDown: driver.button(step.button, true, false); break;
    case Kind::ButtonUp:
        if (step.release == Seen)
            driver.button(step.button, false, false);
        else
            driver.releaseUnseen(step.button, step.release);
        break;
    case Kind::ButtonDouble: driver.button(step.button, true, true); break;
    case Kind::Move: driver.move(step.window, step.x, step.y); break;
    case Kind::Wait: driver.wait(step.milliseconds); break;
    case Kind::Focus:
        if (!step.elevated) {
            driver.focus(step.window);
        } else if (!driver.focusElevated()) {
            *error = where(s, step.line) + "this host cannot bring an elevated window to the front";
            return false;
        }
        break;
    case Kind::Peek: driver.peek(); break;
    case Kind::Buttons: driver.swapButtons(step.swapped); break;
    case Kind::Unload: driver.unload(); break;
    default: break;
    }
    return true;
}

namespace {

// Walks the steps; a window's modal loop re-enters it through the driver's
// loopBody, and it runs the steps inside the loop up to its `end loop`.
struct Walker {
    const Scenario& s;
    Driver& driver;
    std::string* error;
    // Called for each step with nothing else to do; false stops the walk.
    std::function<bool(const Step&)> visit;
    std::function<void(const Step&)> closing;  // at a loop's `end loop`
    size_t next = 0;
    int loops = 0;  // open loops
    bool failed = false;

    void walk() {
        const int depth = loops;
        while (!failed && next < s.steps.size()) {
            const Step& step = s.steps[next++];
            if (step.kind == Kind::EndLoop) {
                if (depth > 0) {
                    if (closing) closing(step);
                    return;
                }
                *error = where(s, step.line) + "no loop is open";
                failed = true;
                return;
            }
            if (!visit(step)) failed = true;
        }
    }

    bool run() {
        driver.loopBody = [this] {
            ++loops;
            walk();
            --loops;
        };
        walk();
        driver.loopBody = nullptr;
        return !failed;
    }
};

}  // namespace

bool trace(const Scenario& s, Driver& driver, std::vector<TracedAction>* out, std::string* error) {
    out->clear();
    out->push_back({nullptr, driver.take()});
    // What arrives belongs to the last action written before it: a loop that
    // opens inside an action takes what came so far before its first line.
    auto collect = [&] {
        for (const Received& r : driver.take()) out->back().received.push_back(r);
    };
    Walker walker{s, driver, error, nullptr, nullptr};
    walker.visit = [&](const Step& step) {
        if (step.kind >= Kind::Expect) return true;
        collect();
        out->push_back({&step, {}});
        if (!perform(s, step, driver, error)) return false;
        collect();
        return true;
    };
    // What the outer action sends once the loop has returned comes after it.
    walker.closing = [&](const Step& step) {
        collect();
        out->push_back({&step, {}});
    };
    return walker.run();
}

std::string write(const std::vector<TracedAction>& actions) {
    std::string out;
    for (const TracedAction& action : actions) {
        if (action.step != nullptr) out += format(*action.step) + "\n";
        for (const Received& r : action.received) out += "expect " + describe(r) + "\n";
    }
    return out;
}

bool record(const Scenario& s, Driver& driver, std::string* text, std::string* error) {
    std::vector<TracedAction> actions;
    if (!trace(s, driver, &actions, error)) return false;
    *text = write(actions);
    return true;
}

namespace {

// Where the host's clock stood when a timer's run was last expected.
struct Mark {
    double at = 0, stalled = 0;
};

bool sameMessage(const Received& a, const Received& b) {
    return a.box == b.box && a.window == b.window && a.input == b.input &&
           plainKeyMessage(a.message) == plainKeyMessage(b.message) && a.wParam == b.wParam;
}

// The exports that arm a timer; none is due sooner than 1 ms after it.
bool armsTimer(const std::string& name) {
#define ORVALINDE_ARMS_hook(function) false
#define ORVALINDE_ARMS_call(function) false
#define ORVALINDE_ARMS_timer(function) name == #function
#define ORVALINDE_ARMS(function, ordinal, kind) ORVALINDE_ARMS_##kind(function) ||
    return ORVALINDE_EXPORTS(ORVALINDE_ARMS) false;
#undef ORVALINDE_ARMS
#undef ORVALINDE_ARMS_timer
#undef ORVALINDE_ARMS_call
#undef ORVALINDE_ARMS_hook
}
constexpr double kSoonestTickMs = 1;

bool expectedAnywhere(const Scenario& s, const Received& r) {
    for (const Step& step : s.steps)
        if (step.kind == Kind::Expect && sameMessage(step.expected, r)) return true;
    return false;
}

// The runner's tolerance for a busy host: whether a failure that timing can
// explain is put down to the host, and how late the host was. It follows the
// actions as they are performed.
struct Lateness {
    bool afterTimerCall = false;  // the last action was a call that armed a timer
    // The last call that armed a timer, and the waits planned since: a host
    // far behind that plan lets a timer's message through before an action
    // planned to come first. How far behind it was at such a message.
    double armedAt = -1, plannedSinceArmed = 0, behindPlan = 0;
    uint64_t ticksBefore = 0;  // the module's timer ticks when the last action began
    Mark lastCall;

    // Messages came before an action after a call that armed a timer, with
    // time enough for a tick: the action was late, and they may be its ticks.
    bool tickLetThrough(Driver& driver) const {
        return afterTimerCall && driver.clockMs() - lastCall.at >= kSoonestTickMs;
    }
    bool ticked(Driver& driver) const { return driver.moduleTimerTicks() > ticksBefore; }
    // A message came before an action that no plan explains. Far behind the
    // plan, a timer may fire before an action planned to come first, and then
    // find the world otherwise than planned (the mask's key still held): what
    // it sends is expected nowhere, but a tick came before it.
    void unexpectedBeforeAction(Driver& driver, bool expected) {
        if ((expected || ticked(driver)) && armedAt >= 0)
            behindPlan = driver.clockMs() - armedAt - plannedSinceArmed;
    }
    void performing(const Step& step, Driver& driver) {
        afterTimerCall = step.kind == Kind::Call && armsTimer(step.name);
        if (step.kind == Kind::Call) lastCall = {driver.clockMs(), driver.stalledMs()};
        if (afterTimerCall) armedAt = driver.clockMs(), plannedSinceArmed = 0;
        if (step.kind == Kind::Wait) plannedSinceArmed += step.milliseconds;
        ticksBefore = driver.moduleTimerTicks();
    }
    // How late the host was, for a failure that timing can explain; else 0.
    double lateMs(Driver& driver, bool failedOnTiming) const {
        const double longest = std::max(driver.longestStallMs(), behindPlan);
        return failedOnTiming && longest >= kLateMs ? longest : 0;
    }
};

// Performs the actions and matches what the windows received against the
// expectations, in order.
class Runner {
public:
    Runner(const Scenario& s, Driver& driver, std::string* error) : s(s), driver(driver), error(error) {}

    bool run(double* lateMs) {
        Walker walker{s, driver, error, [this](const Step& step) { return visit(step); }, nullptr};
        bool ok = walker.run();
        if (ok) {
            pull();
            dropEarly(nullptr);
            ok = pending.empty() || unexpected(s.steps.back().line, "after the last line");
        }
        if (lateMs != nullptr) *lateMs = lateness.lateMs(driver, !ok && timing);
        return ok;
    }

private:
    const Scenario& s;
    Driver& driver;
    std::string* error;
    std::deque<Received> pending;
    // The first `early` pending messages came before the action after a
    // call that armed a timer, with time enough for a tick: the action was
    // late. The expectations after it may take them, in order; what none
    // takes was an extra tick.
    size_t early = 0;
    // Whether timing can explain the failure at hand: a message missing,
    // out of place or unexpected; not a run outside its measured bounds,
    // nor a message wrong only in its parameter.
    bool timing = true;
    std::map<std::string, Mark> runs;
    Lateness lateness;

    void pull() {
        for (const Received& r : driver.take()) pending.push_back(r);
    }
    void pop() {
        pending.pop_front();
        if (early > 0) --early;
    }
    void dropEarly(const Step* unless) {
        while (early > 0 && (unless == nullptr || !matches(*unless, pending.front()))) pop();
    }
    bool unexpected(int line, const char* when) {
        *error = where(s, line) + "unexpected `" + describe(pending.front()) + "` " + when;
        return false;
    }
    bool fail(const std::string& what, bool timingExplains) {
        *error = what;
        timing = timingExplains;
        return false;
    }

    bool visit(const Step& step) {
        switch (step.kind) {
        case Kind::Expect:
        case Kind::ExpectBox:
            pull();
            return step.everyMs != 0 ? expectRun(step) : expectMessages(step);
        case Kind::ExpectCursor:
            if (driver.cursorShown() == step.cursorShown) return true;
            *error = where(s, step.line) + "expected the cursor " + (step.cursorShown ? "shown" : "hidden");
            return false;
        case Kind::ExpectNoTimer:
            if (driver.moduleTimerTicks() == lateness.ticksBefore) return true;
            return fail(where(s, step.line) + "expected no timer of the module to fire during the action before, " +
                            std::to_string(driver.moduleTimerTicks() - lateness.ticksBefore) + " fired",
                        false);
        case Kind::ExpectModule:
            if (driver.moduleLoaded() == step.moduleLoaded) return true;
            return fail(where(s, step.line) + "expected the module " + (step.moduleLoaded ? "loaded" : "unloaded"),
                        false);
        default: return act(step);
        }
    }

    // A timer's run: as many alike as its period allows over the time since
    // it was last expected, the time the host was away from its queue aside.
    bool expectRun(const Step& step) {
        const Mark now = {driver.clockMs(), driver.stalledMs()};
        const std::string key = describe(step.expected);
        const auto found = runs.find(key);
        const Mark from = found == runs.end() ? lateness.lastCall : found->second;
        runs[key] = now;
        const double t = now.at - from.at, looking = t - (now.stalled - from.stalled);
        const int low = std::max(0, static_cast<int>(std::floor(looking / step.everyMs)) - 1);
        const int high = static_cast<int>(std::ceil(t / step.everyMs)) + 1;
        dropEarly(&step);
        int count = 0;
        while (!pending.empty() && matches(step, pending.front())) {
            pop();
            ++count;
        }
        if (count >= low && count <= high) return true;
        char over[96];
        std::snprintf(over, sizeof over, " (one every %u ms over %.0f ms, %.0f of them at the queue)", step.everyMs, t,
                      looking);
        return fail(where(s, step.line) + "expected " + std::to_string(low) + ".." + std::to_string(high) + " of `" +
                        describe(step.expected) + "`" + over + ", got " + std::to_string(count),
                    false);
    }

    bool expectMessages(const Step& step) {
        dropEarly(&step);
        int count = 0;
        while (count < step.maxCount && !pending.empty() && matches(step, pending.front())) {
            pop();
            ++count;
        }
        if (count >= step.minCount) return true;
        const std::string got = pending.empty() ? "nothing" : "`" + describe(pending.front()) + "`";
        const bool timingExplains = pending.empty() || !sameMessage(step.expected, pending.front());
        if (step.minCount == 1 && step.maxCount == 1)
            return fail(where(s, step.line) + "expected `" + describe(step.expected) + "`, got " + got,
                        timingExplains);
        return fail(where(s, step.line) + "expected " + std::to_string(step.minCount) + ".." +
                        std::to_string(step.maxCount) + " of `" + describe(step.expected) + "`, got " +
                        std::to_string(count) + " then " + got,
                    timingExplains);
    }

    // What arrives before a wait belongs to it: the time between two actions
    // is the wait's, however long the host took over the first (a timer armed
    // by a call may fire before the wait begins). Before any other action,
    // only the tick of a timer the last action armed, when this one came
    // late, with a message the scenario expects.
    bool act(const Step& step) {
        if (step.kind != Kind::Wait) {
            pull();
            dropEarly(nullptr);
            const bool expected =
                std::all_of(pending.begin(), pending.end(), [&](const Received& r) { return expectedAnywhere(s, r); });
            if (lateness.tickLetThrough(driver) && expected) {
                early = pending.size();
            } else if (!pending.empty()) {
                lateness.unexpectedBeforeAction(driver, expected);
                return unexpected(step.line, "before this action");
            }
        }
        lateness.performing(step, driver);
        if (perform(s, step, driver, error)) return true;
        timing = false;
        return false;
    }
};

}  // namespace

bool run(const Scenario& s, Driver& driver, std::string* error, double* lateMs) {
    return Runner(s, driver, error).run(lateMs);
}

}  // namespace scenario
