// The explorer's modes besides the search (explore.cpp): a seeded random
// walk, and scenario files turned into the fuzzer's inputs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model.h"

int walk(uint64_t events, uint64_t seed);
int corpus(const char* outDir, int count, char** files);

// The second process of a split level (explore_split.cpp). It numbers no
// state and keeps no finding: it writes down, in order, each finding
// (`action` >= 0: the node's action; else a settle in `order`, on the last
// candidate when `node` is kLastCandidate) and each state it did not know
// at the level's start, and the first process reads them back.
namespace split {
constexpr uint32_t kLastCandidate = 0xFFFFFFFF;
extern bool second;  // true in the second process
void begin(int fd);
void report(const std::string& kind, int exception, uint32_t node, int action, const std::vector<size_t>* order);
void candidate(uint32_t parent, uint16_t action, uint64_t fingerprint);
[[noreturn]] void finish(uint64_t transitions, uint32_t mostSends);
struct Handlers {
    void (*report)(const std::string& kind, int exception, uint32_t node, int action, const std::vector<size_t>& order);
    void (*candidate)(uint32_t parent, uint16_t action, uint64_t fingerprint);
};
// False when the file is not whole.
bool readBack(int fd, const Handlers& handlers, uint64_t* transitions, uint32_t* mostSends);
}  // namespace split

// The search (explore.cpp); its states are numbered from 0, the start.
namespace search {
// To `maxDepth` levels (-1: to closure), writing each kind of violation's
// shortest path to `outDir` when set. `lean`: keep only node numbers between
// levels and replay each state when it is expanded, for runs deeper than
// memory would allow. `split` (lean too): each level's second half is
// expanded by a second process. `firstOnly`: end with the level where a
// violation is first met. Returns the exit status.
int run(int maxDepth, const char* outDir, bool lean, bool split, bool firstOnly);
// Whether each new state's mirrored path is replayed and checked to reach
// its mirror (model::symmetric), which the search's verdict then includes.
extern bool checkMirror;
// Replays the actions from the start to `node`, which is then the live
// state; returns them.
std::vector<scenario::Step> replayTo(uint32_t node);
// The same, the live state kept.
std::vector<scenario::Step> pathTo(uint32_t node);
}  // namespace search

// What the search finds (explore_findings.cpp): per kind of violation, how
// often it was reached and the shortest path found to it.
namespace findings {
// How a finding's last steps are made again from its node: one action of
// the node's alphabet, or its releases settled in `order`.
struct Recipe {
    int action;
    const std::vector<size_t>* order;
};
// A violation of `kind` reached by `how` from `node` (`exception`: the
// exception that accounts for it, if the path's mark does not).
void report(const std::string& kind, uint32_t node, const Recipe& how, const std::vector<scenario::Step>& tail,
            int exception = -1);
// What the last actions found forgotten (model::reduced) was reached there.
void reportForgotten(uint32_t node, const Recipe& how, const std::vector<scenario::Step>& tail);
// Releases what is held at the live state, `node`'s (in every order when at
// most three things are), then one keystroke and one motion, translation as
// the path left it; reports what that finds.
void settle(uint32_t node);
// A finding the second process of a split level wrote down.
void reportFromSecond(const std::string& kind, int exception, uint32_t node, int action,
                      const std::vector<size_t>& order);
// Whether a violation outside the exceptions was found (not a false alarm).
bool violated();
// Writes each kind's shortest path to DIR (none when null) and prints it;
// returns the kinds outside the exceptions.
int writeFindings(const char* outDir);
// Prints how often each exception was reached; returns how many the host
// must reach and did not.
int reportExceptions();
// Kinds whose every path tried was a false alarm.
extern int unsettled;
}  // namespace findings

// The combinations of the gesture flags the search reaches
// (explore_gestures.cpp): each new state's is recorded at its depth.
namespace gesture_states {
extern bool wanted;  // explore --gestures
void record(int depth);
void print();
}  // namespace gesture_states
