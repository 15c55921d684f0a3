// The explorer's random walk, and its scenarios turned into fuzzer inputs.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "explore.h"
#include "model.h"

namespace {

// What the actions do from a fresh start, then settled (`done` gets the
// steps): the first violation, or else the first key a window believes
// down that no exception accounts for.
std::string outcome(const std::vector<scenario::Step>& path, std::vector<scenario::Step>* done) {
    model::start();
    *done = path;
    for (const scenario::Step& step : path) {
        const std::string violation = model::apply(step);
        if (!violation.empty()) return violation;
    }
    int exception = -1;
    const std::string violation = model::settle(model::releases(), done, &exception);
    return exception < 0 ? violation : "";
}

// A failing walk's path, with every stretch taken out that the failure does
// not need: whole stretches first, then halves of them, down to single
// actions, until nothing more can go.
// The steps returned are the path's and its settling's, as `outcome` gives
// them; the path as it was if settled in another order it fails otherwise.
std::vector<scenario::Step> shrink(std::vector<scenario::Step> path, size_t walked, const std::string& violation) {
    std::vector<scenario::Step> done;
    const std::vector<scenario::Step> whole = path;
    path.resize(walked);
    if (outcome(path, &done) != violation) return whole;
    for (size_t chunk = path.size() / 2; chunk > 0; chunk /= 2) {
        for (size_t at = 0; at + chunk <= path.size();) {
            std::vector<scenario::Step> shorter(path.begin(), path.begin() + at);
            shorter.insert(shorter.end(), path.begin() + at + chunk, path.end());
            if (outcome(shorter, &done) == violation)
                path.swap(shorter);
            else
                at += chunk;
        }
    }
    outcome(path, &done);
    return done;
}

}  // namespace

// Random actions in rounds of up to 40, each round then settled and checked;
// every hundredth round starts the next from scratch, to keep a failing path
// short.
int walk(uint64_t events, uint64_t seed) {
    std::mt19937_64 random(seed);
    model::start();
    std::vector<scenario::Step> path;
    uint64_t done = 0, rounds = 0;
    // The actions walked since the last fresh start, before this round's
    // settling began.
    size_t walked = 0;
    auto fail = [&](const std::string& violation) {
        const size_t before = path.size();
        path = shrink(path, walked, violation);
        const std::string header = "# " + violation + "\n# seed " + std::to_string(seed) + ", shrunk to " +
                                   std::to_string(path.size()) + " of " + std::to_string(before) + " actions\n";
        std::printf("%s", model::scenarioText(path, header).c_str());
        std::printf("walk: after %llu events, VIOLATION: %s\n", static_cast<unsigned long long>(done), violation.c_str());
        return 1;
    };
    while (done < events) {
        const uint64_t length = 1 + random() % 40;
        for (uint64_t i = 0; i < length; ++i, ++done) {
            const std::vector<scenario::Step> actions = model::alphabet();
            path.push_back(actions[random() % actions.size()]);
            std::optional<model::Saved> before;
            if (model::untimed) before = model::save();
            const std::string violation = model::apply(path.back());
            if (violation == model::kNoClock) {  // untimed: not this action here
                model::restore(*before);
                path.pop_back();
                continue;
            }
            if (!violation.empty()) return walked = path.size(), fail(violation);
        }
        walked = path.size();
        std::vector<scenario::Step> settling = model::releases();
        std::shuffle(settling.begin(), settling.end(), random);
        const size_t before = path.size();
        int exception = -1;
        const std::string violation = model::settle(settling, &path, &exception);
        done += path.size() - before;
        if (violation == model::kNoClock) {  // untimed: a timer was due first
            model::start();
            path.clear();
            continue;
        }
        if (!violation.empty() && exception < 0) return fail(violation);
        if (++rounds % 100 == 0) {
            model::start();
            path.clear();
        }
    }
    std::printf("walk: %llu events in %llu rounds (seed %llu): 0 violations outside the documented exceptions\n",
                static_cast<unsigned long long>(done), static_cast<unsigned long long>(rounds),
                static_cast<unsigned long long>(seed));
    return 0;
}

namespace {

// The alphabet entry nearest to a scenario's action: the same key, button,
// export or window; motion to the same point or a new one; waits rounded.
int nearest(const std::vector<scenario::Step>& actions, const scenario::Step& want) {
    using scenario::Kind;
    const bool same = want.kind == Kind::Move && want.window == model::world.host.pointerWindow &&
                      want.x == model::world.host.pointer.x && want.y == model::world.host.pointer.y;
    int pick = -1;
    for (size_t i = 0; i < actions.size(); ++i) {
        const scenario::Step& a = actions[i];
        const Kind kind = want.kind == Kind::KeyTap ? Kind::KeyDown : want.kind;
        if (a.kind != kind) continue;
        bool match = true;
        if (kind == Kind::KeyDown || kind == Kind::KeyUp) match = a.key == want.key;
        if (kind == Kind::ButtonDown || kind == Kind::ButtonUp || kind == Kind::ButtonDouble)
            match = a.button == want.button && a.release == want.release && a.nested < 0;
        if (kind == Kind::Call) match = a.name == want.name;
        if (kind == Kind::Move)
            match = a.window == want.window && same == (a.x == model::world.host.pointer.x && a.y == model::world.host.pointer.y);
        if (kind == Kind::Wait)
            match = a.milliseconds == (want.milliseconds < 2 ? 1u : want.milliseconds < 50 ? 2u : 50u);
        if (match && pick < 0) pick = static_cast<int>(i);
    }
    return pick;
}

// The host a scenario needs: one that captures, runs modal loops, or whose
// user releases buttons elsewhere.
model::Variant variantOf(const scenario::Scenario& s) {
    model::Variant v = model::kPlainHost;
    for (const scenario::Step& step : s.steps) {
        if (step.kind == scenario::Kind::Host && step.keyOrder != scenario::HookFirst) continue;
        if (step.kind == scenario::Kind::Host) return step.captures ? model::kCapturingHost : model::kModalHost;
        if (step.kind == scenario::Kind::ButtonUp && step.release != scenario::Seen && v != model::kAwayHost)
            v = model::kLostReleases;
        if (step.kind == scenario::Kind::Focus && step.window == scenario::NoWindow) v = model::kAwayHost;
        if (step.kind == scenario::Kind::Buttons && step.swapped) v = model::kSwappedHost;
    }
    return v;
}
}  // namespace

// Turns scenario files into fuzzer inputs: the byte of the host and the
// order for keys, then one byte per action.
int corpus(const char* outDir, int count, char** files) {
    for (int f = 0; f < count; ++f) {
        scenario::Scenario s;
        std::string error;
        if (!scenario::load(files[f], &s, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        model::variant = variantOf(s);
        model::keyOrder = scenario::HookFirst;
        for (const scenario::Step& step : s.steps)
            if (step.kind == scenario::Kind::Host && step.keyOrder != scenario::HookFirst) model::keyOrder = step.keyOrder;
        model::start();
        std::string bytes(1, static_cast<char>(model::variant + model::kVariantCount * model::keyOrder));
        for (scenario::Step step : s.steps) {
            const int repeats = step.kind == scenario::Kind::Wait ? std::max(1, static_cast<int>(step.milliseconds / 50)) : 1;
            for (int r = 0; r < repeats + (step.kind == scenario::Kind::KeyTap ? 1 : 0); ++r) {
                const std::vector<scenario::Step> actions = model::alphabet();
                const int index = nearest(actions, step);
                if (index < 0) break;
                bytes.push_back(static_cast<char>(index));
                model::apply(actions[index]);
                if (step.kind == scenario::Kind::KeyTap) step.kind = scenario::Kind::KeyUp;
            }
        }
        const std::string name = std::string(files[f]);
        const std::string path = std::string(outDir) + "/" + name.substr(name.rfind('/') + 1);
        FILE* out = std::fopen(path.c_str(), "wb");
        if (out == nullptr) return std::fprintf(stderr, "cannot write %s\n", path.c_str()), 2;
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
    std::printf("corpus: %d inputs in %s\n", count, outDir);
    return 0;
}
