// Scenario files: one user action or expected host message per line. The
// same file runs against the simulated platform (tools/replay), against the
// real DLL on Windows or under Wine (hostkit/: the test host and the
// self-test) and is drawn as a picture (lib/timeline); each side that runs it
// supplies a Driver.
//
//   # comment
//   window main 800 500                the windows' client areas: main's size,
//   window second 400 0 300 300        and the second window's place in main's
//                                      client area and size (these are the
//                                      defaults); after the first action, the
//                                      window moved or changed size
//   window main 800 500 hidden tool    main hidden, or a tool window, or both
//   window ime                         before any action: a hidden, disabled,
//                                      unowned popup (an input-method window)
//   window tooltip                     and a hidden tool window owned by it (a
//                                      tooltip); each is listed before the
//                                      windows declared so far when the
//                                      module looks for the main window
//   pointer 120 80 [over second]       before any action: where the pointer
//                                      is, with no motion (a session whose
//                                      first mouse event is a button)
//   call doEnable                      an export, by name
//   key down MENU | key up TAB | key tap S
//   key up CONTROL queued              released now, its key-up queued
//                                      behind the next action's event
//   move 110 105                       client coordinates of main ...
//   move 5 5 over second               ... or of the second window (a child of main),
//   move 5 5 over other                or of another window of the host's
//                                      thread (a menu, a box): what it gets
//                                      is not expected
//   button down right | button up left  at the pointer
//   button double left                 the second press of a double-click
//   button up right outside            released over another program's window:
//                                      the host's thread never sees it
//   button up right queued             released now, its message queued
//                                      behind the next action's event
//   button up right nonclient          released over the border of the window
//                                      under the pointer
//   host captures                      before any action: each window
//                                      captures the mouse at a press until
//                                      that button's release
//   host keys first                    before any action: the platform takes
//                                      a key from the queue, into the
//                                      thread's key state, before the
//                                      keyboard hook runs (Wine from 9.1);
//                                      without it, the hook runs first and a
//                                      loop inside it is handed the key again
//                                      (Wine 8)
//   host keys first one deep           ... and a key taken inside the
//                                      keyboard hook reaches its window with
//                                      no hook call
//   host second loop at WM_RBUTTONUP   before any action: that window runs a
//                                      modal loop (a context menu, drag
//                                      detection) when it gets the message,
//                                      sent or passed on; the platform hands
//                                      the loop the event being handled
//                                      again, and the lines that follow run
//                                      inside the loop ...
//   end loop                           ... until this one: the loop returns
//   host main loop at next WM_KEYDOWN  an action: the next time that window
//                                      gets the message, sent or passed on,
//                                      it runs one such loop (its handler
//                                      pumps, or calls an export, inside the
//                                      module's send); once
//   wait 60                            milliseconds
//   focus second | focus main          the keyboard focus moves
//   focus away                         ... to another program (Alt+Tab, a
//                                      click elsewhere, the lock screen): key
//                                      lines go there, unseen by the host's
//                                      thread, until focus main or second
//                                      brings it back
//   focus elevated                     ... to an elevated window of another
//                                      program: as away, and the host's
//                                      thread reads no key or button down
//                                      until the focus comes back
//   buttons swapped | buttons normal   the user makes the right button the
//                                      primary one (left-handed), or not:
//                                      button lines and messages name logical
//                                      buttons, the key state physical ones
//   peek                               a mouse hook call with a nonzero code:
//                                      motion at the pointer, looked at but
//                                      left in the queue
//   expect main WM_KEYDOWN VK_CONTROL 0xC0000001        a message the module sent
//                                                       (to main, second, ime or tooltip)
//   expect main WM_RBUTTONDOWN 0x0000 100 100           (mouse: flags, point)
//   expect main input WM_KEYDOWN S                      input passed on to the host
//   expect main input WM_MOUSEMOVE 0x0001 110 105
//   expect box main "caption" "text"                    a message box (C escapes)
//   expect 18..22 main WM_KEYDOWN F 0xC01D0001          that many alike in a row
//   expect every 50 main WM_KEYDOWN F 0xC01D0001        a timer's run: as many
//                                      alike in a row as a timer of that period
//                                      sends over the time the driver measured
//                                      since this run was last expected (at
//                                      first, since the last call began): over T
//                                      ms of which the host spent S away from
//                                      its queue (no timer fires then), from
//                                      floor((T - S) / period) - 1 to
//                                      ceil(T / period) + 1
//   expect cursor hidden | expect cursor shown
//   expect no timer                    no timer of the module fired during
//                                      the action before (a wait): none is
//                                      left alive
//   unload                             the host frees the module (FreeLibrary)
//   expect module loaded | expect module unloaded
//
// Every message a window receives must be expected, in order: an action
// fails when messages received before it are still unmatched, and so does
// the end of the file. Two exceptions, for the timers: what arrives before a
// wait belongs to the wait; and a message the file expects somewhere that
// arrives before the action after a call that arms a timer
// (startDraggerMode, customMaskKeyPressed, doDelayedEnable), 1 ms or more
// after that call began, is a tick the late action let through: the
// expectations after it may take it, and if none does it was an extra tick.
// A failure that timing can explain (a message missing, out of place or
// unexpected, though never a run outside its measured bounds nor a wrong
// parameter) is put down to the host when it stayed away from its queue for
// kLateMs or more at once, or when a message the file expects, or any
// message after a tick of the module's timers, arrived before an action that
// came kLateMs or more behind the waits planned since the last call that
// armed a timer: the run was late.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scenario {

// Ime and Tooltip: hidden top-level windows of the host's thread that the
// platform lists before main, as input-method windows and tooltips are.
enum Window { Main = 0, Second = 1, NoWindow = 2, OtherWindow = 3, Ime = 4, Tooltip = 5 };
enum Button { Left = 0, Right = 1, Middle = 2 };

// How a button is released: over the host's client area as usual, or in a
// way the module must notice without seeing its release.
enum Release { Seen = 0, Outside = 1, Queued = 2, NonClient = 3 };

// When the platform takes a key from the queue: after its keyboard hook
// ran (Wine 8), or before, the hook run again for a key taken inside it
// (Wine from 9.1) or not (one deep).
enum KeyOrder { HookFirst = 0, KeysFirst = 1, KeysFirstOneDeep = 2 };

enum class Kind {
    Layout, Host, Pointer, EndLoop, Call, KeyDown, KeyUp, KeyTap, ButtonDown, ButtonUp, ButtonDouble, Move, Wait, Focus, Peek, Unload,
    Buttons,
    Expect, ExpectBox, ExpectCursor, ExpectModule, ExpectNoTimer
};

struct Received {
    bool box = false;        // a message box rather than a window message
    Window window = Main;    // receiving window, or the box's owner
    bool input = false;      // queued input the hooks passed on
    uint32_t message = 0;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    std::string caption, text;  // boxes
};

struct Step {
    int line = 0;
    Kind kind = Kind::Wait;
    std::string name;  // export name
    int key = 0;
    Button button = Left;
    Window window = Main;
    int x = 0, y = 0;
    int width = 0, height = 0;  // layout
    bool hidden = false, toolWindow = false;  // main's layout
    uint32_t milliseconds = 0;
    Received expected;
    int minCount = 1, maxCount = 1;
    bool compareParam = true;  // keystroke lParam or mouse flags given
    bool cursorShown = true;
    bool moduleLoaded = true;
    Release release = Seen;  // button up; a key up is Seen or Queued
    int nested = -1;         // the search tools' own: see model::alphabet
    bool captures = false;   // host: captures, or a loop at expected.message
    KeyOrder keyOrder = HookFirst;  // host keys first [one deep]
    bool once = false;       // host: the loop opens at the next such message only
    bool swapped = false;    // buttons
    bool elevated = false;   // focus: to an elevated window of another program
    uint32_t everyMs = 0;    // a timer's run: its period
};

struct Scenario {
    std::string file;
    std::vector<Step> steps;
    std::vector<std::string> heading;  // the comment lines before the first step
};

// Runs the actions; takes what the host's windows received since last asked.
struct Driver {
    Driver() = default;
    // Movable without a throw: the tools keep hosts in states they store
    // by the million, and a vector of them must not copy each as it grows.
    Driver(const Driver&) = default;
    Driver(Driver&&) noexcept = default;
    Driver& operator=(const Driver&) = default;
    Driver& operator=(Driver&&) noexcept = default;
    virtual ~Driver() = default;
    // Places a window: main's size (and whether it is shown and a tool
    // window), or the second window's client rectangle in main's client
    // coordinates; or, before any action, makes the ime or tooltip window.
    virtual void layout(const Step& step) = 0;
    virtual bool call(const std::string& name) = 0;  // false: no such export
    // To the focus, which may be another program's (focus(NoWindow)).
    virtual void key(int key, bool down) = 0;
    virtual void keyUpQueued(int key) = 0;
    // At the pointer, which starts at main's client origin.
    virtual void button(Button button, bool down, bool doubleClick) = 0;
    // A release other than over the client area (Outside, Queued, NonClient).
    virtual void releaseUnseen(Button button, Release how) = 0;
    // Where the pointer is before any action: no event, nothing delivered.
    virtual void place(Window window, int x, int y) = 0;
    // Host behaviour, before any action.
    virtual void hostCaptures() = 0;
    // False: this platform takes keys in another order.
    virtual bool keyOrder(KeyOrder order) { return order == HookFirst; }
    virtual void loopAt(Window window, uint32_t message, bool once) = 0;
    virtual void move(Window window, int x, int y) = 0;
    virtual void wait(uint32_t milliseconds) = 0;
    virtual void focus(Window window) = 0;  // NoWindow: another program
    // To another program's elevated window; false: this host cannot make one.
    virtual bool focusElevated() { return false; }
    virtual void peek() = 0;
    virtual void swapButtons(bool on) = 0;
    virtual bool cursorShown() = 0;
    // How many times a timer procedure of the module has run so far.
    virtual uint64_t moduleTimerTicks() = 0;
    // Frees the host's reference to the module; whether it is still mapped.
    virtual void unload() = 0;
    virtual bool moduleLoaded() = 0;
    virtual std::vector<Received> take() = 0;
    // The host's clock in milliseconds: a simulated platform's is the
    // scenario's own, a real host's a monotonic one.
    virtual double clockMs() = 0;
    // How long the host has been away from its message queue since it
    // started, in all and at most at once, counting spans of kStallMs and
    // more: its timers could fire in none of them. A simulated host never is.
    virtual double stalledMs() { return 0; }
    virtual double longestStallMs() { return 0; }

    // Set by the runner. A window that opens a modal loop calls it, after
    // the platform has handed the loop the event being handled again; it runs
    // the scenario's steps up to the next `end loop`, then the loop returns.
    std::function<void()> loopBody;
};

// Parses a file's text; on failure returns false with "file:line: reason".
bool parse(const std::string& file, const std::string& text, Scenario* out, std::string* error);
bool load(const std::string& file, Scenario* out, std::string* error);

constexpr double kStallMs = 5;
// A stall this long can carry a 50 ms timer's message past an action
// planned about 10 ms after the timer was armed.
constexpr double kLateMs = 40;

// Runs a scenario; on failure returns false with "file:line: expected ...,
// got ..." and, when timing explains it, how late the host was in lateMs
// (else 0).
bool run(const Scenario& scenario, Driver& driver, std::string* error, double* lateMs = nullptr);

// Performs one action step; false with "file:line: ..." for an unknown export.
bool perform(const Scenario& scenario, const Step& step, Driver& driver, std::string* error);

// One action and what the windows received while it ran.
struct TracedAction {
    const Step* step;
    std::vector<Received> received;
};

// Runs the actions (expectations are skipped); what arrived before the
// first action is the first entry's, with a null step.
bool trace(const Scenario& scenario, Driver& driver, std::vector<TracedAction>* out, std::string* error);

// The actions as scenario lines, each followed by what arrived while it ran
// as expectations.
std::string write(const std::vector<TracedAction>& actions);

// Runs the actions and writes them back as a scenario whose expectations are
// what the driver received, so the file passes against that driver.
bool record(const Scenario& scenario, Driver& driver, std::string* text, std::string* error);

// The line that parses back into `step` (an action, or an expectation of one).
std::string format(const Step& step);

std::string describe(const Received& received);

// WM_KEYDOWN to WM_SYSKEYUP.
inline bool isKeyMessage(uint32_t message) { return message >= 0x0100 && message <= 0x0105; }
// Input keystrokes made while Alt is held arrive as WM_SYSKEY*; the
// difference is the platform's, not the module's.
inline uint32_t plainKeyMessage(uint32_t message) { return message == 0x0104 || message == 0x0105 ? message - 4 : message; }
std::string keyName(int key);
const char* messageName(uint32_t message);

}  // namespace scenario
