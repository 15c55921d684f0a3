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
        bool (*dragging)();
    } cases[] = {{WM_RBUTTONDOWN, [] { return rightGesture() == RightGesture::AltDrag; }},
                 {WM_MBUTTONDOWN, [] { return middleGesture() == MiddleGesture::AltDrag; }},
                 {WM_LBUTTONDOWN, [] { return leftGesture() == LeftGesture::AltDrag; }}};
    for (const auto& c : cases) {
        nextCase();
        sim::setKeyState(VK_MENU, true);
        MouseHookRecord record = {at(main, 5, 5), main, 1, 0};
        MouseProc(HC_ACTION, c.press, reinterpret_cast<LParam>(&record));
        // The left and middle drags ask for their button at the first motion.
        const int button = c.press == WM_LBUTTONDOWN ? VK_LBUTTON : VK_MBUTTON;
        sim::setKeyState(button, true);
        moveTo(6, 6);
        sim::setKeyState(button, false);
        moveTo(7, 7);
        tap('S');
        EXPECT_TRUE(c.dragging()) << c.press;
        // The host ends what its records began.
        MouseProc(HC_ACTION, c.press + 1, reinterpret_cast<LParam>(&record));
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
    sim::buttonDown(Button::Right, second, at(second, 10, 5));
    EXPECT_EQ(received(), Lines({"main WM_RBUTTONUP 0x0008 6,6", "main WM_KEYUP CONTROL 0xC001D001",
                                 "second WM_KEYDOWN CONTROL 0xC0000001", "second WM_RBUTTONDOWN 0x0000 10,5"}));
    press(Button::Left, 7, 7);
    moveTo(8, 8);
    sim::releaseOutside(Button::Left);
    received();
    sim::doubleClick(Button::Left, main, at(main, 8, 8));
    EXPECT_EQ(received(), Lines({"main WM_RBUTTONUP 0x0000 8,8", "main input WM_LBUTTONDBLCLK 0x0003 8,8"}));
}

// A press the key state has not caught up with: the hook sees it with its
// button still up.
static void pressAhead(WindowHandle window, WParam message) {
    MouseHookRecord record = {at(window, 5, 5), window, 1, 0};
    MouseProc(HC_ACTION, message, reinterpret_cast<LParam>(&record));
}

// The platform's key state can read "nothing held" while releases are still
// on their way (seen under Wine after the pointer came back from outside the
// program). A switch off at such a moment finishes, itself, what the module
// began: no window is left believing anything held, and translation, on
// again, starts clean.
TEST_F(LostReleases, SwitchingOffWhileTheKeyStateLagsSettlesWhatTheModuleBegan) {
    const struct {
        const char* name;
        void (*hold)(WindowHandle main);
        Lines settled;
        bool askedWhileHeld;  // the switch waits, and a tick finds the quiet moment
    } cases[] = {
        {"a withheld Ctrl handed over", [](WindowHandle) { runActions("key down CONTROL, key down S"); },
         {"main WM_KEYUP CONTROL 0xC01D0001"}, false},
        {"Ctrl + left: an injected Alt", [](WindowHandle) { runActions("key down CONTROL, button down left"); },
         {"main WM_LBUTTONUP 0x0000 0,0", "main WM_KEYUP MENU 0xC0380001"}, false},
        {"the mask's Ctrl", [](WindowHandle) { runActions("key down TAB"); }, {"main WM_KEYUP CONTROL 0xC001D001"},
         false},
        {"the mask key with the left button", [](WindowHandle) { runActions("key down TAB, button down left"); },
         {"main WM_LBUTTONUP 0x0000 0,0", "main WM_KEYUP CONTROL 0xC001D001"}, false},
        // Presses the key state is behind on: the module holds no gesture
        // for them, only what they armed.
        {"the mask key with a left press ahead of the key state",
         [](WindowHandle main) {
             runActions("key down TAB");
             pressAhead(main, WM_LBUTTONDOWN);
         },
         {"main WM_KEYUP CONTROL 0xC001D001"}, false},
        {"an Alt + left press ahead of the key state",
         [](WindowHandle main) {
             runActions("key down MENU");
             pressAhead(main, WM_LBUTTONDOWN);
         },
         {}, false},
        {"an Alt + middle press ahead of the key state",
         [](WindowHandle main) {
             runActions("key down MENU");
             pressAhead(main, WM_MBUTTONDOWN);
         },
         {}, false},
        {"a left press ahead of the key state joining an Alt + middle drag",
         [](WindowHandle main) {
             runActions("key down MENU, button down middle, move 5 5");
             pressAhead(main, WM_LBUTTONDOWN);
         },
         {}, false},
        {"a drag whose release went to another thread",
         [](WindowHandle) {
             runActions("key down MENU, button down right, move 5 5");
             sim::releaseOutside(Button::Right);
         },
         {"main WM_RBUTTONUP 0x0008 5,5", "main WM_KEYUP CONTROL 0xC001D001"}, false},
        {"a key captured as the mask key, released before the capture's tick",
         [](WindowHandle) {
             runActions("key down F");
             customMaskKeyPressed();
         },
         {}, true},
    };
    for (const auto& c : cases) {
        nextCase();
        c.hold(main);
        if (c.askedWhileHeld) doDisable();
        received();
        // The keys' releases wait in the queue; the buttons' need not.
        for (int key = 1; key <= 254; ++key)
            if (sim::keyState(key)) key < 8 ? sim::setAsyncKeyState(key, false) : sim::keyUpQueued(key);
        if (!c.askedWhileHeld) doDisable();
        sim::advance(50);
        EXPECT_FALSE(translating()) << c.name;
        EXPECT_EQ(received(), c.settled) << c.name;
        sim::takeQueued();  // passed on untouched, translation being off
        received();
        // On again: a press that Alt joins after it is no Alt + left drag,
        // plain keys and clicks pass on untouched, and Ctrl + left and the
        // mask key are translated as ever.
        doEnable();
        runActions(
            "move 7 7, button down left, key down MENU, move 9 9, key up MENU, button up left, "
            "button down middle, key down MENU, move 9 11, key up MENU, button up middle, key tap S, "
            "button down left, button up left, button down right, button up right, "
            "key down CONTROL, button down left, button up left, key up CONTROL");
        tap(maskKey());
        EXPECT_EQ(received(),
                  Lines({"main input WM_MOUSEMOVE 0x0000 7,7", "main input WM_LBUTTONDOWN 0x0001 7,7",
                         "main input WM_KEYDOWN MENU", "main input WM_MOUSEMOVE 0x0001 9,9",
                         "main input WM_KEYUP MENU", "main input WM_LBUTTONUP 0x0000 9,9",
                         "main input WM_MBUTTONDOWN 0x0010 9,9", "main input WM_KEYDOWN MENU",
                         "main input WM_MOUSEMOVE 0x0010 9,11", "main input WM_KEYUP MENU",
                         "main input WM_MBUTTONUP 0x0000 9,11", "main input WM_KEYDOWN S", "main input WM_KEYUP S",
                         "main input WM_LBUTTONDOWN 0x0001 9,11", "main input WM_LBUTTONUP 0x0000 9,11",
                         "main input WM_RBUTTONDOWN 0x0002 9,11", "main input WM_RBUTTONUP 0x0000 9,11",
                         "main WM_KEYDOWN MENU 0x20380001", "main WM_LBUTTONDOWN 0x0001 9,11",
                         "main WM_LBUTTONUP 0x0000 9,11", "main WM_KEYUP MENU 0xC0380001",
                         "main WM_KEYDOWN CONTROL 0xC01D0001", "main WM_KEYUP CONTROL 0xC001D001",
                         "main WM_KEYUP MENU 0xC0380001"}))
            << c.name;
    }
}

// Keys the user let go in another program are settled at whatever reaches
// the module first once they are up: an event, a tick or a call.
TEST_F(LostReleases, KeysLetGoElsewhereAreSettledAtTheNextEventTickOrCall) {
    const struct {
        const char* name;
        const char* hold;  // actions before the user leaves
        std::vector<int> away;  // keys let go there; the left button goes up outside
        void (*next)(WindowHandle main);
        Lines settled;
    } cases[] = {
        {"Ctrl + left: the injected Alt, at a motion", "key down CONTROL, button down left", {VK_CONTROL, VK_LBUTTON},
         [](WindowHandle main) { sim::move(main, at(main, 3, 3)); },
         // The button first, as when it goes up before Ctrl.
         {"main WM_LBUTTONUP 0x0000 0,0", "main WM_KEYUP MENU 0xC0380001", "main input WM_MOUSEMOVE 0x0000 3,3"}},
        {"Alt + left drag: the Alt told to main, at a keystroke",
         "key down MENU, button down left, move 5 5, button up left", {VK_MENU},
         [](WindowHandle) { sim::keyDown('S'); },
         {"main WM_KEYUP MENU 0xC0380001", "main input WM_KEYDOWN S"}},
        {"the mask key, at a call", "key down TAB", {VK_TAB}, [](WindowHandle) { setOrvalindeIsEnabled(); },
         {"main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001"}},
        {"dragger mode, at its tick", "key down F", {'F'}, [](WindowHandle) { sim::advance(50); }, {}},
    };
    for (const auto& c : cases) {
        nextCase();
        runActions(c.hold);
        if (c.hold == std::string("key down F")) startDraggerMode();
        received();
        focusAway();
        for (int key : c.away) key == VK_LBUTTON ? sim::releaseOutside(Button::Left) : (void)sim::keyUp(key);
        focus(main);
        EXPECT_EQ(received(), Lines{}) << c.name;
        c.next(main);
        EXPECT_EQ(received(), c.settled) << c.name;
        EXPECT_FALSE(anyKeyRemembered()) << c.name;
        EXPECT_EQ(sim::cursorCount(), 0) << c.name;
    }
}

// With an elevated window of another program in front, the key state reads
// every key up while the pointer may still be over the host: such readings
// end and settle nothing. Once the host is in front again, the user's own
// releases end everything as ever.
TEST_F(LostReleases, NothingEndsOnTheReadingsOfAKeyStateOutOfReach) {
    const struct {
        const char* name;
        const char* hold;
        bool switchOff;  // asked while held: waits for a quiet moment
        Lines whileInFront;
        const char* release;
        Lines released;
    } cases[] = {
        {"an Alt + right drag gets motion", "key down MENU, button down right, move 5 5", false,
         {"main WM_MOUSEMOVE 0x000A 6,6"}, "button up right, key up MENU",
         {"main WM_RBUTTONUP 0x0008 5,5", "main WM_KEYUP CONTROL 0xC001D001", "main input WM_KEYUP MENU"}},
        {"a switch off waits for a quiet moment", "key down MENU, button down right, move 5 5", true,
         {"main WM_MOUSEMOVE 0x000A 6,6"}, "button up right, key up MENU",
         {"main WM_RBUTTONUP 0x0008 5,5", "main WM_KEYUP CONTROL 0xC001D001", "main input WM_KEYUP MENU"}},
        {"the mask key is not settled", "key down TAB", false, {"main input WM_MOUSEMOVE 0x0000 6,6"}, "key up TAB",
         {"main WM_KEYUP CONTROL 0xC001D001", "main WM_KEYUP MENU 0xC0380001"}},
    };
    for (const auto& c : cases) {
        nextCase();
        runActions(c.hold);
        if (c.switchOff) doDisable();
        received();
        sim::elevatedInFront(true);
        sim::move(main, at(main, 6, 6));
        sim::advance(50);
        EXPECT_EQ(received(), c.whileInFront) << c.name;
        EXPECT_TRUE(translating()) << c.name;
        sim::elevatedInFront(false);
        runActions(c.release);
        EXPECT_EQ(received(), c.released) << c.name;
        EXPECT_EQ(translating(), !c.switchOff) << c.name;
    }
}
