// The reentrant host's acts (model.h): what its handlers do inside the
// module's sends, and how a path with them is flatSteps as a scenario.
#include <algorithm>

#include "model.h"

namespace model {

namespace {

// The reentrant host's acts, by index: each export called (kExports), a
// timer firing (untimed, each feature's by name; timed, 50 ms passing), a
// key or button of the alphabet let go, the focus moving to the other window.
constexpr int kActCalls = 0, kActTimers = 7, kActKeys = 10, kActButtons = 16, kActFocus = 19, kActCount = 20;
const char* const kTimerNames[] = {"dragger", "mask", "burst"};
int armed = -1;         // the act the action at hand carries, until set off
uint32_t actSends = 0;  // the messages the module sent inside it
size_t armedAt = 0;     // where `flatSteps` holds its line, completed when set off
std::vector<scenario::Step>* flatSteps = nullptr;

// Whether the act can do anything in this state: the armed one may still
// find nothing to do when its message comes.
bool actApplies(int act) {
    if (act >= kActTimers && act < kActKeys) {
        std::vector<scenario::Step> live;
        timeSteps(&live);
        if (!untimed) return act == kActTimers && !sim::timers().empty();
        for (const scenario::Step& t : live)
            if (t.name == kTimerNames[act - kActTimers]) return true;
        return false;
    }
    if (act >= kActKeys && act < kActButtons) return sim::keyState(kKeys[act - kActKeys]);
    if (act >= kActButtons && act < kActFocus) return sim::buttonHeld(static_cast<sim::Button>(act - kActButtons));
    return true;
}

scenario::Step actStep(int act) {
    if (!actApplies(act)) return step(scenario::Kind::EndLoop);
    if (act < kActTimers) {
        scenario::Step s = step(scenario::Kind::Call);
        s.name = kExports[act - kActCalls];
        return s;
    }
    if (act < kActKeys) {
        scenario::Step s = step(scenario::Kind::Wait);
        if (untimed) s.name = kTimerNames[act - kActTimers];
        else s.milliseconds = 50;
        return s;
    }
    if (act < kActButtons) return [&] { scenario::Step s = step(scenario::Kind::KeyUp); s.key = kKeys[act - kActKeys]; return s; }();
    if (act < kActFocus) return [&] { scenario::Step s = step(scenario::Kind::ButtonUp); s.button = static_cast<scenario::Button>(act - kActButtons); return s; }();
    scenario::Step focus = step(scenario::Kind::Focus);
    focus.window = sim::focus() == world.host.main ? scenario::Second : scenario::Main;
    return focus;
}

// A window of the reentrant host gets a message, sent by the module or
// passed on: the act runs inside a loop there, as a scenario's `host W loop
// at next M` does.
void reentrantProcedure(const sim::Message& m) {
    if (armed < 0) return;
    const int act = armed;
    armed = -1;
    if (flatSteps != nullptr) {
        (*flatSteps)[armedAt].window = world.host.windowOf(m.window);
        (*flatSteps)[armedAt].expected.message = m.message;
    }
    sim::handTheEventAgain();
    const sim::LoopEntry entry = sim::enterModalLoop();
    const size_t before = sim::messages().size();
    const scenario::Step inside = actStep(act);
    if (inside.kind != scenario::Kind::EndLoop) {
        if (flatSteps != nullptr) flatSteps->push_back(inside);
        const bool call = inside.kind == scenario::Kind::Call;
        if (act < kActTimers || act >= kActKeys) zoneAction(0);
        if (inside.kind == scenario::Kind::ButtonUp) world.releaseDue[inside.button] = true;
        if (call) noteCall(inside.name, false);
        std::string error;
        if (!performTimeStep(inside)) scenario::perform(scenario::Scenario(), inside, world.host, &error);
        if (call) noteCall(inside.name, true);
    }
    if (flatSteps != nullptr) flatSteps->push_back(step(scenario::Kind::EndLoop));
    // The act's own messages are not the outer call's.
    for (size_t i = before; i < sim::messages().size(); ++i) actSends += !sim::messages()[i].input;
    sim::leaveModalLoop(entry);
}

}  // namespace

// The burst is the host's once doDelayedEnable returns (a cancel from inside
// its own sends came before it armed anything), and no longer once it calls
// setOrvalindeIsEnabled.
void noteCall(const std::string& name, bool returned) {
    if (name == "doDelayedEnable" && returned) world.burstWanted = true;
    if (name == "setOrvalindeIsEnabled") world.burstWanted = false;
}

void startActs() {
    for (WindowHandle w : {world.host.main, world.host.second}) sim::setWindowProcedure(w, reentrantProcedure);
}

// The step presses what the act lets go: the user may let it go before the
// host had the press, inside the first message the press makes us send.
bool pressesWhatItReleases(const scenario::Step& s, int act) {
    if (act >= kActKeys && act < kActButtons) return s.kind == scenario::Kind::KeyDown && s.key == kKeys[act - kActKeys];
    const bool press = s.kind == scenario::Kind::ButtonDown || s.kind == scenario::Kind::ButtonDouble;
    return act >= kActButtons && act < kActFocus && press && static_cast<int>(s.button) == act - kActButtons;
}

void addActs(std::vector<scenario::Step>* out) {
    const size_t plain = out->size();
    for (int act = 0; act < kActCount; ++act) {
        const bool applies = actApplies(act);
        for (size_t i = 0; i < plain; ++i) {
            if (!applies && !pressesWhatItReleases((*out)[i], act)) continue;
            out->push_back((*out)[i]);
            out->back().nested = act;
        }
    }
}

scenario::Step mirrorStep(scenario::Step s) {
    s.key = mirrorKey(s.key);
    if (variant == kReentrantHost && s.nested >= kActKeys && s.nested < kActButtons)
        s.nested = kActKeys + static_cast<int>(std::find(kKeys, kKeys + kKeyCount, mirrorKey(kKeys[s.nested - kActKeys])) - kKeys);
    return s;
}

void armAct(const scenario::Step& s, std::vector<scenario::Step>* flat) {
    armed = s.nested;
    actSends = 0;
    flatSteps = flat;
    if (flat == nullptr) return;
    scenario::Step arm = step(scenario::Kind::Host);
    arm.once = true;
    arm.window = scenario::NoWindow;  // the window and message that set it off, once known
    armedAt = flat->size();
    flat->push_back(arm);
    flat->push_back(s);
    flat->back().nested = -1;
}

uint32_t disarmAct() {
    armed = -1;
    flatSteps = nullptr;
    const uint32_t sends = actSends;
    actSends = 0;
    return sends;
}

}  // namespace model
