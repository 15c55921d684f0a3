// The state key: what makes two states of the search behave alike from
// here on (model.h).
#include <algorithm>
#include <bitset>
#include <cstring>

#include "model.h"

namespace model {

// Every field of the module's record, and how the key takes it: a field
// left out is one no future reads differently (model.h). A test checks that
// the record has no field this list lacks.
const StateField kStateFields[] = {
    {"enabled", 1, "a flag"},
    {"enableRequested", 1, "a flag"},
    {"hooksInstalled", 1, "a flag"},
    {"modulePinned", 1, "a flag"},
    {"mainWindow", 1, "as it is"},
    {"mouseHook", 1, "out: the platform's handle, the same from doEnable on"},
    {"keyboardHook", 1, "out: the same"},
    {"draggerKey", 1, "as it is"},
    {"draggerTimer", 1, "as the live timer it names"},
    {"draggerDue", 1, "through the timer's due time; untimed, out: only the order of firings counts"},
    {"maskKey", 1, "as it is"},
    {"maskTimer", 1, "as the live timer it names"},
    {"maskActive", 1, "a flag"},
    {"maskPressPassed", 1, "a flag"},
    {"ctrlWithheld", 1, "a flag"},
    {"altInjected", 1, "a flag"},
    {"altHeld", 1, "a flag"},
    {"ctrlHeld", 1, "a flag"},
    {"pendingCtrlUpWindow", 1, "as it is"},
    {"altRightCtrlWindow", 1, "as it is"},
    {"chordCtrlWindow", 1, "as it is"},
    {"ctrlDownWindow", 1, "as it is"},
    {"mainCtrlDown", 1, "a flag"},
    {"mainAltDown", 1, "a flag"},
    {"leftGesture", 1, "as it is"},
    {"rightGesture", 1, "as it is"},
    {"middleGesture", 1, "as it is"},
    {"leftAnchor", 1, "whether it is the pointer where the next event goes"},
    {"middleAnchor", 1, "whether it is the pointer where the next event goes"},
    {"chordSwitchTick", 1, "as the pending switch's age, up to the 2 ms it waits"},
    {"sendingLeftUp", 1, "a flag"},
    {"gestureButtons", 3, "held, right press out, whether the last send point is the pointer, the window while held"},
    {"gestureChanges", 1, "out: compared only with itself within one handler's call"},
    {"replacing", 1, "out: live only inside a mouse hook call"},
    {"inputsAtHand", 1, "out: null between events"},
    {"burstTicks", 1, "as it is (reduced: while the burst's timer lives)"},
    {"burstTimer", 1, "as the live timer it names"},
};
const size_t kStateFieldCount = sizeof kStateFields / sizeof kStateFields[0];

bool symmetric = false;

int mirrorKey(int key) { return key == 'S' ? 'F' : key == 'F' ? 'S' : key; }

namespace {

// Set while the key being written is the mirror's; `touched` once it has
// met an S or an F, without which the mirror's key is the same.
bool mirroring = false;
bool touched = false;

int vk(int key) {
    touched |= key == 'S' || key == 'F';
    return mirroring ? mirrorKey(key) : key;
}

// The keys set, as their count and codes: few are ever down at once, so
// this is shorter than a bit each.
// The count goes first but is taken as the codes are written: counting
// the set bits apart costs more than the rest of this.
void packKeys(KeyBytes& k, std::bitset<256> keys) {
    touched |= keys['S'] || keys['F'];
    if (mirroring && keys['S'] != keys['F']) keys.flip('S').flip('F');
    const size_t at = k.size;
    k.size += 2;
    for (size_t key = keys._Find_first(); key < 256; key = keys._Find_next(key)) k.data[k.size++] = static_cast<char>(key);
    const size_t count = k.size - at - 2;
    k.data[at] = static_cast<char>(count & 0xFF);
    k.data[at + 1] = static_cast<char>(count >> 8);
}

// The pointer in the client coordinates of the window the next mouse
// event goes to (the one that holds the mouse, if any), where the module
// keeps its anchors and last send points.
Point pointerForEvents() {
    const Point origin = world.host.origin(world.host.pointerWindow);
    const Point screen = {origin.x + world.host.pointer.x, origin.y + world.host.pointer.y};
    const WindowHandle capture = sim::capture();
    const Point to = capture != nullptr ? world.host.origin(world.host.windowOf(capture)) : origin;
    return {screen.x - to.x, screen.y - to.y};
}

}  // namespace

namespace {

void put(KeyBytes& k, const void* data, size_t size) {
    std::memcpy(k.data + k.size, data, size);
    k.size += size;
}
void byte(KeyBytes& k, int value) { k.data[k.size++] = static_cast<char>(value); }

// The module's record: its flags and gestures, the windows it keeps, where
// its gestures' buttons were last sent, the dragger's and mask's keys, the
// burst and the anchors. Reduced: a button's press counts only while its
// gesture is held, the burst's count only while its timer lives, an anchor
// only while armed.
void moduleKey(KeyBytes& k, const std::vector<sim::TimerInfo>& timers) {
    for (bool TranslationState::*flag : kFlags) byte(k, flagByte(flag));
    byte(k, gestureByte(&TranslationState::leftGesture));
    byte(k, gestureByte(&TranslationState::rightGesture));
    byte(k, gestureByte(&TranslationState::middleGesture));
    put(k, &state.mainWindow, sizeof state.mainWindow);
    put(k, &state.pendingCtrlUpWindow, sizeof state.pendingCtrlUpWindow);
    put(k, &state.altRightCtrlWindow, sizeof state.altRightCtrlWindow);
    put(k, &state.chordCtrlWindow, sizeof state.chordCtrlWindow);
    put(k, &state.ctrlDownWindow, sizeof state.ctrlDownWindow);
    // A held gesture's last send point is where a lost release ends it (and
    // the Alt + middle anchor, once a chord's left release is lost).
    const bool all = !reduced;
    const Point pointer = pointerForEvents();
    for (const GestureButton& g : state.gestureButtons) {
        byte(k, g.held | (g.held && samePoint(g.at, pointer)) << 1 | (g.rightPressOut && (all || g.held)) << 2);
        if (g.held) put(k, &g.window, sizeof g.window);
    }
    const int32_t keys[2] = {vk(state.draggerKey), vk(state.maskKey)};
    put(k, keys, sizeof keys);
    const bool burstLive =
        std::any_of(timers.begin(), timers.end(), [](const sim::TimerInfo& t) { return t.id == state.burstTimer; });
    const uint32_t burstTicks = all || burstLive ? state.burstTicks : 0;
    put(k, &burstTicks, sizeof burstTicks);
    // Whether the host still wants the burst is read only while its timer lives.
    byte(k, (all || burstLive) && world.burstWanted);
    // Only whether an anchor is the pointer matters: every event happens there.
    byte(k, (all || state.leftGesture == LeftGesture::AltArmed) && samePoint(state.leftAnchor, pointer));
    byte(k, (all || state.middleGesture == MiddleGesture::AltArmed) && samePoint(state.middleAnchor, pointer));
    byte(k, world.host.pointerWindow);
    // The switch tick matters only while pending, and only up to 2 ms old.
    byte(k, state.leftGesture == LeftGesture::ChordPending ? std::min<uint32_t>(sim::now() - state.chordSwitchTick, 2) : 0);
}

// Which of the module's timers live, in the platform's order; timed, how
// long until each is due; untimed, which may be due first.
void timersKey(KeyBytes& k, const std::vector<sim::TimerInfo>& timers) {
    for (TimerId id : {state.draggerTimer, state.maskTimer, state.burstTimer}) {
        int live = 0;
        for (size_t i = 0; i < timers.size(); ++i)
            if (timers[i].id == id) live = static_cast<int>(i) + 1;
        byte(k, live);
    }
    for (const sim::TimerInfo& t : timers) {
        put(k, &t.procedure, sizeof t.procedure);
        if (untimed) continue;
        put(k, &t.interval, sizeof t.interval);
        put(k, &t.dueIn, sizeof t.dueIn);
    }
    if (untimed && boundTimers)
        for (int i = 0; i <= world.zone.count; ++i)
            for (int j = 0; j <= world.zone.count; ++j)
                if (i != j) byte(k, world.zone.bound[i][j]);
    byte(k, 0xFF);
}

// The platform and the host's windows: the key states, the focus, the
// cursor, what each window believes and is excused, the capture, the
// releases still queued, the elevated window, and the presses and releases
// sent and due.
void worldKey(KeyBytes& k) {
    const bool all = !reduced;
    const std::bitset<256> keys = sim::keyStates();
    packKeys(k, keys);
    // The thread's own key state, where it is behind the desktop's (the
    // buttons and codes below 8 are read from the desktop's alone).
    packKeys(k, (keys ^ sim::threadKeyStates()) & ~std::bitset<256>(0xFF));
    byte(k, sim::focusIsAway());
    byte(k, windowIndex(sim::focus()));
    byte(k, sim::cursorCount());
    for (int w = 0; w < 2; ++w) {
        packKeys(k, world.believed[w]);
        for (const Believed& e : world.excused[w]) packKeys(k, e);
    }
    // Where a release may go unseen, whether a believed button came as
    // input decides what that release excuses.
    if (variant == kLostReleases || variant == kSwappedHost || variant == kAwayHost)
        for (int w = 0; w < 2; ++w) {
            // Read only for a button the window believes down.
            const Believed b = all ? world.byInput[w] : world.byInput[w] & world.believed[w];
            byte(k, b.test(1) | b.test(2) << 1 | b.test(3) << 2 | b.test(4) << 3);
        }
    // The capturing host's window that holds the mouse gets its releases,
    // until the release of the button that took it.
    byte(k, windowIndex(sim::capture()) + 1);
    byte(k, sim::capture() != nullptr ? sim::captureButton() : 0);
    // Releases still queued, which the thread takes behind its next event.
    for (const sim::QueuedEvent& q : sim::queuedReleases()) {
        put(k, &q.message, sizeof q.message);
        byte(k, vk(q.key));
        byte(k, windowIndex(q.window) + 1);
        put(k, &q.screen, sizeof q.screen);
    }
    byte(k, sim::elevatedIsInFront());
    for (int b = 0; b < 3; ++b) byte(k, world.sentPresses[b] | world.releaseDue[b] << 2);
}

}  // namespace

void orientedKey(KeyBytes* k, bool mirrored) {
    mirroring = mirrored;
    k->size = 0;
    const std::vector<sim::TimerInfo>& timers = sim::timers();
    moduleKey(*k, timers);
    timersKey(*k, timers);
    worldKey(*k);
    mirroring = false;
}

void key(KeyBytes* k) {
    touched = false;
    orientedKey(k, false);
    if (!symmetric || !touched) return;
    static KeyBytes mirror;
    orientedKey(&mirror, true);
    if (mirror.size < k->size || (mirror.size == k->size && std::memcmp(mirror.data, k->data, k->size) < 0)) {
        k->size = mirror.size;
        std::memcpy(k->data, mirror.data, mirror.size);
    }
}

std::string key() {
    KeyBytes k;
    key(&k);
    return std::string(k.data, k.size);
}

}  // namespace model
