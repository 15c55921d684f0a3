// Untimed, what the clock may still do (model.h): bounds on the differences
// of the live timers' due times and the time of the last event, kept closed
// (every bound as tight as the others allow) so that equal bounds mean equal
// sets of times, and two states merge only if their timers may fire in the
// same orders from there on.
#include <algorithm>

#include "model.h"

namespace model {

bool boundTimers = false;
const char* const kNoClock = "no clock lets this happen here";

namespace {

constexpr int kNone = Zone::kUnbounded;

void close(Zone* z) {
    const int n = z->count + 1;
    for (int k = 0; k < n; ++k)
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                if (z->bound[i][k] == kNone || z->bound[k][j] == kNone) continue;
                const int through = z->bound[i][k] + z->bound[k][j];
                if (through < z->bound[i][j]) z->bound[i][j] = static_cast<int8_t>(std::max(through, -kNone + 1));
            }
    for (int i = 0; i < n; ++i)
        if (z->bound[i][i] < 0) z->impossible = true;
}

// Takes in the timers set, re-armed or killed since: one set now is due its
// interval from now.
void follow(Zone* z) {
    const std::vector<sim::TimerInfo>& live = sim::timers();
    Zone next;
    next.impossible = z->impossible;
    next.count = static_cast<uint8_t>(std::min<size_t>(live.size(), Zone::kTimers));
    int from[Zone::kTimers + 1] = {0};  // each index's in z, or -1: new
    for (int i = 0; i < next.count; ++i) {
        next.ids[i] = live[i].id;
        next.arms[i] = live[i].arms;
        from[i + 1] = -1;
        for (int j = 0; j < z->count; ++j)
            if (z->ids[j] == live[i].id && z->arms[j] == live[i].arms) from[i + 1] = j + 1;
    }
    const int n = next.count + 1;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            next.bound[i][j] = i == j ? 0 : from[i] >= 0 && from[j] >= 0 ? z->bound[from[i]][from[j]] : kNone;
    for (int i = 1; i < n; ++i)
        if (from[i] < 0) {
            const int due = static_cast<int>(std::min<uint32_t>(std::max(live[i - 1].interval, 1u), kNone - 1));
            next.bound[i][0] = static_cast<int8_t>(due);
            next.bound[0][i] = static_cast<int8_t>(-due);
        }
    close(&next);
    *z = next;
}

// Time passes, at least `least` ms; every timer then still due at least
// `after` ms later (a timer `firing` exactly now).
void pass(Zone* z, int least, int firing) {
    follow(z);
    const int n = z->count + 1;
    for (int i = 1; i < n; ++i) {
        if (z->bound[i][0] != kNone) z->bound[i][0] = static_cast<int8_t>(z->bound[i][0] - least);
        // Ties fire in the order the timers were made.
        const int after = firing < 0 || i < firing ? 1 : 0;
        z->bound[0][i] = static_cast<int8_t>(-after);
    }
    if (firing > 0) z->bound[firing][0] = std::min<int8_t>(z->bound[firing][0], 0);
    close(z);
}

}  // namespace

void startZone() {
    world.zone = Zone();
    follow(&world.zone);
}

void zoneAction(int least) {
    if (untimed && boundTimers) pass(&world.zone, least, -1);
}

void followZone() {
    if (untimed && boundTimers) follow(&world.zone);
}

void zoneFires(TimerId id, bool fired) {
    follow(&world.zone);
    if (fired) return;
    for (int i = 0; i < world.zone.count; ++i)
        if (world.zone.ids[i] == id) return pass(&world.zone, 0, i + 1);
}

bool zoneMayFire(TimerId id) {
    if (!boundTimers) return true;
    Zone z = world.zone;
    follow(&z);
    for (int i = 0; i < z.count; ++i)
        if (z.ids[i] == id) pass(&z, 0, i + 1);
    return !z.impossible;
}

}  // namespace model
