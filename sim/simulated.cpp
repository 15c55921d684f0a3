// In-memory platform for the native tests and tools. Single-threaded like
// the host's UI thread; every logic call is counted.
#include "simulated.h"
#include "simulated_world.h"

#include <algorithm>
#include <array>

using namespace simworld;

namespace {

void followCapture(const sim::Message& m);
bool deliverMouse(uint32_t message, WindowHandle window, Point screen, bool takeQueued = true);
void deliverQueued(const QueuedEvent* behind);

// Calls a hook; true when it passed the event on.
bool callHook(HookProcedure hook, int code, WParam wParam, LParam lParam) {
    const int frame = world.hookFrames < 8 ? world.hookFrames : 7;
    ++world.hookFrames;
    world.frameResults[frame] = 0;
    enter();
    const LResult result = hook(code, wParam, lParam);
    leave();
    --world.hookFrames;
    if (!world.checkHookResults) return result == 0;
    const bool passedOn = world.frameResults[frame] != 0 && result == world.frameResults[frame];
    if (!passedOn && result != 1) ++world.wrongHookResults;
    return passedOn;
}

// A key event inside a mouse hook's send (a modal loop) is the keyboard
// hook's: its next hook is handed no mouse record. True when passed on.
bool callKeyboardHook(HookProcedure hook, int key, LParam lParam) {
    if (hook == nullptr) return true;
    const int mouseDepth = world.mouseHookDepth;
    world.mouseHookDepth = 0;
    const bool passed = callHook(hook, 0, static_cast<WParam>(key), lParam);
    world.mouseHookDepth = mouseDepth;
    return passed;
}

}  // namespace

namespace simworld {

World world;

void enter() {
    if (world.entryDepth++ == 0) world.sendsThisEntry = 0;
}

void leave() {
    if (--world.entryDepth == 0 && world.sendsThisEntry > world.mostSendsPerEntry)
        world.mostSendsPerEntry = world.sendsThisEntry;
}

Window* find(WindowHandle handle) {
    const uintptr_t index = reinterpret_cast<uintptr_t>(handle);
    if (index == 0 || index > world.windows.size()) return nullptr;
    return &world.windows[index - 1];
}

// Every change to the windows goes through here: snapshots share the
// windows of a world whose windows have not changed since.
Window* changeWindow(WindowHandle handle) {
    static uint64_t versions = 0;
    world.windowsVersion = ++versions;
    return find(handle);
}

Timer* liveTimer(TimerId id) {
    for (Timer& timer : world.timers)
        if (timer.id == id && timer.live) return &timer;
    return nullptr;
}

void deliver(const sim::Message& message) {
    world.messages.push_back(message);
    Window* window = find(message.window);
    followCapture(message);
    if (window != nullptr && window->procedure) {
        // Copy: the procedure may add windows and so move the vector.
        std::function<void(const sim::Message&)> procedure = window->procedure;
        procedure(message);
    }
}

}  // namespace simworld

namespace {

LParam packPoint(Point point) {
    uint32_t packed = (static_cast<uint32_t>(point.x) & 0xFFFFu) | (static_cast<uint32_t>(point.y) << 16);
    return static_cast<LParam>(static_cast<int32_t>(packed));
}

// A left or right modifier also holds its generic code, as on a keyboard.
int genericOf(int key) {
    if (key == 0xA0 || key == 0xA1) return 0x10;
    if (key == 0xA2 || key == 0xA3) return 0x11;
    if (key == 0xA4 || key == 0xA5) return 0x12;
    return 0;
}

int leftOf(int generic) {
    if (generic == 0x10) return 0xA0;
    if (generic == 0x11) return 0xA2;
    if (generic == 0x12) return 0xA4;
    return 0;
}

void pressKeyState(int key, Keys& keys = world.keys) {
    key &= 0xFF;
    keys[key] = true;
    if (int generic = genericOf(key)) keys[generic] = true;
    if (int left = leftOf(key)) keys[left] = true;
}

void releaseKeyState(int key, Keys& keys = world.keys) {
    key &= 0xFF;
    keys[key] = false;
    if (int left = leftOf(key)) {
        keys[left] = false;
        keys[left + 1] = false;
    }
    if (int generic = genericOf(key)) {
        const int left = leftOf(generic);
        keys[generic] = keys[left] || keys[left + 1];
    }
}

// The thread takes a key event from its queue: its hook runs, then the
// thread's key state follows, whatever the hook did (as Wine 8 shows). Or,
// keys first: the event leaves the queue for the key state before its hook
// runs (Wine from 9.1), and one deep, a key taken inside the keyboard hook
// reaches the window with no hook at all.
bool takeKey(int key, bool released, bool wasDown) {
    LParam lParam = 1;
    if (wasDown) lParam |= LParam(1) << 30;
    if (released) lParam |= LParam(1) << 31;
    if (world.keys[0x12]) lParam |= LParam(1) << 29;
    HookProcedure hook = world.hooks[kKeyboardHook];
    if (world.keysFirst) {
        if (world.keysOneDeep && world.keysHandled > 0) hook = nullptr;
        released ? releaseKeyState(key, world.threadKeys) : pressKeyState(key, world.threadKeys);
    }
    ++world.keysHandled;
    // Still queued while its hook runs (unless keys first): a loop inside
    // the hook's sends is handed it again.
    const uint32_t message = released ? 0x0101u : 0x0100u;
    world.handling.push_back({message, world.focus, {}, world.keysFirst, key, lParam});
    const bool swallowed = !callKeyboardHook(hook, key, lParam);
    world.handling.pop_back();
    --world.keysHandled;
    if (!world.keysFirst) released ? releaseKeyState(key, world.threadKeys) : pressKeyState(key, world.threadKeys);
    if (swallowed) return true;
    if (world.focus != nullptr) deliver({world.focus, message, static_cast<WParam>(key), lParam, true});
    deliverQueued(nullptr);
    return false;
}

bool deliverKey(int key, bool released) {
    const bool wasDown = world.keys[key & 0xFF];
    if (released)
        releaseKeyState(key);
    else
        pressKeyState(key);
    // Another program has the focus: the key goes there.
    if (world.away) return false;
    return takeKey(key, released, wasDown);
}

// The key state of a logical button: the physical one it is mapped to.
Keys::reference physicalButton(int logicalKey) {
    const bool swap = world.swapped && (logicalKey == 0x01 || logicalKey == 0x02);
    return world.keys[swap ? 0x03 - logicalKey : logicalKey];
}

WParam buttonFlags() {
    WParam flags = 0;
    if (physicalButton(0x01)) flags |= 0x0001;
    if (physicalButton(0x02)) flags |= 0x0002;
    if (world.keys[0x10]) flags |= 0x0004;
    if (world.keys[0x11]) flags |= 0x0008;
    if (world.keys[0x04]) flags |= 0x0010;
    return flags;
}

// Releases queued behind an event come next; behind a mouse event, where
// that event happened.
void deliverQueued(const QueuedEvent* behind) {
    while (!world.queued.empty()) {
        QueuedEvent next = world.queued.front();
        world.queued.erase(world.queued.begin());
        if (next.key != 0) {
            takeKey(next.key, true, true);
            continue;
        }
        if (behind != nullptr) next.window = behind->window, next.screen = behind->screen;
        deliverMouse(next.message, next.window, next.screen, false);
    }
}

bool isButtonMessage(uint32_t message) {
    return (message >= 0x0201 && message <= 0x0209) || (message >= 0x00A1 && message <= 0x00A9);
}

// A capturing host: the window that got a press, sent or passed on, holds
// the mouse until that button's release reaches it.
void followCapture(const sim::Message& m) {
    if (!world.capturingHost || m.message < 0x0201 || m.message > 0x0209) return;
    const int kind = (m.message - 0x0201) % 3;  // 0 down, 1 up, 2 double-click
    const int button = (m.message - 0x0201) / 3;
    if (kind != 1 && world.capture == nullptr) {
        world.capture = m.window;
        world.captureButton = button;
    } else if (kind == 1 && m.window == world.capture && button == world.captureButton) {
        world.capture = nullptr;
    }
}

bool deliverMouse(uint32_t message, WindowHandle window, Point screen, bool takeQueued) {
    // Under capture every mouse message goes to the capturing window, in its
    // client form.
    if (world.capture != nullptr) {
        window = world.capture;
        if (message >= 0x00A1 && message <= 0x00A9) message += 0x0160;
    }
    MouseHookRecord record = {screen, window, 1, 0};
    const HookProcedure hook = world.hooks[kMouseHook];
    const bool button = isButtonMessage(message);
    world.eventWindows.push_back(window);
    world.handling.push_back({message, window, screen, false, 0, 0});
    if (button) ++world.buttonsQueued;
    ++world.mouseHookDepth;
    const bool swallowed = hook != nullptr && !callHook(hook, 0, message, reinterpret_cast<LParam>(&record));
    --world.mouseHookDepth;
    const bool taken = world.handling.back().taken;
    world.handling.pop_back();
    if (button && !taken) --world.buttonsQueued;
    // Passed on, it reaches the window even when a modal loop was handed a
    // copy meanwhile: the platform has already taken it from the queue.
    if (!swallowed) {
        Point client = screen;
        if (Window* target = find(window)) client = {screen.x - target->origin.x, screen.y - target->origin.y};
        deliver({window, message, buttonFlags(), packPoint(client), true});
    }
    if (takeQueued) {
        const QueuedEvent here = {message, window, screen, 0};
        deliverQueued(&here);
    }
    return swallowed;
}

int buttonKey(sim::Button button) {
    switch (button) {
    case sim::Button::Left: return 0x01;
    case sim::Button::Right: return 0x02;
    default: return 0x04;
    }
}

uint32_t buttonMessage(sim::Button button, int offset) {
    switch (button) {
    case sim::Button::Left: return 0x0201 + offset;
    case sim::Button::Right: return 0x0204 + offset;
    default: return 0x0207 + offset;
    }
}

}  // namespace

namespace sim {

void reset() {
    world = World();
    changeWindow(nullptr);
}

void moveWindow(WindowHandle window, Point origin) {
    if (Window* target = changeWindow(window)) target->origin = origin;
}

WindowHandle addWindow(Point origin, WindowHandle parent, uint32_t thread) {
    changeWindow(nullptr);
    const int64_t zOrder = static_cast<int64_t>(world.windows.size());
    world.windows.push_back({origin, parent, thread, false, nullptr, WindowStyle{}, zOrder});
    return reinterpret_cast<WindowHandle>(static_cast<uintptr_t>(world.windows.size()));
}

void setWindowStyle(WindowHandle window, const WindowStyle& style) {
    if (Window* w = changeWindow(window)) w->style = style;
}

void bringToTop(WindowHandle window) {
    int64_t top = 0;
    for (const Window& w : world.windows) top = std::min(top, w.zOrder);
    if (Window* w = changeWindow(window)) w->zOrder = top - 1;
}

void setFocus(WindowHandle window) {
    // Active again: the thread's key state catches up with what happened elsewhere.
    if (world.away) world.threadKeys = world.keys;
    world.away = false;
    world.focus = window;
}

void focusAway() {
    world.away = true;
    world.focus = nullptr;
}

bool focusIsAway() { return world.away; }
void setCurrentThread(uint32_t thread) { world.currentThread = thread; }

void setWindowProcedure(WindowHandle window, std::function<void(const Message&)> procedure) {
    if (Window* target = changeWindow(window)) target->procedure = std::move(procedure);
}

void setKeyState(int virtualKey, bool down) {
    for (Keys* keys : {&world.keys, &world.threadKeys}) {
        if (down)
            pressKeyState(virtualKey, *keys);
        else
            releaseKeyState(virtualKey, *keys);
    }
}

void setAsyncKeyState(int virtualKey, bool down) { down ? pressKeyState(virtualKey) : releaseKeyState(virtualKey); }

bool keyState(int virtualKey) { return world.keys[virtualKey & 0xFF]; }
bool buttonHeld(Button button) { return physicalButton(buttonKey(button)); }
void swapButtons(bool on) { world.swapped = on; }
void elevatedInFront(bool on) { world.elevatedInFront = on; }
void keysFirst(bool on, bool oneDeep) {
    world.keysFirst = on;
    world.keysOneDeep = on && oneDeep;
}

bool elevatedIsInFront() { return world.elevatedInFront; }
std::bitset<256> keyStates() { return world.keys; }
std::bitset<256> threadKeyStates() { return world.threadKeys; }

bool keyDown(int virtualKey) { return deliverKey(virtualKey, false); }
bool keyUp(int virtualKey) { return deliverKey(virtualKey, true); }

bool buttonDown(Button button, WindowHandle window, Point screen) {
    physicalButton(buttonKey(button)) = true;
    return deliverMouse(buttonMessage(button, 0), window, screen);
}

bool buttonUp(Button button, WindowHandle window, Point screen) {
    physicalButton(buttonKey(button)) = false;
    return deliverMouse(buttonMessage(button, 1), window, screen);
}

bool doubleClick(Button button, WindowHandle window, Point screen) {
    physicalButton(buttonKey(button)) = true;
    return deliverMouse(buttonMessage(button, 2), window, screen);
}

bool move(WindowHandle window, Point screen) { return deliverMouse(0x0200, window, screen); }

void releaseOutside(Button button) { physicalButton(buttonKey(button)) = false; }

void releaseQueued(Button button, WindowHandle window, Point screen) {
    physicalButton(buttonKey(button)) = false;
    world.queued.push_back({buttonMessage(button, 1), window, screen, 0});
}

void takeQueued() { deliverQueued(nullptr); }

const std::vector<QueuedEvent>& queuedReleases() { return world.queued; }

void keyUpQueued(int virtualKey) {
    releaseKeyState(virtualKey);
    world.queued.push_back({0x0101, nullptr, {0, 0}, virtualKey});
}

bool nonClientButtonUp(Button button, WindowHandle window, Point screen) {
    physicalButton(buttonKey(button)) = false;
    return deliverMouse(buttonMessage(button, 1) - 0x0160, window, screen);
}

void setDoubleClicks(WindowHandle window, bool on) {
    if (Window* target = changeWindow(window)) target->doubleClicks = on;
}

void setCapturingHost(bool on) { world.capturingHost = on; }
WindowHandle capture() { return world.capture; }
int captureButton() { return world.captureButton; }

LoopEntry enterModalLoop() {
    const LoopEntry outer = {world.entryDepth, world.sendsThisEntry};
    world.entryDepth = 0;
    return outer;
}

void leaveModalLoop(LoopEntry outer) {
    world.entryDepth = outer.depth;
    world.sendsThisEntry = outer.sends;
}

bool handTheEventAgain() {
    if (world.handling.empty() || world.handling.back().taken) return false;
    CurrentEvent& current = world.handling.back();
    current.taken = true;
    // Wine 8 runs the keyboard hook before the key leaves the queue: the
    // loop takes it, hook and all. The outer hook goes on regardless, and
    // passed on by both, the key reaches its window twice.
    if (current.key != 0) {
        const CurrentEvent key = current;
        const bool swallowed = !callKeyboardHook(world.hooks[kKeyboardHook], key.key, key.lParam);
        key.message == 0x0101u ? releaseKeyState(key.key, world.threadKeys) : pressKeyState(key.key, world.threadKeys);
        if (!swallowed && world.focus != nullptr)
            deliver({world.focus, key.message, static_cast<WParam>(key.key), key.lParam, true});
        return swallowed;
    }
    uint32_t message = current.message;
    const bool press = message == 0x0201 || message == 0x0204 || message == 0x0207;
    if (press) {
        const Window* target = find(world.capture != nullptr ? world.capture : current.window);
        if (target != nullptr && target->doubleClicks) message += 2;
    }
    if (isButtonMessage(current.message)) --world.buttonsQueued;
    return deliverMouse(message, current.window, current.screen, false);
}

void peek(WindowHandle window, Point screen) {
    MouseHookRecord record = {screen, window, 1, 0};
    constexpr int kNoRemove = 3;
    ++world.mouseHookDepth;
    if (const HookProcedure hook = world.hooks[kMouseHook])
        callHook(hook, kNoRemove, 0x0200, reinterpret_cast<LParam>(&record));
    --world.mouseHookDepth;
}

}  // namespace sim
