// Dragger mode, mask key capture and the H burst on the virtual clock.
#include "support.h"

#include <algorithm>

namespace {

size_t countOf(const Lines& lines, const std::string& line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

}  // namespace

using Dragger = Host;

TEST_F(Dragger, RepeatsTheHeldKeyEvery50msUntilItIsReleased) {
    down('F');
    received();
    startDraggerMode();
    EXPECT_EQ(sim::cursorCount(), -1);
    sim::advance(1);
    EXPECT_EQ(received(), Lines({"main WM_KEYDOWN F 0xC01D0001"}));
    sim::advance(49);
    EXPECT_EQ(received(), Lines{});
    sim::advance(1);
    EXPECT_EQ(received(), Lines({"main WM_KEYDOWN F 0xC01D0001"}));
    sim::advance(500);
    EXPECT_EQ(countOf(received(), "main WM_KEYDOWN F 0xC01D0001"), 10u);
    EXPECT_EQ(sim::liveTimers(), 1u);  // re-armed, never duplicated

    EXPECT_TRUE(sim::keyDown('F'));  // the platform's own repeat is swallowed
    up('F');
    EXPECT_EQ(received(), Lines({"main input WM_KEYUP F"}));
    EXPECT_EQ(draggerKey(), 0);
    EXPECT_EQ(sim::cursorCount(), 0);
    sim::advance(200);
    EXPECT_EQ(received(), Lines{});
    EXPECT_EQ(sim::liveTimers(), 0u);
}

TEST_F(Dragger, StartIsRefused) {
    struct Case {
        const char* why;
        std::vector<int> held;
        bool focusOnChild;
    };
    const Case cases[] = {
        {"two keys held", {'F', 'G'}, false},
        {"only modifiers held", {VK_SHIFT, VK_CONTROL, VK_MENU}, false},
        {"nothing held", {}, false},
        {"focus on a child of the main window", {'F'}, true},
    };
    for (const Case& c : cases) {
        nextCase();
        for (int key : c.held) sim::setKeyState(key, true);
        if (c.focusOnChild) focus(sim::addWindow({0, 0}, main));
        startDraggerMode();
        sim::advance(200);
        EXPECT_EQ(draggerKey(), 0) << c.why;
        EXPECT_EQ(sim::cursorCount(), 0) << c.why;
        EXPECT_EQ(sim::liveTimers(), 0u) << c.why;  // not even a timer sending key 0
        EXPECT_EQ(received(), Lines{}) << c.why;
    }
}

// Windows fires timers only at its clock's ticks, 15.625 ms apart: a timer
// armed for 50 ms at each tick would repeat every 62.5 ms.
TEST_F(Dragger, KeepsTwentyRepeatsASecondOnACoarseTimerClock) {
    sim::coarseClock(true);
    sim::setKeyState('F', true);
    startDraggerMode();
    sim::advance(2000);
    EXPECT_NEAR(static_cast<double>(countOf(received(), "main WM_KEYDOWN F 0xC01D0001")), 40.0, 1.0);
}

TEST_F(Dragger, SecondStartWhileOnChangesNothing) {
    sim::setKeyState('F', true);
    startDraggerMode();
    sim::keyUpQueued('F');  // its release still on its way
    sim::setKeyState('G', true);
    startDraggerMode();
    EXPECT_EQ(draggerKey(), 'F');
    EXPECT_EQ(sim::cursorCount(), -1);
    EXPECT_EQ(sim::liveTimers(), 1u);
}

TEST_F(Dragger, EndsOnLostFocusThroughEitherHookAndShowsTheCursorOnce) {
    for (bool throughKeyboard : {true, false}) {
        nextCase();
        sim::setKeyState('F', true);
        startDraggerMode();
        focus(second);
        if (throughKeyboard)
            tap('S');
        else
            moveTo(3, 3);
        EXPECT_EQ(draggerKey(), 0);
        EXPECT_EQ(sim::cursorCount(), 0);
        EXPECT_EQ(sim::liveTimers(), 0u);
        moveTo(4, 4);
        EXPECT_EQ(sim::cursorCount(), 0);
    }
}

// With translation off no hook ends the mode: the next tick does, at the
// key's release or main's loss of the focus, and sends nothing.
TEST_F(Dragger, WhileDisabledEndsAtTheTickAfterItsKeysReleaseOrLostFocus) {
    for (bool release : {true, false}) {
        nextCase();
        doDisable();
        down('F');
        startDraggerMode();
        sim::advance(101);
        EXPECT_EQ(countOf(received(), "main WM_KEYDOWN F 0xC01D0001"), 3u);
        if (release)
            EXPECT_FALSE(sim::keyUp('F'));  // passed on
        else
            focus(second);
        sim::advance(50);
        EXPECT_EQ(countOf(received(), "main WM_KEYDOWN F 0xC01D0001"), 0u);
        EXPECT_EQ(draggerKey(), 0);
        EXPECT_EQ(sim::cursorCount(), 0);
        EXPECT_EQ(sim::liveTimers(), 0u);
    }
}

using MaskCapture = Host;

TEST_F(MaskCapture, HeldKeyBecomesTheMaskKeyAndCtrlFollows50msLater) {
    down('F');
    received();
    customMaskKeyPressed();
    EXPECT_EQ(maskKey(), 'F');
    sim::advance(49);
    EXPECT_EQ(received(), Lines{});
    sim::advance(1);
    EXPECT_EQ(received(), Lines({"main WM_KEYDOWN CONTROL 0xC01D0001"}));
    EXPECT_TRUE(maskStandsForCtrl());
    EXPECT_EQ(sim::liveTimers(), 0u);  // fires once
    EXPECT_TRUE(sim::keyDown('F'));
    // The host saw F go down before it became the mask key: it hears it go up.
    EXPECT_FALSE(sim::keyUp('F'));
    EXPECT_EQ(received(), Lines({"main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001",
                                 "main input WM_KEYUP F"}));
    // A later press of the mask key is the mask's alone.
    EXPECT_TRUE(sim::keyDown('F'));
    EXPECT_TRUE(sim::keyUp('F'));
    received();
    // Tab is an ordinary key again.
    tap(VK_TAB);
    EXPECT_EQ(received(), Lines({"main input WM_KEYDOWN TAB", "main input WM_KEYUP TAB"}));
}

TEST_F(MaskCapture, AutoRepeatBeforeTheTickPressesCtrlSooner) {
    down('F');
    customMaskKeyPressed();
    received();
    down('F');
    EXPECT_EQ(received(), Lines({"main WM_KEYDOWN CONTROL 0xC01D0001"}));
    sim::advance(60);
    EXPECT_EQ(received(), Lines{});
    EXPECT_EQ(sim::liveTimers(), 0u);
}

TEST_F(MaskCapture, NothingChangesWithoutExactlyOneNonModifierKey) {
    const std::vector<std::vector<int>> cases = {{}, {'F', 'G'}, {VK_SHIFT}, {VK_CONTROL}, {VK_MENU}};
    for (const std::vector<int>& held : cases) {
        nextCase();
        for (int key : held) sim::setKeyState(key, true);
        customMaskKeyPressed();
        sim::advance(100);
        EXPECT_EQ(maskKey(), VK_TAB);
        EXPECT_EQ(sim::liveTimers(), 0u);
        EXPECT_EQ(received(), Lines{});
    }
}

TEST_F(MaskCapture, RefusedWhenFocusIsNotTheMainWindow) {
    sim::setKeyState('F', true);
    focus(second);
    customMaskKeyPressed();
    EXPECT_EQ(maskKey(), VK_TAB);
}

TEST_F(MaskCapture, SecondCaptureBeforeTheTickReArmsTheSameTimer) {
    sim::setKeyState('F', true);
    customMaskKeyPressed();
    sim::advance(30);
    sim::setKeyState('F', false);
    sim::setKeyState('G', true);
    customMaskKeyPressed();
    EXPECT_EQ(sim::liveTimers(), 1u);
    EXPECT_EQ(maskKey(), 'G');
    sim::advance(49);
    EXPECT_EQ(received(), Lines{});
    sim::advance(1);
    EXPECT_EQ(received(), Lines({"main WM_KEYDOWN CONTROL 0xC01D0001"}));
}

TEST_F(MaskCapture, CaptureWhileMaskActiveChangesTheKeyOnly) {
    down(VK_TAB);
    sim::keyUpQueued(VK_TAB);  // its release still on its way
    sim::setKeyState('F', true);
    customMaskKeyPressed();
    EXPECT_EQ(maskKey(), 'F');
    EXPECT_EQ(sim::liveTimers(), 0u);
}

// The host hears the release of the key held at a capture only if it heard
// its press: a new key's press passed on, the mask key's own press (which
// pressed the mask's Ctrl) did not, even when captured again while held.
TEST_F(MaskCapture, ReleaseOfTheKeyHeldAtCaptureReachesTheHostOnlyIfItsPressDid) {
    const Lines maskUps = {"main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001"};
    const struct {
        const char* name;
        int key;
        Lines atRelease;
    } cases[] = {
        {"a new key", 'F', {"main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001", "main input WM_KEYUP F"}},
        {"the mask key, captured again", VK_TAB, maskUps},
    };
    for (const auto& c : cases) {
        nextCase();
        down(c.key);
        customMaskKeyPressed();
        sim::advance(50);
        received();
        up(c.key);
        EXPECT_EQ(received(), c.atRelease) << c.name;
        EXPECT_EQ(maskKey(), c.key) << c.name;
        EXPECT_FALSE(maskStandsForCtrl()) << c.name;
    }
}

// F's release passes on untracked: a Ctrl pressed for it would stay down.
// Once translation is on, F works as the mask key.
TEST_F(MaskCapture, WhileDisabledOnlyChangesTheKey) {
    doDisable();
    down('F');
    customMaskKeyPressed();
    sim::advance(50);
    EXPECT_EQ(maskKey(), 'F');
    EXPECT_FALSE(maskStandsForCtrl());
    EXPECT_FALSE(sim::keyUp('F'));
    doEnable();
    tap('F');
    EXPECT_EQ(received(), Lines({"main input WM_KEYDOWN F", "main input WM_KEYUP F", "main WM_KEYDOWN CONTROL 0xC01D0001",
                                 "main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001"}));
}

// A key released before the tick already had its release handled; the
// tick must not then tell the host Ctrl is down with nothing to lift it.
TEST_F(MaskCapture, KeyReleasedBeforeTheTickPressesNoCtrl) {
    down('F');
    customMaskKeyPressed();
    EXPECT_FALSE(sim::keyUp('F'));
    received();
    sim::advance(100);
    EXPECT_EQ(received(), Lines{});
    EXPECT_FALSE(maskStandsForCtrl());
    EXPECT_EQ(sim::liveTimers(), 0u);
    // The next press and release of the new mask key work as usual.
    tap('F');
    EXPECT_EQ(received(), Lines({"main WM_KEYDOWN CONTROL 0xC01D0001", "main WM_KEYUP CONTROL 0xC001D001",
                                 "main WM_KEYUP MENU 0xC0380001"}));
}

TEST_F(MaskCapture, CtrlWithheldWhenTheTickFiresIsHandedOverWithAlt) {
    down('F');
    customMaskKeyPressed();
    down(VK_CONTROL);  // F is down, so Ctrl is passed on, not withheld
    state.ctrlWithheld = true;
    received();
    sim::advance(50);
    EXPECT_EQ(received(), Lines({"main WM_KEYDOWN CONTROL 0xC01D0001", "main WM_KEYDOWN MENU 0x20380001"}));
    EXPECT_FALSE(ctrlWithheld());
}

using Burst = Host;

const Lines kPair = {"main WM_KEYDOWN H 0xC01D0001", "main WM_KEYUP H 0xC01D0001"};

TEST_F(Burst, FivePairsThenTheTimerIsGone) {
    doDelayedEnable();
    sim::advance(1);
    EXPECT_EQ(received(), kPair);
    for (int pair = 2; pair <= 5; ++pair) {
        sim::advance(9);
        EXPECT_EQ(received(), Lines{});
        sim::advance(1);
        EXPECT_EQ(received(), kPair) << "pair " << pair;
    }
    sim::advance(10);
    EXPECT_EQ(burstTicks(), 6);
    EXPECT_FALSE(burstTimerLive());
    EXPECT_EQ(sim::liveTimers(), 0u);
    sim::advance(100);
    EXPECT_EQ(received(), Lines{});
}

TEST_F(Burst, CancelAfterTwoPairsThenRestart) {
    doDelayedEnable();
    sim::advance(11);
    EXPECT_EQ(received().size(), 4u);
    setOrvalindeIsEnabled();
    sim::advance(100);
    EXPECT_EQ(received(), Lines{});
    EXPECT_EQ(burstTicks(), 2);
    doDelayedEnable();
    sim::advance(100);
    EXPECT_EQ(countOf(received(), kPair[0]), 5u);
}

TEST_F(Burst, RestartDuringABurstReArmsTheOneTimer) {
    doDelayedEnable();
    sim::advance(11);
    doDelayedEnable();
    EXPECT_EQ(sim::liveTimers(), 1u);
    received();
    sim::advance(100);
    EXPECT_EQ(countOf(received(), kPair[0]), 5u);
}

TEST_F(Burst, IgnoresEnabledAndFocus) {
    doDisable();
    focus(second);
    doDelayedEnable();
    sim::advance(100);
    const Lines got = received();
    EXPECT_EQ(got.size(), 10u);
    EXPECT_EQ(countOf(got, kPair[0]), 5u);
    EXPECT_EQ(countOf(got, kPair[1]), 5u);
    EXPECT_FALSE(translating());
}

// Timer ids without a window are the thread's to hand out again once freed,
// lowest first: the host's own timer may get the id a feature's timer just
// had. No order of the timer-driven features may then touch it.
namespace {
int hostTicks = 0;
void PLATFORM_CALLBACK hostTick(WindowHandle, uint32_t, TimerId, TimerTime) { ++hostTicks; }
}  // namespace

using TimerIds = Host;

TEST_F(TimerIds, NoOrderOfTheFeaturesTouchesTheHostsTimer) {
    const struct {
        const char* name;
        void (*run)();
    } features[] = {
        {"mask capture",
         [] {
             sim::keyDown('F');
             customMaskKeyPressed();
             sim::advance(50);
             sim::keyUp('F');
         }},
        {"the burst", [] {
             doDelayedEnable();
             sim::advance(100);
         }},
        {"the burst cancelled twice",
         [] {
             doDelayedEnable();
             setOrvalindeIsEnabled();
             setOrvalindeIsEnabled();
         }},
        {"dragger mode",
         [] {
             sim::keyDown('G');
             startDraggerMode();
             sim::advance(60);
             sim::keyUp('G');
             sim::advance(50);
         }},
    };
    int order[] = {0, 1, 2, 3};
    do {
        nextCase();
        std::string names;
        TimerId host = 0;
        for (int f : order) {
            features[f].run();
            names += std::string(features[f].name) + "; ";
            // After the first, the host's own timer takes the lowest free id.
            if (host == 0) host = platform::setTimer(0, 1000, hostTick);
        }
        const std::vector<sim::TimerInfo> live = sim::timers();
        ASSERT_EQ(live.size(), 1u) << names;
        EXPECT_EQ(live[0].id, host) << names;
        EXPECT_EQ(live[0].procedure, hostTick) << names;
        EXPECT_EQ(live[0].interval, 1000u) << names;
    } while (std::next_permutation(order, order + 4));
}
