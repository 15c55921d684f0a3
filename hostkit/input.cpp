// The Windows test host's input: one injected event at a time, the pump
// that waits for it, and the person's input told from the host's own.
#include "input.h"

std::string injectionProblem;
INPUT queuedRelease = {};
bool releaseQueued = false;
bool inputHeldBack = false, heldInputWaits = false;
bool translatingKeys = false;

namespace {

bool arrived = false;  // our own hook saw the injected event
HHOOK ownMouseHook, ownKeyboardHook;

// The person's input, told from the host's own: a mouse event the host
// injects carries this mark in its extra information (a motion without it
// counts only when it moved the pointer: the platform's own synthetic motion
// stays where the host put it); a key press is the host's only while it
// injects that key (the extra information of a key message is not yet its
// own when the keyboard hook runs).
constexpr ULONG_PTR kOwnInput = 0x4F72766C;
POINT lastInjected = {-1, -1};
POINT nextInjected = {-1, -1};  // made by mouseInput, injected next
int injectingKey = -1;
bool touched = false, stopAtTouch = false;
bool synthetic = false;  // the mouse event at hand
bool held[256];             // keys the scenario holds down
int restoring = -1;         // a held key pressed again for the desktop alone
bool restored = false;
bool swallowMotion = false; // the pointer's unseen return

int genericKey(int key) {
    if (key >= 0xA0 && key <= 0xA5) return 0x10 + (key - 0xA0) / 2;
    return key;
}

// Our hooks are installed after the module's, so they see each event first
// and tell us it has been taken from the queue.
LRESULT CALLBACK ownMouseProc(int code, WPARAM message, LPARAM lParam) {
    if (code == HC_ACTION && swallowMotion) {
        arrived = true;
        return 1;
    }
    if (code == HC_ACTION) {
        arrived = true;
        const MOUSEHOOKSTRUCT* m = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
        const bool moved = m->pt.x != lastInjected.x || m->pt.y != lastInjected.y;
        if (m->dwExtraInfo != kOwnInput && (message != WM_MOUSEMOVE || moved)) touched = true;
        synthetic = m->dwExtraInfo != kOwnInput && message == WM_MOUSEMOVE && !moved;
    }
    return CallNextHookEx(nullptr, code, message, lParam);
}

LRESULT CALLBACK ownKeyboardProc(int code, WPARAM key, LPARAM lParam) {
    if (code == HC_ACTION && genericKey(static_cast<int>(key)) == restoring) {
        restored = true;
        return 1;
    }
    if (code == HC_ACTION) {
        arrived = true;
        const bool press = (static_cast<ULONG_PTR>(lParam) & 0x80000000u) == 0;
        // With AltGr the platform presses a Ctrl of its own.
        const bool altGrCtrl = injectingKey == VK_RMENU && genericKey(static_cast<int>(key)) == VK_CONTROL;
        if (press && genericKey(static_cast<int>(key)) != genericKey(injectingKey) && !altGrCtrl) touched = true;
    }
    return CallNextHookEx(nullptr, code, key, lParam);
}

void pressHeldKeysAgain() {
    for (int key = 1; key < 256; ++key) {
        if (!held[key] || GetAsyncKeyState(key) < 0) continue;
        restoring = genericKey(key);
        restored = false;
        INPUT input = keyInput(key, true);
        if (SendInput(1, &input, sizeof input) != 1) injectionProblem = "SendInput failed";
        const DWORD start = GetTickCount();
        while (!restored && GetTickCount() - start < 2000) pumpOnce(1);
        restoring = -1;
        if (!restored && injectionProblem.empty()) injectionProblem = "a held key the platform let go could not be pressed again";
    }
}

}  // namespace

void installOwnHooks() {
    if (ownMouseHook) UnhookWindowsHookEx(ownMouseHook);
    if (ownKeyboardHook) UnhookWindowsHookEx(ownKeyboardHook);
    ownMouseHook = SetWindowsHookExA(WH_MOUSE, ownMouseProc, nullptr, GetCurrentThreadId());
    ownKeyboardHook = SetWindowsHookExA(WH_KEYBOARD, ownKeyboardProc, nullptr, GetCurrentThreadId());
}

bool syntheticMotion() { return synthetic; }

namespace {

// When the host last took its messages; how long it stayed away from them
// in all and at most at once, beyond the waits it asked for.
double lastLook = 0, stalled = 0, longestStall = 0;

}  // namespace

double stalledMs() { return stalled; }
double longestStallMs() { return longestStall; }

void pumpOnce(DWORD timeoutMs, bool inputOnly) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs, inputOnly ? QS_INPUT : QS_ALLINPUT);
    const double now = nowMs();
    const double away = now - lastLook - timeoutMs;
    if (lastLook > 0 && away >= scenario::kStallMs) {
        stalled += away;
        longestStall = away > longestStall ? away : longestStall;
    }
    MSG msg;
    const UINT take = inputHeldBack ? PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE | PM_QS_PAINT
                      : inputOnly   ? PM_REMOVE | PM_QS_INPUT
                                    : PM_REMOVE;
    if (translatingKeys) {
        while (PeekMessageW(&msg, nullptr, 0, 0, take)) {
            TranslateMessage(&msg);
            dispatchInput(msg, true);
        }
    } else {
        while (PeekMessageA(&msg, nullptr, 0, 0, take)) dispatchInput(msg);
    }
    lastLook = nowMs();
}

void pumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do pumpOnce(1);
    while (GetTickCount() - start < milliseconds);
}

void pumpInputFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do pumpOnce(1, true);
    while (GetTickCount() - start < milliseconds);
}

// One event at a time: the key state the module reads must be that of this
// event, so wait until it has been taken from the queue and handled.
void inject(INPUT input) {
    if (touched && stopAtTouch) {
        injectionProblem = kTouched;
        return;
    }
    // What waited in the queue is handled first, as the platform's own: the
    // pointer has not moved yet.
    if (heldInputWaits) {
        heldInputWaits = false;
        pumpFor(5);
    }
    if (input.type == INPUT_MOUSE) lastInjected = nextInjected;
    arrived = false;
    if (input.type == INPUT_KEYBOARD) injectingKey = input.ki.wVk;
    INPUT inputs[2] = {input, queuedRelease};
    const UINT count = releaseQueued ? 2 : 1;
    // A queued button release happens where this event does.
    if (releaseQueued && input.type == INPUT_MOUSE && queuedRelease.type == INPUT_MOUSE)
        inputs[1].mi.dx = input.mi.dx, inputs[1].mi.dy = input.mi.dy;
    releaseQueued = false;
    if (SendInput(count, inputs, sizeof input) != count) injectionProblem = "SendInput failed";
    const DWORD start = GetTickCount();
    while (!arrived && GetTickCount() - start < 2000) pumpOnce(1);
    if (!arrived && injectionProblem.empty()) {
        // Which event, and where the foreground was: a report from someone's
        // machine then says whether the input went to another program.
        char what[256];
        const HWND foreground = GetForegroundWindow();
        DWORD process = 0;
        char name[64] = "none";
        if (foreground != nullptr) GetClassNameA(foreground, name, sizeof name), GetWindowThreadProcessId(foreground, &process);
        wsprintfA(what, "an injected event never reached the hooks (%s 0x%lX; the foreground window: %s, %s)",
                  input.type == INPUT_KEYBOARD ? "key" : "mouse flags",
                  static_cast<unsigned long>(input.type == INPUT_KEYBOARD ? input.ki.wVk : input.mi.dwFlags), name,
                  foreground == nullptr ? "none" : process == GetCurrentProcessId() ? "this program's" : "another program's");
        injectionProblem = what;
    }
    pumpFor(5);
    injectingKey = -1;
}

INPUT mouseInput(POINT at, DWORD buttonFlags) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>((static_cast<LONGLONG>(at.x) * 65536 + width - 1) / width);
    input.mi.dy = static_cast<LONG>((static_cast<LONGLONG>(at.y) * 65536 + height - 1) / height);
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | buttonFlags;
    input.mi.dwExtraInfo = kOwnInput;
    nextInjected = at;
    return input;
}

INPUT keyInput(int key, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(key);
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    if (!down) input.ki.dwFlags |= KEYEVENTF_KEYUP;
    if (key == VK_RMENU || key == VK_RCONTROL) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    return input;
}

void keyHeld(int key, bool down) { held[key & 0xFF] = down; }

void returnUnseen(POINT to) {
    // With another program in front the host takes no input (and is sent no key).
    if ((touched && stopAtTouch) || inputHeldBack) return;
    INPUT input = mouseInput(to, MOUSEEVENTF_MOVE);
    lastInjected = to;
    swallowMotion = true;
    arrived = false;
    if (SendInput(1, &input, sizeof input) != 1) injectionProblem = "SendInput failed";
    const DWORD start = GetTickCount();
    while (!arrived && GetTickCount() - start < 2000) pumpOnce(1);
    // What the X server sends at the crossing is handled within this time.
    pumpFor(20);
    swallowMotion = false;
    pressHeldKeysAgain();
}

void injectMove(POINT at, DWORD buttonFlags) { inject(mouseInput(at, buttonFlags)); }

// Input that goes to a window of another thread: our hooks never see it.
void injectElsewhere(POINT at, DWORD buttonFlags) { injectAway(mouseInput(at, buttonFlags)); }

void injectAway(INPUT input) {
    if (touched && stopAtTouch) return;
    if (input.type == INPUT_MOUSE) lastInjected = nextInjected;
    if (SendInput(1, &input, sizeof input) != 1) injectionProblem = "SendInput failed";
    pumpFor(20);
}


// The desktop's key state outlives a process: release whatever an earlier
// case (or a failing one) left down.
void releaseEverything() {
    static const struct {
        int key;
        DWORD flag;
    } buttons[] = {{VK_LBUTTON, MOUSEEVENTF_LEFTUP}, {VK_RBUTTON, MOUSEEVENTF_RIGHTUP}, {VK_MBUTTON, MOUSEEVENTF_MIDDLEUP}};
    for (const auto& b : buttons) {
        if (GetAsyncKeyState(b.key) >= 0) continue;
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = b.flag;
        input.mi.dwExtraInfo = kOwnInput;
        SendInput(1, &input, sizeof input);
    }
    for (int key = 8; key < 256; ++key) {
        if (GetAsyncKeyState(key) >= 0) continue;
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(key);
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &input, sizeof input);
    }
    pumpFor(20);
}

const std::string& injectionFailure() { return injectionProblem; }

void stopInjectingAtTouch() { stopAtTouch = true; }

bool touchedDuringRun() { return touched; }
