// Cost of the hooks per event on the simulated platform: time, and the
// number of platform calls each event makes (the counter "calls").
#include <benchmark/benchmark.h>

#include "module/exports.h"
#include "simulated.h"
#include "state/state.h"
#include "translate/hooks.h"

namespace {

WindowHandle mainWindow;

void host() {
    sim::reset();
    state = TranslationState{};
    mainWindow = sim::addWindow({0, 0});
    sim::setFocus(mainWindow);
    load();
    doEnable();
}

template <typename Event>
void measure(benchmark::State& s, Event event) {
    const uint64_t before = sim::platformCalls();
    uint64_t events = 0;
    for (auto _ : s) {
        event();
        ++events;
        // The log of sent messages would otherwise grow without bound.
        if ((events & 1023) == 0) sim::clearMessages();
    }
    s.counters["calls"] = static_cast<double>(sim::platformCalls() - before) / static_cast<double>(events);
}

void PlainMouseMove(benchmark::State& s) {
    host();
    MouseHookRecord record = {{10, 10}, mainWindow, 1, 0};
    measure(s, [&] { benchmark::DoNotOptimize(MouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LParam>(&record))); });
}

void AltRightDragMotion(benchmark::State& s) {
    host();
    sim::setKeyState(VK_MENU, true);
    sim::buttonDown(sim::Button::Right, mainWindow, {1, 1});
    MouseHookRecord record = {{10, 10}, mainWindow, 1, 0};
    measure(s, [&] { benchmark::DoNotOptimize(MouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LParam>(&record))); });
}

// A keystroke while a drag is on: the check for a release the hooks never saw.
void KeystrokeDuringAltRightDrag(benchmark::State& s) {
    host();
    sim::setKeyState(VK_MENU, true);
    sim::buttonDown(sim::Button::Right, mainWindow, {1, 1});
    measure(s, [] {
        benchmark::DoNotOptimize(KeyboardProc(HC_ACTION, 'S', 0x001F0001));
        benchmark::DoNotOptimize(KeyboardProc(HC_ACTION, 'S', 0xC01F0001));
    });
    s.counters["calls"] = s.counters["calls"] / 2;  // per keystroke event
}

// Motion while the user holds Alt, seen by the hook: the check for a key
// let go where the hooks never saw it.
void MotionWithAltHeld(benchmark::State& s) {
    host();
    sim::keyDown(VK_MENU);
    MouseHookRecord record = {{10, 10}, mainWindow, 1, 0};
    measure(s, [&] { benchmark::DoNotOptimize(MouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LParam>(&record))); });
}

void PlainLetterKeystroke(benchmark::State& s) {
    host();
    measure(s, [] {
        benchmark::DoNotOptimize(KeyboardProc(HC_ACTION, 'S', 0x001F0001));
        benchmark::DoNotOptimize(KeyboardProc(HC_ACTION, 'S', 0xC01F0001));
    });
    s.counters["calls"] = s.counters["calls"] / 2;  // per keystroke event
}

void LoneCtrlPress(benchmark::State& s) {
    host();
    measure(s, [] {
        benchmark::DoNotOptimize(KeyboardProc(HC_ACTION, VK_CONTROL, 0x001D0001));
        state.ctrlWithheld = false;
        state.ctrlHeld = false;
    });
}

}  // namespace

BENCHMARK(PlainMouseMove);
BENCHMARK(AltRightDragMotion);
BENCHMARK(MotionWithAltHeld);
BENCHMARK(PlainLetterKeystroke);
BENCHMARK(KeystrokeDuringAltRightDrag);
BENCHMARK(LoneCtrlPress);
BENCHMARK_MAIN();
