// The untimed search's paths turned back into real waits: a firing order a
// clock gives replays with the same messages; one no clock gives is a false
// alarm. And the checks pass what the module must do.
#include <gtest/gtest.h>

#include "model.h"

namespace {

scenario::Step act(scenario::Kind kind, int key = 0, const char* name = "") {
    scenario::Step s;
    s.kind = kind;
    s.key = key;
    s.name = name;
    return s;
}

scenario::Step fire(const char* timer) { return act(scenario::Kind::Wait, 0, timer); }

std::string waits(const std::vector<scenario::Step>& steps) {
    std::string out;
    for (const scenario::Step& s : steps) out += s.kind == scenario::Kind::Wait ? std::to_string(s.milliseconds) + " " : ". ";
    return out;
}

TEST(Untimed, PathsReplayWithRealWaitsOrAreFalseAlarms) {
    // S held and captured as the mask key (its timer due in 50 ms), then the
    // burst (its first tick due in 1 ms, then every 10 ms until the sixth).
    const std::vector<scenario::Step> start = {act(scenario::Kind::KeyDown, 'S'),
                                               act(scenario::Kind::Call, 0, "customMaskKeyPressed"),
                                               act(scenario::Kind::Call, 0, "doDelayedEnable")};
    struct Case {
        const char* what;
        std::vector<scenario::Step> fired;
        model::Realized verdict;
        const char* waits;  // of the timed path: "." for an action
    };
    const Case cases[] = {
        // The burst begun 49 ms after the capture ties with the mask's timer,
        // which was set first and so fires first.
        {"mask, then burst", {fire("mask"), fire("burst")}, model::Realized::Replays, ". . 49 . 1 "},
        // Begun 29 to 38 ms after the capture, the burst ticks twice before
        // the mask's timer and the third time after it.
        {"burst twice, then mask", {fire("burst"), fire("burst"), fire("mask")}, model::Realized::Replays, ". . 38 . 12 "},
        // The burst's sixth tick is 51 ms after it began, after the mask's.
        {"all six bursts before the mask",
         {fire("burst"), fire("burst"), fire("burst"), fire("burst"), fire("burst"), fire("burst"), fire("mask")},
         model::Realized::FalseAlarm, ""},
    };
    model::variant = model::kPlainHost;
    model::untimed = true;
    for (const Case& c : cases) {
        std::vector<scenario::Step> path = start;
        path.insert(path.end(), c.fired.begin(), c.fired.end());
        model::start();
        std::vector<scenario::Step> timed;
        std::string why;
        EXPECT_EQ(model::realize(path, "", &timed, &why), c.verdict) << c.what << ": " << why;
        EXPECT_EQ(waits(timed), c.waits) << c.what;
    }
    model::untimed = false;
}

// Scenarios of what the module owes a host, with the host the explorer
// reached them on: each action passes every check, and nothing is left
// believed down at the end.
TEST(Checks, PassWhatTheModuleOwes) {
    const struct {
        const char* file;
        model::Variant host;
    } cases[] = {
        // One export ends two drags whose releases went elsewhere.
        {"released_away_two_drags_disable.txt", model::kAwayHost},
    };
    for (const auto& c : cases) {
        scenario::Scenario scenario;
        std::string error;
        ASSERT_TRUE(scenario::load(std::string(ORVALINDE_SCENARIOS "/") + c.file, &scenario, &error)) << error;
        // It opens as start() does, with load and doEnable.
        ASSERT_GE(scenario.steps.size(), 2u);
        ASSERT_EQ(scenario.steps[1].name, "doEnable") << c.file;
        model::variant = c.host;
        model::start();
        for (size_t i = 2; i < scenario.steps.size(); ++i) {
            const scenario::Step& step = scenario.steps[i];
            if (step.kind >= scenario::Kind::Expect) continue;
            EXPECT_EQ(model::apply(step), "") << c.file << ": " << scenario::format(step);
        }
        int exception = -1;
        EXPECT_EQ(model::believedDown(&exception), "") << c.file;
    }
    model::variant = model::kPlainHost;
}

}  // namespace
