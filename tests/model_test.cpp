// The untimed search's paths turned back into real waits: a firing order a
// clock gives replays with the same messages; one no clock gives is a false
// alarm.
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

}  // namespace
