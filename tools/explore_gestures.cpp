// The combinations of the buttons' gestures and flags that the search
// reaches (explore --gestures): which of them come together, per button and
// for all three, each with how many states have it and the shallowest depth.
#include <cstdio>
#include <map>
#include <string>

#include "explore.h"
#include "state/state.h"
#include "translate/gestures.h"

namespace gesture_states {
namespace {

struct Flag {
    const char* name;
    int button;  // LEFT, RIGHT, MIDDLE, or -1: shared by the buttons
    bool (*read)();
};
const GestureButton& at(int button) { return state.gestureButtons[button]; }
bool left(LeftGesture g) { return state.leftGesture == g; }
bool middle(MiddleGesture g) { return state.middleGesture == g; }
const Flag kFlags[] = {
    {"left held", LEFT, [] { return at(LEFT).held; }},
    {"left PressSent", LEFT, [] { return left(LeftGesture::PressSent); }},
    {"left AltArmed", LEFT, [] { return left(LeftGesture::AltArmed); }},
    {"left AltDrag", LEFT, [] { return left(LeftGesture::AltDrag); }},
    {"left Chord", LEFT, [] { return left(LeftGesture::Chord); }},
    {"left ChordPending", LEFT, [] { return left(LeftGesture::ChordPending); }},
    {"left Masked", LEFT, [] { return left(LeftGesture::Masked); }},
    {"left rightPressOut", LEFT, [] { return at(LEFT).rightPressOut; }},
    {"sendingLeftUp", LEFT, [] { return state.sendingLeftUp; }},
    {"right held", RIGHT, [] { return at(RIGHT).held; }},
    {"right AltDrag", RIGHT, [] { return state.rightGesture == RightGesture::AltDrag; }},
    {"right rightPressOut", RIGHT, [] { return at(RIGHT).rightPressOut; }},
    {"middle held", MIDDLE, [] { return at(MIDDLE).held; }},
    {"middle AltArmed", MIDDLE, [] { return middle(MiddleGesture::AltArmed); }},
    {"middle AltDrag", MIDDLE, [] { return middle(MiddleGesture::AltDrag); }},
    {"middle rightPressOut", MIDDLE, [] { return at(MIDDLE).rightPressOut; }},
    {"ctrlWithheld", -1, [] { return state.ctrlWithheld; }},
    {"altInjected", -1, [] { return state.altInjected; }},
    {"chordCtrlWindow", -1, [] { return state.chordCtrlWindow != nullptr; }},
    {"altRightCtrlWindow", -1, [] { return state.altRightCtrlWindow != nullptr; }},
    {"pendingCtrlUpWindow", -1, [] { return state.pendingCtrlUpWindow != nullptr; }},
};
constexpr int kFlagCount = sizeof(kFlags) / sizeof(kFlags[0]);
static_assert(kFlagCount <= 32, "one bit each");

struct Seen {
    uint64_t states = 0;
    int depth = 0;  // the shallowest
};
std::map<uint32_t, Seen> combinations;

void add(std::map<uint32_t, Seen>* into, uint32_t bits, const Seen& seen) {
    Seen& s = (*into)[bits];
    if (s.states == 0 || seen.depth < s.depth) s.depth = seen.depth;
    s.states += seen.states;
}

std::string names(uint32_t bits) {
    std::string out;
    for (int f = 0; f < kFlagCount; ++f)
        if (bits >> f & 1) out += (out.empty() ? "" : " + ") + std::string(kFlags[f].name);
    return out.empty() ? "(none)" : out;
}

void list(const char* title, const std::map<uint32_t, Seen>& of) {
    std::printf("%s: %zu combinations\n", title, of.size());
    for (const auto& [bits, seen] : of)
        std::printf("  %10llu states, depth %2d: %s\n", static_cast<unsigned long long>(seen.states), seen.depth,
                    names(bits).c_str());
}

}  // namespace

bool wanted = false;

void record(int depth) {
    uint32_t bits = 0;
    for (int f = 0; f < kFlagCount; ++f) bits |= static_cast<uint32_t>(kFlags[f].read()) << f;
    add(&combinations, bits, {1, depth});
}

void print() {
    const char* titles[] = {"left", "right", "middle"};
    for (int button = LEFT; button <= MIDDLE; ++button) {
        std::map<uint32_t, Seen> projected;
        uint32_t mask = 0;
        for (int f = 0; f < kFlagCount; ++f) mask |= static_cast<uint32_t>(kFlags[f].button == button) << f;
        for (const auto& [bits, seen] : combinations) add(&projected, bits & mask, seen);
        list(titles[button], projected);
    }
    list("all together", combinations);
}

}  // namespace gesture_states
