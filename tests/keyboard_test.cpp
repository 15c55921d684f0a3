// Keyboard translation as the host sees it: the withheld Ctrl, the mask key,
// the dragger key, modifier tracking and the owed Ctrl key-up.
#include "support.h"

#include <algorithm>

using Keys = Host;

struct SequenceCase {
    const char* actions;
    Lines expected;
};

TEST_F(Keys, SequencesReachTheHostAsWritten) {
    const SequenceCase cases[] = {
        {"d:TAB d:TAB u:TAB",  // Tab alone, with one auto-repeat
         {"main WM_KEYDOWN CONTROL 0xC01D0001", "main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001"}},
        {"d:SHIFT d:TAB u:TAB u:SHIFT", {"main input WM_KEYDOWN SHIFT", "main input WM_KEYUP SHIFT"}},
        {"d:CTRL d:CTRL u:CTRL", {}},
        {"d:CTRL d:S u:S u:CTRL",
         {"main WM_KEYDOWN CONTROL 0x001D0001", "main input WM_KEYDOWN S", "main WM_KEYUP CONTROL 0xC01D0001",
          "main input WM_KEYUP S"}},
        {"d:CTRL d:S d:A u:A u:S u:CTRL",  // Ctrl withheld again only when the last key goes up
         {"main WM_KEYDOWN CONTROL 0x001D0001", "main input WM_KEYDOWN S", "main input WM_KEYDOWN A",
          "main input WM_KEYUP A", "main WM_KEYUP CONTROL 0xC01D0001", "main input WM_KEYUP S"}},
        {"bd:L d:CTRL u:CTRL bu:L",
         {"main input WM_LBUTTONDOWN 0x0001 0,0", "main WM_KEYDOWN MENU 0x20380001", "main WM_KEYUP MENU 0xC0380001",
          "main input WM_LBUTTONUP 0x0000 0,0"}},
        {"d:CTRL bd:L bu:L u:CTRL",
         {"main WM_KEYDOWN MENU 0x20380001", "main WM_LBUTTONDOWN 0x0001 0,0", "main WM_LBUTTONUP 0x0000 0,0",
          "main WM_KEYUP MENU 0xC0380001"}},
        {"d:TAB d:CTRL u:CTRL u:TAB",
         {"main WM_KEYDOWN CONTROL 0xC01D0001", "main WM_KEYDOWN MENU 0x20380001", "main input WM_KEYDOWN CONTROL",
          "main WM_KEYUP MENU 0xC0380001", "main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001"}},
        {"d:CTRL d:TAB u:TAB u:CTRL",
         {"main WM_KEYDOWN CONTROL 0xC01D0001", "main WM_KEYDOWN MENU 0x20380001", "main WM_KEYUP CONTROL 0xC001D001",
          "main WM_KEYUP MENU 0xC0380001", "main input WM_KEYUP CONTROL"}},
        {"d:CTRL bd:L d:ALT",  // Alt joins a withheld Ctrl with Alt injected
         {"main WM_KEYDOWN MENU 0x20380001", "main WM_LBUTTONDOWN 0x0001 0,0", "main WM_KEYUP MENU 0xC0380001",
          "main WM_KEYDOWN CONTROL 0x001D0001", "main input WM_KEYDOWN MENU"}},
        {"d:TAB bd:L bu:L u:TAB",
         {"main WM_KEYDOWN CONTROL 0xC01D0001", "main input WM_LBUTTONDOWN 0x0001 0,0",
          "main WM_LBUTTONUP 0x0000 0,0", "main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001"}},
        {"d:ALT bd:R m:5,5 bu:R d:ALT u:ALT",  // the owed Ctrl key-up waits for Alt's release
         {"main input WM_KEYDOWN MENU", "main WM_KEYDOWN CONTROL 0xC0000001", "main WM_RBUTTONDOWN 0x0000 0,0",
          "main WM_MOUSEMOVE 0x000A 5,5", "main WM_RBUTTONUP 0x0008 5,5", "main input WM_KEYDOWN MENU",
          "main WM_KEYUP CONTROL 0xC001D001", "main input WM_KEYUP MENU"}},
        {"d:CTRL t:S d:S",  // pressing S again hands Ctrl back to the host
         {"main WM_KEYDOWN CONTROL 0x001D0001", "main input WM_KEYDOWN S", "main WM_KEYUP CONTROL 0xC01D0001",
          "main input WM_KEYUP S", "main WM_KEYDOWN CONTROL 0x001D0001", "main input WM_KEYDOWN S"}},
    };
    for (const SequenceCase& c : cases) {
        nextCase();
        runActions(c.actions, main);
        EXPECT_EQ(received(), c.expected) << c.actions;
    }
}

struct FlushCase {
    const char* actions;
    bool settles;
};

TEST_F(Keys, EveryKeystrokeButAnAltPressSettlesTheOwedCtrlUp) {
    const FlushCase cases[] = {
        {"d:ALT", false}, {"d:LALT", false}, {"d:RALT", true}, {"d:ALT u:ALT", true}, {"d:S", true},
        {"u:S", true},    {"d:CTRL", true},  {"d:TAB", true},  {"d:SHIFT", true},
    };
    for (const FlushCase& c : cases) {
        nextCase();
        state.pendingCtrlUpWindow = second;
        runActions(c.actions, main);
        const Lines got = received();
        const bool settled = std::count(got.begin(), got.end(), "second WM_KEYUP CONTROL 0xC001D001") == 1;
        EXPECT_EQ(settled, c.settles) << c.actions;
        EXPECT_EQ(ctrlUpOwedTo() == nullptr, c.settles) << c.actions;
    }
}

TEST_F(Keys, CtrlReleaseDropsTheOwedKeyUpItOwns) {
    runActions("d:ALT bd:R bu:R d:CTRL", main);  // Ctrl joins Alt: passed on, key-up settled first
    received();
    state.pendingCtrlUpWindow = main;  // a second gesture finished while Ctrl is held
    runActions("u:CTRL", main);
    EXPECT_EQ(received(), Lines({"main input WM_KEYUP CONTROL"}));
    EXPECT_EQ(ctrlUpOwedTo(), nullptr);
}

TEST_F(Keys, LeftAndRightModifiersAreTracked) {
    runActions("d:RALT", main);
    EXPECT_TRUE(altHeld());
    runActions("u:RALT d:LCTRL", main);
    EXPECT_FALSE(altHeld());
    EXPECT_TRUE(ctrlHeld());
    EXPECT_TRUE(ctrlWithheld());
    runActions("u:LCTRL", main);
    EXPECT_FALSE(ctrlHeld() || ctrlWithheld());
    EXPECT_EQ(received(), Lines({"main input WM_KEYDOWN RMENU", "main input WM_KEYUP RMENU"}));
}

TEST_F(Keys, DraggerKeyRepeatsAreSwallowedAndItsReleaseEndsTheMode) {
    runActions("d:F", main);
    startDraggerMode();
    ASSERT_EQ(draggerKey(), 'F');
    EXPECT_TRUE(sim::keyDown('F'));
    EXPECT_FALSE(sim::keyUp('F'));
    EXPECT_EQ(draggerKey(), 0);
    EXPECT_EQ(sim::cursorCount(), 0);
    EXPECT_EQ(received(), Lines({"main input WM_KEYDOWN F", "main input WM_KEYUP F"}));
}

// Main got the repeats, so it hears the release, after the mask's key-ups:
// also when the tick ends the mode before the hook sees the release.
TEST_F(Keys, DraggerKeyThatIsAlsoTheMaskKeyHasItsReleasePassedOn) {
    for (bool tickFirst : {false, true}) {
        nextCase();
        sim::setKeyState('F', true);
        startDraggerMode();
        state.maskKey = 'F';
        state.maskActive = true;
        if (tickFirst) {
            sim::keyUpQueued('F');
            sim::advance(1);
            EXPECT_EQ(draggerKey(), 0);
            sim::takeQueued();
        } else {
            EXPECT_FALSE(sim::keyUp('F'));
        }
        EXPECT_EQ(draggerKey(), 0);
        EXPECT_EQ(received(), Lines({"main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001",
                                     "main input WM_KEYUP F"}));
    }
}

TEST_F(Keys, NonzeroHookCodeOnlyEndsDraggerModeOnLostFocus) {
    state.ctrlWithheld = true;
    state.pendingCtrlUpWindow = main;
    state.draggerKey = 'F';
    const uint64_t before = sim::nextHookCalls();
    EXPECT_EQ(KeyboardProc(3, 'S', 1), 0);
    EXPECT_EQ(KeyboardProc(3, VK_CONTROL, 0xC0000001), 0);
    EXPECT_EQ(sim::nextHookCalls(), before + 2);
    EXPECT_TRUE(ctrlWithheld());
    EXPECT_FALSE(ctrlHeld());
    EXPECT_EQ(ctrlUpOwedTo(), main);
    EXPECT_EQ(draggerKey(), 'F');
    focus(second);
    KeyboardProc(3, 'S', 1);
    EXPECT_EQ(draggerKey(), 0);
    EXPECT_EQ(received(), Lines{});
}

TEST_F(Keys, DisabledPassesEverythingOnUntracked) {
    doDisable();
    runActions("d:CTRL d:TAB u:TAB d:ALT", main);
    EXPECT_EQ(received(), Lines({"main input WM_KEYDOWN CONTROL", "main input WM_KEYDOWN TAB",
                                 "main input WM_KEYUP TAB", "main input WM_KEYDOWN MENU"}));
    EXPECT_FALSE(ctrlHeld() || altHeld() || ctrlWithheld() || maskStandsForCtrl());
}

TEST_F(Keys, WithoutMainWindowKeysAreStillTranslated) {
    state.mainWindow = nullptr;
    EXPECT_TRUE(sim::keyDown(VK_CONTROL));
    EXPECT_FALSE(sim::keyDown('S'));
    EXPECT_EQ(received(), Lines({"other WM_KEYDOWN CONTROL 0x001D0001", "main input WM_KEYDOWN S"}));
}

TEST_F(Keys, ReleaseBitsFromBit31Upward) {
    state.ctrlWithheld = true;
    state.ctrlHeld = true;
    // A sign-extended key-up parameter is a release too.
    KeyboardProc(HC_ACTION, VK_CONTROL, static_cast<LParam>(0xFFFFFFFFC0000001ull));
    EXPECT_FALSE(ctrlHeld());
    // Bit 30 (previous state) alone is an auto-repeat press.
    KeyboardProc(HC_ACTION, VK_CONTROL, 0x40000001);
    EXPECT_TRUE(ctrlHeld());
}

// Flags are written before or after each send exactly as ordered, so a
// window procedure that looks at them mid-send sees the documented state.
TEST_F(Keys, FlagsSeenFromInsideTheSends) {
    Lines seen;
    sim::setWindowProcedure(main, [&](const sim::Message& m) {
        if (m.input) return;
        seen.push_back(describe(m, main, second) + (ctrlWithheld() ? " withheld" : "") +
                       (maskStandsForCtrl() ? " mask" : "") + (altInjected() ? " injected" : ""));
    });
    runActions("d:CTRL d:S u:S bd:L u:CTRL bu:L d:CTRL d:TAB u:TAB", main);
    EXPECT_EQ(seen, Lines({
                        "main WM_KEYDOWN CONTROL 0x001D0001",  // handed over before the send
                        "main WM_KEYUP CONTROL 0xC01D0001 withheld",    // set before the send
                        "main WM_KEYDOWN MENU 0x20380001 withheld injected",
                        "main WM_LBUTTONDOWN 0x0001 0,0 withheld injected",
                        "main WM_KEYUP MENU 0xC0380001 withheld",  // altInjected cleared first
                        // The mask held, and the withheld Ctrl handed over, before the sends.
                        "main WM_KEYDOWN CONTROL 0xC01D0001 mask",
                        "main WM_KEYDOWN MENU 0x20380001 mask",
                        "main WM_KEYUP CONTROL 0xC001D001 mask",
                        "main WM_KEYUP MENU 0xC0380001 mask",  // mask cleared after the sends
                    }));
}

// The host's view after a realistic sequence that ends with everything
// released and one more ordinary keystroke: the last Ctrl and Alt messages
// it saw, sent or passed on, are key-ups (or it saw none).
TEST_F(Keys, NoModifierIsLeftDownForTheHost) {
    const char* const cases[] = {
        "d:TAB d:TAB u:TAB",
        "d:SHIFT d:TAB u:TAB u:SHIFT",
        "d:CTRL u:CTRL",
        "d:CTRL d:S u:S u:CTRL",
        "d:CTRL d:S u:CTRL u:S",
        "d:CTRL bd:L bu:L u:CTRL",
        "d:CTRL bd:L u:CTRL bu:L",
        "bd:L d:CTRL u:CTRL bu:L",
        "d:TAB d:CTRL u:CTRL u:TAB",
        "d:TAB bd:L bu:L u:TAB",
        "d:TAB bd:L d:CTRL u:CTRL bu:L u:TAB",
        "d:CTRL d:TAB u:TAB u:CTRL",
        "d:CTRL d:ALT u:ALT u:CTRL",
        "d:CTRL d:ALT u:CTRL u:ALT",
        "d:ALT d:CTRL u:CTRL u:ALT",
        "d:CTRL bd:L d:ALT u:ALT bu:L u:CTRL",
        "d:ALT bd:R m:5,5 bu:R u:ALT",
        "d:ALT bd:R m:5,5 d:CTRL bu:R u:CTRL u:ALT",
        "d:ALT bd:M m:5,5 bu:M u:ALT",
        "d:ALT bd:L m:5,5 bu:L u:ALT",
        "d:ALT bd:M bd:L m:5,5 bu:L bu:M u:ALT",
        "d:RALT bd:R m:5,5 bu:R u:RALT",
        "d:CTRL d:TAB bd:L u:TAB bu:L u:CTRL",
        "d:CTRL d:TAB bd:L u:CTRL u:TAB bu:L",
        "bd:L d:TAB d:CTRL u:TAB bu:L u:CTRL",
        "d:ALT bd:R m:5,5 u:ALT d:CTRL bu:R u:CTRL",
        "d:ALT bd:M m:5,5 bd:L u:ALT bu:M bu:L w:5 m:9,9",
        "d:CTRL d:S d:TAB u:S u:TAB d:CTRL u:CTRL",
    };
    for (const char* actions : cases) {
        nextCase();
        runActions(std::string(actions) + " t:S", main);
        std::string lastCtrl = "none", lastAlt = "none";
        for (const sim::Message& m : sim::messages()) {
            if (m.message != WM_KEYDOWN && m.message != WM_KEYUP) continue;
            const std::string direction = m.message == WM_KEYDOWN ? "down" : "up";
            if (isCtrlFamily(static_cast<int>(m.wParam))) lastCtrl = direction;
            if (isAltFamily(static_cast<int>(m.wParam))) lastAlt = direction;
        }
        EXPECT_NE(lastCtrl, "down") << actions;
        EXPECT_NE(lastAlt, "down") << actions;
        for (int key : {VK_CONTROL, VK_MENU, VK_TAB, VK_LBUTTON}) EXPECT_FALSE(sim::keyState(key)) << actions;
    }
}
