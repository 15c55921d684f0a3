// Gestures whose release the hooks never see: a host's own records, which
// start drags no button holds, and a button pressed again after its release
// went elsewhere.
#include "support.h"

using LostReleases = Host;

// A host may feed MouseProc records of its own. A drag they start while the
// user holds no button was never held, so no lost release ends it.
TEST_F(LostReleases, DragsAHostsOwnRecordsStartAreNotTakenForLostReleases) {
    const struct {
        WParam press;
        bool TranslationState::*drag;
    } cases[] = {{WM_RBUTTONDOWN, &TranslationState::altRightDragActive},
                 {WM_MBUTTONDOWN, &TranslationState::altMiddleDragActive},
                 {WM_LBUTTONDOWN, &TranslationState::altLeftDragActive}};
    for (const auto& c : cases) {
        SetUp();
        sim::setKeyState(VK_MENU, true);
        MouseHookRecord record = {{5, 5}, main, 1, 0};
        MouseProc(HC_ACTION, c.press, reinterpret_cast<LParam>(&record));
        // The left and middle drags ask for their button at the first motion.
        const int button = c.press == WM_LBUTTONDOWN ? VK_LBUTTON : VK_MBUTTON;
        sim::setKeyState(button, true);
        moveTo(6, 6);
        sim::setKeyState(button, false);
        moveTo(7, 7);
        tap('S');
        EXPECT_TRUE(state.*c.drag) << c.press;
    }
}

// A button pressed again went up since, though no event told us: its drag
// ends first, where it last sent, and the press starts afresh. (A
// double-click is such a press too.)
TEST_F(LostReleases, APressOfAButtonWhoseReleaseWasLostEndsItsDragFirst) {
    sim::setKeyState(VK_MENU, true);
    press(Button::Right, 5, 5);
    moveTo(6, 6);
    sim::releaseOutside(Button::Right);
    received();
    sim::buttonDown(Button::Right, second, {310, 5});
    EXPECT_EQ(received(), Lines({"main WM_RBUTTONUP 0x0008 6,6", "main WM_KEYUP CONTROL 0xC001D001",
                                 "second WM_KEYDOWN CONTROL 0xC0000001", "second WM_RBUTTONDOWN 0x0000 10,5"}));
    press(Button::Left, 7, 7);
    moveTo(8, 8);
    sim::releaseOutside(Button::Left);
    received();
    sim::doubleClick(Button::Left, main, {8, 8});
    EXPECT_EQ(received(), Lines({"main WM_RBUTTONUP 0x0000 8,8", "main input WM_LBUTTONDBLCLK 0x0003 8,8"}));
}
