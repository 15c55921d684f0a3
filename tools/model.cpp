#include "model.h"

#include <algorithm>
#include <cstring>

#include "module/exports.h"

namespace model {

World world;
bool sentToHost = false;

namespace {

constexpr int kNestedActions = 5;  // see nestedAction

// The most messages one event may cause: a hook call or timer procedure with
// all it re-enters, or one export; an event that ends gestures whose releases
// were lost may also send their releases' messages, three at the most each
// (kMostSendsPerLostRelease). Four is the most the module writes, and
// the explorer reaches it at depth 9: a Ctrl repeat that settles an owed
// key-up, sends Alt for a masked left press, takes Ctrl back from the host
// and injects Alt for the held left button.
constexpr uint32_t kMostSends = 4;
constexpr uint32_t kMostSendsPerLostRelease = 3;
constexpr uint32_t kMostSendsPerSettledKey = 3;

}  // namespace

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

using belief::generic;
std::vector<sim::Message>* collected = nullptr;


void believe(const sim::Message& m) {
    if (collected != nullptr) collected->push_back(m);
    const int index = windowIndex(m.window);
    if (index < 0) return;
    const int key = belief::update(world.believed[index], m.message, m.wParam);
    if (key >= 1 && key <= 4) {
        world.byInput[index].set(key, m.input && world.believed[index].test(key));
        countPress(key == VK_MBUTTON ? 2 : key - 1, world.believed[index].test(key), m.input);
    }
    // A release settles whatever an exception said about that key.
    if (key != 0 && !world.believed[index].test(key))
        for (Believed& e : world.excused[index]) e.reset(key);
}

bool isButtonPress(uint32_t message) {
    return message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK && (message - WM_LBUTTONDOWN) % 3 != 1;
}

bool anyButtonHeld() {
    for (sim::Button b : {sim::Button::Left, sim::Button::Right, sim::Button::Middle})
        if (sim::buttonHeld(b)) return true;
    return false;
}


}  // namespace

namespace {

// Inside a modal loop: the nested action an action carries, then the loop
// returns. `flat` collects the steps as a scenario writes them.
int pendingNested = -1;
std::vector<scenario::Step>* flat = nullptr;

// Of the nine inputs (the keys above and the buttons), how many are held.
// A release of this key (or button message) waits in the thread's queue.
bool releaseQueued(uint32_t message, int key) {
    for (const sim::QueuedEvent& q : sim::queuedReleases())
        if (q.message == message && q.key == key) return true;
    return false;
}

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

scenario::Step nestedAction(int index) {
    switch (index) {
    case 0: return moveStep(world.host.pointerWindow, newPoint());
    case 1: return moveStep(world.host.pointerWindow == scenario::Main ? scenario::Second : scenario::Main, newPoint());
    case 2:
        for (int b = 0; b < 3; ++b)
            if (sim::buttonHeld(static_cast<sim::Button>(b))) return buttonStep(scenario::Kind::ButtonUp, b);
        return step(scenario::Kind::EndLoop);
    case 3: return keyStep(sim::keyState(VK_MENU) ? scenario::Kind::KeyUp : scenario::Kind::KeyDown, VK_MENU);
    default: return keyStep(scenario::Kind::KeyTap, kSettleKey);
    }
}

void runLoop() {
    const int nested = pendingNested;
    pendingNested = -1;
    if (nested >= 0) {
        const scenario::Step inside = nestedAction(nested);
        if (inside.kind != scenario::Kind::EndLoop) {
            if (flat != nullptr) flat->push_back(inside);
            if (inside.kind == scenario::Kind::ButtonUp) world.releaseDue[inside.button] = true;
            zoneAction(0);
            std::string error;
            scenario::perform(scenario::Scenario(), inside, world.host, &error);
        }
    }
    if (flat != nullptr) flat->push_back(step(scenario::Kind::EndLoop));
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
        world.host.loopBody = runLoop;
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

std::vector<scenario::Step> alphabet() {
    std::vector<scenario::Step> out;
    out.reserve(64);  // built for every state the search expands
    // Away, the user only lets go of what is held: keys there, buttons
    // over the other program or over the host (the pointer may be there).
    const bool away = sim::focusIsAway();
    // The lost-release host's thread may lag: a release (one at a time)
    // still waits in its queue when the next event, tick or call comes.
    // Nothing is pressed again before its release is taken.
    const bool lags = (variant == kLostReleases || variant == kSwappedHost) && sim::queuedReleases().empty();
    for (int key : kKeys) {
        const bool queued = releaseQueued(0x0101, key);
        if (!away && !queued) out.push_back(keyStep(scenario::Kind::KeyDown, key));  // a press, or an auto-repeat
        if (!sim::keyState(key)) continue;
        out.push_back(keyStep(scenario::Kind::KeyUp, key));
        if (!lags) continue;
        out.push_back(keyStep(scenario::Kind::KeyUp, key));
        out.back().release = scenario::Queued;
    }
    for (int b = 0; b < 3; ++b) {
        const size_t first = out.size();
        if (sim::buttonHeld(static_cast<sim::Button>(b))) {
            out.push_back(buttonStep(scenario::Kind::ButtonUp, b));
            if (lags || away)
                for (scenario::Release how : {scenario::Outside, scenario::Queued, scenario::NonClient}) {
                    if (away && how != scenario::Outside) continue;
                    out.push_back(buttonStep(scenario::Kind::ButtonUp, b));
                    out.back().release = how;
                }
        } else if (!away && !releaseQueued(0x0202 + 3 * b, 0)) {
            out.push_back(buttonStep(scenario::Kind::ButtonDown, b));
            out.push_back(buttonStep(scenario::Kind::ButtonDouble, b));
        }
        if (variant != kModalHost) continue;
        const size_t last = out.size();
        for (int nested = 0; nested < kNestedActions; ++nested)
            for (size_t i = first; i < last; ++i) {
                out.push_back(out[i]);
                out.back().nested = nested;
            }
    }
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
    scenario::Step focus = step(scenario::Kind::Focus);
    focus.window = sim::focus() == world.host.main ? scenario::Second : scenario::Main;
    out.push_back(focus);
    if (variant == kAwayHost) {
        // Away to another program, or back to the window that did not have it.
        focus.window = away ? (focus.window == scenario::Main ? scenario::Second : scenario::Main) : scenario::NoWindow;
        out.push_back(focus);
        // ... or to an elevated window, where the host's thread reads no key
        // or button down until it comes back.
        if (!away) {
            focus.elevated = true;
            out.push_back(focus);
        }
    }
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

std::string apply(const scenario::Step& s) {
    const bool call = s.kind == scenario::Kind::Call;
    if (s.kind != scenario::Kind::Wait || s.name.empty()) zoneAction(s.kind == scenario::Kind::Wait ? 1 : 0);
    if (world.zone.impossible) return kNoClock;

    const WindowHandle mainBefore = state.mainWindow;
    const WindowHandle owedBefore = state.pendingCtrlUpWindow;
    // Where Ctrl is taken back: told of it before the step, or inside it
    // (a Ctrl passed on in a loop the host ran in one of our sends).
    const WindowHandle ctrlDownBefore = state.ctrlDownWindow;
    const WindowHandle focusBefore = sim::focus();
    if (s.kind == scenario::Kind::ButtonUp && s.release != scenario::Seen) {
        const int button = kButtonKeys[s.button];
        for (int w = 0; w < 2; ++w)
            if (world.believed[w].test(button) && world.byInput[w].test(button)) world.excused[w][kReleasedElsewhere].set(button);
    }
    // The keys the module remembers held, which it settles once they are
    // found let go unseen.
    const bool keysBefore[4] = {state.ctrlHeld, state.altHeld, state.maskActive || state.maskPressPassed,
                                state.draggerKey != 0};
    const int maskKeyBefore = state.maskKey, draggerKeyBefore = state.draggerKey;
    const bool awayBefore = sim::focusIsAway();
    WindowHandle gestureWindows[3];
    bool heldBefore[3];
    for (int b = 0; b < 3; ++b) {
        heldBefore[b] = state.gestureButtons[b].held;
        gestureWindows[b] = heldBefore[b] ? state.gestureButtons[b].window : nullptr;
    }
    bool middleDragBefore = state.middleGesture == MiddleGesture::AltDrag;
    // A button whose release waits behind this step's event was still held
    // when that event happened.
    Believed queuedButtons;
    for (const sim::QueuedEvent& q : sim::queuedReleases())
        if (q.key == 0) queuedButtons.set(kButtonKeys[(q.message - WM_LBUTTONUP) / 3]);
    // So was a button let go inside a loop that this step's motion opened.
    const bool heldAtMotion = s.kind == scenario::Kind::Move && anyButtonHeld();
    sim::resetMostSendsPerEntry();
    if (s.kind == scenario::Kind::ButtonUp) world.releaseDue[s.button] = true;
    const bool blindBefore = sim::elevatedIsInFront();
    // ... and the windows its drags sent Ctrl to, whose key-ups they owe.
    const WindowHandle ctrlWindows[2] = {state.altRightCtrlWindow, state.chordCtrlWindow};
    std::string error;
    const bool act = variant == kReentrantHost && s.nested >= 0;
    if (act)
        armAct(s, flat);
    else if (flat != nullptr)
        flat->push_back(s);
    if (call) noteCall(s.name, false);
    if (!act) pendingNested = s.nested;
    if (!performTimeStep(s)) scenario::perform(scenario::Scenario(), s, world.host, &error);
    if (call) noteCall(s.name, true);
    pendingNested = -1;
    const uint32_t actSends = disarmAct();
    followZone();
    if (world.zone.impossible) {
        sim::clearMessages();
        return kNoClock;
    }
    // A new press of the button makes its last release moot.
    const bool pressStep = s.kind == scenario::Kind::ButtonDown || s.kind == scenario::Kind::ButtonDouble;
    // Where the module may send: the windows of the mouse events it saw, and
    // of the gestures a lost release ends.
    auto routed = [&gestureWindows, &ctrlWindows](WindowHandle w) {
        for (WindowHandle e : sim::mouseEventWindows())
            if (e == w) return true;
        return w == gestureWindows[0] || w == gestureWindows[1] || w == gestureWindows[2] || w == ctrlWindows[0] ||
               w == ctrlWindows[1] || w == state.altRightCtrlWindow || w == state.chordCtrlWindow;
    };

    std::string violation;
    uint32_t sent = 0;
    sentToHost = false;
    for (const sim::Message& m : sim::messages()) {
        if (!m.input && answersNoPress(m, blindBefore)) violation = "the module sent a release that answers no press";
        believe(m);
        sentToHost |= windowIndex(m.window) >= 0;
        if (m.input) continue;
        // An export owes the host no button press: it ends what the module
        // began (a budget of sends would let a whole click through), but for
        // the middle press that ends an Alt + middle drag. (Settling a key
        // let go elsewhere, it may send Ctrl and Alt key-downs, as the
        // key's release would have.)
        if (call && !act && isButtonPress(m.message)) {
            if (m.message == WM_MBUTTONDOWN && middleDragBefore && state.middleGesture != MiddleGesture::AltDrag)
                middleDragBefore = false;
            else
                violation = "an export sent a button press";
        }
        ++sent;
        const WindowHandle w = m.window;
        if (w != state.mainWindow && w != mainBefore && w != owedBefore && w != ctrlDownBefore && w != state.ctrlDownWindow && (!routed(w) || w == nullptr))
            violation = "a message was sent to a window that is neither main, the event's nor owed it";
    }
    sim::clearMessages();
    if (pressStep) world.releaseDue[s.button] = false;
    // A window the pointer is not over, and which does not hold the mouse,
    // gets no release of the buttons held now, nor of the drags they drive.
    for (int w = 0; w < 2 && (anyButtonHeld() || queuedButtons.any() || heldAtMotion); ++w) {
        const WindowHandle handle = world.host.handle(static_cast<scenario::Window>(w));
        if (w == world.host.pointerWindow || sim::capture() == handle) continue;
        for (int button : kButtonKeys)
            if (world.believed[w].test(button)) world.excused[w][kPointerLeftWhileHeld].set(button);
    }
    // The window losing the focus is told so, and forgets the keys it saw.
    if (sim::focus() != focusBefore && windowIndex(focusBefore) >= 0) {
        const int w = windowIndex(focusBefore);
        belief::loseFocus(world.believed[w]);
        for (Believed& e : world.excused[w]) belief::loseFocus(e);
    }
    // Those settled by this step, other than by an event of their own key.
    const bool keysAfter[4] = {state.ctrlHeld, state.altHeld, state.maskActive || state.maskPressPassed,
                               state.draggerKey != 0};
    const bool keyEvent = (s.kind == scenario::Kind::KeyDown || s.kind == scenario::Kind::KeyUp ||
                           s.kind == scenario::Kind::KeyTap) && !awayBefore;
    const bool ownKey[4] = {keyEvent && isCtrlFamily(s.key), keyEvent && isAltFamily(s.key),
                            keyEvent && s.key == maskKeyBefore, keyEvent && s.key == draggerKeyBefore};
    uint32_t settledKeys = 0;
    for (int i = 0; i < 4; ++i) settledKeys += keysBefore[i] && !keysAfter[i] && !ownKey[i];
    // Settled, a key must be up: one the user still holds, forgotten, changes
    // what the next press means (a Ctrl + click made a plain click). Dragger
    // mode alone ends with its key held, once the focus leaves main.
    const int heldKeys[4] = {VK_CONTROL, VK_MENU, maskKeyBefore, draggerKeyBefore};
    for (int i = 0; i < 4; ++i)
        if (keysBefore[i] && !keysAfter[i] && !ownKey[i] && sim::keyState(heldKeys[i]) &&
            (i != 3 || (focusBefore == state.mainWindow && sim::focus() == state.mainWindow)))
            violation = "the module forgot a key the user still holds";
    // Each key settled may cost sends, and so may each gesture whose release
    // was lost and that this step ended: an event ends those it finds
    // released, and doDisable every one left.
    uint32_t extraSends = kMostSendsPerSettledKey * settledKeys;
    for (int b = 0; b < 3; ++b) {
        const bool pressedAgain = (s.kind == scenario::Kind::ButtonDown || s.kind == scenario::Kind::ButtonDouble) && s.button == b;
        const bool seenRelease = s.kind == scenario::Kind::ButtonUp && s.release == scenario::Seen && s.button == b;
        extraSends += kMostSendsPerLostRelease * (heldBefore[b] && (pressedAgain || (!state.gestureButtons[b].held && !seenRelease)));
    }
    if (call && sent - actSends > kMostSends + extraSends) violation = "one export caused too many sends";
    if (!violation.empty()) return violation;
    if (reduced) forgetExcusedReleases();
    return invariants(kMostSends + extraSends);
}

void collectWritten(std::vector<scenario::Step>* out) { flat = out; }
void collectMessages(std::vector<sim::Message>* out) { collected = out; }

}  // namespace model
