// Replays scenario files against the module on the simulated platform.
//   replay [--trace] FILE...     runs them; "N passed, M failed"
//   replay --record FILE         prints FILE's actions with what the host
//                                received as its expectations
// Exits 0 when all pass, 1 when one fails, 2 for a usage error.
#include <cstdio>
#include <cstring>

#include "scenario.h"
#include "sim_host.h"

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--record") == 0) {
        scenario::Scenario s;
        std::string error, text;
        SimulatedHost host;
        if (!scenario::load(argv[2], &s, &error) || !scenario::record(s, host, &text, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    bool trace = false;
    int passed = 0, failed = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--trace") == 0) {
            trace = true;
            continue;
        }
        scenario::Scenario s;
        std::string error;
        bool ok = scenario::load(argv[i], &s, &error);
        if (ok) {
            if (trace) std::printf("%s\n", argv[i]);
            SimulatedHost host(trace);
            ok = scenario::run(s, host, &error);
        }
        if (ok) {
            ++passed;
            std::printf("PASS %s\n", argv[i]);
        } else {
            ++failed;
            std::printf("FAIL %s\n", error.c_str());
        }
    }
    if (passed + failed == 0) {
        std::fprintf(stderr, "usage: replay [--trace] FILE... | replay --record FILE\n");
        return 2;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
