// The explorer's command line. It explores, breadth-first, every state the
// module can reach from `load` and `doEnable` on the simulated platform,
// checking the invariants in each and that releasing everything leaves no
// host window believing anything down.
//   explore [--host H] [--depth D] [--max-held N] [--untimed] [--reduced]
//           [--bound-timers] [--lean] [--split] [--first]
//           [--keys-first | --one-deep] [--symmetric] [--check-mirror]
//           [--gestures] [--out DIR]
//                                        search (to closure unless --depth;
//                                        with at most N inputs held at once;
//                                        timers fired in any order and the
//                                        key reduced, model.h; --lean keeps
//                                        paths, not states: far less memory,
//                                        and less time at shallow depths,
//                                        more in a deep closure; --split,
//                                        lean too,
//                                        expands each level in two processes;
//                                        --first ends with the level where
//                                        a violation is first met;
//                                        --keys-first, the order of Wine
//                                        from 9.1 for keys, --one-deep, the
//                                        same with no keyboard hook inside
//                                        the keyboard hook: model.h;
//                                        --symmetric keeps one state of each
//                                        pair that S and F swapped make
//                                        alike, --check-mirror checks that
//                                        the pair's futures are mirrored;
//                                        --gestures lists the combinations
//                                        of the gestures and flags it reached)
//   explore [--host H] --walk EVENTS [--seed N]
//                                        a seeded random walk instead, in
//                                        rounds that end settled and checked
// H is the host: plain (the default), lost, capture, modal, away, swapped or reentrant (model.h).
//   explore --corpus DIR SCENARIO...     the scenarios as fuzzer inputs
// For each kind of violation the shortest path is written to DIR as a
// scenario file (untimed, with real waits; a kind whose every path tried
// needs a firing order no clock gives is unsettled, and the search runs
// again with --bound-timers, untimed with the timers' due times bounded in
// the key, where every state is one a clock gives). The last
// line reads "explored N states (depth D): V violations outside the
// documented exceptions"; the exit status is 1 when V > 0 or a documented
// exception is never reached.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "explore.h"
#include "model.h"

namespace {

struct Options {
    int depth = -1;
    const char* outDir = nullptr;
    uint64_t walkEvents = 0, seed = 1;
    bool lean = false, split = false, firstOnly = false;
};

// Reads the options into `o` and the model's settings; false, having said
// why, for one it does not know or a bad value.
bool readOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const bool value = i + 1 < argc;
        if (std::strcmp(argv[i], "--depth") == 0 && value) {
            o->depth = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--host") == 0 && value) {
            const char* name = argv[++i];
            int v = 0;
            while (v < model::kVariantCount && std::strcmp(name, model::kVariantNames[v]) != 0) ++v;
            if (v == model::kVariantCount) {
                std::fprintf(stderr, "explore: no host '%s' (plain, lost, capture, modal, away, swapped or reentrant)\n", name);
                return false;
            }
            model::variant = static_cast<model::Variant>(v);
        } else if (std::strcmp(argv[i], "--max-held") == 0 && value) {
            model::maxHeld = std::atoi(argv[++i]);
            if (model::maxHeld < 1 || model::maxHeld > 9) {
                std::fprintf(stderr, "explore: --max-held takes 1 to 9 (of the six keys and three buttons)\n");
                return false;
            }
        } else if (std::strcmp(argv[i], "--first") == 0) {
            o->firstOnly = true;
        } else if (std::strcmp(argv[i], "--lean") == 0) {
            o->lean = true;
        } else if (std::strcmp(argv[i], "--split") == 0) {
            o->lean = o->split = true;
        } else if (std::strcmp(argv[i], "--untimed") == 0) {
            model::untimed = true;
        } else if (std::strcmp(argv[i], "--bound-timers") == 0) {
            model::untimed = model::boundTimers = true;
        } else if (std::strcmp(argv[i], "--keys-first") == 0) {
            if (model::keyOrder == scenario::HookFirst) model::keyOrder = scenario::KeysFirst;
        } else if (std::strcmp(argv[i], "--one-deep") == 0) {
            model::keyOrder = scenario::KeysFirstOneDeep;
        } else if (std::strcmp(argv[i], "--reduced") == 0) {
            model::reduced = true;
        } else if (std::strcmp(argv[i], "--symmetric") == 0) {
            model::symmetric = true;
        } else if (std::strcmp(argv[i], "--check-mirror") == 0) {
            search::checkMirror = true;
        } else if (std::strcmp(argv[i], "--gestures") == 0) {
            gesture_states::wanted = true;
        } else if (std::strcmp(argv[i], "--out") == 0 && value) {
            o->outDir = argv[++i];
        } else if (std::strcmp(argv[i], "--walk") == 0 && value) {
            o->walkEvents = std::strtoull(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--seed") == 0 && value) {
            o->seed = std::strtoull(argv[++i], nullptr, 10);
        } else {
            std::fprintf(stderr,
                         "usage: explore [--host H] [--depth D] [--max-held N] [--untimed] [--reduced] [--bound-timers] [--lean] [--split] [--first] [--symmetric] [--check-mirror] [--gestures] [--out DIR] | "
                         "explore [--host H] --walk EVENTS [--seed N] | "
                         "explore --corpus DIR SCENARIO...\n");
            return false;
        }
    }
    return true;
}

// A search's saved states and fingerprints are millions of small blocks,
// and the kernel's faults as it hands the heap out a 4 KB page at a time
// took up to a third of a search's time; in huge pages it faults once per
// 2 MB. glibc reads that setting only as a program starts, so the explorer
// starts itself again with it, once; failing that, it goes on as it is.
void useHugePages(char** argv) {
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    if (tunables != nullptr && std::strstr(tunables, "glibc.malloc.hugetlb") != nullptr) return;
    const bool others = tunables != nullptr && tunables[0] != '\0';
    const std::string value = (others ? std::string(tunables) + ":" : std::string()) + "glibc.malloc.hugetlb=1";
    if (::setenv("GLIBC_TUNABLES", value.c_str(), 1) == 0) ::execv("/proc/self/exe", argv);
}

}  // namespace

int main(int argc, char** argv) {
    useHugePages(argv);
    if (argc >= 3 && std::strcmp(argv[1], "--corpus") == 0) return corpus(argv[2], argc - 3, argv + 3);
    Options o;
    if (!readOptions(argc, argv, &o)) return 2;
    if (o.walkEvents > 0) return walk(o.walkEvents, o.seed);
    if (o.split && (gesture_states::wanted || search::checkMirror)) {
        std::fprintf(stderr, "explore: --gestures and --check-mirror read each new state, which a split level's second process keeps\n");
        return 2;
    }
    const int result = search::run(o.depth, o.outDir, o.lean, o.split, o.firstOnly);
    if (findings::unsettled == 0 || model::boundTimers) return result;
    // A kind the paths tried did not settle may still be real on a path
    // merged into theirs: the same search again, each state with the bounds
    // on its timers that every path to it shares, settles it.
    std::printf("%d kinds unsettled: the same search again with the timers bounded (--bound-timers)\n", findings::unsettled);
    std::fflush(nullptr);
    std::vector<char*> again(argv, argv + argc);
    again.push_back(const_cast<char*>("--bound-timers"));
    again.push_back(nullptr);
    ::execv("/proc/self/exe", again.data());
    std::perror("explore: searching again");
    return 2;
}
