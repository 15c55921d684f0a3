// The untimed model's time (model.h): timers fired in any order, and paths
// found that way turned back into real waits.
#include <algorithm>
#include <map>

#include "model.h"
#include "module/exports.h"

namespace model {

namespace {

struct TimerFeature {
    const char* name;
    TimerProcedure procedure;
};
const TimerFeature kTimerFeatures[] = {{"dragger", draggerTick}, {"mask", maskTimerTick}, {"burst", burstTick}};

bool chordSwitchYoung() { return state.leftGesture == LeftGesture::ChordPending && sim::now() - state.chordSwitchTick < 2; }

}  // namespace

void timeSteps(std::vector<scenario::Step>* out) {
    scenario::Step s;
    s.kind = scenario::Kind::Wait;
    for (const sim::TimerInfo& t : sim::timers())
        for (const TimerFeature& f : kTimerFeatures)
            if (t.procedure == f.procedure && zoneMayFire(t.id)) {
                s.name = f.name;
                out->push_back(s);
            }
    if (chordSwitchYoung()) {
        s.name.clear();
        s.milliseconds = 1;
        out->push_back(s);
    }
}

bool performTimeStep(const scenario::Step& step) {
    if (step.kind != scenario::Kind::Wait || step.name.empty()) return false;
    for (const sim::TimerInfo& t : sim::timers())
        for (const TimerFeature& f : kTimerFeatures)
            if (t.procedure == f.procedure && step.name == f.name) {
                sim::fireTimer(t.id);
                return true;
            }
    return true;  // no such timer live: nothing happens
}

namespace {

// What a path did, as realize() compares it: every message, then every
// belief forgotten, the violation it ended in or what is believed down.
struct Outcome {
    std::vector<sim::Message> messages;
    std::string end;
};

bool sameMessage(const sim::Message& a, const sim::Message& b) {
    return a.window == b.window && a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam &&
           a.input == b.input;
}

// One event of an untimed run, for the constraints on its time.
struct Event {
    enum { Action, Fire, Tick } kind = Action;
    int armedAt = 0;  // Fire: the event that set the timer's due time ...
    uint32_t offset = 0;  // ... and how long after it
    struct Live {
        int armedAt;
        uint32_t offset;
        bool tieFiresFirst;  // listed before the timer this event fires
    };
    std::vector<Live> live;  // the other timers live before it
    int switchAt = -1;       // a pending chord switch's event, and its age here
    uint32_t switchAge = 0;
};

// When a live timer was set: the event that set it, how long after it it
// is due, and the platform's count of its settings then.
struct Arm {
    int event;
    uint32_t offset;
    uint32_t arms;
};

// The timers' side of the event a step makes: the timer it fires (a wait
// named for one), when that timer was set, and the other timers live.
Event timersAt(const scenario::Step& s, std::map<TimerId, Arm>& armed) {
    Event e;
    const std::vector<sim::TimerInfo> before = sim::timers();
    TimerId fired = 0;
    if (s.kind == scenario::Kind::Wait) e.kind = s.name.empty() ? Event::Tick : Event::Fire;
    for (const sim::TimerInfo& t : before)
        for (const TimerFeature& f : kTimerFeatures)
            if (e.kind == Event::Fire && fired == 0 && t.procedure == f.procedure && s.name == f.name) fired = t.id;
    bool firedSeen = false;
    for (const sim::TimerInfo& t : before) {
        const Arm& a = armed[t.id];
        if (t.id == fired) {
            e.armedAt = a.event;
            e.offset = a.offset;
            firedSeen = true;
        } else {
            e.live.push_back({a.event, a.offset, !firedSeen && fired != 0});
        }
    }
    return e;
}

// Runs `steps` from a fresh start; `events`, when given, gets each step's.
Outcome run(const std::vector<scenario::Step>& steps, std::vector<Event>* events) {
    Outcome out;
    start();
    collectMessages(&out.messages);
    forgotten.clear();
    std::map<TimerId, Arm> armed;
    auto noteArms = [&armed](int event) {
        for (const sim::TimerInfo& t : sim::timers()) {
            auto it = armed.find(t.id);
            // Due its interval after the event that set it (a held clock may
            // be behind that event, so not dueIn).
            if (it == armed.end() || it->second.arms != t.arms) armed[t.id] = {event, std::max(t.interval, 1u), t.arms};
        }
    };
    noteArms(0);
    int switchAt = -1;
    for (size_t i = 0; i < steps.size(); ++i) {
        const scenario::Step& s = steps[i];
        const int event = static_cast<int>(i) + 1;
        Event e = timersAt(s, armed);
        const bool pendingBefore = state.leftGesture == LeftGesture::ChordPending;
        const uint32_t tickBefore = state.chordSwitchTick;
        if (pendingBefore && e.kind != Event::Tick) {
            e.switchAt = switchAt;
            e.switchAge = sim::now() - tickBefore;
        }
        const std::string violation = apply(s);
        for (const Forgotten& f : forgotten) out.end += f.kind + "\n";
        forgotten.clear();
        out.end += violation;
        noteArms(event);
        // A switch made (or made again) here: its age counts from here.
        if (state.leftGesture == LeftGesture::ChordPending && (!pendingBefore || state.chordSwitchTick != tickBefore || e.kind == Event::Action))
            switchAt = event;
        if (events != nullptr) events->push_back(e);
    }
    // At the end nothing more is due: a run of waits would fire it.
    if (events != nullptr) {
        Event end;
        for (const sim::TimerInfo& t : sim::timers()) end.live.push_back({armed[t.id].event, armed[t.id].offset, true});
        events->push_back(end);
    }
    int exception = -1;
    out.end += believedDown(&exception);
    collectMessages(nullptr);
    return out;
}

struct Edge {
    int from, to, weight;  // t[to] - t[from] <= weight
};

// Times for the events that meet every constraint (t[0] = 0), or false.
bool solve(const std::vector<Event>& events, bool chord, std::vector<long>* t) {
    const int n = static_cast<int>(events.size()) + 1;
    std::vector<Edge> edges;
    for (int i = 1; i < n; ++i) {
        const Event& e = events[i - 1];
        // Time runs forward; 1 ms passes where the run let it.
        edges.push_back({i, i - 1, e.kind == Event::Tick && chord ? -1 : 0});
        if (e.kind == Event::Fire) {
            edges.push_back({e.armedAt, i, static_cast<int>(e.offset)});
            edges.push_back({i, e.armedAt, -static_cast<int>(e.offset)});
        }
        // Nothing else came due before: it would have fired first.
        for (const Event::Live& l : e.live)
            edges.push_back({l.armedAt, i, static_cast<int>(l.offset) - (l.tieFiresFirst || e.kind != Event::Fire ? 1 : 0)});
        if (chord && e.switchAt >= 0) {
            if (e.switchAge >= 2) edges.push_back({i, e.switchAt, -2});
            else edges.push_back({e.switchAt, i, 1});
        }
    }
    std::vector<long> d(n, 0);
    for (int round = 0; round <= n; ++round) {
        bool changed = false;
        for (const Edge& edge : edges)
            if (d[edge.from] + edge.weight < d[edge.to]) {
                d[edge.to] = d[edge.from] + edge.weight;
                changed = true;
            }
        if (!changed) {
            t->assign(n, 0);
            for (int i = 0; i < n; ++i) (*t)[i] = d[i] - d[0];
            return true;
        }
    }
    return false;  // a cycle of constraints that no times meet
}

}  // namespace

Realized realize(const std::vector<scenario::Step>& path, const std::string& kind, std::vector<scenario::Step>* timed,
                 std::string* why) {
    const Saved live = save();
    const bool wasUntimed = untimed;
    std::vector<Event> events;
    const Outcome untimedRun = run(path, &events);
    std::vector<long> t;
    Realized verdict = Realized::Unconfirmed;
    timed->clear();
    if (!solve(events, true, &t)) {
        verdict = solve(events, false, &t) ? Realized::Unconfirmed : Realized::FalseAlarm;
        *why = verdict == Realized::FalseAlarm
                   ? "no clock fires the timers in this order: each fires when it is due, and none before another due earlier"
                   : "the chord switch's 2 ms cannot be met with the timers' order";
    } else {
        long now = 0;
        auto waitUntil = [&now, timed](long when) {
            if (when <= now) return;
            scenario::Step w;
            w.kind = scenario::Kind::Wait;
            w.milliseconds = static_cast<uint32_t>(when - now);
            timed->push_back(w);
            now = when;
        };
        for (size_t i = 0; i < path.size(); ++i) {
            // The reentrant host's act goes with the wait whose end fires the timer.
            const bool act = events[i].kind != Event::Action && path[i].nested >= 0;
            if (events[i].kind != Event::Action && !act) continue;
            const size_t before = timed->size();
            waitUntil(t[i + 1]);
            if (!act)
                timed->push_back(path[i]);
            else if (timed->size() > before)
                timed->back().nested = path[i].nested;
        }
        waitUntil(t[path.size()]);  // the last event's, before the end's
        untimed = false;
        const Outcome timedRun = run(*timed, nullptr);
        untimed = wasUntimed;
        const bool same = timedRun.end == untimedRun.end &&
                          std::equal(timedRun.messages.begin(), timedRun.messages.end(), untimedRun.messages.begin(),
                                     untimedRun.messages.end(), sameMessage);
        verdict = same && untimedRun.end.find(kind) != std::string::npos ? Realized::Replays : Realized::Unconfirmed;
        *why = verdict == Realized::Replays ? "" : "with real waits it sends other messages or ends otherwise";
    }
    untimed = wasUntimed;
    restore(live);
    return verdict;
}

}  // namespace model
