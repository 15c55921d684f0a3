// Control side of the simulated platform: an in-memory world of windows,
// keys, focus, a virtual clock with timers, the cursor count, installed hooks
// and message boxes. Tests and the replay tool act as the user through it
// and read back what the host's windows received.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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

// Back to an empty world: no windows, keys up, clock at 0, no timers or hooks.
void reset();

// A window whose client area starts at `origin` in screen coordinates.
WindowHandle addWindow(Point origin = {0, 0}, WindowHandle parent = nullptr, uint32_t thread = kHostThread);
void setFocus(WindowHandle window);
void setCurrentThread(uint32_t thread);

// Runs during every send to `window`, after the message is logged; it may
// act as the user and so re-enter a hook.
void setWindowProcedure(WindowHandle window, std::function<void(const Message&)> procedure);

// Key state only, no hook call: a key that was down before the module looked.
void setKeyState(int virtualKey, bool down);
bool keyState(int virtualKey);

// The user's actions, delivered through the installed hooks. A passed-on
// event reaches the focus window (keys) or `window` (mouse) as input.
// Returns true when a hook swallowed the event.
bool keyDown(int virtualKey);
bool keyUp(int virtualKey);
bool buttonDown(Button button, WindowHandle window, Point screen);
bool buttonUp(Button button, WindowHandle window, Point screen);
bool doubleClick(Button button, WindowHandle window, Point screen);
bool move(WindowHandle window, Point screen);

// Virtual clock. advance() fires due timers in order of due time.
void setTick(uint32_t tick);
uint32_t now();
void advance(uint32_t milliseconds);
size_t liveTimers();

int cursorCount();
void failHookInstall(int kind);
HookProcedure installedHook(int kind);
size_t hooksInstalled();

const std::vector<Message>& messages();
void clearMessages();
const std::vector<MessageBoxRecord>& messageBoxes();

// Calls the logic made to the platform, for cost measurements.
uint64_t platformCalls();
uint64_t nextHookCalls();

}  // namespace sim
