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
        {"key down TAB, key down TAB, key up TAB",  // Tab alone, with one auto-repeat
         {"main WM_KEYDOWN CONTROL 0xC01D0001", "main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001"}},
        {"key down SHIFT, key down TAB, key up TAB, key up SHIFT",
         {"main input WM_KEYDOWN SHIFT", "main input WM_KEYUP SHIFT"}},
        {"key down CONTROL, key down CONTROL, key up CONTROL", {}},
        {"key down CONTROL, key down S, key up S, key up CONTROL",
         {"main WM_KEYDOWN CONTROL 0x001D0001", "main input WM_KEYDOWN S", "main WM_KEYUP CONTROL 0xC01D0001",
          "main input WM_KEYUP S"}},
        // Ctrl withheld again only when the last key goes up
        {"key down CONTROL, key down S, key down A, key up A, key up S, key up CONTROL",
         {"main WM_KEYDOWN CONTROL 0x001D0001", "main input WM_KEYDOWN S", "main input WM_KEYDOWN A",
          "main input WM_KEYUP A", "main WM_KEYUP CONTROL 0xC01D0001", "main input WM_KEYUP S"}},
        {"button down left, key down CONTROL, key up CONTROL, button up left",
         {"main input WM_LBUTTONDOWN 0x0001 0,0", "main WM_KEYDOWN MENU 0x20380001", "main WM_KEYUP MENU 0xC0380001",
          "main input WM_LBUTTONUP 0x0000 0,0"}},
        {"key down CONTROL, button down left, button up left, key up CONTROL",
         {"main WM_KEYDOWN MENU 0x20380001", "main WM_LBUTTONDOWN 0x0001 0,0", "main WM_LBUTTONUP 0x0000 0,0",
          "main WM_KEYUP MENU 0xC0380001"}},
        {"key down TAB, key down CONTROL, key up CONTROL, key up TAB",
         {"main WM_KEYDOWN CONTROL 0xC01D0001", "main WM_KEYDOWN MENU 0x20380001", "main input WM_KEYDOWN CONTROL",
          "main WM_KEYUP MENU 0xC0380001", "main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001"}},
        {"key down CONTROL, key down TAB, key up TAB, key up CONTROL",
         {"main WM_KEYDOWN CONTROL 0xC01D0001", "main WM_KEYDOWN MENU 0x20380001", "main WM_KEYUP CONTROL 0xC001D001",
          "main WM_KEYUP MENU 0xC0380001", "main input WM_KEYUP CONTROL"}},
        {"key down CONTROL, button down left, key down MENU",  // Alt joins a withheld Ctrl with Alt injected
         {"main WM_KEYDOWN MENU 0x20380001", "main WM_LBUTTONDOWN 0x0001 0,0", "main WM_KEYUP MENU 0xC0380001",
          "main WM_KEYDOWN CONTROL 0x001D0001", "main input WM_KEYDOWN MENU"}},
        {"key down TAB, button down left, button up left, key up TAB",
         {"main WM_KEYDOWN CONTROL 0xC01D0001", "main input WM_LBUTTONDOWN 0x0001 0,0",
          "main WM_LBUTTONUP 0x0000 0,0", "main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001"}},
        // the owed Ctrl key-up waits for Alt's release
        {"key down MENU, button down right, move 5 5, button up right, key down MENU, key up MENU",
         {"main input WM_KEYDOWN MENU", "main WM_KEYDOWN CONTROL 0xC0000001", "main WM_RBUTTONDOWN 0x0000 0,0",
          "main WM_MOUSEMOVE 0x000A 5,5", "main WM_RBUTTONUP 0x0008 5,5", "main input WM_KEYDOWN MENU",
          "main WM_KEYUP CONTROL 0xC001D001", "main input WM_KEYUP MENU"}},
        {"key down CONTROL, key tap S, key down S",  // pressing S again hands Ctrl back to the host
         {"main WM_KEYDOWN CONTROL 0x001D0001", "main input WM_KEYDOWN S", "main WM_KEYUP CONTROL 0xC01D0001",
          "main input WM_KEYUP S", "main WM_KEYDOWN CONTROL 0x001D0001", "main input WM_KEYDOWN S"}},
    };
    for (const SequenceCase& c : cases) {
        nextCase();
        runActions(c.actions);
        EXPECT_EQ(received(), c.expected) << c.actions;
    }
}

struct FlushCase {
    const char* actions;
    bool settles;
};

TEST_F(Keys, EveryKeystrokeButAnAltPressSettlesTheOwedCtrlUp) {
    const FlushCase cases[] = {
        {"key down MENU", false}, {"key down LMENU", false}, {"key down RMENU", true},
        {"key down MENU, key up MENU", true}, {"key down S", true}, {"key up S", true},
        {"key down CONTROL", true}, {"key down TAB", true}, {"key down SHIFT", true},
    };
    for (const FlushCase& c : cases) {
        nextCase();
        state.pendingCtrlUpWindow = second;
        runActions(c.actions);
        const Lines got = received();
        const bool settled = std::count(got.begin(), got.end(), "second WM_KEYUP CONTROL 0xC001D001") == 1;
        EXPECT_EQ(settled, c.settles) << c.actions;
        EXPECT_EQ(ctrlUpOwedTo() == nullptr, c.settles) << c.actions;
    }
}

TEST_F(Keys, CtrlReleaseDropsTheOwedKeyUpItOwns) {
    // Ctrl joins Alt: passed on, key-up settled first
    runActions("key down MENU, button down right, button up right, key down CONTROL");
    received();
    state.pendingCtrlUpWindow = main;  // a second gesture finished while Ctrl is held
    runActions("key up CONTROL");
    EXPECT_EQ(received(), Lines({"main input WM_KEYUP CONTROL"}));
    EXPECT_EQ(ctrlUpOwedTo(), nullptr);
}

TEST_F(Keys, LeftAndRightModifiersAreTracked) {
    runActions("key down RMENU");
    EXPECT_TRUE(altHeld());
    runActions("key up RMENU, key down LCONTROL");
    EXPECT_FALSE(altHeld());
    EXPECT_TRUE(ctrlHeld());
    EXPECT_TRUE(ctrlWithheld());
    runActions("key up LCONTROL");
    EXPECT_FALSE(ctrlHeld() || ctrlWithheld());
    EXPECT_EQ(received(), Lines({"main input WM_KEYDOWN RMENU", "main input WM_KEYUP RMENU"}));
}

TEST_F(Keys, DraggerKeyRepeatsAreSwallowedAndItsReleaseEndsTheMode) {
    runActions("key down F");
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
    runActions("key down CONTROL, key down TAB, key up TAB, key down MENU");
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
    runActions("key down CONTROL, key down S, key up S, button down left, key up CONTROL, button up left, "
               "key down CONTROL, key down TAB, key up TAB");
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
        "key down TAB, key down TAB, key up TAB",
        "key down SHIFT, key down TAB, key up TAB, key up SHIFT",
        "key down CONTROL, key up CONTROL",
        "key down CONTROL, key down S, key up S, key up CONTROL",
        "key down CONTROL, key down S, key up CONTROL, key up S",
        "key down CONTROL, button down left, button up left, key up CONTROL",
        "key down CONTROL, button down left, key up CONTROL, button up left",
        "button down left, key down CONTROL, key up CONTROL, button up left",
        "key down TAB, key down CONTROL, key up CONTROL, key up TAB",
        "key down TAB, button down left, button up left, key up TAB",
        "key down TAB, button down left, key down CONTROL, key up CONTROL, button up left, key up TAB",
        "key down CONTROL, key down TAB, key up TAB, key up CONTROL",
        "key down CONTROL, key down MENU, key up MENU, key up CONTROL",
        "key down CONTROL, key down MENU, key up CONTROL, key up MENU",
        "key down MENU, key down CONTROL, key up CONTROL, key up MENU",
        "key down CONTROL, button down left, key down MENU, key up MENU, button up left, key up CONTROL",
        "key down MENU, button down right, move 5 5, button up right, key up MENU",
        "key down MENU, button down right, move 5 5, key down CONTROL, button up right, key up CONTROL, key up MENU",
        "key down MENU, button down middle, move 5 5, button up middle, key up MENU",
        "key down MENU, button down left, move 5 5, button up left, key up MENU",
        "key down MENU, button down middle, button down left, move 5 5, button up left, button up middle, key up MENU",
        "key down RMENU, button down right, move 5 5, button up right, key up RMENU",
        "key down CONTROL, key down TAB, button down left, key up TAB, button up left, key up CONTROL",
        "key down CONTROL, key down TAB, button down left, key up CONTROL, key up TAB, button up left",
        "button down left, key down TAB, key down CONTROL, key up TAB, button up left, key up CONTROL",
        "key down MENU, button down right, move 5 5, key up MENU, key down CONTROL, button up right, key up CONTROL",
        ("key down MENU, button down middle, move 5 5, button down left, key up MENU, button up middle, "
         "button up left, wait 5, move 9 9"),
        "key down CONTROL, key down S, key down TAB, key up S, key up TAB, key down CONTROL, key up CONTROL",
    };
    for (const char* actions : cases) {
        nextCase();
        runActions(std::string(actions) + ", key tap S");
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
