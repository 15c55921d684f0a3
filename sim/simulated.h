// Control side of the simulated platform: an in-memory world of windows,
// keys, focus, a virtual clock with timers, the cursor count, installed hooks
// and message boxes. Tests and the replay tool act as the user through it
// and read back what the host's windows received.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace sim {

constexpr uint32_t kHostThread = 1;

struct Message {
    WindowHandle window;
    uint32_t message;
    WParam wParam;
    LParam lParam;
    bool input;  // queued user input the hooks passed on, not a synthetic send
};

struct MessageBoxRecord {
    WindowHandle owner;
    std::string text;
    std::string caption;
};

enum class Button { Left, Right, Middle };

// A release waiting in the thread's queue.
struct QueuedEvent {
    uint32_t message;
    WindowHandle window;
    Point screen;
    int key;  // a key's release (message is WM_KEYUP), or 0: a mouse message
};

// Back to an empty world: no windows, keys up, clock at 0, no timers or hooks.
void reset();

// A window whose client area starts at `origin` in screen coordinates.
WindowHandle addWindow(Point origin = {0, 0}, WindowHandle parent = nullptr, uint32_t thread = kHostThread);
void moveWindow(WindowHandle window, Point origin);
// How a top-level window looks to the platform; by default shown, enabled,
// unowned and ordinary.
struct WindowStyle {
    bool visible = true;
    bool enabled = true;
    WindowHandle owner = nullptr;
    bool toolWindow = false;
    bool appWindow = false;
};
void setWindowStyle(WindowHandle window, const WindowStyle& style);
// Lists a top-level window before all others, as the top of the Z order
// (windows are listed in the order they were added until then).
void bringToTop(WindowHandle window);
void setFocus(WindowHandle window);
// The keyboard focus goes to another program: keys go there, unseen by the
// hooks, until setFocus gives it back to a window of the host.
void focusAway();
bool focusIsAway();
void setCurrentThread(uint32_t thread);

// Runs during every send to `window`, after the message is logged; it may
// act as the user and so re-enter a hook.
void setWindowProcedure(WindowHandle window, std::function<void(const Message&)> procedure);

// Key state only, no hook call: a key that was down before the module looked.
void setKeyState(int virtualKey, bool down);
// The desktop's key state alone: a key that changed with its event still
// on its way to the thread.
void setAsyncKeyState(int virtualKey, bool down);
bool keyState(int virtualKey);
// All 256 at once, for tools that compare whole states.
std::bitset<256> keyStates();
std::bitset<256> threadKeyStates();
// The user's actions name logical buttons, as the messages do; the key
// state holds physical ones, and with the buttons swapped (a left-handed
// user) a logical left button is the physical right one.
bool buttonHeld(Button button);
void swapButtons(bool on);
// An elevated window of another program in front: the key state the module
// reads is all zeros, whatever is held; the hooks still run.
void elevatedInFront(bool on);
bool elevatedIsInFront();
// The order of Wine from 9.1 for keys: the key at hand leaves the queue,
// into the thread's key state, before the keyboard hook runs; one deep,
// besides, a key the host takes inside that hook reaches its window with no
// hook at all (Windows' conformance tests show no hook called again for the
// key at hand, but not which of the two it is). Off, Wine 8's: the hook
// first, and a loop inside it handed the key at hand again.
void keysFirst(bool on, bool oneDeep);

// The user's actions, delivered through the installed hooks. A passed-on
// event reaches the focus window (keys) or `window` (mouse) as input.
// Returns true when a hook swallowed the event.
bool keyDown(int virtualKey);
bool keyUp(int virtualKey);
bool buttonDown(Button button, WindowHandle window, Point screen);
bool buttonUp(Button button, WindowHandle window, Point screen);
bool doubleClick(Button button, WindowHandle window, Point screen);
bool move(WindowHandle window, Point screen);
// A release the module's thread never sees: over another program's window.
void releaseOutside(Button button);
// Released now, its message queued behind the next event, which the hooks
// see with the button already up.
void releaseQueued(Button button, WindowHandle window, Point screen);
// A key released now, its key-up queued behind the next event.
void keyUpQueued(int virtualKey);
// The thread takes what is queued now, with no event ahead of it.
void takeQueued();
// The releases still queued, in order.
const std::vector<QueuedEvent>& queuedReleases();
// Released over the window's non-client area (a border or title bar).
bool nonClientButtonUp(Button button, WindowHandle window, Point screen);

// Hosts that answer back. A window that takes double-clicks turns a press
// handed to it again into one. A capturing host captures the mouse at a
// press until that button's release. A modal loop run inside a send is
// handed the event whose hooks are running again, as the platform does:
// handTheEventAgain() does that once per event (true if a hook swallowed
// the copy). Passed on by the outer hooks, the event is still delivered when
// they return, as the platform does.
void setDoubleClicks(WindowHandle window, bool on);
void setCapturingHost(bool on);
WindowHandle capture();
int captureButton();  // the button whose release ends the capture (0 left, 1 right, 2 middle)
bool handTheEventAgain();
// The user's input inside a modal loop counts as events of its own, not as
// sends of the outer one.
struct LoopEntry {
    int depth;
    uint32_t sends;
};
LoopEntry enterModalLoop();
void leaveModalLoop(LoopEntry outer);
// Motion the hook looks at but leaves in the queue (hook code 3): the hook
// runs, nothing is delivered.
void peek(WindowHandle window, Point screen);
WindowHandle focus();

// Virtual clock. advance() fires due timers in order of due time.
void setTick(uint32_t tick);
// Windows' timer clock: timers fire only at ticks 15.625 ms apart, the tick
// count moves in those steps, and no timer is shorter than 10 ms.
void coarseClock(bool on);
uint32_t now();
void advance(uint32_t milliseconds);
size_t liveTimers();
uint64_t timerFires();  // timer procedures run so far
// For tools that try every order timers could fire in: while held, the clock
// passes due times without firing anything, and fireTimer fires a live timer
// (false: none has that id) at its due time, then moves the clock on to it
// if behind.
void holdTimers(bool on);
bool fireTimer(TimerId id);
// Calls `watch` as each timer is about to fire and once its procedure returned.
void watchTimerFires(void (*watch)(TimerId id, bool fired));
struct TimerInfo {
    TimerId id;
    TimerProcedure procedure;
    uint32_t interval;
    uint32_t dueIn;  // milliseconds from now
    uint32_t arms;   // changes whenever it is set, re-armed or fires: a new due time
};
// The live ones, in creation order. The list is rebuilt in place at each
// call (the search tools read it several times a step) and holds until the
// next: copy it to keep it longer.
const std::vector<TimerInfo>& timers();

int cursorCount();
// Whether the module pinned itself, and how often it handed the system a
// hook or timer procedure before it did (a host could then unload it under
// the system's feet).
bool modulePinned();
uint32_t callbacksBeforePin();
void failHookInstall(int kind);
HookProcedure installedHook(int kind);
size_t hooksInstalled();

const std::vector<Message>& messages();
void clearMessages();
// The windows the mouse events went to since the log was last cleared.
const std::vector<WindowHandle>& mouseEventWindows();
const std::vector<MessageBoxRecord>& messageBoxes();

// Calls the logic made to the platform, for cost measurements.
uint64_t platformCalls();
uint64_t nextHookCalls();
// The points the next mouse hook in the chain was handed since last asked,
// for the events the platform delivered.
std::vector<Point> pointsPassedOn();

// Checks for tools that watch every hook call. Once on, the next hook
// returns a value of its own for every call, so that a hook returning
// anything but 1 (swallowed) or exactly that value (passed on) is caught;
// the event is delivered when the hook passed it on.
void checkHookResults(bool on);
uint64_t wrongHookResults();
// The most messages sent from one entry into the logic: one hook call or
// one timer procedure, with everything it re-enters.
uint32_t mostSendsPerEntry();
void resetMostSendsPerEntry();

// The whole world, for tools that branch from one state. Messages and boxes
// already taken are part of it.
struct Snapshot;
std::shared_ptr<const Snapshot> save();
void restore(const Snapshot& snapshot);

}  // namespace sim
