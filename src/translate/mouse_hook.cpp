// The mouse hook's entry: the record in client coordinates, copies handed
// to a host's modal loop, lost gestures and keys settled, then translation.
#include "state/state.h"
#include "translate/gestures.h"
#include "translate/hooks.h"
#include "translate/reconcile.h"
#include "translate/switching.h"

namespace {

constexpr LResult SWALLOW = 1;
constexpr int kButtonKey[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};

// A modal loop that a window runs inside one of our sends (drag detection
// at a press, a context menu at a release) is handed the event being
// replaced again, a press sometimes as a double-click, and over a non-client
// area in its non-client form.
inline bool isCopyOf(const ReplacedEvent& replaced, WParam message, Point screen) {
    if (screen.x != replaced.screen.x || screen.y != replaced.screen.y) return false;
    const WParam original = replaced.message;
    const bool press = original == WM_LBUTTONDOWN || original == WM_RBUTTONDOWN || original == WM_MBUTTONDOWN;
    constexpr WParam kNonClientOffset = 0x0160;  // WM_NCRBUTTONUP is WM_RBUTTONUP - 0x160
    return message == original || (press && message == original + 2) || message + kNonClientOffset == original ||
           (press && message + kNonClientOffset == original + 2);
}

// The record is the system's, and the hooks after ours in the chain are
// promised the screen point: they get it while the call is passed on, and
// whoever reads the record once it returns gets the client point.
LResult passOn(int code, WParam wParam, MouseHookRecord* record, Point screen) {
    const Point client = record->pt;
    record->pt = screen;
    const LResult result = platform::callNextHook(code, wParam, reinterpret_cast<LParam>(record));
    record->pt = client;
    return result;
}

LResult mouseEvent(int code, WParam wParam, LParam lParam) {
    // An export: a host may call it with anything, including no record.
    if (!state.enabled || lParam == 0) return platform::callNextHook(code, wParam, lParam);
    stopDraggerIfUnfocused();
    if (state.mainWindow == nullptr) return platform::callNextHook(code, wParam, lParam);

    MouseHookRecord* record = reinterpret_cast<MouseHookRecord*>(lParam);
    const Point screen = record->pt;
    platform::screenToClient(record->hwnd, &record->pt);

    // Only a message being removed from the queue is acted on; a peek that
    // leaves it there would otherwise replay the gesture twice.
    if (code != HC_ACTION) return passOn(code, wParam, record, screen);

    // The copy has been handled already: translated again it would replay
    // the gesture's messages to the loop, passed on it would reach the loop
    // as input the user gave once. Any other event ends the chance of one.
    ReplacedEvent outer = state.replacing;
    if (outer.live && isCopyOf(outer, wParam, screen)) return SWALLOW;
    outer.live = false;
    state.replacing = {wParam, screen, true};

    settleWhatWentUnseen(0, wParam, record->hwnd);
    const uint32_t before = gestureBits();
    const Event event = {record->hwnd, record->pt};
    const bool swallow = translate(wParam, event);
    if (gestureBits() != before) ++state.gestureChanges;
    state.replacing = outer;
    return swallow || pressOvertaken() ? SWALLOW : passOn(code, wParam, record, screen);
}

// The button a press or release names, in the client area or out of it (0:
// none), and whether it is a press.
int buttonOf(WParam message, bool* press) {
    constexpr WParam kNonClientOffset = 0x0160;
    if (message >= WM_NCLBUTTONDOWN && message <= WM_NCLBUTTONDOWN + 8) message += kNonClientOffset;
    if (message < WM_LBUTTONDOWN || message > WM_MBUTTONDBLCLK) return 0;
    *press = (message - WM_LBUTTONDOWN) % 3 != 1;
    return kButtonKey[(message - WM_LBUTTONDOWN) / 3];
}

}  // namespace

extern "C" LResult PLATFORM_CALLBACK MouseProc(int code, WParam wParam, LParam lParam) {
    InputAtHand at;
    bool press = false;
    // A host calling the hook with no record gives no input.
    const int button = code == HC_ACTION && lParam != 0 ? buttonOf(wParam, &press) : 0;
    beginInput(&at, button, press);
    const LResult result = mouseEvent(code, wParam, lParam);
    endInput(at);
    switchWhenQuiet();
    return result;
}
