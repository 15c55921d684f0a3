// The checks the search makes of every state: the module's invariants, and
// what the host's windows still believe down (model.h).
#include "model.h"

#include "module/exports.h"

#include <algorithm>

namespace model {

void countPress(int button, bool down, bool input) {
    if (!down) world.releaseDue[button] = false;
    // Drags that overlap each send the right button down, and each answers
    // its own press with a release of its own.
    uint8_t& count = world.sentPresses[button];
    if (!input) count = static_cast<uint8_t>(down ? std::min(count + 1, 3) : std::max(count - 1, 0));
}

// A release must answer a press the host got (without a capture it goes
// where the pointer is, whichever window got the press), or stand in for
// the user's release, which the host has not had: one in place of the
// event, one ending a gesture whose release was lost, or one while the key
// state reads nothing, where a held button cannot be told from one let go.
// Any other answers nothing: a right one pops up a context menu, a left one
// clicks.
bool answersNoPress(const sim::Message& m, bool blind) {
    const bool release = m.message == WM_LBUTTONUP || m.message == WM_RBUTTONUP || m.message == WM_MBUTTONUP;
    if (!release || windowIndex(m.window) < 0 || blind) return false;
    const int b = static_cast<int>(m.message - WM_LBUTTONUP) / 3;
    return world.sentPresses[b] == 0 && !world.believed[0].test(kButtonKeys[b]) && !world.believed[1].test(kButtonKeys[b]) &&
           !world.releaseDue[b];
}

std::string invariants(uint32_t mostSends) {
    for (bool TranslationState::*flag : kFlags)
        if (flagByte(flag) > 1) return "a flag holds neither 0 nor 1";
    if (gestureByte(&TranslationState::leftGesture) > static_cast<uint8_t>(LeftGesture::Masked) ||
        gestureByte(&TranslationState::rightGesture) > static_cast<uint8_t>(RightGesture::AltDrag) ||
        gestureByte(&TranslationState::middleGesture) > static_cast<uint8_t>(MiddleGesture::AltDrag))
        return "a button's gesture holds no value of its kind";
    if (sim::wrongHookResults() != 0) return "a hook returned neither 1 nor the next hook's result";
    if (sim::mostSendsPerEntry() > mostSends)
        return "one event caused too many sends";
    int perProcedure[3] = {0, 0, 0};
    for (const sim::TimerInfo& timer : sim::timers()) {
        if (timer.procedure == draggerTick) ++perProcedure[0];
        else if (timer.procedure == maskTimerTick) ++perProcedure[1];
        else if (timer.procedure == burstTick) ++perProcedure[2];
        else return "a timer of no feature is alive";
    }
    if (perProcedure[0] > 1 || perProcedure[1] > 1 || perProcedure[2] > 1) return "a feature has two timers alive";
    // A timer lives exactly while the module keeps its id: one it forgot
    // would run on, one it keeps dead would be killed by id under another's.
    for (const sim::TimerInfo& timer : sim::timers()) {
        const TimerId kept = timer.procedure == draggerTick ? state.draggerTimer
                             : timer.procedure == maskTimerTick ? state.maskTimer : state.burstTimer;
        if (kept != timer.id) return "a timer whose id the module forgot is alive";
    }
    if ((state.draggerTimer != 0 && perProcedure[0] == 0) || (state.maskTimer != 0 && perProcedure[1] == 0) ||
        (state.burstTimer != 0 && perProcedure[2] == 0))
        return "the module keeps the id of a timer that is dead";
    if ((perProcedure[0] != 0) != (state.draggerKey != 0)) return "the dragger timer outlives its mode, or the mode runs without it";
    if (perProcedure[2] != 0 && (state.burstTicks > 5 || !world.burstWanted)) return "the burst timer outlives the burst";
    if (state.draggerKey == 0 && sim::cursorCount() != 0) return "the cursor count is off with dragger mode off";
    if (state.draggerKey != 0 && sim::cursorCount() != -1) return "the cursor is not hidden exactly once in dragger mode";
    return "";
}

// A window's belief in a button that is up and that an exception excuses
// can only make a later check pass that would otherwise fail: forgotten,
// the exception counted as reached here. (A release the module sends to
// end a gesture answers the press it sent, or stands in for the user's.)
void forgetExcusedReleases() {
    for (int w = 0; w < 2; ++w)
        for (int b = 0; b < 3; ++b) {
            const int button = kButtonKeys[b];
            if (!world.believed[w].test(button) || sim::buttonHeld(static_cast<sim::Button>(b))) continue;
            for (int e = 0; e < kExceptionCount; ++e) {
                if (!world.excused[w][e].test(button)) continue;
                forgotten.push_back({beliefKind(w, button), e});
                world.believed[w].reset(button);
                world.byInput[w].reset(button);
                for (Believed& x : world.excused[w]) x.reset(button);
                break;
            }
        }
    // Nor does the module send a release, owed or standing in for the
    // user's, but to end a gesture, or a left press it turned into one.
    // (A Ctrl + left press outlasting its Ctrl gets the user's own release.)
    const bool gesture = anyGestureHeld() || state.altInjected ||
                         (state.leftGesture != LeftGesture::None && state.leftGesture != LeftGesture::PressSent) ||
                         state.rightGesture != RightGesture::None || state.middleGesture != MiddleGesture::None;
    if (!gesture) {
        std::fill(world.sentPresses, world.sentPresses + 3, 0);
        std::fill(world.releaseDue, world.releaseDue + 3, false);
    }
}

std::string beliefKind(int window, int key) {
    static const char* const kWindows[] = {"main", "second"};
    const std::string name = belief::buttonName(key) ? belief::buttonName(key) : scenario::keyName(key);
    return std::string(kWindows[window]) + " believes " + name + " is down when nothing is held";
}

std::string believedDown(int* exception) {
    for (int pass = -1; pass < kExceptionCount; ++pass) {
        for (int w = 0; w < 2; ++w) {
            Believed down = world.believed[w];
            for (int e = 0; e < kExceptionCount; ++e)
                if (pass < 0 || e != pass) down &= ~world.excused[w][e];
            if (pass >= 0) down &= world.excused[w][pass];
            const size_t key = down._Find_first();
            if (key < down.size()) {
                *exception = pass;
                return beliefKind(w, static_cast<int>(key));
            }
        }
    }
    *exception = -1;
    return "";
}

}  // namespace model
