// The state key: what makes two states of the search behave alike from
// here on (model.h).
#include <algorithm>
#include <bitset>

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

namespace {

// The keys set, as their count and codes: few are ever down at once, so
// this is shorter than a bit each.
// The count goes first but is taken as the codes are written: counting
// the set bits apart costs more than the rest of this.
void packKeys(std::string* out, const std::bitset<256>& keys) {
    const size_t at = out->size();
    out->append(2, '\0');
    for (size_t key = keys._Find_first(); key < 256; key = keys._Find_next(key)) out->push_back(static_cast<char>(key));
    const size_t count = out->size() - at - 2;
    (*out)[at] = static_cast<char>(count & 0xFF);
    (*out)[at + 1] = static_cast<char>(count >> 8);
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

std::string key() {
    std::string k;
    k.reserve(192);  // one allocation: keys are built for every transition
    auto put = [&k](const void* data, size_t size) { k.append(static_cast<const char*>(data), size); };
    auto byte = [&k](int value) { k.push_back(static_cast<char>(value)); };
    for (bool TranslationState::*flag : kFlags) byte(flagByte(flag));
    byte(gestureByte(&TranslationState::leftGesture));
    byte(gestureByte(&TranslationState::rightGesture));
    byte(gestureByte(&TranslationState::middleGesture));
    put(&state.mainWindow, sizeof state.mainWindow);
    put(&state.pendingCtrlUpWindow, sizeof state.pendingCtrlUpWindow);
    put(&state.altRightCtrlWindow, sizeof state.altRightCtrlWindow);
    put(&state.chordCtrlWindow, sizeof state.chordCtrlWindow);
    put(&state.ctrlDownWindow, sizeof state.ctrlDownWindow);
    // A held gesture's last send point is where a lost release ends it (and
    // the Alt + middle anchor, once a chord's left release is lost).
    // Reduced: a button's press counts only while its gesture is held, the
    // burst's count only while its timer lives, an anchor only while armed.
    const bool all = !reduced;
    const Point pointer = pointerForEvents();
    for (const GestureButton& g : state.gestureButtons) {
        byte(g.held | (g.held && samePoint(g.at, pointer)) << 1 | (g.rightPressOut && (all || g.held)) << 2);
        if (g.held) put(&g.window, sizeof g.window);
    }
    put(&state.draggerKey, sizeof state.draggerKey);
    put(&state.maskKey, sizeof state.maskKey);
    const std::vector<sim::TimerInfo> timers = sim::timers();
    const bool burstLive = std::any_of(timers.begin(), timers.end(), [](const sim::TimerInfo& t) { return t.id == state.burstTimer; });
    const uint32_t burstTicks = all || burstLive ? state.burstTicks : 0;
    put(&burstTicks, sizeof burstTicks);
    // Whether the host still wants the burst is read only while its timer lives.
    byte((all || burstLive) && world.burstWanted);
    // Only whether an anchor is the pointer matters: every event happens there.
    byte((all || state.leftGesture == LeftGesture::AltArmed) && samePoint(state.leftAnchor, pointer));
    byte((all || state.middleGesture == MiddleGesture::AltArmed) && samePoint(state.middleAnchor, pointer));
    byte(world.host.pointerWindow);
    // The switch tick matters only while pending, and only up to 2 ms old.
    byte(state.leftGesture == LeftGesture::ChordPending ? std::min<uint32_t>(sim::now() - state.chordSwitchTick, 2) : 0);
    for (TimerId id : {state.draggerTimer, state.maskTimer, state.burstTimer}) {
        int live = 0;
        for (size_t i = 0; i < timers.size(); ++i)
            if (timers[i].id == id) live = static_cast<int>(i) + 1;
        byte(live);
    }
    // Untimed, which timers are live is all that matters of them.
    for (const sim::TimerInfo& t : timers) {
        put(&t.procedure, sizeof t.procedure);
        if (untimed) continue;
        put(&t.interval, sizeof t.interval);
        put(&t.dueIn, sizeof t.dueIn);
    }
    // ... and how long until each is due, and which may be due first.
    if (untimed && boundTimers)
        for (int i = 0; i <= world.zone.count; ++i)
            for (int j = 0; j <= world.zone.count; ++j)
                if (i != j) byte(world.zone.bound[i][j]);
    byte(0xFF);
    const std::bitset<256> keys = sim::keyStates();
    packKeys(&k, keys);
    // The thread's own key state, where it is behind the desktop's (the
    // buttons and codes below 8 are read from the desktop's alone).
    packKeys(&k, (keys ^ sim::threadKeyStates()) & ~std::bitset<256>(0xFF));
    byte(sim::focusIsAway());
    byte(windowIndex(sim::focus()));
    byte(sim::cursorCount());
    for (int w = 0; w < 2; ++w) {
        packKeys(&k, world.believed[w]);
        for (const Believed& e : world.excused[w]) packKeys(&k, e);
    }
    // Where a release may go unseen, whether a believed button came as
    // input decides what that release excuses.
    if (variant == kLostReleases || variant == kSwappedHost || variant == kAwayHost)
        for (int w = 0; w < 2; ++w) {
            // Read only for a button the window believes down.
            const Believed b = all ? world.byInput[w] : world.byInput[w] & world.believed[w];
            byte(b.test(1) | b.test(2) << 1 | b.test(3) << 2 | b.test(4) << 3);
        }
    // The capturing host's window that holds the mouse gets its releases,
    // until the release of the button that took it.
    byte(windowIndex(sim::capture()) + 1);
    byte(sim::capture() != nullptr ? sim::captureButton() : 0);
    // Releases still queued, which the thread takes behind its next event.
    for (const sim::QueuedEvent& q : sim::queuedReleases()) {
        put(&q.message, sizeof q.message);
        byte(q.key);
        byte(windowIndex(q.window) + 1);
        put(&q.screen, sizeof q.screen);
    }
    byte(sim::elevatedIsInFront());
    for (int b = 0; b < 3; ++b) byte(world.sentPresses[b] | world.releaseDue[b] << 2);
    return k;
}

}  // namespace model
