// The soak: seeded random rounds of injected input through the real DLL.
// Each round is a few key and button presses, repeats, releases (now and
// then over another program's window or a window's border, where the host's
// thread never sees them), moves over both windows and switches of
// translation, then everything released, translation on, one keystroke and
// one motion;
// after it no window may believe a key or button is down, and the host must
// still answer a message posted to itself. A failing round is printed as a
// scenario (its actions, and what arrived as expectations).
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "belief.h"
#include "host.h"

namespace {

const int kKeys[] = {0x11, 0x12, 0x10, 0x09, 'S', 'F'};  // Ctrl, Alt, Shift, Tab, S, F

struct Soak {
    scenario::Driver* driver;
    std::mt19937_64 random;
    belief::Held believed[2];  // main, second
    belief::Held byInput[2];   // buttons a window got as input, not from the module
    bool keyHeld[sizeof kKeys / sizeof kKeys[0]] = {};
    bool buttonHeld[3] = {};
    scenario::Window pointerWindow = scenario::Main;
    scenario::Step last;  // the last move
    std::string text;  // the round so far, as a scenario
    unsigned long long events = 0;

    int below(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }
    bool anyButton() const { return buttonHeld[0] || buttonHeld[1] || buttonHeld[2]; }

    void perform(const scenario::Step& step) {
        text += scenario::format(step) + "\n";
        std::string ignored;
        scenario::perform(scenario::Scenario(), step, *driver, &ignored);
        ++events;
        for (const scenario::Received& r : driver->take()) {
            text += "expect " + scenario::describe(r) + "\n";
            if (r.box || r.window > scenario::Second) continue;
            const int key = belief::update(believed[r.window], r.message, r.wParam);
            if (key >= 1 && key <= 4) byInput[r.window].set(key, r.input && believed[r.window].test(key));
        }
    }

    void key(int index, bool down) {
        scenario::Step step;
        step.kind = down ? scenario::Kind::KeyDown : scenario::Kind::KeyUp;
        step.key = kKeys[index];
        keyHeld[index] = down;
        perform(step);
    }

    void button(int b, bool down) {
        scenario::Step step;
        step.kind = down ? scenario::Kind::ButtonDown : scenario::Kind::ButtonUp;
        step.button = static_cast<scenario::Button>(b);
        buttonHeld[b] = down;
        if (!down && below(5) == 0) {
            // A press the host got as input never gets this release: that is
            // the platform's routing. What the module sent, it must answer.
            step.release = below(2) == 0 ? scenario::Outside : scenario::NonClient;
            static const int kCodes[] = {0x01, 0x02, 0x04};
            for (int w = 0; w < 2; ++w)
                if (byInput[w].test(kCodes[b])) believed[w].reset(kCodes[b]);
            perform(step);
            move(false);  // back over the window
            return;
        }
        perform(step);
    }

    // Over main (clear of the child) or over the child; the pointer changes
    // windows only with the buttons up, as a release elsewhere is lost.
    void move(bool changeWindow) {
        scenario::Step step;
        step.kind = scenario::Kind::Move;
        if (changeWindow && !anyButton())
            pointerWindow = pointerWindow == scenario::Main ? scenario::Second : scenario::Main;
        step.window = pointerWindow;
        step.x = 10 + below(pointerWindow == scenario::Main ? 380 : 280);
        step.y = 10 + below(280);
        // A move to where the pointer is need not reach the hooks at all.
        if (step.window == last.window && step.x == last.x && step.y == last.y) ++step.x;
        last = step;
        perform(step);
    }

    // A host may switch translation at any moment: a shortcut, a menu
    // accelerator, a window losing activation.
    void call(const char* name) {
        scenario::Step step;
        step.kind = scenario::Kind::Call;
        step.name = name;
        perform(step);
    }

    void randomAction() {
        const int choice = below(20);
        if (choice < 10) {
            const int k = below(6);
            key(k, !keyHeld[k] || below(3) == 0);  // a held key is repeated now and then
        } else if (choice < 14) {
            const int b = below(3);
            button(b, !buttonHeld[b]);
        } else if (choice < 19) {
            move(below(4) == 0);
        } else {
            call(below(2) == 0 ? "doDisable" : "doEnable");
        }
    }

    void settle() {
        std::vector<int> held;  // buttons 0..2, keys 3..
        for (int b = 0; b < 3; ++b)
            if (buttonHeld[b]) held.push_back(b);
        for (int k = 0; k < 6; ++k)
            if (keyHeld[k]) held.push_back(3 + k);
        std::shuffle(held.begin(), held.end(), random);
        for (int h : held) h < 3 ? button(h, false) : key(h - 3, false);
        call("doEnable");
        scenario::Step tap;
        tap.kind = scenario::Kind::KeyTap;
        tap.key = 'Q';
        perform(tap);
        move(false);
    }

    std::string believedDown() const {
        for (int w = 0; w < 2; ++w)
            for (int k = 0; k < 256; ++k)
                if (believed[w].test(k))
                    return std::string(w == 0 ? "main" : "second") + " believes " +
                           (belief::buttonName(k) ? belief::buttonName(k) : scenario::keyName(k)) + " is down";
        return "";
    }
};

}  // namespace

bool runSoak(const char* dllPath, unsigned long long seed, int rounds, std::string* error) {
    Soak soak;
    soak.driver = startHost(dllPath, error);
    if (soak.driver == nullptr) return false;
    soak.random.seed(seed);
    soak.driver->call("load");
    soak.driver->call("doEnable");
    std::vector<double> answers;
    for (int round = 1; round <= rounds; ++round) {
        soak.text = "# soak seed " + std::to_string(seed) + ", round " + std::to_string(round) + "\n";
        const int length = 4 + soak.below(20);
        for (int i = 0; i < length; ++i) soak.randomAction();
        soak.settle();
        const std::string down = soak.believedDown();
        const double answer = roundTripMs();
        answers.push_back(answer);
        if (!down.empty() || answer < 0 || !injectionFailure().empty()) {
            std::printf("%s", soak.text.c_str());
            *error = "round " + std::to_string(round) + ": " +
                     (!down.empty() ? down : answer < 0 ? "the host did not answer" : injectionFailure());
            releaseEverything();
            return false;
        }
    }
    releaseEverything();
    std::sort(answers.begin(), answers.end());
    std::printf("soak: %llu events in %d rounds (seed %llu), nothing left held; host answered in %.2f ms median, "
                "%.2f ms worst\n",
                soak.events, rounds, seed, answers[answers.size() / 2], answers.back());
    return true;
}
