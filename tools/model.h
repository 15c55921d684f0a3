// The module in a small world of a user and a host, for the tools that
// search it (explore, the random walk, the fuzzer): which actions the user
// can take next, what each host window believes is down, and the checks
// every state must pass. Actions are scenario steps, so any path the tools
// find can be written out as a scenario file and replayed as it stands.
#pragma once

#include <cstring>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "belief.h"
#include "simulated.h"
#include "scenario.h"
#include "sim_host.h"
#include "state/state.h"

namespace model {

// What one host window has been told is down: virtual keys (left and right
// modifiers folded into their generic codes) and the three buttons (their
// virtual-key codes), from every key and button message it received.
typedef belief::Held Believed;

// States the platform's routing of mouse messages makes unavoidable, with
// or without the module, though they leave a host window believing a button
// is down; each comes with its reason.
enum Exception : uint8_t {
    // A button a window saw go down while the pointer left it with a button
    // held: a host that does not capture the mouse.
    kPointerLeftWhileHeld,
    // A button pressed for the host as input and released where the host's
    // thread never sees it: over another program, or over a border.
    kReleasedElsewhere,
    kExceptionCount
};
struct ExceptionInfo {
    const char* name;
    const char* reason;
};
extern const ExceptionInfo kExceptions[kExceptionCount];

// The hosts the search covers: one whose windows take every release and do
// not capture; one whose user may release a button over another program's
// window or over a window's border; one that captures the mouse from a press
// to that button's release; one whose windows run a modal loop inside a
// message they are sent or given: a context menu at a right-button-up, drag
// detection at a press. Inside a loop the platform hands the loop the event
// being handled again, and the user's next action arrives nested inside the
// outer call.
// Two more: a host whose user leaves it for another program with keys or
// buttons held, lets them go there, and comes back; and the lost-release
// host with a left-handed user, whose buttons are swapped.
// And a host whose handlers act inside the messages they get: an action may
// carry `nested`, an act (an export called, a timer firing in a loop the
// handler pumps, a key or button let go meanwhile, the focus moving) that
// runs inside the first message either window gets during it, sent by the
// module or passed on,
// written as `host W loop at next M`; the actions with acts come after the
// others, the others' copies in order for each act.
enum Variant : uint8_t {
    kPlainHost, kLostReleases, kCapturingHost, kModalHost, kAwayHost, kSwappedHost, kReentrantHost, kVariantCount
};
extern const char* const kVariantNames[kVariantCount];
extern Variant variant;  // set before start()
// At most this many of the nine inputs (the alphabet's six keys and three
// buttons) held at once, counting a press inside a modal loop; 0: no limit.
extern int maxHeld;
// Untimed: the module's time matters only in the order its timers fire and
// in the chord switch's 2 ms, so in place of waits the user lets any live
// timer fire now, or, while a chord switch is pending and less than 2 ms
// old, lets 1 ms pass; the key holds which timers are live, not when they
// are due. Every timed run is one of these; a path found may need a firing
// order no clock gives (realize()).
extern bool untimed;
// Untimed with bounded timers: the key holds, besides, bounds on how long
// until each live timer is due (Zone), exact for every path that reaches
// the state, and no action is taken that no clock allows. Every state is
// then one a clock gives, so a violation is judged on every way of reaching
// it; it costs states (the plain host with one held: 62,616 untimed,
// 3,553,788 bounded), so the explorer searches this way when the untimed
// search leaves a kind unsettled.
extern bool boundTimers;
// The platform's order for keys (sim::keysFirst): Wine 8's by default.
extern scenario::KeyOrder keyOrder;
// Reduced: fields the module will not read again left out of the key, and
// a window's belief in a button that an exception excuses forgotten once
// the button is up (the exception counted as reached then: see forgotten).
extern bool reduced;

// Untimed, what the clock may still do (model_zone.cpp): for each live
// timer, in the platform's order, bounds on how long until it is due, and on
// how much later it is due than each other, from every path so far.
struct Zone {
    static constexpr int kTimers = 3, kUnbounded = 127;
    uint8_t count = 0;
    bool impossible = false;  // no clock gives the path so far
    TimerId ids[kTimers] = {};
    uint32_t arms[kTimers] = {};
    int8_t bound[kTimers + 1][kTimers + 1] = {};  // [i][j]: due(i) - due(j) <= bound; 0: now
};
void startZone();
// An event happens, at least `least` ms after the last: before every live
// timer is due, as the platform runs timers only when nothing else waits.
void zoneAction(int least);
// Takes in the timers set or killed since the last event (followZone); a
// timer about to fire (fired false: the time is its due time, before every
// timer made before it that is due then too) or done (true).
void followZone();
void zoneFires(TimerId id, bool fired);
bool zoneMayFire(TimerId id);
// What apply() returns for an action no clock lets happen here: a timer
// must fire first, or this one cannot be the next to fire.
extern const char* const kNoClock;

// The live world beside the simulated platform and the module's record: the
// host, and what the checks keep of what the windows were told.
struct World {
    SimulatedHost host{SimulatedHost::NoWorld{}};
    Believed believed[2];  // main, second
    // Per window and exception, the believed keys that exception accounts for.
    Believed excused[2][kExceptionCount];
    Believed byInput[2];  // buttons a window got as input, not from the module
    // The host asked for the burst (doDelayedEnable) and has not cancelled it
    // (setOrvalindeIsEnabled) since: the burst's timer may live only then.
    bool burstWanted = false;
    // Per button, the presses the module sent that no release has answered
    // yet (up to 3), and whether the user let it go since the host was last
    // told: a release the module sends must answer one of those, or a press
    // the host got as input that a window still believes down.
    uint8_t sentPresses[3] = {};
    bool releaseDue[3] = {};
    Zone zone;
};
extern World world;

// A state of the search: all of it, to come back to.
struct Saved {
    std::shared_ptr<const sim::Snapshot> platform;
    TranslationState module;
    World world;
};

// The reentrant host (model_acts.cpp): its handlers set on main and second,
// the acts added to an alphabet, an action's act armed (and its line written
// to `flat` when set) and disarmed once the action is done, returning how
// many messages the module sent inside it; and an export called (before it
// runs, and once it returned), for burstWanted.
void startActs();
void addActs(std::vector<scenario::Step>* out);
void armAct(const scenario::Step& s, std::vector<scenario::Step>* flat);
uint32_t disarmAct();
void noteCall(const std::string& name, bool returned);
// The alphabet's keys, and the exports the user may call.
constexpr size_t kKeyCount = 6, kExportCount = 7;
extern const int kKeys[kKeyCount];
extern const char* const kExports[kExportCount];
// Whether main or second got a message in the last action, sent by the
// module or passed on: an act it carried was set off only then.
extern bool sentToHost;
// A press or release of a button reached a window (`down`, what it believes
// now); whether a release the module sent answers no press.
void countPress(int button, bool down, bool input);
bool answersNoPress(const sim::Message& m, bool blind);

// A fresh world: the host's windows, main focused, `load` and `doEnable`.
void start();
Saved save();
void restore(const Saved& saved);

// The modal host's loop body (model_apply.cpp): inside the first loop an
// action opens, the user takes the nested action it carries, one of
// kNestedActions (motion to a new point over the same window or the other,
// a held button let go, Alt pressed or let go, the settling key tapped);
// then the loop returns.
constexpr int kNestedActions = 5;
void runModalLoop();

// The user's possible next actions. With the modal host, a button action
// may carry `nested`: the index of the action the user takes inside the
// first loop it opens (see nestedAction); a loop with none closes at once. Motion goes to a new point (one no
// anchor and not the pointer) or the same point, over either window, also
// with a button held: a host that does not capture the mouse, or whose
// capture ended early, sees the release over another window.
std::vector<scenario::Step> alphabet();

// Performs one action and checks every invariant (model_apply.cpp: the
// world observed before it, the action performed, what it caused checked);
// returns "" or the kind of the violation found.
std::string apply(const scenario::Step& step);
// The steps as a scenario has them: with a modal host, each action followed
// by what ran inside the loops it opened and their `end loop` lines.
std::vector<scenario::Step> written(const std::vector<scenario::Step>& steps);
// While `out` is set, apply() appends to it each step as a scenario writes it.
void collectWritten(std::vector<scenario::Step>* out);

// Untimed, the steps that let a timer fire ("wait" with the timer's name:
// dragger, mask or burst) or 1 ms pass; performs one (false: not such a step).
void timeSteps(std::vector<scenario::Step>* out);
bool performTimeStep(const scenario::Step& step);
// What apply() found forgotten under `reduced`: each believed button and
// the exception that accounted for it, as believedDown would name them.
struct Forgotten {
    std::string kind;
    int exception;
};
extern std::vector<Forgotten> forgotten;

// An untimed path as real waits: the time of each event from the timers'
// due times, the order and the chord switch's age, checked by running the
// waits on the timed platform, where the path must send the same messages
// and end in `kind` ("" when it ends in no violation).
enum class Realized { Replays, FalseAlarm, Unconfirmed };
Realized realize(const std::vector<scenario::Step>& path, const std::string& kind, std::vector<scenario::Step>* timed,
                 std::string* why);

// The keys and buttons held, as the actions that release them.
std::vector<scenario::Step> releases();
// After the releases: one ordinary keystroke, one motion; translation as it was.
std::vector<scenario::Step> settleTail();
// Performs `releases` in the order given, then settleTail(), appending each
// action to `done`. Returns the first violation, or else the first key a
// window still believes down, or ""; `exception` as for believedDown.
std::string settle(const std::vector<scenario::Step>& releases, std::vector<scenario::Step>* done, int* exception);
// The first window and key it believes down, as a violation kind, or "";
// `exception` is the exception that accounts for it, or -1. Keys that no
// exception accounts for come first.
std::string believedDown(int* exception);

// Shared by the model's parts: the module's flags, read as bytes; a host
// window's index (main 0, second 1, else -1).
constexpr size_t kFlagCount = 13;
extern bool TranslationState::*const kFlags[kFlagCount];
uint8_t flagByte(bool TranslationState::*flag);
// A button's gesture, read as a byte as a flag is.
template <typename Gesture>
uint8_t gestureByte(Gesture TranslationState::*field) {
    static_assert(sizeof(Gesture) == 1, "a gesture is one byte");
    uint8_t byte;
    std::memcpy(&byte, &(state.*field), 1);
    return byte;
}
int windowIndex(WindowHandle window);
bool samePoint(Point a, Point b);
// Steps of the alphabet, and a point that is neither the pointer nor an anchor.
scenario::Step step(scenario::Kind kind);
scenario::Step keyStep(scenario::Kind kind, int key);
scenario::Step buttonStep(scenario::Kind kind, int button);
scenario::Step moveStep(scenario::Window window, Point at);
Point newPoint();

// The checks every state passes whatever led to it, with at most
// `mostSends` messages from one event; "" or the first that fails.
std::string invariants(uint32_t mostSends);
// Under `reduced`, after each action (see Forgotten).
void forgetExcusedReleases();
// "main believes Ctrl is down when nothing is held": a violation's kind.
std::string beliefKind(int window, int key);
// While `out` is set, apply() appends to it every message a window receives.
void collectMessages(std::vector<sim::Message>* out);
extern const int kButtonKeys[3];

// The module's record, field by field in order, with how the key takes each
// (`initializers`: what the field takes of a braced list: an array, one each).
struct StateField {
    const char* name;
    int initializers;
    const char* inKey;
};
extern const StateField kStateFields[];
extern const size_t kStateFieldCount;

// Equal for states that behave alike from here on: the module's record with
// its anchors as "at the pointer" and its timers as what they are, the
// platform's keys, focus, live timers and cursor count, the beliefs.
std::string key();
// The same bytes, written where no allocation is made: the search builds a
// key for every transition. Room for every key set, in each of the eight
// sets the key packs, and the rest many times over.
struct KeyBytes {
    size_t size = 0;
    char data[4096];
};
void key(KeyBytes* out);

// S and F play the same part for the module and the host: every check and
// every action treats them alike, and nothing compares their codes but for
// equality, so a state and its mirror (every S an F and every F an S) have
// mirrored futures. `symmetric`: key() gives the smaller of the two keys, so
// the search keeps one state of each such pair (`--check-mirror` checks
// that the mirrored path reaches the mirrored key).
extern bool symmetric;
int mirrorKey(int key);
scenario::Step mirrorStep(scenario::Step s);
// The key of the state as it is, or of its mirror, whatever `symmetric`.
void orientedKey(KeyBytes* out, bool mirrored);

// The default settle keystroke, outside the alphabet.
constexpr int kSettleKey = 'Q';

// The scenario text of `steps` from a fresh start, with what the host received.
std::string scenarioText(const std::vector<scenario::Step>& steps, const std::string& header);

}  // namespace model
