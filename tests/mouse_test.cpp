// Mouse gestures as the host sees them. The user's Alt is pressed through
// the keyboard hook, so altHeld follows it as it does in the host.
#include "support.h"

using Gestures = Host;

TEST_F(Gestures, AltRightDragBecomesCtrlRightDrag) {
    down(VK_MENU);
    received();
    press(Button::Right, 100, 100);
    moveTo(110, 105);
    moveTo(120, 110);
    release(Button::Right, 120, 110);
    EXPECT_EQ(received(), Lines({
                              "main WM_KEYDOWN CONTROL 0xC0000001",
                              "main WM_RBUTTONDOWN 0x0000 100,100",
                              "main WM_MOUSEMOVE 0x000A 110,105",
                              "main WM_MOUSEMOVE 0x000A 120,110",
                              "main WM_RBUTTONUP 0x0008 120,110",
                          }));
    EXPECT_EQ(ctrlUpOwedTo(), main);
    // Alt's repeats leave the key-up owed; Alt's release settles it.
    down(VK_MENU);
    EXPECT_EQ(received(), Lines({"main input WM_KEYDOWN MENU"}));
    up(VK_MENU);
    EXPECT_EQ(received(), Lines({"main WM_KEYUP CONTROL 0xC001D001", "main input WM_KEYUP MENU"}));
}

TEST_F(Gestures, OwedCtrlUpIsSettledByTheNextButtonPress) {
    const Button buttons[] = {Button::Left, Button::Right, Button::Middle};
    for (Button button : buttons) {
        nextCase();
        sim::setKeyState(VK_MENU, true);
        press(Button::Right, 5, 5);
        release(Button::Right, 5, 5);
        sim::setKeyState(VK_MENU, false);
        received();
        press(button, 7, 8);
        const Lines got = received();
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got[0], "main WM_KEYUP CONTROL 0xC001D001");
        EXPECT_EQ(got.size(), 2u);  // then the press itself, passed on
        EXPECT_EQ(ctrlUpOwedTo(), nullptr);
    }
}

// A host that does not capture the mouse sees the release over another
// window; the key-up still goes where the Ctrl key-down went.
TEST_F(Gestures, OwedCtrlUpGoesToTheWindowThatGotTheCtrlDown) {
    const struct {
        Button held, ending;  // the chord is held with the middle button
    } cases[] = {{Button::Right, Button::Right}, {Button::Middle, Button::Left}};
    for (const auto& c : cases) {
        nextCase();
        sim::setKeyState(VK_MENU, true);
        sim::buttonDown(c.held, main, at(main, 5, 5));
        if (c.ending != c.held) sim::buttonDown(c.ending, main, at(main, 5, 5));
        sim::buttonUp(c.ending, second, at(second, 10, 5));  // released over the second window
        EXPECT_EQ(ctrlUpOwedTo(), main);
        EXPECT_EQ(received().back(), c.ending == Button::Right ? "second WM_RBUTTONUP 0x0008 10,5"
                                                               : "second WM_RBUTTONUP 0x000A 10,5");
    }
}

// Two drags that sent Ctrl to different windows end in turn: the first
// window's key-up is settled when the second is owed, not overwritten.
TEST_F(Gestures, OverlappingDragsOweEachWindowItsCtrlUp) {
    sim::setKeyState(VK_MENU, true);
    press(Button::Middle, 5, 5);
    press(Button::Left, 5, 5);                        // chord: Ctrl to main
    sim::buttonDown(Button::Right, second, at(second, 10, 5));  // Alt + right: Ctrl to second
    sim::buttonUp(Button::Left, second, at(second, 10, 5));
    received();
    sim::buttonUp(Button::Right, second, at(second, 10, 5));
    EXPECT_EQ(received(), Lines({"second WM_RBUTTONUP 0x0008 10,5", "main WM_KEYUP CONTROL 0xC001D001"}));
    EXPECT_EQ(ctrlUpOwedTo(), second);
}

TEST_F(Gestures, OwedCtrlUpIsNotSettledByMotionReleasesOrDoubleClicks) {
    sim::setKeyState(VK_MENU, true);
    press(Button::Right, 5, 5);
    release(Button::Right, 5, 5);
    sim::setKeyState(VK_MENU, false);
    received();
    moveTo(6, 6);
    release(Button::Left, 6, 6);
    sim::doubleClick(Button::Left, main, at(main, 6, 6));
    sim::doubleClick(Button::Right, main, at(main, 6, 6));
    sim::doubleClick(Button::Middle, main, at(main, 6, 6));
    EXPECT_EQ(received(), Lines({
                              "main input WM_MOUSEMOVE 0x0000 6,6",
                              "main input WM_LBUTTONUP 0x0000 6,6",
                              "main input WM_LBUTTONDBLCLK 0x0001 6,6",
                              "main input WM_RBUTTONDBLCLK 0x0003 6,6",
                              "main input WM_MBUTTONDBLCLK 0x0013 6,6",
                          }));
    EXPECT_EQ(ctrlUpOwedTo(), main);
}

TEST_F(Gestures, AltMiddleDragBecomesRightDragFromThePressPoint) {
    sim::setKeyState(VK_MENU, true);
    press(Button::Middle, 50, 60);
    moveTo(55, 66);
    moveTo(58, 70);
    release(Button::Middle, 59, 71);
    EXPECT_EQ(received(), Lines({
                              "main WM_RBUTTONDOWN 0x0000 50,60",
                              "main WM_MOUSEMOVE 0x000A 55,66",
                              "main WM_MOUSEMOVE 0x0002 58,70",
                              "main WM_MBUTTONDOWN 0x0000 59,71",
                              "main WM_RBUTTONUP 0x0000 59,71",
                              "main WM_MBUTTONUP 0x0000 59,71",
                          }));
    EXPECT_EQ(middleGesture(), MiddleGesture::None);
}

TEST_F(Gestures, AltMiddleDragSettlesAnOwedCtrlUpBeforeItStarts) {
    state.pendingCtrlUpWindow = second;
    sim::setKeyState(VK_MENU, true);
    sim::setKeyState(VK_MBUTTON, true);  // pressed before the owed key-up arose
    state.middleGesture = MiddleGesture::AltArmed;
    state.middleAnchor = {1, 1};
    moveTo(2, 2);
    EXPECT_EQ(received(), Lines({
                              "second WM_KEYUP CONTROL 0xC001D001",
                              "main WM_RBUTTONDOWN 0x0000 1,1",
                              "main WM_MOUSEMOVE 0x000A 2,2",
                          }));
}

TEST_F(Gestures, AltLeftDragReleasesAltAndDragsWithTheRightButton) {
    down(VK_MENU);
    received();
    press(Button::Left, 20, 30);
    moveTo(20, 30);  // no motion yet: nothing starts
    moveTo(21, 30);
    moveTo(25, 35);
    release(Button::Left, 26, 36);
    EXPECT_EQ(received(), Lines({
                              "main input WM_MOUSEMOVE 0x0001 20,30",
                              "main WM_KEYUP MENU 0xC0380001",
                              "main WM_RBUTTONDOWN 0x0000 20,30",
                              "main WM_MOUSEMOVE 0x0000 21,30",
                              "main WM_MOUSEMOVE 0x0002 25,35",
                              "main WM_RBUTTONUP 0x0000 26,36",
                              "main WM_KEYDOWN MENU 0x20380001",  // Alt is still held
                          }));
}

TEST_F(Gestures, AltLeftDragWithoutAltRecordedHeldSendsNoAltDownAtTheEnd) {
    sim::setKeyState(VK_MENU, true);  // Alt down, but never seen by the keyboard hook
    press(Button::Left, 20, 30);
    moveTo(22, 30);
    release(Button::Left, 22, 30);
    const Lines got = received();
    EXPECT_EQ(got.back(), "main WM_RBUTTONUP 0x0000 22,30");
}

TEST_F(Gestures, PressAndReleaseWithoutMotion) {
    sim::setKeyState(VK_MENU, true);
    EXPECT_TRUE(sim::buttonDown(Button::Middle, main, at(main, 5, 5)));
    EXPECT_FALSE(sim::buttonUp(Button::Middle, main, at(main, 5, 5)));
    EXPECT_EQ(middleGesture(), MiddleGesture::None);

    EXPECT_TRUE(sim::buttonDown(Button::Left, main, at(main, 7, 7)));
    EXPECT_FALSE(sim::buttonUp(Button::Left, main, at(main, 7, 7)));
    EXPECT_EQ(leftGesture(), LeftGesture::None);  // the release ends the unmoved press
    EXPECT_EQ(received(), Lines({"main input WM_MBUTTONUP 0x0000 5,5", "main input WM_LBUTTONUP 0x0000 7,7"}));

    // A later plain press, with Alt added before the motion, is the host's:
    // no drag starts from the old press point, and its release reaches it.
    sim::setKeyState(VK_MENU, false);
    press(Button::Left, 9, 9);
    sim::setKeyState(VK_MENU, true);
    moveTo(10, 10);
    release(Button::Left, 10, 10);
    EXPECT_EQ(received(), Lines({
                              "main input WM_LBUTTONDOWN 0x0001 9,9",
                              "main input WM_MOUSEMOVE 0x0001 10,10",
                              "main input WM_LBUTTONUP 0x0000 10,10",
                          }));
}

TEST_F(Gestures, ChordFromArmedMiddleIsACtrlRightDragAtTheLeftPress) {
    sim::setKeyState(VK_MENU, true);
    press(Button::Middle, 10, 10);
    press(Button::Left, 12, 12);
    moveTo(15, 15);
    release(Button::Left, 16, 16);  // Alt and middle still down: Alt + middle re-arms
    moveTo(18, 18);
    EXPECT_EQ(received(), Lines({
                              "main WM_KEYDOWN CONTROL 0xC0000001",
                              "main WM_RBUTTONDOWN 0x0000 12,12",
                              "main WM_MOUSEMOVE 0x000A 15,15",
                              "main WM_RBUTTONUP 0x000A 16,16",
                              "main WM_KEYUP CONTROL 0xC001D001",  // owed, settled as the drag restarts
                              "main WM_RBUTTONDOWN 0x0000 16,16",
                              "main WM_MOUSEMOVE 0x000A 18,18",
                          }));
}

TEST_F(Gestures, ChordReleaseWithMiddleUpDoesNotRearm) {
    sim::setKeyState(VK_MENU, true);
    press(Button::Middle, 10, 10);
    press(Button::Left, 12, 12);
    sim::setKeyState(VK_MBUTTON, false);
    release(Button::Left, 16, 16);
    EXPECT_EQ(middleGesture(), MiddleGesture::None);
    EXPECT_EQ(ctrlUpOwedTo(), main);
}

TEST_F(Gestures, LeftAddedToAltMiddleDragSwitchesToChordAfter2ms) {
    sim::setKeyState(VK_MENU, true);
    sim::setTick(1000);
    press(Button::Middle, 10, 10);
    moveTo(11, 11);
    received();
    press(Button::Left, 12, 12);
    EXPECT_EQ(received(), Lines({"main WM_RBUTTONUP 0x0000 12,12"}));
    sim::advance(1);  // too early: falls through and, with nothing active, passes on
    moveTo(13, 13);
    EXPECT_EQ(received(), Lines({"main input WM_MOUSEMOVE 0x0011 13,13"}));
    sim::advance(1);
    moveTo(14, 14);
    moveTo(15, 15);
    release(Button::Left, 15, 15);
    EXPECT_EQ(received(), Lines({
                              "main WM_KEYDOWN CONTROL 0xC0000001",
                              "main WM_RBUTTONDOWN 0x0000 14,14",
                              "main WM_MOUSEMOVE 0x000A 15,15",
                              "main WM_RBUTTONUP 0x000A 15,15",
                          }));
}

TEST_F(Gestures, MiddleAddedToAltLeftDragSwitchesToChord) {
    down(VK_MENU);
    press(Button::Left, 10, 10);
    moveTo(11, 11);
    received();
    sim::setTick(sim::now() + 5);
    press(Button::Middle, 12, 12);
    EXPECT_EQ(received(), Lines({"main WM_RBUTTONUP 0x0000 12,12", "main WM_KEYDOWN MENU 0x20380001"}));
    EXPECT_EQ(leftGesture(), LeftGesture::ChordPending);
    sim::advance(2);
    moveTo(13, 13);
    EXPECT_EQ(received(), Lines({"main WM_KEYDOWN CONTROL 0xC0000001", "main WM_RBUTTONDOWN 0x0000 13,13"}));
    EXPECT_EQ(leftGesture(), LeftGesture::Chord);
}

TEST_F(Gestures, LeftReleaseDropsAPendingSwitch) {
    sim::setKeyState(VK_MENU, true);
    press(Button::Middle, 10, 10);
    moveTo(11, 11);
    press(Button::Left, 12, 12);
    release(Button::Left, 12, 12);
    release(Button::Middle, 12, 12);
    sim::setKeyState(VK_MENU, false);
    received();
    sim::advance(5);
    moveTo(20, 20);  // no button held: plain motion, no chord drag
    EXPECT_EQ(received(), Lines({"main input WM_MOUSEMOVE 0x0000 20,20"}));
    EXPECT_EQ(leftGesture(), LeftGesture::None);
}

TEST_F(Gestures, ChordSwitchDelayAcrossTickWrap) {
    struct Case {
        uint32_t switchTick;
        uint32_t elapsed;
        bool starts;
    };
    const Case cases[] = {
        {0xFFFFFFFF, 0, false}, {0xFFFFFFFF, 1, false}, {0xFFFFFFFF, 2, true},
        {0xFFFFFFFE, 1, false}, {0xFFFFFFFE, 2, true},  {0xFFFFFFF0, 0x20, true},
        {5, 1, false},          {5, 2, true},
    };
    for (const Case& c : cases) {
        nextCase();
        down(VK_MENU);
        press(Button::Left, 0, 0);
        moveTo(1, 1);  // an Alt + left drag
        sim::setTick(c.switchTick);
        press(Button::Middle, 1, 1);  // the switch to the chord waits from here
        sim::setTick(c.switchTick + c.elapsed);
        moveTo(2, 2);
        EXPECT_EQ(leftGesture(), c.starts ? LeftGesture::Chord : LeftGesture::ChordPending)
            << std::hex << c.switchTick << " +" << c.elapsed;
    }
}

TEST_F(Gestures, AltLeftThenMiddleBeforeMotionIsNoChord) {
    down(VK_MENU);
    press(Button::Left, 10, 10);
    press(Button::Middle, 20, 20);
    received();
    moveTo(21, 21);
    moveTo(22, 22);
    EXPECT_EQ(received(), Lines({
                              "main WM_RBUTTONDOWN 0x0000 20,20",
                              "main WM_MOUSEMOVE 0x000A 21,21",
                              "main WM_KEYUP MENU 0xC0380001",
                              "main WM_RBUTTONDOWN 0x0000 10,10",
                              "main WM_MOUSEMOVE 0x0000 22,22",
                          }));
}

TEST_F(Gestures, LeftPressWithAltInjectedSkipsTheAltRules) {
    sim::setKeyState(VK_MENU, true);
    sim::setKeyState(VK_MBUTTON, true);
    state.altInjected = true;
    state.ctrlWithheld = true;
    press(Button::Left, 3, 4);
    EXPECT_EQ(received(), Lines({"main WM_KEYDOWN MENU 0x20380001", "main WM_LBUTTONDOWN 0x0001 3,4"}));
    EXPECT_EQ(leftGesture(), LeftGesture::PressSent);
}

TEST_F(Gestures, WithheldCtrlLeftClickIsReplayedWithAlt) {
    state.ctrlWithheld = true;
    press(Button::Left, 3, 4);
    moveTo(5, 6);
    release(Button::Left, 5, 6);
    EXPECT_EQ(received(), Lines({
                              "main WM_KEYDOWN MENU 0x20380001",
                              "main WM_LBUTTONDOWN 0x0001 3,4",
                              "main input WM_MOUSEMOVE 0x0001 5,6",
                              "main WM_LBUTTONUP 0x0000 5,6",
                          }));
    EXPECT_TRUE(altInjected());  // only a Ctrl release clears it
}

TEST_F(Gestures, MaskedLeftClickPassesThePressAndReplaysTheRelease) {
    state.maskActive = true;
    sim::setKeyState(VK_TAB, true);
    press(Button::Left, 3, 4);
    release(Button::Left, 5, 6);
    EXPECT_EQ(received(), Lines({"main input WM_LBUTTONDOWN 0x0001 3,4", "main WM_LBUTTONUP 0x0000 5,6"}));
    EXPECT_EQ(leftGesture(), LeftGesture::None);
}

TEST_F(Gestures, MotionDuringAReplayedLeftUpIsSwallowed) {
    for (bool masked : {true, false}) {
        nextCase();
        sim::setWindowProcedure(main, [&](const sim::Message& m) {
            if (m.message == WM_LBUTTONUP && !m.input) {
                EXPECT_TRUE(sim::move(main, at(main, 9, 9)));
            }
        });
        if (masked)
            state.maskActive = true, sim::setKeyState(VK_TAB, true);
        else
            state.ctrlWithheld = true;
        press(Button::Left, 3, 4);
        received();
        release(Button::Left, 5, 6);
        EXPECT_EQ(received(), Lines({"main WM_LBUTTONUP 0x0000 5,6"}));
        EXPECT_FALSE(sendingLeftUp());
        moveTo(7, 7);
        EXPECT_EQ(received(), Lines({"main input WM_MOUSEMOVE 0x0000 7,7"}));
    }
}

TEST_F(Gestures, DraggerModeHoldsBackMotionAndLeftPresses) {
    state.draggerKey = 'F';
    sim::setKeyState('F', true);
    EXPECT_TRUE(sim::move(main, at(main, 1, 1)));
    EXPECT_TRUE(sim::buttonDown(Button::Left, main, at(main, 1, 1)));
    EXPECT_FALSE(sim::buttonDown(Button::Middle, main, at(main, 1, 1)));
    EXPECT_FALSE(sim::buttonDown(Button::Right, main, at(main, 1, 1)));
    EXPECT_EQ(received(), Lines({
                              "main WM_KEYDOWN F 0xC01D0001",
                              "main input WM_MBUTTONDOWN 0x0011 1,1",
                              "main input WM_RBUTTONDOWN 0x0013 1,1",
                          }));
    EXPECT_EQ(draggerKey(), 'F');
}

TEST_F(Gestures, DraggerModeEndsWhenFocusLeavesTheMainWindow) {
    state.draggerKey = 'F';
    focus(second);
    EXPECT_FALSE(sim::move(main, at(main, 1, 1)));
    EXPECT_EQ(draggerKey(), 0);
    EXPECT_EQ(sim::cursorCount(), 1);
}

TEST_F(Gestures, PassThroughWhenDisabledOrWithoutMainWindow) {
    sim::setKeyState(VK_MENU, true);
    for (bool disabled : {true, false}) {
        nextCase();
        if (disabled)
            doDisable();
        else
            state.mainWindow = nullptr;
        sim::setKeyState(VK_MENU, true);
        MouseHookRecord record = {at(second, 10, 7), second, 1, 0};
        const uint64_t before = sim::nextHookCalls();
        EXPECT_EQ(MouseProc(HC_ACTION, WM_RBUTTONDOWN, reinterpret_cast<LParam>(&record)), 0);
        EXPECT_EQ(sim::nextHookCalls(), before + 1);
        EXPECT_EQ(record.pt.x, at(second, 10, 7).x);  // left unconverted
        EXPECT_EQ(rightGesture(), RightGesture::None);
        EXPECT_EQ(received(), Lines{});
    }
}

// Switched off mid-drag, the module goes on translating until nothing is
// held, and settles the drag's owed Ctrl key-up then.
TEST_F(Gestures, DisableMidGestureTakesEffectOnceNothingIsHeld) {
    down(VK_MENU);
    press(Button::Right, 1, 1);
    doDisable();
    up(VK_MENU);
    received();
    moveTo(2, 2);
    release(Button::Right, 2, 2);
    EXPECT_EQ(received(), Lines({"main WM_MOUSEMOVE 0x000A 2,2", "main WM_RBUTTONUP 0x0008 2,2",
                                 "main WM_KEYUP CONTROL 0xC001D001"}));
    EXPECT_FALSE(translating());
    tap('S');
    EXPECT_EQ(received(), Lines({"main input WM_KEYDOWN S", "main input WM_KEYUP S"}));
}

TEST_F(Gestures, PointsAreConvertedToTheTargetsClientArea) {
    sim::setKeyState(VK_MENU, true);
    sim::buttonDown(Button::Right, second, at(second, 50, -20));
    EXPECT_EQ(received(), Lines({"second WM_KEYDOWN CONTROL 0xC0000001", "second WM_RBUTTONDOWN 0x0000 50,-20"}));
}

// A peek that leaves the message queued must not act on it; the record
// still holds the converted point afterwards.
TEST_F(Gestures, NonActionCodesOnlyConvertThePoint) {
    sim::setKeyState(VK_MENU, true);
    state.draggerKey = 'F';
    MouseHookRecord record = {at(second, 5, 6), second, 1, 0};
    EXPECT_EQ(MouseProc(3, WM_RBUTTONDOWN, reinterpret_cast<LParam>(&record)), 0);
    EXPECT_EQ(record.pt.x, 5);
    EXPECT_EQ(record.pt.y, 6);
    EXPECT_EQ(rightGesture(), RightGesture::None);
    EXPECT_EQ(received(), Lines{});
    focus(second);  // lost focus still ends dragger mode
    MouseProc(3, WM_MOUSEMOVE, reinterpret_cast<LParam>(&record));
    EXPECT_EQ(draggerKey(), 0);
}

TEST_F(Gestures, NoRecordPassesOnAndTouchesNothing) {
    state.draggerKey = 'F';
    focus(second);
    const uint64_t before = sim::nextHookCalls();
    EXPECT_EQ(MouseProc(HC_ACTION, WM_MOUSEMOVE, 0), 0);
    EXPECT_EQ(sim::nextHookCalls(), before + 1);
    EXPECT_EQ(draggerKey(), 'F');
}
