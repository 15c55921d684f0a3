// OrvalindeSelfTest.exe: checks the Orvalinde.dll beside it on this machine.
// It runs the scenarios it carries (the project's own) as the test host
// does: windows of its own, input injected with SendInput, one process per
// scenario. It says what it will do and waits for Enter, stops at once when
// the person touches the mouse or keyboard, and reports the machine and each
// scenario's outcome.
// Exit status: 0 none failed (some may have run late), 1 some failed, 2 it cannot run
// properly here (or its command line is wrong), 3 the person's input stopped it.
#include "machine.h"
#include "selftest.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define ORVALINDE_NO_IMPORT
#include <orvalinde.h>

struct CarriedScenario {
    const char* name;
    const char* text;
};
extern const CarriedScenario kCarried[];
extern const size_t kCarriedCount;

namespace {

// A scenario's own process only: it failed where the host was measurably
// late, which timing explains. Such a run alone is tried again.
constexpr int kLate = 4;
constexpr int kTries = 3;
constexpr DWORD kScenarioLimitMs = 120000;

const char kUsage[] =
    "usage: OrvalindeSelfTest [--yes] [--swapped] [--report FILE] [--only NAME...]\n"
    "       OrvalindeSelfTest --list | --clicklock | --help\n"
    "Runs the scenarios it carries against the Orvalinde.dll in its own folder, with\n"
    "windows of its own and injected input, and reports how the module behaves here.\n"
    "  --yes          start without waiting for Enter\n"
    "  --swapped      run as a left-handed user: the mouse buttons swapped for the run\n"
    "                 (the right one primary), and put back as they were at its end\n"
    "  --report FILE  write the full report to FILE\n"
    "  --only NAME... run only these scenarios (see --list)\n"
    "Exit status: 0 all passed, 1 some failed, 2 it cannot run properly here,\n"
    "3 stopped because the mouse or keyboard was used.\n";

std::string ownPath() {
    char path[MAX_PATH];
    return std::string(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
}

std::string ownFolder() {
    const std::string path = ownPath();
    return path.substr(0, path.find_last_of("\\/") + 1);
}

const CarriedScenario* find(const std::string& name) {
    for (size_t i = 0; i < kCarriedCount; ++i)
        if (name == kCarried[i].name) return &kCarried[i];
    return nullptr;
}

bool parseCarried(const CarriedScenario& carried, scenario::Scenario* s, std::string* error) {
    return scenario::parse(std::string(carried.name) + ".txt", carried.text, s, error);
}

// ---- In a process of its own: one scenario, or the windows load sees. ----

int runOne(const std::string& dll, const std::string& name) {
    const CarriedScenario* carried = find(name);
    scenario::Scenario s;
    std::string error;
    if (carried == nullptr || !parseCarried(*carried, &s, &error)) {
        std::printf("FAIL %s\n", carried == nullptr ? "no such scenario" : error.c_str());
        return kFailed;
    }
    stopInjectingAtTouch();
    double lateMs = 0;
    const bool ok = runScenario(dll.c_str(), s, &error, &lateMs);
    const int status = touchedDuringRun()    ? kStopped
                       : ok                  ? kPassed
                       : error == kNoFocus   ? kRefused
                       : lateMs > 0          ? kLate
                                             : kFailed;
    static const char* const kWords[] = {"PASS", "FAIL", "REFUSE", "STOP", "LATE"};
    std::printf("%s %s\n", kWords[status], status == kLate ? lateLine(error, lateMs).c_str() : error.c_str());
    std::fflush(stdout);
    return status;
}

// The AltGr check, in a process of its own as a scenario is.
constexpr const char* kAltGr = "altgr";
constexpr int kSkipped = 5;

int runAltGr(const std::string& dll) {
    stopInjectingAtTouch();
    std::string line;
    const Outcome outcome = checkAltGr(dll.c_str(), &line);
    std::printf("%s\n", touchedDuringRun() ? "STOP" : line.c_str());
    std::fflush(stdout);
    return touchedDuringRun() ? kStopped : outcome == Outcome::Passed ? kPassed : outcome == Outcome::Failed ? kFailed : kSkipped;
}

// ---- The run the person starts. ----

struct Child {
    int code = kFailed;
    std::string output;
};

volatile bool touched = false;
const char* touchedBy = kTouched;

// Input injected with SendInput carries the injected flag; the person's own
// does not. Only presses and motion count: the release of the Enter that
// started the run is no touch.
LRESULT CALLBACK watchKeyboard(int code, WPARAM message, LPARAM data) {
    const KBDLLHOOKSTRUCT* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && !(key->flags & LLKHF_INJECTED) && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN))
        touched = true, touchedBy = "a key was pressed during the run";
    return CallNextHookEx(nullptr, code, message, data);
}

LRESULT CALLBACK watchMouse(int code, WPARAM message, LPARAM data) {
    const MSLLHOOKSTRUCT* mouse = reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
    if (code == HC_ACTION && !(mouse->flags & LLMHF_INJECTED))
        touched = true, touchedBy = message == WM_MOUSEMOVE ? "the mouse was moved during the run" : "the mouse was used during the run";
    return CallNextHookEx(nullptr, code, message, data);
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Runs this program again with ARGUMENTS, answering the watch hooks meanwhile;
// ends it at once when the person touches the mouse or keyboard.
Child runChild(const std::string& arguments) {
    Child child;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16))
        return child.output = format("FAIL cannot make a pipe (error %lu)", GetLastError()), child;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    PROCESS_INFORMATION process;
    std::string command = "\"" + ownPath() + "\" " + arguments;
    // A busy machine may refuse a start for a moment (seen once under Wine
    // beside other builds): that is no fault of the DLL, so try again before
    // calling it a failure.
    bool started = false;
    DWORD error = 0;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt > 0) Sleep(1000);
        started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
        if (!started) error = GetLastError();
    }
    if (!started) {
        CloseHandle(readEnd), CloseHandle(writeEnd);
        return child.output = format("FAIL cannot start a process (error %lu, three tries)", error), child;
    }
    CloseHandle(writeEnd);
    CloseHandle(process.hThread);
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 50, QS_ALLINPUT);
        pump();
        if (touched || GetTickCount() - start > kScenarioLimitMs) {
            TerminateProcess(process.hProcess, kStopped);
            WaitForSingleObject(process.hProcess, 5000);
            child.output = touched ? "" : "FAIL did not finish in time";
            child.code = touched ? kStopped : kFailed;
            break;
        }
        if (woke == WAIT_OBJECT_0) {
            DWORD code = kFailed;
            GetExitCodeProcess(process.hProcess, &code);
            child.code = static_cast<int>(code);
            break;
        }
    }
    char buffer[4096];
    DWORD got;
    std::string said;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) said.append(buffer, got);
    child.output += child.output.empty() || said.empty() ? said : "; it said: " + said;
    CloseHandle(readEnd);
    CloseHandle(process.hProcess);
    child.output.erase(child.output.find_last_not_of("\r\n") + 1);
    return child;
}

// A window of this process takes the foreground, or Windows refuses it.
HWND takeForeground() {
    registerWindowClass("OrvalindeSelfTestProbe", DefWindowProcA);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "OrvalindeSelfTestProbe", "Orvalinde self-test", WS_POPUP | WS_VISIBLE,
                                  0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    for (int i = 0; i < 20 && !bringToForeground(window); ++i) {
        pump();
        Sleep(10);
    }
    return window;
}

int refuse(const std::string& why) {
    std::printf("The self-test cannot run properly here: %s.\n", why.c_str());
    return kRefused;
}

// The person's input stopped the run: lets go of whatever the stopped
// scenario held (its process, and so its windows, are gone) and says so.
int stopped(const std::string& during) {
    ClipCursor(nullptr);
    releaseEverything();
    std::string held;
    for (int key = 1; key < 256; ++key)
        if (GetAsyncKeyState(key) < 0) held += format(" 0x%02X", key);
    std::printf("\nStopped during %s: %s.\n%s\n", during.c_str(), touchedBy,
                held.empty() ? "Everything it pressed is released, and its windows are closed."
                             : ("Still held after releasing everything:" + held + ".").c_str());
    return kStopped;
}

// The person's button setting, while a run has the buttons swapped: put
// back at every way out (the end, a refusal, a stop, a failed scenario's
// process, Ctrl+C or the console closed, a crash of this program).
int buttonsBefore = -1;

void restoreButtons() {
    if (buttonsBefore >= 0) SwapMouseButton(buttonsBefore);
    buttonsBefore = -1;
}

BOOL WINAPI restoreAtConsoleEvent(DWORD) {
    restoreButtons();
    return FALSE;
}

LONG WINAPI restoreAtCrash(EXCEPTION_POINTERS*) {
    restoreButtons();
    return EXCEPTION_CONTINUE_SEARCH;
}

struct Options {
    bool yes = false;
    bool swapped = false;
    std::string report;
    std::vector<std::string> only;
};

// The scenarios asked for (all if none), and whether AltGr is among them.
std::vector<std::string> chosen(const Options& options, bool* altGr) {
    std::vector<std::string> names;
    *altGr = options.only.empty();
    for (const std::string& name : options.only) {
        if (name == kAltGr)
            *altGr = true;
        else
            names.push_back(name);
    }
    if (options.only.empty())
        for (size_t i = 0; i < kCarriedCount; ++i) names.push_back(kCarried[i].name);
    return names;
}

struct Tally {
    int passed = 0, failed = 0, late = 0;
    std::string results;
    void add(const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        results += line + "\n";
    }
};

// Runs one scenario in a process of its own, again while it is late;
// returns the last run's code, and counts and reports it unless it stopped
// or refused.
int runScenario(const std::string& name, Tally* tally) {
    Child child;
    int tries = 0;
    while (tries < kTries) {
        ++tries;
        child = runChild("--run " + name);
        if (child.code != kLate) break;
    }
    if (child.code == kStopped || child.code == kRefused || touched) return child.code;
    const std::string why = child.output.substr(child.output.find(' ') + 1);
    if (child.code == kPassed) {
        ++tally->passed;
        tally->add("PASS " + name);
    } else if (child.code == kLate) {
        // Late each time: this machine kept the host from its queue.
        ++tally->late;
        tally->add(format("LATE %s: late in each of %d tries (not a failure): ", name.c_str(), tries) + why);
    } else {
        ++tally->failed;
        tally->add("FAIL " + name + ": " + why);
    }
    return child.code;
}

int runAltGr(Tally* tally) {
    const Child child = runChild("--altgr");
    if (child.code == kStopped || touched) return kStopped;
    if (child.code == kPassed) ++tally->passed;
    if (child.code != kPassed && child.code != kSkipped) ++tally->failed;
    std::string line = child.output.substr(0, child.output.find_last_not_of("\r\n") + 1);
    if (line.empty())
        line = std::string("FAIL AltGr types characters: ") + (child.code == kFailed ? "it did not finish" : "no report");
    tally->add(line);
    return child.code;
}

// Takes the foreground, swaps the buttons if asked and, on Windows, watches
// for a touch; reads the DPI and the buttons' setting for the report. Empty,
// or why it cannot.
std::string prepare(bool swapped, std::string* dpiLine, std::string* buttonsLine, HHOOK* keys, HHOOK* mouse) {
    HWND probe = takeForeground();
    if (GetForegroundWindow() != probe)
        return "Windows keeps another window in the foreground (" + describeForeground() +
               "), so this program's windows cannot take the keyboard; start it from a window you are using "
               "(click the console, run it again)";
    *dpiLine = dpi(probe);
    DestroyWindow(probe);
    *buttonsLine = buttonSetting();
    if (swapped) {
        SetConsoleCtrlHandler(restoreAtConsoleEvent, TRUE);
        SetUnhandledExceptionFilter(restoreAtCrash);
        buttonsBefore = SwapMouseButton(TRUE) ? 1 : 0;
    }
    AllowSetForegroundWindow(ASFW_ANY);  // its scenarios run in processes of their own
    // Low-level hooks see the person's input anywhere on the desktop. Under
    // Wine a low-level hook in another process makes the key state the
    // module reads lag its input by up to 50 ms, so there the scenarios'
    // own hooks alone watch: they tell the person's input by the mark the
    // host puts on its own.
    if (wineMajor() == 0) {
        *keys = SetWindowsHookExA(WH_KEYBOARD_LL, watchKeyboard, GetModuleHandleA(nullptr), 0);
        *mouse = SetWindowsHookExA(WH_MOUSE_LL, watchMouse, GetModuleHandleA(nullptr), 0);
        if (*keys == nullptr || *mouse == nullptr) return "it cannot watch the mouse and keyboard for a touch";
    }
    return "";
}

int run(const Options& options) {
    const std::string dll = ownFolder() + "Orvalinde.dll";
    bool altGr = false;
    const std::vector<std::string> names = chosen(options, &altGr);
    const std::string why = unfit(dll, options.swapped);
    if (!why.empty()) return refuse(why);

    const unsigned seconds = 5 + static_cast<unsigned>(names.size());
    std::printf("Orvalinde self-test %s\n\n"
                "It checks the Orvalinde.dll in its own folder on this machine: %zu scenarios%s, each in windows\n"
                "of its own, with mouse and keyboard input that it makes itself. It takes about %u seconds.\n"
                "Do not touch the mouse or the keyboard meanwhile: any touch stops it at once.\n",
                ORVALINDE_VERSION, names.size(), altGr ? " and AltGr" : "", seconds);
    if (!options.yes) {
        std::printf("Press Enter to start, or close this window to cancel. ");
        std::fflush(stdout);
        if (std::getchar() == EOF) return refuse("no Enter came (give --yes to start without it)");
    }
    std::fflush(stdout);
    std::string dpiLine, buttonsLine;
    HHOOK keys = nullptr, mouse = nullptr;
    const std::string notReady = prepare(options.swapped, &dpiLine, &buttonsLine, &keys, &mouse);
    if (!notReady.empty()) return refuse(notReady);

    std::string report = machineReport(dll, dpiLine, buttonsLine, options.swapped);
    const std::string summary = report;
    const Child windows = runChild("--windows");
    if (windows.code == kStopped) return stopped("its look at the windows");
    if (windows.code == kRefused) return refuse("its main window cannot take the keyboard focus");
    report += "Top-level windows of its thread, in the system's order:\n" + windows.output + "\n";

    Tally tally;
    for (const std::string& name : names) {
        const int code = runScenario(name, &tally);
        if (code == kStopped || touched) return stopped(name);
        if (code == kRefused) return refuse("its main window cannot take the keyboard focus");
    }
    if (altGr && runAltGr(&tally) == kStopped) return stopped(kAltGr);
    if (keys != nullptr) UnhookWindowsHookEx(keys), UnhookWindowsHookEx(mouse);
    const std::string total = format("%d passed, %d failed, %d late\n", tally.passed, tally.failed, tally.late);
    report += tally.results + total;
    std::printf("\n%s%s", summary.c_str(), total.c_str());
    if (!options.report.empty()) {
        FILE* out = std::fopen(options.report.c_str(), "wb");
        if (out == nullptr || std::fwrite(report.data(), 1, report.size(), out) != report.size() || std::fclose(out) != 0)
            return refuse("it cannot write the report to " + options.report);
        std::printf("The full report is in %s.\n", options.report.c_str());
    }
    return tally.failed > 0 ? kFailed : kPassed;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help") return std::printf("%s", kUsage), kPassed;
        if (a == "--list") {
            for (size_t k = 0; k < kCarriedCount; ++k) std::printf("%s\n", kCarried[k].name);
            std::printf("%s\n", kAltGr);
            return kPassed;
        }
        if (a == "--run" && i + 1 < argc) return runOne(ownFolder() + "Orvalinde.dll", argv[i + 1]);
        if (a == "--altgr") return runAltGr(ownFolder() + "Orvalinde.dll");
        if (a == "--windows") return listWindows(ownFolder() + "Orvalinde.dll");
        // What the key state reads with ClickLock on; a report, never a failure.
        if (a == "--clicklock") return std::printf("%s\n", clickLockReport().c_str()), kPassed;
        if (a == "--yes") {
            options.yes = true;
        } else if (a == "--swapped") {
            options.swapped = true;
        } else if (a == "--report" && i + 1 < argc) {
            options.report = argv[++i];
        } else if (a == "--only") {
            while (i + 1 < argc && argv[i + 1][0] != '-') options.only.push_back(argv[++i]);
            if (options.only.empty()) return std::fprintf(stderr, "--only takes scenario names\n%s", kUsage), kRefused;
        } else {
            return std::fprintf(stderr, "unknown option '%s'\n%s", a.c_str(), kUsage), kRefused;
        }
    }
    for (const std::string& name : options.only)
        if (find(name) == nullptr && name != kAltGr)
            return std::fprintf(stderr, "no scenario named '%s' (--list names them)\n", name.c_str()), kRefused;
    const int status = run(options);
    restoreButtons();
    std::fflush(stdout);
    ExitProcess(static_cast<UINT>(status));
}
