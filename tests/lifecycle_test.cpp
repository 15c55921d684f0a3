// Loading, enabling and disabling, the about box and failed installation;
// what the hooks after ours in the chain are handed.
#include "support.h"

struct Lifecycle : ::testing::Test {
    void SetUp() override {
        sim::reset();
        state = TranslationState{};
    }
    void nextCase() { SetUp(); }
};

TEST_F(Lifecycle, LoadFindsTheFirstTopLevelWindowOfTheCallingThread) {
    sim::addWindow({0, 0}, nullptr, 7);                 // another thread's
    const WindowHandle first = sim::addWindow({0, 0});  // ours
    sim::addWindow({0, 0}, first);                      // a child: not enumerated
    sim::addWindow({0, 0});                             // ours, but later
    EXPECT_TRUE(load());
    EXPECT_EQ(hostWindow(), first);
}

TEST_F(Lifecycle, LoadWithoutAMatchKeepsThePreviousWindow) {
    const WindowHandle ours = sim::addWindow({0, 0});
    load();
    sim::setCurrentThread(9);
    EXPECT_TRUE(load());
    EXPECT_EQ(hostWindow(), ours);
}

TEST_F(Lifecycle, HooksAreInstalledOnceAndEnableAlwaysSets) {
    doDisable();  // before any enable: harmless
    EXPECT_FALSE(translating());
    doEnable();
    doEnable();
    EXPECT_EQ(sim::hooksInstalled(), 2u);
    EXPECT_EQ(sim::installedHook(WH_MOUSE), &MouseProc);
    EXPECT_EQ(sim::installedHook(WH_KEYBOARD), &KeyboardProc);
    EXPECT_TRUE(hooksInstalled());
    EXPECT_TRUE(translating());
    doDisable();
    EXPECT_FALSE(translating());
    EXPECT_TRUE(hooksInstalled());
}

TEST_F(Lifecycle, FailedInstallationShowsItsBoxOnceAndLeavesTheModuleUsable) {
    struct Case {
        int failingKind;
        const char* text;
        const char* caption;
        size_t installed;
    };
    const Case cases[] = {
        {WH_MOUSE, "Error setting hook for MouseProc!", "", 0},
        {WH_KEYBOARD, "Error setting hook for LowLevelKbd!", "Error", 1},
    };
    for (const Case& c : cases) {
        nextCase();
        const WindowHandle main = sim::addWindow({0, 0});
        load();
        sim::failHookInstall(c.failingKind);
        doEnable();
        doEnable();  // no retry
        ASSERT_EQ(sim::messageBoxes().size(), 1u);
        EXPECT_EQ(sim::messageBoxes()[0].owner, nullptr);
        EXPECT_EQ(sim::messageBoxes()[0].text, c.text);
        EXPECT_EQ(sim::messageBoxes()[0].caption, c.caption);
        EXPECT_EQ(sim::hooksInstalled(), c.installed);
        EXPECT_TRUE(translating());
        // The exports still work: the about box, and the mouse hook if it is in.
        EXPECT_TRUE(showAbout());
        EXPECT_EQ(sim::messageBoxes().back().owner, main);
    }
}

TEST_F(Lifecycle, AboutBoxText) {
    EXPECT_TRUE(showAbout());
    ASSERT_EQ(sim::messageBoxes().size(), 1u);
    EXPECT_EQ(sim::messageBoxes()[0].owner, nullptr);  // before load
    EXPECT_EQ(sim::messageBoxes()[0].caption, "Orvalinde");
    EXPECT_EQ(sim::messageBoxes()[0].text,
              "Orvalinde\r\nVersion 2.0.0.0\r\nCopyright (C) 2026 Orvalinde Software. All rights reserved.");
}

TEST_F(Lifecycle, LowLevelMouseProcOnlyPassesOn) {
    state.enabled = true;
    state.draggerKey = 'F';
    EXPECT_EQ(LowLevelMouseProc(HC_ACTION, WM_MOUSEMOVE, 0), 0);
    EXPECT_EQ(sim::nextHookCalls(), 1u);
    EXPECT_EQ(draggerKey(), 'F');
}

// Each export that hands the system a procedure of the module's pins the
// module first, so a host's FreeLibrary cannot unmap it under a hook or timer.
TEST_F(Lifecycle, TheModuleIsPinnedBeforeTheSystemHoldsAProcedureOfIt) {
    void (*const exports[])() = {doEnable, startDraggerMode, customMaskKeyPressed, doDelayedEnable};
    for (void (*const call)() : exports) {
        nextCase();
        sim::setFocus(sim::addWindow({0, 0}));
        load();
        sim::setKeyState('F', true);  // the one key dragger mode and capture need
        call();
        EXPECT_GT(sim::hooksInstalled() + sim::liveTimers(), 0u);
        EXPECT_TRUE(sim::modulePinned());
        EXPECT_EQ(sim::callbacksBeforePin(), 0u);
    }
}

// The hooks after ours in the chain are handed the screen point the
// platform promises them, whatever the module did with the event; the
// record holds the client point once the call returns.
using HookChain = Host;

TEST_F(HookChain, LaterHooksAreHandedTheScreenPoint) {
    const struct {
        const char* name;
        void (*event)(WindowHandle second);
    } cases[] = {
        {"motion passed on", [](WindowHandle second) { sim::move(second, at(second, 50, 20)); }},
        {"motion left in the queue", [](WindowHandle second) { sim::peek(second, at(second, 50, 20)); }},
        {"a press passed on beside the mask key",
         [](WindowHandle second) {
             sim::keyDown(VK_TAB);
             sim::buttonDown(Button::Left, second, at(second, 50, 20));
         }},
        {"motion with translation off",
         [](WindowHandle second) {
             doDisable();
             sim::move(second, at(second, 50, 20));
         }},
    };
    for (const auto& c : cases) {
        nextCase();
        c.event(second);
        const std::vector<Point> handed = sim::pointsPassedOn();
        ASSERT_EQ(handed.size(), 1u) << c.name;
        EXPECT_EQ(handed[0].x, at(second, 50, 20).x) << c.name;
        EXPECT_EQ(handed[0].y, at(second, 50, 20).y) << c.name;
    }
    nextCase();
    MouseHookRecord record = {at(second, 50, 20), second, 1, 0};
    MouseProc(HC_ACTION, WM_MOUSEMOVE, reinterpret_cast<LParam>(&record));
    EXPECT_EQ(record.pt.x, 50);
}
