#include "model.h"

#include <algorithm>
#include <cstring>

#include "module/exports.h"

namespace model {

World world;
bool sentToHost = false;

const int kKeys[kKeyCount] = {VK_CONTROL, VK_MENU, VK_SHIFT, VK_TAB, 'S', 'F'};
const char* const kExports[kExportCount] = {"load",           "doEnable",         "doDisable",           "startDraggerMode",
                                "customMaskKeyPressed", "doDelayedEnable", "setOrvalindeIsEnabled"};

const int kButtonKeys[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};

bool TranslationState::*const kFlags[kFlagCount] = {
    &TranslationState::enabled,          &TranslationState::hooksInstalled,      &TranslationState::maskActive,
    &TranslationState::enableRequested,  &TranslationState::maskPressPassed,     &TranslationState::mainCtrlDown,
    &TranslationState::mainAltDown,
    &TranslationState::ctrlWithheld,     &TranslationState::altInjected,         &TranslationState::altHeld,
    &TranslationState::ctrlHeld,         &TranslationState::sendingLeftUp,       &TranslationState::modulePinned,
};

// Read as a byte: a bool holding anything but 0 or 1 must be seen as such.
uint8_t flagByte(bool TranslationState::*flag) {
    uint8_t byte;
    std::memcpy(&byte, &(state.*flag), 1);
    return byte;
}

int windowIndex(WindowHandle window) {
    if (window == world.host.main) return 0;
    if (window == world.host.second) return 1;
    return -1;
}

bool samePoint(Point a, Point b) { return a.x == b.x && a.y == b.y; }

std::vector<Forgotten> forgotten;

namespace {

// A release of this key (or button message) waits in the thread's queue.
bool releaseQueued(uint32_t message, int key) {
    for (const sim::QueuedEvent& q : sim::queuedReleases())
        if (q.message == message && q.key == key) return true;
    return false;
}

// Of the nine inputs (the keys above and the buttons), how many are held.
int heldInputs() {
    int held = 0;
    for (int key : kKeys) held += sim::keyState(key);
    for (int b = 0; b < 3; ++b) held += sim::buttonHeld(static_cast<sim::Button>(b));
    return held;
}

// How many inputs an action holds that were not held, with what the user
// presses inside a loop it opens: an auto-repeat or a release holds none.
int presses(const scenario::Step& s) {
    int count = 0;
    if (s.kind == scenario::Kind::KeyDown) count += !sim::keyState(s.key);
    if (s.kind == scenario::Kind::ButtonDown || s.kind == scenario::Kind::ButtonDouble)
        count += !sim::buttonHeld(static_cast<sim::Button>(s.button));
    if (s.nested == 3) count += !sim::keyState(VK_MENU);  // see nestedAction
    if (s.nested == 4) count += 1;
    return count;
}

}  // namespace

void start() {
    world.host = SimulatedHost();
    sim::checkHookResults(true);
    sim::holdTimers(untimed);
    if (variant == kCapturingHost) world.host.hostCaptures();
    if (variant == kSwappedHost) world.host.swapButtons(true);
    if (keyOrder != scenario::HookFirst) world.host.keyOrder(keyOrder);
    if (variant == kModalHost) {
        for (scenario::Window w : {scenario::Main, scenario::Second})
            for (uint32_t m : {WM_RBUTTONUP, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) world.host.loopAt(w, m, false);
        world.host.loopBody = runModalLoop;
    }
    if (variant == kReentrantHost) startActs();
    world.burstWanted = false;
    world.host.call("load");
    world.host.call("doEnable");
    sim::watchTimerFires(untimed && boundTimers ? zoneFires : nullptr);
    startZone();
    sim::clearMessages();
    std::fill(world.sentPresses, world.sentPresses + 3, 0);
    std::fill(world.releaseDue, world.releaseDue + 3, false);
    for (int w = 0; w < 2; ++w) {
        world.believed[w].reset();
        world.byInput[w].reset();
        for (Believed& e : world.excused[w]) e.reset();
    }
}

Saved save() { return {sim::save(), state, world}; }

void restore(const Saved& saved) {
    sim::restore(*saved.platform);
    state = saved.module;
    world = saved.world;
}

namespace {

// Presses (or auto-repeats) and releases of the keys; away, the user only
// lets go of what is held. Where the thread lags, a release may still wait
// in its queue.
void keyActions(std::vector<scenario::Step>* out, bool away, bool lags) {
    for (int key : kKeys) {
        const bool queued = releaseQueued(0x0101, key);
        if (!away && !queued) out->push_back(keyStep(scenario::Kind::KeyDown, key));
        if (!sim::keyState(key)) continue;
        out->push_back(keyStep(scenario::Kind::KeyUp, key));
        if (!lags) continue;
        out->push_back(keyStep(scenario::Kind::KeyUp, key));
        out->back().release = scenario::Queued;
    }
}

// Presses, double-clicks and releases of the buttons (away: over the other
// program or over the host, where the pointer may be); the modal host's
// windows may run a loop at each, with an action nested inside.
void buttonActions(std::vector<scenario::Step>* out, bool away, bool lags) {
    for (int b = 0; b < 3; ++b) {
        const size_t first = out->size();
        if (sim::buttonHeld(static_cast<sim::Button>(b))) {
            out->push_back(buttonStep(scenario::Kind::ButtonUp, b));
            if (lags || away)
                for (scenario::Release how : {scenario::Outside, scenario::Queued, scenario::NonClient}) {
                    if (away && how != scenario::Outside) continue;
                    out->push_back(buttonStep(scenario::Kind::ButtonUp, b));
                    out->back().release = how;
                }
        } else if (!away && !releaseQueued(0x0202 + 3 * b, 0)) {
            out->push_back(buttonStep(scenario::Kind::ButtonDown, b));
            out->push_back(buttonStep(scenario::Kind::ButtonDouble, b));
        }
        if (variant != kModalHost) continue;
        const size_t last = out->size();
        for (int nested = 0; nested < kNestedActions; ++nested)
            for (size_t i = first; i < last; ++i) {
                out->push_back((*out)[i]);
                out->back().nested = nested;
            }
    }
}

// The focus to the window that does not have it; on the away host, also
// away to another program (or back), or to an elevated window, where the
// host's thread reads no key or button down until it comes back.
void focusActions(std::vector<scenario::Step>* out, bool away) {
    scenario::Step focus = step(scenario::Kind::Focus);
    focus.window = sim::focus() == world.host.main ? scenario::Second : scenario::Main;
    out->push_back(focus);
    if (variant != kAwayHost) return;
    focus.window = away ? (focus.window == scenario::Main ? scenario::Second : scenario::Main) : scenario::NoWindow;
    out->push_back(focus);
    if (!away) {
        focus.elevated = true;
        out->push_back(focus);
    }
}

}  // namespace

std::vector<scenario::Step> alphabet() {
    std::vector<scenario::Step> out;
    out.reserve(64);  // built for every state the search expands
    const bool away = sim::focusIsAway();
    // The lost-release host's thread may lag: a release (one at a time)
    // still waits in its queue when the next event, tick or call comes.
    // Nothing is pressed again before its release is taken.
    const bool lags = (variant == kLostReleases || variant == kSwappedHost) && sim::queuedReleases().empty();
    keyActions(&out, away, lags);
    buttonActions(&out, away, lags);
    out.push_back(moveStep(world.host.pointerWindow, world.host.pointer));
    for (scenario::Window w : {scenario::Main, scenario::Second}) out.push_back(moveStep(w, newPoint()));
    if (untimed)
        timeSteps(&out);
    else
        for (uint32_t ms : {1u, 2u, 50u}) {
            scenario::Step s = step(scenario::Kind::Wait);
            s.milliseconds = ms;
            out.push_back(s);
        }
    focusActions(&out, away);
    out.push_back(step(scenario::Kind::Peek));
    for (const char* name : kExports) {
        scenario::Step s = step(scenario::Kind::Call);
        s.name = name;
        out.push_back(s);
    }
    if (maxHeld > 0) {
        const int room = maxHeld - heldInputs();
        out.erase(std::remove_if(out.begin(), out.end(), [room](const scenario::Step& s) { return presses(s) > room; }),
                  out.end());
    }
    if (variant == kReentrantHost) addActs(&out);
    return out;
}

}  // namespace model
