// The search: breadth-first, every state the module can reach from `load`
// and `doEnable` on the simulated platform, each checked as it is reached
// (model.h) and settled (findings::settle), level by level, a level's second
// half in a second process when split. Its command line is explore_main.cpp.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "explore.h"
#include "explore_seen.h"
#include "model.h"

namespace {

struct Node {
    uint32_t parent;
    uint16_t action;  // index into the parent's alphabet
};

using namespace seen_set;
Fingerprints seen;
// While a split level's second process runs, the first keeps the states
// new in its half here: the table the two share stays unwritten, so the
// kernel copies none of its pages, at the peak a table's worth of memory.
Fingerprints firstHalf;
bool deferring = false;

std::vector<Node> nodes;

}  // namespace

namespace search {

std::vector<scenario::Step> replayTo(uint32_t node) {
    std::vector<uint16_t> choices;
    for (uint32_t n = node; n != 0; n = nodes[n].parent) choices.push_back(nodes[n].action);
    std::reverse(choices.begin(), choices.end());
    model::start();
    std::vector<scenario::Step> path;
    for (uint16_t choice : choices) {
        const scenario::Step step = model::alphabet()[choice];
        model::apply(step);
        path.push_back(step);
    }
    return path;
}

std::vector<scenario::Step> pathTo(uint32_t node) {
    const model::Saved live = model::save();
    std::vector<scenario::Step> path = replayTo(node);
    model::restore(live);
    return path;
}

bool checkMirror = false;

}  // namespace search

namespace {

using namespace findings;

// --check-mirror: the states whose mirrored path reached another state than
// their mirror, and the states checked.
uint64_t mirrorsChecked = 0, mirrorsDiffering = 0;

// The live state is `node`'s: its path with S and F swapped, replayed from
// the start, must reach the state's mirror, or the search may not keep one
// state of each pair.
void checkMirrored(uint32_t node) {
    model::KeyBytes expected, got;
    model::orientedKey(&expected, true);
    const model::Saved live = model::save();
    const std::vector<scenario::Step> path = search::replayTo(node);
    model::start();
    for (const scenario::Step& s : path) model::apply(model::mirrorStep(s));
    model::orientedKey(&got, false);
    model::restore(live);
    ++mirrorsChecked;
    if (got.size == expected.size && std::memcmp(got.data, expected.data, got.size) == 0) return;
    if (mirrorsDiffering++ == 0)
        std::printf("%s", model::scenarioText(path, "# this path, with S and F swapped, does not reach its mirror\n").c_str());
}

// Lean, a frontier state is rebuilt by replaying its path. A level lists its
// states in the order of their paths (parents in order, then actions), so
// the next one mostly shares all but the last step or two with the one
// before: the states along the last path are kept, and only the steps past
// the shared part are replayed.
std::vector<uint32_t> livePath;        // node numbers from the start
std::vector<model::Saved> liveStates;  // the state after each of them

void rebuild(uint32_t node) {
    std::vector<uint32_t> path;
    for (uint32_t n = node; n != 0; n = nodes[n].parent) path.push_back(n);
    path.push_back(0);
    std::reverse(path.begin(), path.end());
    size_t shared = 0;
    while (shared < path.size() && shared < livePath.size() && path[shared] == livePath[shared]) ++shared;
    if (shared == 0) {
        model::start();
        livePath.assign(1, 0);
        liveStates.assign(1, model::save());
        shared = 1;
    }
    model::restore(liveStates[shared - 1]);
    livePath.resize(shared);
    liveStates.resize(shared);
    for (size_t i = shared; i < path.size(); ++i) {
        model::apply(model::alphabet()[nodes[path[i]].action]);
        livePath.push_back(path[i]);
        liveStates.push_back(model::save());
    }
}

// One level of the search: its states and what it found.
struct Level {
    std::vector<uint32_t> frontier, next;
    std::vector<model::Saved> frontierStates, nextStates;  // empty when lean
    uint64_t transitions = 0;
    uint32_t mostSends = 0;
    uint32_t lastRead = 0;  // the node the last candidate read back became, or 0: none
    int depth = 0;          // the depth of the states it finds
};
Level level;

// Expands frontier[from, to). In the second process of a split level, a
// state not known at the level's start goes to the first as a candidate,
// settled on trust that it will be new there too.
void expand(size_t from, size_t to, bool lean) {
    Fingerprints mine;  // the candidates sent
    model::KeyBytes key;
    for (size_t f = from; f < to; ++f) {
        const uint32_t parent = level.frontier[f];
        // Lean, the state is the last one rebuilt, which nothing below
        // rebuilds again; else it is taken from the level, freeing it.
        model::Saved taken;
        if (lean)
            rebuild(parent);
        else
            taken = std::move(level.frontierStates[f]);
        const model::Saved& base = lean ? liveStates.back() : taken;
        model::restore(base);
        const std::vector<scenario::Step> actions = model::alphabet();
        // The reentrant host's acts follow the plain actions, a copy of them
        // each: an act whose action sends nothing is never set off, and its
        // copy is that action.
        size_t plain = 0;
        while (plain < actions.size() && (model::variant != model::kReentrantHost || actions[plain].nested < 0)) ++plain;
        std::vector<char> sends(plain);
        for (size_t a = 0; a < actions.size(); ++a) {
            if (a >= plain && !sends[(a - plain) % plain]) continue;
            model::restore(base);
            ++level.transitions;
            model::forgotten.clear();
            const std::string violation = model::apply(actions[a]);
            if (violation == model::kNoClock) {  // a timer fires first, or another
                if (a < plain) sends[a] = 0;
                continue;
            }
            if (a < plain) sends[a] = model::sentToHost;
            const Recipe how = {static_cast<int>(a), nullptr};
            if (!model::forgotten.empty()) reportForgotten(parent, how, {actions[a]});
            level.mostSends = std::max(level.mostSends, sim::mostSendsPerEntry());
            if (!violation.empty()) {
                report(violation, parent, how, {actions[a]});
                continue;  // a broken state is not explored further
            }
            model::key(&key);
            const uint64_t print = fingerprint(key.data, key.size);
            if (split::second) {
                if (contains(seen, print) || !insert(mine, print)) continue;
                split::candidate(parent, static_cast<uint16_t>(a), print);
                settle(split::kLastCandidate);
                continue;
            }
            if (deferring ? contains(seen, print) || !insert(firstHalf, print) : !insert(seen, print)) continue;
            const uint32_t node = static_cast<uint32_t>(nodes.size());
            nodes.push_back({parent, static_cast<uint16_t>(a)});
            if (gesture_states::wanted) gesture_states::record(level.depth);
            if (search::checkMirror) checkMirrored(node);
            settle(node);
            level.next.push_back(node);
            if (!lean) level.nextStates.push_back(model::save());
        }
    }
}

// The second process's half, read back in its order: a candidate seen in
// the first half is dropped with its settle's findings.
void readCandidate(uint32_t parent, uint16_t action, uint64_t print) {
    level.lastRead = 0;
    if (!insert(seen, print)) return;
    level.lastRead = static_cast<uint32_t>(nodes.size());
    nodes.push_back({parent, action});
    level.next.push_back(level.lastRead);
}

void readReport(const std::string& kind, int exception, uint32_t node, int action, const std::vector<size_t>& order) {
    if (node == split::kLastCandidate) node = level.lastRead;
    if (node != 0) reportFromSecond(kind, exception, node, action, order);
}

// Expands the level's states into the next level's; split, a second
// process expands the second half while this one expands the first, and
// this one reads back what it found. False, having said why, if the split
// failed.
bool expandLevel(bool split, bool lean, FILE* between, int depth) {
    const size_t half = split && level.frontier.size() >= 2 ? level.frontier.size() / 2 : level.frontier.size();
    pid_t second = 0;
    if (half < level.frontier.size()) {
        std::fflush(nullptr);
        if (::ftruncate(fileno(between), 0) != 0 || ::lseek(fileno(between), 0, SEEK_SET) != 0 ||
            (second = ::fork()) < 0) {
            std::perror("explore: splitting a level");
            return false;
        }
        if (second == 0) {
            split::begin(fileno(between));
            level.transitions = 0;
            level.mostSends = 0;
            expand(half, level.frontier.size(), lean);
            split::finish(level.transitions, level.mostSends);
        }
    }
    deferring = second > 0;
    expand(0, half, lean);
    if (second > 0) {
        int status = 0;
        const bool ended = ::waitpid(second, &status, 0) == second && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        deferring = false;
        for (uint64_t print : firstHalf.slots)
            if (print != 0) insert(seen, print);
        firstHalf = Fingerprints();
        if (!ended || !split::readBack(fileno(between), {readReport, readCandidate}, &level.transitions,
                                       &level.mostSends)) {
            std::fprintf(stderr, "explore: the second process of depth %d failed (status %d)\n", depth, status);
            return false;
        }
    }
    return true;
}

}  // namespace

int search::run(int maxDepth, const char* outDir, bool lean, bool split, bool firstOnly) {
    const auto started = std::chrono::steady_clock::now();
    model::start();
    model::KeyBytes first;
    model::key(&first);
    insert(seen, fingerprint(first.data, first.size));
    nodes.push_back({0, 0});
    level.frontier = {0};
    if (!lean) level.frontierStates = {model::save()};
    if (gesture_states::wanted) gesture_states::record(0);
    settle(0);
    FILE* between = split ? std::tmpfile() : nullptr;
    if (split && between == nullptr) {
        std::perror("explore: a file for the second process");
        return 2;
    }
    int depth = 0;
    while (!level.frontier.empty() && (maxDepth < 0 || depth < maxDepth) && !(firstOnly && findings::violated())) {
        level.next.clear();
        level.nextStates.clear();
        level.depth = depth + 1;
        if (!expandLevel(split, lean, between, depth + 1)) return 2;
        level.frontier.swap(level.next);
        level.frontierStates.swap(level.nextStates);
        ++depth;
        std::fprintf(stderr, "depth %d: %zu states, %zu new (%.0f s)\n", depth, seen.count, level.frontier.size(),
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const int outside = writeFindings(outDir) + reportExceptions();
    if (gesture_states::wanted) gesture_states::print();
    std::printf("%s after %llu transitions in %.1f s; at most %u sends from one event\n",
                level.frontier.empty()         ? "closed"
                : firstOnly && findings::violated()      ? "ended at the first violation"
                                               : "depth bound reached",
                static_cast<unsigned long long>(level.transitions), seconds, level.mostSends);
    const double n = static_cast<double>(seen.count);
    std::printf("odds that two of the states share a fingerprint: below %.1e\n", n * n / 36893488147419103232.0);
    if (checkMirror)
        std::printf("mirrors: %llu of %llu states' mirrored paths reach another state than their mirror\n",
                    static_cast<unsigned long long>(mirrorsDiffering), static_cast<unsigned long long>(mirrorsChecked));
    std::printf("explored %zu states (depth %d, %s host): %d violations outside the documented exceptions\n",
                seen.count, depth, model::kVariantNames[model::variant], outside);
    return outside == 0 && mirrorsDiffering == 0 ? 0 : 1;
}
