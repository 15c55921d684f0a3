// The scenario language's parse and mismatch reports: a reader must learn
// the file, the line and what went wrong.
#include <gtest/gtest.h>

#include "scenario.h"

namespace {

struct ParseCase {
    const char* text;
    const char* error;
};

TEST(ScenarioParse, ErrorsNameFileLineAndProblem) {
    const ParseCase cases[] = {
        {"jump 1", "s.txt:1: unknown action 'jump' in: jump 1"},
        {"call load\nkey down FOO", "s.txt:2: unknown key 'FOO' in: key down FOO"},
        {"key press A", "s.txt:1: key takes down, up or tap in: key press A"},
        {"button down left at 5 5", "s.txt:1: unexpected 'at' in: button down left at 5 5"},
        {"button down thumb", "s.txt:1: unknown button 'thumb' in: button down thumb"},
        {"move 5", "s.txt:1: missing y in: move 5"},
        {"move 5 x", "s.txt:1: bad y 'x' in: move 5 x"},
        {"move 5 5 over none", "s.txt:1: 'over' takes main, second or other in: move 5 5 over none"},
        {"wait -5", "s.txt:1: wait takes 0 to 60000 ms in: wait -5"},
        {"expect mian WM_KEYUP S", "s.txt:1: unknown window 'mian' (main, second, ime, tooltip, other or none) in: expect mian WM_KEYUP S"},
        {"expect main WM_KEYDOWN VK_CONTROL", "s.txt:1: missing lParam in: expect main WM_KEYDOWN VK_CONTROL"},
        {"expect main WM_PAINT", "s.txt:1: unknown message 'WM_PAINT' in: expect main WM_PAINT"},
        {"expect main WM_MOUSEMOVE 0x000A 1", "s.txt:1: missing y in: expect main WM_MOUSEMOVE 0x000A 1"},
        {"expect 5..2 main WM_KEYUP S", "s.txt:1: bad count range '5..2' in: expect 5..2 main WM_KEYUP S"},
        {"expect every 0 main WM_KEYUP S", "s.txt:1: bad timer period '0' in: expect every 0 main WM_KEYUP S"},
        {"expect every 50 2..3 main WM_KEYUP S", "s.txt:1: a timer's run takes no count in: expect every 50 2..3 main WM_KEYUP S"},
        {"expect box main \"Orvalinde", "s.txt:1: unterminated quoted text"},
        {"expect cursor gone", "s.txt:1: cursor is hidden or shown in: expect cursor gone"},
        {"expect module gone", "s.txt:1: module is loaded or unloaded in: expect module gone"},
        {"focus none", "s.txt:1: focus takes main, second, away or elevated in: focus none"},
        {"key up TAB outside", "s.txt:1: a key's release is queued or nothing in: key up TAB outside"},
        {"key down TAB queued", "s.txt:1: unexpected 'queued' in: key down TAB queued"},
        {"peek 5", "s.txt:1: unexpected '5' in: peek 5"},
        {"buttons crossed", "s.txt:1: buttons are swapped or normal in: buttons crossed"},
        {"window second 1 2 3", "s.txt:1: missing height in: window second 1 2 3"},
        {"call load\nhost captures", "s.txt:2: host, pointer, ime and tooltip lines come before the first action"},
        {"call load\nwindow ime", "s.txt:2: host, pointer, ime and tooltip lines come before the first action"},
        {"window main 5 5 shown", "s.txt:1: unexpected 'shown' in: window main 5 5 shown"},
        {"button up right sideways", "s.txt:1: a release is outside, queued or nonclient in: button up right sideways"},
        {"host keys last", "s.txt:1: host keys first [one deep] in: host keys last"},
        {"host keys first two deep", "s.txt:1: host keys first [one deep] in: host keys first two deep"},
        {"host main loop on WM_RBUTTONUP", "s.txt:1: a window's host behaviour is: loop at [next] MESSAGE in: host main loop on WM_RBUTTONUP"},
        {"# only a comment\n\n", "s.txt: no steps"},
    };
    for (const ParseCase& c : cases) {
        scenario::Scenario s;
        std::string error;
        EXPECT_FALSE(scenario::parse("s.txt", c.text, &s, &error)) << c.text;
        EXPECT_EQ(error, c.error);
    }
}

TEST(ScenarioParse, MissingFileIsReported) {
    scenario::Scenario s;
    std::string error;
    EXPECT_FALSE(scenario::load("no/such/file.txt", &s, &error));
    EXPECT_EQ(error, "no/such/file.txt: cannot read the file");
}

// Hands out prepared messages, one batch per action.
struct ScriptedHost : scenario::Driver {
    std::vector<std::vector<scenario::Received>> batches;
    size_t next = 0;
    std::vector<scenario::Received> pending;

    bool call(const std::string& name) override {
        return advance(), name == "load" || name == "doDelayedEnable" || name == "setOrvalindeIsEnabled";
    }
    void key(int, bool) override { advance(); }
    void keyUpQueued(int) override { advance(); }
    void button(scenario::Button, bool, bool) override { advance(); }
    void releaseUnseen(scenario::Button, scenario::Release) override { advance(); }
    void hostCaptures() override {}
    void place(scenario::Window, int, int) override {}
    void loopAt(scenario::Window, uint32_t, bool) override {}
    uint64_t moduleTimerTicks() override { return ticks; }
    void move(scenario::Window, int, int) override { advance(); }
    void wait(uint32_t) override { advance(); }
    void focus(scenario::Window) override { advance(); }
    void peek() override { advance(); }
    void swapButtons(bool) override { advance(); }
    bool cursorShown() override { return true; }
    void unload() override {}
    void layout(const scenario::Step&) override {}
    bool moduleLoaded() override { return true; }
    std::vector<scenario::Received> take() override {
        std::vector<scenario::Received> out;
        out.swap(pending);
        return out;
    }
    // Each action takes this long on the host's clock, and the host stays
    // away from its queue for so long in it, the longest of which at once.
    double actionMs = 0, stallPerActionMs = 0, longestMs = 0;
    double clock = 0, stalled = 0;
    uint64_t ticks = 0, ticksPerAction = 0;  // the module's timer ticks
    double clockMs() override { return clock; }
    double stalledMs() override { return stalled; }
    double longestStallMs() override { return longestMs; }
    void advance() {
        clock += actionMs;
        stalled += stallPerActionMs;
        ticks += ticksPerAction;
        if (next == batches.size()) return;
        // What arrives adds to what the runner has not taken yet.
        pending.insert(pending.end(), batches[next].begin(), batches[next].end());
        ++next;
    }
};

scenario::Received keyMessage(uint32_t message, int key, int64_t lParam, bool input) {
    scenario::Received r;
    r.message = message;
    r.wParam = static_cast<uint64_t>(key);
    r.lParam = lParam;
    r.input = input;
    return r;
}

struct RunCase {
    const char* text;
    std::vector<std::vector<scenario::Received>> batches;
    const char* error;  // empty: passes
};

TEST(ScenarioRun, MismatchesAreReportedWithBothSides) {
    const scenario::Received ctrlDown = keyMessage(0x0100, 0x11, 0xC0000001, false);
    const scenario::Received altInput = keyMessage(0x0104, 0x12, 0x20380001, true);  // WM_SYSKEYDOWN
    const RunCase cases[] = {
        {"key down MENU\nexpect main input WM_KEYDOWN MENU", {{altInput}}, ""},
        {"key down MENU\nexpect main WM_KEYDOWN VK_CONTROL 0xC0000002", {{ctrlDown}},
         "s.txt:2: expected `main WM_KEYDOWN VK_CONTROL 0xC0000002`, got `main WM_KEYDOWN VK_CONTROL 0xC0000001`"},
        {"key down MENU\nexpect main WM_KEYDOWN VK_CONTROL 0xC0000001", {{}},
         "s.txt:2: expected `main WM_KEYDOWN VK_CONTROL 0xC0000001`, got nothing"},
        {"key down MENU\nkey up MENU", {{ctrlDown}},
         "s.txt:2: unexpected `main WM_KEYDOWN VK_CONTROL 0xC0000001` before this action"},
        {"key down MENU", {{altInput}}, "s.txt:1: unexpected `main input WM_SYSKEYDOWN VK_MENU` after the last line"},
        {"wait 10\nexpect 2..3 main WM_KEYDOWN VK_CONTROL 0xC0000001", {{ctrlDown, altInput}},
         "s.txt:2: expected 2..3 of `main WM_KEYDOWN VK_CONTROL 0xC0000001`, got 1 then `main input WM_SYSKEYDOWN "
         "VK_MENU`"},
        {"wait 10\nexpect 0..3 main WM_KEYDOWN VK_CONTROL 0xC0000001", {{ctrlDown, ctrlDown}}, ""},
        {"call lod", {}, "s.txt:1: no export named 'lod'"},
        {"call load\nexpect cursor hidden", {}, "s.txt:2: expected the cursor hidden"},
        {"unload\nexpect module unloaded", {{}}, "s.txt:2: expected the module unloaded"},
    };
    for (const RunCase& c : cases) {
        scenario::Scenario s;
        std::string error;
        ASSERT_TRUE(scenario::parse("s.txt", c.text, &s, &error)) << error;
        ScriptedHost host;
        host.batches = c.batches;
        const bool ok = scenario::run(s, host, &error);
        EXPECT_EQ(ok, std::string(c.error).empty()) << c.text;
        if (!ok) {
            EXPECT_EQ(error, c.error);
        }
    }
}

// A timer's run is judged against the time the host measured; a failure
// is late only where timing explains it and the host stalled long enough.
TEST(ScenarioRun, TimerRunsAndLatenessFollowTheMeasuredTime) {
    const scenario::Received tick = keyMessage(0x0100, 'F', 0xC01D0001, false);
    const scenario::Received ctrlDown = keyMessage(0x0100, 0x11, 0xC0000001, false);
    const scenario::Received ctrlOther = keyMessage(0x0100, 0x11, 0xC0000002, false);
    const char* const run = "call load\nwait 500\nexpect every 50 main WM_KEYDOWN F 0xC01D0001";
    const char* const ctrl = "call load\nkey down MENU\nexpect main WM_KEYDOWN VK_CONTROL 0xC0000001";
    const scenario::Received hDown = keyMessage(0x0100, 'H', 0xC01D0001, false);
    const scenario::Received hUp = keyMessage(0x0101, 'H', 0xC01D0001, false);
    const char* const unload = "call doDelayedEnable\nunload\nwait 50\nexpect main WM_KEYDOWN H 0xC01D0001\n"
                               "expect main WM_KEYUP H 0xC01D0001";
    const char* const cancel = "call doDelayedEnable\ncall setOrvalindeIsEnabled\nwait 50\ncall doDelayedEnable\n"
                               "wait 50\nexpect main WM_KEYDOWN H 0xC01D0001\nexpect main WM_KEYUP H 0xC01D0001";
    const char* const behind = "call doDelayedEnable\nwait 1\nexpect main WM_KEYDOWN H 0xC01D0001\nkey down MENU";
    const char* const overtaken = "call doDelayedEnable\nkey down MENU\nkey up MENU";
    const char* const unexpectedCtrl = "s.txt:3: unexpected `main WM_KEYDOWN VK_CONTROL 0xC0000001` before this action";
    struct Case {
        const char* text;
        std::vector<std::vector<scenario::Received>> batches;
        double actionMs, stallPerActionMs, longestMs;
        const char* error;  // empty: passes
        double late;
        uint64_t ticksPerAction = 0;
    } cases[] = {
        // 500 ms from the call: 9..11 (two actions of 250 ms).
        {run, {{}, std::vector<scenario::Received>(10, tick)}, 250, 0, 0, "", 0},
        {run, {{}, {}}, 250, 0, 0,
         "s.txt:3: expected 9..11 of `main WM_KEYDOWN F 0xC01D0001` (one every 50 ms over 500 ms, 500 of them at the "
         "queue), got 0", 0},
        {run, {{}, std::vector<scenario::Received>(12, tick)}, 250, 0, 0,
         "s.txt:3: expected 9..11 of `main WM_KEYDOWN F 0xC01D0001` (one every 50 ms over 500 ms, 500 of them at the "
         "queue), got 12", 0},
        // Away from the queue for 450 of the 500 ms: 0..11, so none is no fault,
        // and a run outside its bounds is never late.
        {run, {{}, {}}, 250, 225, 225, "", 0},
        {run, {{}, std::vector<scenario::Received>(12, tick)}, 250, 225, 225,
         "s.txt:3: expected 0..11 of `main WM_KEYDOWN F 0xC01D0001` (one every 50 ms over 500 ms, 50 of them at the "
         "queue), got 12", 0},
        // A missing or unexpected message is late where the host stalled long
        // enough; a wrong parameter never is.
        {ctrl, {{}, {}}, 10, 60, 60, "s.txt:3: expected `main WM_KEYDOWN VK_CONTROL 0xC0000001`, got nothing", 60},
        {ctrl, {{}, {}}, 10, 20, 20, "s.txt:3: expected `main WM_KEYDOWN VK_CONTROL 0xC0000001`, got nothing", 0},
        {ctrl, {{}, {ctrlOther}}, 10, 60, 60,
         "s.txt:3: expected `main WM_KEYDOWN VK_CONTROL 0xC0000001`, got `main WM_KEYDOWN VK_CONTROL 0xC0000002`", 0},
        {"call load\nkey down MENU", {{ctrlDown}}, 10, 60, 60,
         "s.txt:2: unexpected `main WM_KEYDOWN VK_CONTROL 0xC0000001` before this action", 60},
        // Before a wait it belongs to the wait, and is expected after it.
        {"call load\nwait 10\nexpect main WM_KEYDOWN VK_CONTROL 0xC0000001", {{ctrlDown}, {}}, 10, 0, 0, "", 0},
        // A tick before the action after the call that armed its timer: the
        // action came late. Taken by what follows, or an extra tick; never
        // with no time for it, nor a message expected nowhere, nor one that
        // comes after that action.
        {unload, {{hDown}, {hUp}}, 10, 0, 0, "", 0},
        {cancel, {{hDown, hUp}, {}, {}, {}, {hDown, hUp}}, 10, 0, 0, "", 0},
        {cancel, {{hDown, hUp}, {}, {}, {}, {hDown, hUp}}, 0, 0, 0,
         "s.txt:2: unexpected `main WM_KEYDOWN H 0xC01D0001` before this action", 0},
        {cancel, {{ctrlDown}, {}, {}, {}, {hDown, hUp}}, 10, 0, 0,
         "s.txt:2: unexpected `main WM_KEYDOWN VK_CONTROL 0xC0000001` before this action", 0},
        {cancel, {{hDown}, {}, {hDown}, {}, {hDown, hUp}}, 10, 0, 0,
         "s.txt:4: unexpected `main WM_KEYDOWN H 0xC01D0001` before this action", 0},
        // A tick before a later action: late where the host was kLateMs or
        // more behind the waits planned since the call, though it never
        // stalled that long at once; an extra tick otherwise.
        {behind, {{}, {hDown, hDown}}, 30, 0, 0, "s.txt:4: unexpected `main WM_KEYDOWN H 0xC01D0001` before this action",
         59},
        {behind, {{}, {hDown, hDown}}, 10, 0, 0, "s.txt:4: unexpected `main WM_KEYDOWN H 0xC01D0001` before this action",
         0},
        // A message expected nowhere: late only after a tick, with the host as
        // far behind (a timer that found the world otherwise than planned).
        {overtaken, {{}, {ctrlDown}}, 30, 0, 0, unexpectedCtrl, 60, 1},
        {overtaken, {{}, {ctrlDown}}, 10, 0, 0, unexpectedCtrl, 0, 1},
        {overtaken, {{}, {ctrlDown}}, 30, 0, 0, unexpectedCtrl, 0, 0},
    };
    for (const Case& c : cases) {
        scenario::Scenario s;
        std::string error;
        ASSERT_TRUE(scenario::parse("s.txt", c.text, &s, &error)) << error;
        ScriptedHost host;
        host.batches = c.batches;
        host.actionMs = c.actionMs;
        host.stallPerActionMs = c.stallPerActionMs;
        host.longestMs = c.longestMs;
        host.ticksPerAction = c.ticksPerAction;
        double late = -1;
        const bool ok = scenario::run(s, host, &error, &late);
        EXPECT_EQ(ok, std::string(c.error).empty()) << c.text;
        if (!ok) {
            EXPECT_EQ(error, c.error);
        }
        EXPECT_EQ(late, c.late) << c.text;
    }
}

TEST(ScenarioDescribe, MouseAndBoxLines) {
    scenario::Received move;
    move.window = scenario::Second;
    move.message = 0x0200;
    move.wParam = 0x000A;
    move.lParam = static_cast<int32_t>(0xFFFF0005u);  // x 5, y -1
    EXPECT_EQ(scenario::describe(move), "second WM_MOUSEMOVE 0x000A 5 -1");
    scenario::Received box;
    box.box = true;
    box.window = scenario::NoWindow;
    box.caption = "Error";
    box.text = "a\r\nb \"c\"";
    EXPECT_EQ(scenario::describe(box), "box none \"Error\" \"a\\r\\nb \\\"c\\\"\"");
}

}  // namespace
