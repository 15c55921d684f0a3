// What the explorer's search finds (explore.h): each kind of violation, how
// often it was reached and the shortest path to it, confirmed with real
// waits where the search ran untimed, and the scenario files written.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "explore.h"
#include "model.h"

namespace findings {

namespace {

struct Found {
    std::vector<scenario::Step> path;  // untimed: with real waits once one replays
    int exception = -1;
    uint64_t count = 0;
    // Untimed: whether a path found replays with real waits, after how many
    // tries, and why the last did not.
    model::Realized realized = model::Realized::FalseAlarm;
    int tries = 0;
    std::string why;
};
// Untimed, the paths of one kind tried with real waits; a kind whose every
// path tried is a false alarm is reported unsettled, and fails the search.
constexpr int kMostTries = 8;

std::map<std::string, Found> found;  // by kind of violation
uint64_t exceptionHits[model::kExceptionCount] = {};

// Counts a finding of `kind` (with `exception`: the exception that accounts
// for it, if the path's mark does not); its entry when its path is wanted.
Found* tally(const std::string& kind, int exception) {
    if (exception >= 0) ++exceptionHits[exception];
    const std::string name = exception >= 0 ? std::string("[") + model::kExceptions[exception].name + "] " + kind : kind;
    Found& f = found[name];
    if (f.count++ != 0 && (!model::untimed || f.realized == model::Realized::Replays || f.tries >= kMostTries))
        return nullptr;
    f.exception = exception;
    return &f;
}

void record(Found& f, const std::string& kind, uint32_t node, const std::vector<scenario::Step>& tail) {
    std::vector<scenario::Step> path = search::pathTo(node);
    path.insert(path.end(), tail.begin(), tail.end());
    if (!model::untimed) {
        f.path = path;
        return;
    }
    // The first path that replays with real waits; else an unconfirmed one
    // before a false alarm; else the shortest.
    std::vector<scenario::Step> timed;
    std::string why;
    const model::Realized r = model::realize(path, kind, &timed, &why);
    if (f.tries++ == 0 || r == model::Realized::Replays ||
        (r == model::Realized::Unconfirmed && f.realized == model::Realized::FalseAlarm)) {
        f.realized = r;
        f.path = r == model::Realized::Replays ? timed : path;
        f.why = why;
    }
}

}  // namespace

void report(const std::string& kind, uint32_t node, const Recipe& how, const std::vector<scenario::Step>& tail,
            int exception) {
    if (split::second) return split::report(kind, exception, node, how.action, how.order);
    if (Found* f = tally(kind, exception)) record(*f, kind, node, tail);
}

void reportForgotten(uint32_t node, const Recipe& how, const std::vector<scenario::Step>& tail) {
    std::vector<model::Forgotten> forgotten;
    forgotten.swap(model::forgotten);
    for (const model::Forgotten& f : forgotten) report(f.kind, node, how, tail, f.exception);
}

void settle(uint32_t node) {
    const model::Saved base = model::save();
    const std::vector<scenario::Step> releases = model::releases();
    std::vector<size_t> order(releases.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    do {
        model::restore(base);
        std::vector<scenario::Step> ordered, done;
        for (size_t i : order) ordered.push_back(releases[i]);
        int exception = -1;
        model::forgotten.clear();
        const std::string violation = model::settle(ordered, &done, &exception);
        if (violation == model::kNoClock) continue;  // a timer is due: its firing is settled
        reportForgotten(node, {-1, &order}, done);
        if (!violation.empty()) report(violation, node, {-1, &order}, done, exception);
    } while (releases.size() <= 3 && std::next_permutation(order.begin(), order.end()));
    model::restore(base);
}

namespace {

std::string fileName(const std::string& kind) {
    std::string out;
    for (char c : kind) {
        const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (word) out += static_cast<char>(c | 0x20);
        else if (!out.empty() && out.back() != '_') out += '_';
    }
    while (!out.empty() && out.back() == '_') out.pop_back();
    return out.substr(0, 80) + ".txt";
}

// A path as a scenario file; one found untimed that did not replay with
// real waits, as its order of actions and timers fired.
std::string text(const Found& f, const std::string& header) {
    if (!model::untimed) return model::scenarioText(f.path, header);
    if (f.realized == model::Realized::Replays) {
        model::untimed = false;
        const std::string out = model::scenarioText(f.path, header);
        model::untimed = true;
        return out;
    }
    std::string out = header;
    for (const scenario::Step& s : model::written(f.path))
        out += "#   " + (s.kind == scenario::Kind::Wait && !s.name.empty() ? "the " + s.name + " timer fires"
                                                                             : scenario::format(s)) + "\n";
    return out;
}

}  // namespace

int unsettled = 0;

int writeFindings(const char* outDir) {
    int outside = 0;
    for (const auto& entry : found) {
        const Found& f = entry.second;
        // Every path tried needs a firing order no clock gives. That settles
        // nothing: each state on such a path kept the first path that reached
        // it, and another, merged into it, may replay. Nor may the kinds
        // reached more often than the paths tried.
        if (model::untimed && f.realized == model::Realized::FalseAlarm) {
            std::printf("UNSETTLED: %s (%llu times; the %d paths tried were false alarms: %s; other paths to their "
                        "states were merged and not tried)\n",
                        entry.first.c_str(), static_cast<unsigned long long>(f.count), f.tries, f.why.c_str());
            ++outside;
            ++unsettled;
            continue;
        }
        std::string header = "# " + entry.first + "\n# shortest path: " + std::to_string(f.path.size()) +
                             " actions after load and doEnable; reached " + std::to_string(f.count) + " times\n";
        if (model::untimed && f.realized == model::Realized::Unconfirmed)
            header += "# found untimed, not confirmed with real waits (" + f.why + "); the untimed order:\n";
        if (f.exception >= 0)
            header += std::string("# documented exception: ") + model::kExceptions[f.exception].reason + "\n";
        else
            ++outside;
        std::string where = "(not written)";
        if (outDir != nullptr) {
            where = std::string(outDir) + "/" + (f.exception >= 0 ? "exception_" : "violation_") + fileName(entry.first);
            if (FILE* file = std::fopen(where.c_str(), "w")) {
                std::fputs(text(f, header).c_str(), file);
                std::fclose(file);
            } else {
                where = "could not write " + where + ": " + std::strerror(errno);
            }
        }
        std::printf("%s: %s (%llu times, shortest %zu actions): %s\n", f.exception >= 0 ? "exception" : "VIOLATION",
                    entry.first.c_str(), static_cast<unsigned long long>(f.count), f.path.size(), where.c_str());
    }
    return outside;
}

void reportFromSecond(const std::string& kind, int exception, uint32_t node, int action,
                      const std::vector<size_t>& order) {
    Found* f = tally(kind, exception);
    if (f == nullptr) return;
    const model::Saved live = model::save();
    search::replayTo(node);
    std::vector<scenario::Step> tail;
    if (action >= 0) {
        tail.push_back(model::alphabet()[action]);
    } else {
        const std::vector<scenario::Step> releases = model::releases();
        std::vector<scenario::Step> ordered;
        for (size_t i : order) ordered.push_back(releases[i]);
        int ignored = -1;
        model::settle(ordered, &tail, &ignored);
    }
    model::restore(live);
    record(*f, kind, node, tail);
}

bool violated() {
    for (const auto& entry : found)
        if (entry.second.exception < 0 && (!model::untimed || entry.second.realized != model::Realized::FalseAlarm))
            return true;
    return false;
}

int reportExceptions() {
    int outside = 0;
    for (int e = 0; e < model::kExceptionCount; ++e) {
        std::printf("exception %s: reached %llu times; %s\n", model::kExceptions[e].name,
                    static_cast<unsigned long long>(exceptionHits[e]), model::kExceptions[e].reason);
        // The plain host must reach every exception but the one for releases
        // made elsewhere, which only the host whose user does so reaches.
        // The hosts whose users let buttons go elsewhere must reach that one.
        const bool elsewhere = model::variant == model::kLostReleases || model::variant == model::kAwayHost ||
                               model::variant == model::kSwappedHost;
        const bool mustReach = model::variant == model::kPlainHost ? e != model::kReleasedElsewhere
                                                                   : elsewhere && e == model::kReleasedElsewhere;
        if (exceptionHits[e] == 0 && mustReach) {
            std::printf("exception %s is never reached: the list is stale\n", model::kExceptions[e].name);
            ++outside;
        }
    }
    return outside;
}

}  // namespace findings
