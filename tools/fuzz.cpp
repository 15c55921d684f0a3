// libFuzzer target: the first input byte picks the host (model.h) and the
// platform's order for keys (scenario.h: its quotient by the hosts), each
// later byte the user's next action from those the model offers (keys,
// buttons, motion, time, focus, exports, and what the host allows), every
// invariant is checked after each, and the end is settled and checked as the
// explorer does. A violation prints its path as a scenario and aborts.
#include <cstdio>
#include <cstdlib>

#include "model.h"

namespace {

[[noreturn]] void fail(const std::vector<scenario::Step>& path, const std::string& violation) {
    std::fprintf(stderr, "%s", model::scenarioText(path, "# " + violation + "\n").c_str());
    std::fprintf(stderr, "fuzz: %s\n", violation.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    model::variant = static_cast<model::Variant>(data[0] % model::kVariantCount);
    model::keyOrder = static_cast<scenario::KeyOrder>(data[0] / model::kVariantCount % 3);
    model::start();
    std::vector<scenario::Step> path;
    for (size_t i = 1; i < size; ++i) {
        const std::vector<scenario::Step> actions = model::alphabet();
        path.push_back(actions[data[i] % actions.size()]);
        const std::string violation = model::apply(path.back());
        if (!violation.empty()) fail(path, violation);
    }
    // Release what is held, then one keystroke and one motion.
    int exception = -1;
    const std::string violation = model::settle(model::releases(), &path, &exception);
    if (!violation.empty() && exception < 0) fail(path, violation);
    return 0;
}
