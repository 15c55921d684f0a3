// Replays scenario files against the module on the simulated platform.
//   replay [--trace] FILE...
// Prints one line per file and "N passed, M failed"; exits 1 if any failed.
// With --trace, every message the host's windows receive is printed.
#include <cstdio>
#include <cstring>

#include "module/exports.h"
#include "platform/simulated.h"
#include "scenario.h"
#include "state/state.h"

namespace {

// The same layout as the Windows test host: main's client area at (40, 30)
// on the screen, the second window a child of main 400 pixels to its right.
constexpr Point kMainOrigin = {40, 30};
constexpr Point kSecondOffset = {400, 0};

struct Export {
    const char* name;
    void (*function)();
};

void callLoad() { load(); }
void callShowAbout() { showAbout(); }

const Export kExports[] = {
    {"load", callLoad},
    {"doEnable", doEnable},
    {"doDisable", doDisable},
    {"showAbout", callShowAbout},
    {"startDraggerMode", startDraggerMode},
    {"customMaskKeyPressed", customMaskKeyPressed},
    {"doDelayedEnable", doDelayedEnable},
    {"setOrvalindeIsEnabled", setOrvalindeIsEnabled},
};

class SimulatedHost : public scenario::Driver {
public:
    explicit SimulatedHost(bool trace) : trace_(trace) {
        sim::reset();
        state = TranslationState{};
        main_ = sim::addWindow(kMainOrigin);
        second_ = sim::addWindow({kMainOrigin.x + kSecondOffset.x, kMainOrigin.y + kSecondOffset.y}, main_);
        sim::setFocus(main_);
        pointerWindow_ = main_;
        pointer_ = kMainOrigin;
    }

    bool call(const std::string& name) override {
        for (const Export& e : kExports) {
            if (name != e.name) continue;
            e.function();
            return true;
        }
        return false;
    }

    void key(int key, bool down) override {
        if (down)
            sim::keyDown(key);
        else
            sim::keyUp(key);
    }

    void button(scenario::Button button, bool down, bool doubleClick) override {
        const sim::Button b = button == scenario::Left ? sim::Button::Left
                              : button == scenario::Right ? sim::Button::Right
                                                          : sim::Button::Middle;
        if (doubleClick)
            sim::doubleClick(b, pointerWindow_, pointer_);
        else if (down)
            sim::buttonDown(b, pointerWindow_, pointer_);
        else
            sim::buttonUp(b, pointerWindow_, pointer_);
    }

    void move(scenario::Window window, int x, int y) override {
        pointerWindow_ = handle(window);
        pointer_ = screen(window, x, y);
        sim::move(pointerWindow_, pointer_);
    }
    void wait(uint32_t milliseconds) override { sim::advance(milliseconds); }
    bool cursorShown() override { return sim::cursorCount() >= 0; }

    std::vector<scenario::Received> take() override {
        std::vector<scenario::Received> out;
        for (const sim::Message& m : sim::messages()) {
            if (m.window == nullptr) continue;  // a send to no window reaches nobody
            scenario::Received r;
            r.window = windowOf(m.window);
            r.input = m.input;
            r.message = m.message;
            r.wParam = m.wParam;
            r.lParam = m.lParam;
            out.push_back(r);
        }
        sim::clearMessages();
        const std::vector<sim::MessageBoxRecord>& boxes = sim::messageBoxes();
        for (; boxesTaken_ < boxes.size(); ++boxesTaken_) {
            scenario::Received r;
            r.box = true;
            r.window = windowOf(boxes[boxesTaken_].owner);
            r.caption = boxes[boxesTaken_].caption;
            r.text = boxes[boxesTaken_].text;
            out.push_back(r);
        }
        if (trace_)
            for (const scenario::Received& r : out) std::printf("    %s\n", scenario::describe(r).c_str());
        return out;
    }

private:
    WindowHandle handle(scenario::Window window) const { return window == scenario::Second ? second_ : main_; }
    Point screen(scenario::Window window, int x, int y) const {
        Point origin = kMainOrigin;
        if (window == scenario::Second) origin = {kMainOrigin.x + kSecondOffset.x, kMainOrigin.y + kSecondOffset.y};
        return {origin.x + x, origin.y + y};
    }
    scenario::Window windowOf(WindowHandle window) const {
        if (window == main_) return scenario::Main;
        if (window == second_) return scenario::Second;
        if (window == nullptr) return scenario::NoWindow;
        return scenario::OtherWindow;
    }

    bool trace_;
    WindowHandle main_;
    WindowHandle second_;
    size_t boxesTaken_ = 0;
    WindowHandle pointerWindow_;
    Point pointer_;
};

}  // namespace

int main(int argc, char** argv) {
    bool trace = false;
    int passed = 0, failed = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--trace") == 0) {
            trace = true;
            continue;
        }
        scenario::Scenario s;
        std::string error;
        bool ok = scenario::load(argv[i], &s, &error);
        if (ok) {
            if (trace) std::printf("%s\n", argv[i]);
            SimulatedHost host(trace);
            ok = scenario::run(s, host, &error);
        }
        if (ok) {
            ++passed;
            std::printf("PASS %s\n", argv[i]);
        } else {
            ++failed;
            std::printf("FAIL %s\n", error.c_str());
        }
    }
    if (passed + failed == 0) {
        std::fprintf(stderr, "usage: replay [--trace] FILE...\n");
        return 2;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
