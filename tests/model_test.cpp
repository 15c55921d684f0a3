// The untimed search's paths turned back into real waits: a firing order a
// clock gives replays with the same messages; one no clock gives is a false
// alarm. And the checks pass what the module must do.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "model.h"
#include "module/exports.h"

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
        // With the timers bounded, a false alarm's first firing no clock
        // gives is refused there (the sixth burst: the mask's timer is due
        // first), and every other step is taken.
        model::boundTimers = true;
        model::start();
        size_t refused = path.size();
        for (size_t i = 0; i < path.size() && refused == path.size(); ++i)
            if (model::apply(path[i]) == model::kNoClock) refused = i;
        EXPECT_EQ(refused, c.verdict == model::Realized::FalseAlarm ? start.size() + 5 : path.size()) << c.what;
        model::boundTimers = false;
    }
    model::untimed = false;
}

// Untimed, the burst begun up to 49 ms after the mask's capture, and the
// same with the capture made again just after, are one state, though only
// from the first can the mask's timer fire before the burst's first tick.
// Bounded, they are two, and each takes only what a clock gives.
TEST(Untimed, BoundedTimersTellApartWhatTheClockDoes) {
    const scenario::Step mask = act(scenario::Kind::Call, 0, "customMaskKeyPressed");
    const std::vector<scenario::Step> paths[2] = {
        {act(scenario::Kind::KeyDown, 'S'), mask, act(scenario::Kind::Call, 0, "doDelayedEnable")},
        {act(scenario::Kind::KeyDown, 'S'), mask, act(scenario::Kind::Call, 0, "doDelayedEnable"), mask}};
    model::variant = model::kPlainHost;
    model::untimed = true;
    for (bool bounded : {false, true}) {
        model::boundTimers = bounded;
        std::string keys[2], maskFirst[2];
        for (int p = 0; p < 2; ++p) {
            model::start();
            for (const scenario::Step& s : paths[p]) ASSERT_EQ(model::apply(s), "");
            keys[p] = model::key();
            maskFirst[p] = model::apply(fire("mask"));
        }
        EXPECT_EQ(keys[0] == keys[1], !bounded);
        EXPECT_EQ(maskFirst[0], "");
        EXPECT_EQ(maskFirst[1], bounded ? model::kNoClock : "");
    }
    model::boundTimers = false;
    model::untimed = false;
}

// A tick arms the dragger's next repeat from the time it fires at: untimed,
// the repeats still come at 1, 51 and 101 ms, as with real waits (one wait
// takes the three). So too when another timer fired first at a due time
// later than the dragger's as the held clock counts it: the dragger, begun
// 10 ms or more after the burst's first tick, ticks after its second, and
// its next repeat is still 50 ms on.
TEST(Untimed, TimersArmFromTheTimeTheyFire) {
    const struct {
        std::vector<scenario::Step> path;
        const char* waits;
    } cases[] = {
        {{act(scenario::Kind::KeyDown, 'F'), act(scenario::Kind::Call, 0, "startDraggerMode"), fire("dragger"),
          fire("dragger"), fire("dragger")},
         ". . 101 "},
        {{act(scenario::Kind::KeyDown, 'F'), act(scenario::Kind::Call, 0, "doDelayedEnable"), fire("burst"),
          act(scenario::Kind::Call, 0, "startDraggerMode"), fire("burst"), fire("dragger")},
         ". . 10 . 1 "},
    };
    model::variant = model::kPlainHost;
    model::untimed = true;
    for (const auto& c : cases) {
        model::start();
        std::vector<scenario::Step> timed;
        std::string why;
        EXPECT_EQ(model::realize(c.path, "", &timed, &why), model::Realized::Replays) << why;
        EXPECT_EQ(waits(timed), c.waits);
        for (const scenario::Step& s : c.path) EXPECT_EQ(model::apply(s), "");
        for (const sim::TimerInfo& t : sim::timers())
            EXPECT_TRUE(t.id != state.draggerTimer || t.interval == 50u) << "the dragger re-armed for " << t.interval;
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
        // A drag the key state cannot read, with the pointer over the child.
        {"simulated/elevated_drag_into_child.txt", model::kAwayHost},
        // Two drags each send the child the right button down; the later
        // release reaches main, which never got a press: each is owed.
        {"owed_ctrl_up_overlap.txt", model::kPlainHost},
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

// A braced list initializes the record only up to as many values as it has
// fields (an array taking one for each element, its braces left out).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-braces"
struct AnyValue {
    template <class T>
    operator T() const;
};
template <class T, class... Values>
constexpr auto initializes(int) -> decltype(T{Values{}...}, true) {
    return true;
}
template <class T, class... Values>
constexpr bool initializes(...) {
    return false;
}
template <class T, class... Values>
constexpr size_t initializers() {
    if constexpr (initializes<T, Values..., AnyValue>(0))
        return initializers<T, Values..., AnyValue>();
    else
        return sizeof...(Values);
}
#pragma GCC diagnostic pop

// A field added to the module's record must say how the key takes it, or
// states that differ in it would be merged unnoticed.
TEST(Key, EveryFieldOfTheRecordIsAccountedFor) {
    size_t listed = 0;
    for (size_t i = 0; i < model::kStateFieldCount; ++i) listed += model::kStateFields[i].initializers;
    EXPECT_EQ(initializers<TranslationState>(), listed);
    size_t flags = 0;
    for (size_t i = 0; i < model::kStateFieldCount; ++i)
        flags += std::string(model::kStateFields[i].inKey) == "a flag";
    EXPECT_EQ(flags, model::kFlagCount);
}

// States whose futures differ have different keys. On the capturing host
// the window holding the mouse keeps it until the release of the button
// that took it: left then right pressed in main, and right then left, end
// in one window and one held set, but after "left up, move over the child,
// right up" the right release reaches main in one and the child in the
// other.
TEST(Key, TellsApartStatesWhoseFuturesDiffer) {
    auto button = [](scenario::Kind kind, scenario::Button b) {
        scenario::Step s = act(kind);
        s.button = b;
        return s;
    };
    scenario::Step move = act(scenario::Kind::Move);
    move.window = scenario::Second;
    move.x = move.y = 30;
    model::variant = model::kCapturingHost;
    std::string keys[2];
    scenario::Window releasedIn[2] = {scenario::NoWindow, scenario::NoWindow};
    for (int order = 0; order < 2; ++order) {
        model::start();
        const scenario::Button first = order == 0 ? scenario::Left : scenario::Right;
        model::apply(button(scenario::Kind::ButtonDown, first));
        model::apply(button(scenario::Kind::ButtonDown, order == 0 ? scenario::Right : scenario::Left));
        keys[order] = model::key();
        std::vector<sim::Message> received;
        model::collectMessages(&received);
        for (const scenario::Step& s :
             {button(scenario::Kind::ButtonUp, scenario::Left), move, button(scenario::Kind::ButtonUp, scenario::Right)})
            model::apply(s);
        model::collectMessages(nullptr);
        for (const sim::Message& m : received)
            if (m.input && m.message == WM_RBUTTONUP) releasedIn[order] = model::world.host.windowOf(m.window);
    }
    EXPECT_NE(releasedIn[0], releasedIn[1]);
    EXPECT_NE(keys[0], keys[1]);
    model::variant = model::kPlainHost;
}

// The exports, once (export_list.h): the .def the linker reads and the ordinals
// the public header gives hosts agree with that list, no export more or
// less, and the simulated host and the model call only exports of it, the
// host every one a host calls by name.
TEST(Exports, DefHeaderAndToolsFollowTheOneList) {
    std::map<std::string, int> listed;
#define ORVALINDE_LISTED(name, ordinal, kind) listed[#name] = ordinal;
    ORVALINDE_EXPORTS(ORVALINDE_LISTED)
#undef ORVALINDE_LISTED
    auto read = [](const char* path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_FALSE(text.str().empty()) << path;
        return text.str();
    };
    auto found = [](const std::string& text, const std::regex& pattern) {
        std::map<std::string, int> out;
        for (std::sregex_iterator m(text.begin(), text.end(), pattern), end; m != end; ++m)
            out[(*m)[1]] = std::stoi((*m)[2]);
        return out;
    };
    EXPECT_EQ(found(read(ORVALINDE_SOURCE "/res/Orvalinde.def"), std::regex(R"(\n +(\w+) +@(\d+))")), listed);
    std::map<std::string, int> upper;
    for (const auto& [name, ordinal] : listed) {
        std::string u = name;
        for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        upper[u] = ordinal;
    }
    EXPECT_EQ(found(read(ORVALINDE_SOURCE "/include/orvalinde.h"), std::regex(R"(#define ORVALINDE_ORDINAL_(\w+) (\d+))")), upper);

    SimulatedHost host;
    for (const auto& [name, ordinal] : listed)
        EXPECT_EQ(host.call(name), name != "LowLevelMouseProc" && name != "MouseProc") << name;
    EXPECT_FALSE(host.call("doSomethingElse"));
    for (const char* name : model::kExports) EXPECT_EQ(listed.count(name), 1u) << name;
}

}  // namespace

