// Shared helpers: point encoding, the owed Ctrl key-up, the key scans and
// the end of dragger mode.
#include "support.h"

struct PointCase {
    Point point;
    LParam expected;
};

TEST(MakePointParam, PacksLow16BitsAndSignExtends) {
    const PointCase cases[] = {
        {{100, 200}, 0x00C80064},
        {{0, 0}, 0},
        {{-1, 5}, 0x0005FFFF},                      // x's sign stays in the low word
        {{5, -1}, static_cast<LParam>(0xFFFFFFFFFFFF0005ull)},  // y = -1: all upper bits set
        {{-2, -3}, static_cast<LParam>(0xFFFFFFFFFFFDFFFEull)},
        {{0x12345, 0x18000}, static_cast<LParam>(0xFFFFFFFF80002345ull)},  // only the low 16 bits count
    };
    for (const PointCase& c : cases)
        EXPECT_EQ(makePointParam(c.point), c.expected) << c.point.x << "," << c.point.y;
}

using Helpers = Host;

TEST_F(Helpers, OwedCtrlUpIsSentOnceThenCleared) {
    state.pendingCtrlUpWindow = second;
    settleOwedCtrlUp();
    settleOwedCtrlUp();
    EXPECT_EQ(received(), Lines({"second WM_KEYUP CONTROL 0xC001D001"}));
    EXPECT_EQ(ctrlUpOwedTo(), nullptr);
}

// Dropped only when the owed window knows of the held Ctrl and will get its
// release: handed over to the host (not withheld), and that window has the focus.
TEST_F(Helpers, OwedCtrlUpIsDroppedOnlyWhereTheHeldCtrlsReleaseGoes) {
    struct Case {
        bool ctrlHeld, ctrlWithheld, owedHasFocus, owedWasToldCtrl, dropped;
    };
    const Case cases[] = {
        {true, false, true, true, true},
        {true, true, true, true, false},
        {true, false, false, true, false},
        {false, false, true, true, false},
        {true, false, true, false, false},  // the user's Ctrl went to main, and is taken back there
    };
    for (const Case& c : cases) {
        nextCase();
        focus(c.owedHasFocus ? second : main);
        state.pendingCtrlUpWindow = second;
        state.ctrlDownWindow = c.owedWasToldCtrl ? second : main;
        state.ctrlHeld = c.ctrlHeld;
        state.ctrlWithheld = c.ctrlWithheld;
        settleOwedCtrlUp();
        EXPECT_EQ(received(), c.dropped ? Lines{} : Lines({"second WM_KEYUP CONTROL 0xC001D001"}));
        EXPECT_EQ(ctrlUpOwedTo(), nullptr);
    }
}

TEST_F(Helpers, CtrlDownButUnrecordedDoesNotStopTheOwedKeyUp) {
    sim::setKeyState(VK_CONTROL, true);  // pressed while translation was off
    state.pendingCtrlUpWindow = main;
    settleOwedCtrlUp();
    EXPECT_EQ(received(), Lines({"main WM_KEYUP CONTROL 0xC001D001"}));
}

// The owed key-up is settled once its send begins: a hook re-entered from
// that send has nothing of it to send again, and a drag that ends there
// owes a key-up of its own, which stays owed after the send returns.
TEST_F(Helpers, OwedCtrlUpIsSettledBeforeItsSend) {
    int reentries = 0;
    sim::setWindowProcedure(second, [&](const sim::Message& m) {
        if (m.message != WM_KEYUP || reentries++ != 0) return;
        settleOwedCtrlUp();
        state.pendingCtrlUpWindow = main;
    });
    state.pendingCtrlUpWindow = second;
    settleOwedCtrlUp();
    EXPECT_EQ(received(), Lines({"second WM_KEYUP CONTROL 0xC001D001"}));
    EXPECT_EQ(ctrlUpOwedTo(), main);
}

struct HeldCase {
    std::vector<int> held;
    int single;        // singleHeldKey()
    bool otherThanCtrl;  // anyOtherKeyDown(-1)
};

TEST_F(Helpers, KeyScans) {
    const HeldCase cases[] = {
        {{}, 0, false},
        {{VK_SHIFT, 'A'}, 'A', true},
        {{'A', 'B'}, 0, true},
        {{VK_MENU}, 0, true},
        {{VK_CONTROL}, 0, false},
        {{VK_RCONTROL}, 0, false},
        {{VK_CONTROL, VK_SHIFT}, 0, true},
        {{VK_LBUTTON}, 0, false},  // mouse buttons never count
        {{VK_TAB}, VK_TAB, true},
        {{0xFF}, 0xFF, true},      // last code of the walk
        {{0x08}, 0x08, true},      // first code of the walk
    };
    for (const HeldCase& c : cases) {
        sim::reset();
        for (int key : c.held) sim::setKeyState(key, true);
        EXPECT_EQ(singleHeldKey(), c.single) << ::testing::PrintToString(c.held);
        EXPECT_EQ(anyOtherKeyDown(-1), c.otherThanCtrl) << ::testing::PrintToString(c.held);
    }
}

TEST_F(Helpers, AnyOtherKeyDownSkipsTheExcludedKey) {
    sim::setKeyState(VK_TAB, true);
    EXPECT_FALSE(anyOtherKeyDown(VK_TAB));
    EXPECT_TRUE(anyOtherKeyDown(-1));
}

TEST_F(Helpers, StopDraggerTwiceShowsTheCursorOnce) {
    state.draggerKey = 'F';
    state.draggerTimer = platform::setTimer(0, 50, draggerTick);
    stopDragger();
    stopDragger();
    EXPECT_EQ(sim::cursorCount(), 1);
    EXPECT_EQ(draggerKey(), 0);
    EXPECT_EQ(sim::liveTimers(), 0u);
}

TEST_F(Helpers, StopDraggerIfUnfocusedOnlyWhenFocusLeftMainWindow) {
    state.draggerKey = 'F';
    stopDraggerIfUnfocused();
    EXPECT_EQ(draggerKey(), 'F');
    focus(second);
    stopDraggerIfUnfocused();
    EXPECT_EQ(draggerKey(), 0);
    EXPECT_EQ(sim::cursorCount(), 1);
}
