// One step of the search (model.h): the world observed before it, the step
// performed, and what it caused checked.
#include "model.h"

#include "module/exports.h"

namespace model {

namespace {

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

std::vector<sim::Message>* collected = nullptr;
// Inside a modal loop: the nested action an action carries, then the loop
// returns. `flat` collects the steps as a scenario writes them.
int pendingNested = -1;
std::vector<scenario::Step>* flat = nullptr;

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

bool isKeyEvent(const scenario::Step& s) {
    return s.kind == scenario::Kind::KeyDown || s.kind == scenario::Kind::KeyUp || s.kind == scenario::Kind::KeyTap;
}

bool isPress(const scenario::Step& s) {
    return s.kind == scenario::Kind::ButtonDown || s.kind == scenario::Kind::ButtonDouble;
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

// The world as a step found it: what its checks compare with.
struct Before {
    WindowHandle main, owedCtrlUp, focus;
    // Where Ctrl is taken back: told of it before the step, or inside it
    // (a Ctrl passed on in a loop the host ran in one of our sends).
    WindowHandle ctrlDown;
    // The keys the module remembers held, which it settles once they are
    // found let go unseen: Ctrl, Alt, the mask key, dragger mode's key.
    bool keys[4];
    int maskKey, draggerKey;
    bool away, blind;
    // Each button's gesture: whether held, and where it sends.
    bool held[3];
    WindowHandle gestureWindows[3];
    bool middleDrag;
    // The windows the drags sent Ctrl to, whose key-ups they owe.
    WindowHandle ctrlWindows[2];
    // A button whose release waits behind this step's event was still held
    // when that event happened; so was one let go inside a loop that this
    // step's motion opened.
    Believed queuedButtons;
    bool heldAtMotion;
};

void rememberedKeys(bool keys[4]) {
    keys[0] = state.ctrlHeld;
    keys[1] = state.altHeld;
    keys[2] = state.maskActive || state.maskPressPassed;
    keys[3] = state.draggerKey != 0;
}

Before observe(const scenario::Step& s) {
    Before b;
    b.main = state.mainWindow;
    b.owedCtrlUp = state.pendingCtrlUpWindow;
    b.focus = sim::focus();
    b.ctrlDown = state.ctrlDownWindow;
    rememberedKeys(b.keys);
    b.maskKey = state.maskKey;
    b.draggerKey = state.draggerKey;
    b.away = sim::focusIsAway();
    b.blind = sim::elevatedIsInFront();
    for (int button = 0; button < 3; ++button) {
        b.held[button] = state.gestureButtons[button].held;
        b.gestureWindows[button] = b.held[button] ? state.gestureButtons[button].window : nullptr;
    }
    b.middleDrag = state.middleGesture == MiddleGesture::AltDrag;
    b.ctrlWindows[0] = state.altRightCtrlWindow;
    b.ctrlWindows[1] = state.chordCtrlWindow;
    for (const sim::QueuedEvent& q : sim::queuedReleases())
        if (q.key == 0) b.queuedButtons.set(kButtonKeys[(q.message - WM_LBUTTONUP) / 3]);
    b.heldAtMotion = s.kind == scenario::Kind::Move && anyButtonHeld();
    return b;
}

// Performs the step, with the act it carries on the reentrant host or the
// action inside the loop it opens on the modal one; returns how many
// messages the module sent inside the act.
uint32_t perform(const scenario::Step& s, bool act) {
    // A release the hooks will not see (it goes to another program, or is
    // still queued) leaves the windows that got the press as input
    // believing it down: that is the platform's routing.
    if (s.kind == scenario::Kind::ButtonUp && s.release != scenario::Seen) {
        const int button = kButtonKeys[s.button];
        for (int w = 0; w < 2; ++w)
            if (world.believed[w].test(button) && world.byInput[w].test(button))
                world.excused[w][kReleasedElsewhere].set(button);
    }
    if (s.kind == scenario::Kind::ButtonUp) world.releaseDue[s.button] = true;
    sim::resetMostSendsPerEntry();
    const bool call = s.kind == scenario::Kind::Call;
    if (act)
        armAct(s, flat);
    else if (flat != nullptr)
        flat->push_back(s);
    if (call) noteCall(s.name, false);
    if (!act) pendingNested = s.nested;
    std::string error;
    if (!performTimeStep(s)) scenario::perform(scenario::Scenario(), s, world.host, &error);
    if (call) noteCall(s.name, true);
    pendingNested = -1;
    return disarmAct();
}

// Every message the step caused, believed; each one the module sent checked
// for where it went and, from an export, for being a press. Returns the
// violation, if any, and counts the module's messages in `sent`.
std::string checkMessages(const scenario::Step& s, Before* b, bool act, uint32_t* sent) {
    const bool call = s.kind == scenario::Kind::Call;
    // Where the module may send: the windows of the mouse events it saw, and
    // of the gestures a lost release ends.
    auto routed = [b](WindowHandle w) {
        for (WindowHandle e : sim::mouseEventWindows())
            if (e == w) return true;
        return w == b->gestureWindows[0] || w == b->gestureWindows[1] || w == b->gestureWindows[2] ||
               w == b->ctrlWindows[0] || w == b->ctrlWindows[1] || w == state.altRightCtrlWindow ||
               w == state.chordCtrlWindow;
    };
    std::string violation;
    sentToHost = false;
    for (const sim::Message& m : sim::messages()) {
        if (!m.input && answersNoPress(m, b->blind)) violation = "the module sent a release that answers no press";
        believe(m);
        sentToHost |= windowIndex(m.window) >= 0;
        if (m.input) continue;
        // An export owes the host no button press: it ends what the module
        // began (a budget of sends would let a whole click through), but for
        // the middle press that ends an Alt + middle drag. (Settling a key
        // let go elsewhere, it may send Ctrl and Alt key-downs, as the
        // key's release would have.)
        if (call && !act && isButtonPress(m.message)) {
            if (m.message == WM_MBUTTONDOWN && b->middleDrag && state.middleGesture != MiddleGesture::AltDrag)
                b->middleDrag = false;
            else
                violation = "an export sent a button press";
        }
        ++*sent;
        const WindowHandle w = m.window;
        if (w != state.mainWindow && w != b->main && w != b->owedCtrlUp && w != b->ctrlDown &&
            w != state.ctrlDownWindow && (!routed(w) || w == nullptr))
            violation = "a message was sent to a window that is neither main, the event's nor owed it";
    }
    sim::clearMessages();
    return violation;
}

// What the windows cannot be told after the step: a window the pointer is
// not over, and which does not hold the mouse, gets no release of the
// buttons held now, nor of the drags they drive; the window losing the
// focus forgets the keys it saw.
void excuseWhatCannotBeTold(const scenario::Step& s, const Before& b) {
    if (isPress(s)) world.releaseDue[s.button] = false;
    for (int w = 0; w < 2 && (anyButtonHeld() || b.queuedButtons.any() || b.heldAtMotion); ++w) {
        const WindowHandle handle = world.host.handle(static_cast<scenario::Window>(w));
        if (w == world.host.pointerWindow || sim::capture() == handle) continue;
        for (int button : kButtonKeys)
            if (world.believed[w].test(button)) world.excused[w][kPointerLeftWhileHeld].set(button);
    }
    if (sim::focus() != b.focus && windowIndex(b.focus) >= 0) {
        const int w = windowIndex(b.focus);
        belief::loseFocus(world.believed[w]);
        for (Believed& e : world.excused[w]) belief::loseFocus(e);
    }
}

// The keys and gestures the step settled other than by an event of their
// own: a key settled must be up, and each settled key and each gesture whose
// release was lost and that the step ended may cost sends (an event ends
// those it finds released, and doDisable every one left). Returns the
// violation, if any, and the sends they allow in `extraSends`.
std::string checkSettled(const scenario::Step& s, const Before& b, uint32_t* extraSends) {
    bool keysAfter[4];
    rememberedKeys(keysAfter);
    const bool keyEvent = isKeyEvent(s) && !b.away;
    const bool ownKey[4] = {keyEvent && isCtrlFamily(s.key), keyEvent && isAltFamily(s.key),
                            keyEvent && s.key == b.maskKey, keyEvent && s.key == b.draggerKey};
    // Settled, a key must be up: one the user still holds, forgotten, changes
    // what the next press means (a Ctrl + click made a plain click). Dragger
    // mode alone ends with its key held, once the focus leaves main.
    const int heldKeys[4] = {VK_CONTROL, VK_MENU, b.maskKey, b.draggerKey};
    std::string violation;
    uint32_t settledKeys = 0;
    for (int i = 0; i < 4; ++i) {
        if (!b.keys[i] || keysAfter[i] || ownKey[i]) continue;
        ++settledKeys;
        if (sim::keyState(heldKeys[i]) && (i != 3 || (b.focus == state.mainWindow && sim::focus() == state.mainWindow)))
            violation = "the module forgot a key the user still holds";
    }
    *extraSends = kMostSendsPerSettledKey * settledKeys;
    for (int button = 0; button < 3; ++button) {
        const bool pressedAgain = isPress(s) && s.button == button;
        const bool seenRelease =
            s.kind == scenario::Kind::ButtonUp && s.release == scenario::Seen && s.button == button;
        const bool ended = pressedAgain || (!state.gestureButtons[button].held && !seenRelease);
        *extraSends += kMostSendsPerLostRelease * (b.held[button] && ended);
    }
    return violation;
}

}  // namespace

void runModalLoop() {
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

std::string apply(const scenario::Step& s) {
    if (s.kind != scenario::Kind::Wait || s.name.empty()) zoneAction(s.kind == scenario::Kind::Wait ? 1 : 0);
    if (world.zone.impossible) return kNoClock;
    Before before = observe(s);
    const bool act = variant == kReentrantHost && s.nested >= 0;
    const uint32_t actSends = perform(s, act);
    followZone();
    if (world.zone.impossible) {
        sim::clearMessages();
        return kNoClock;
    }
    uint32_t sent = 0;
    std::string violation = checkMessages(s, &before, act, &sent);
    excuseWhatCannotBeTold(s, before);
    uint32_t extraSends = 0;
    const std::string forgot = checkSettled(s, before, &extraSends);
    if (!forgot.empty()) violation = forgot;
    if (s.kind == scenario::Kind::Call && sent - actSends > kMostSends + extraSends)
        violation = "one export caused too many sends";
    if (!violation.empty()) return violation;
    if (reduced) forgetExcusedReleases();
    return invariants(kMostSends + extraSends);
}

void collectWritten(std::vector<scenario::Step>* out) { flat = out; }
void collectMessages(std::vector<sim::Message>* out) { collected = out; }

}  // namespace model
