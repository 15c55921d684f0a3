// The Windows test host's command line (hostkit/host.cpp has the host itself):
//   orvalinde_host DLL SCENARIO     runs one scenario (one process per case:
//                                   hooks cannot be removed, state is static)
//   orvalinde_host --identity DLL   checks exports, version resource, manifest
//   orvalinde_host --hook-chain DLL a mouse hook after the module's gets screen points
//   orvalinde_host --altgr DLL      AltGr types characters, or why it was skipped
//   orvalinde_host --soak DLL SEED ROUNDS   random rounds of input (soak.cpp)
// With ORVALINDE_TRACE set, every message the windows receive is printed.
// Prints PASS or FAIL with the reason; exits 0 on success. A scenario that
// failed where the host was measurably late prints LATE and exits 3: timing,
// not the module, explains it, and it may be run again.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host.h"

// soak.cpp
bool runSoak(const char* dllPath, unsigned long long seed, int rounds, std::string* error);

int main(int argc, char** argv) {
    std::string error;
    bool ok = false;
    std::string name;
    if (argc == 5 && std::strcmp(argv[1], "--soak") == 0) {
        name = "soak";
        ok = runSoak(argv[2], std::strtoull(argv[3], nullptr, 10), std::atoi(argv[4]), &error);
    } else if (argc == 3 && std::strcmp(argv[1], "--hook-chain") == 0) {
        name = "hook chain";
        ok = checkHookChain(argv[2], &error);
    } else if (argc == 3 && std::strcmp(argv[1], "--altgr") == 0) {
        std::string line;
        const Outcome outcome = checkAltGr(argv[2], &line);
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        ExitProcess(outcome == Outcome::Failed ? 1 : 0);
    } else if (argc == 3 && std::strcmp(argv[1], "--identity") == 0) {
        name = "identity of " + std::string(argv[2]);
        ok = checkIdentity(argv[2], &error);
    } else if (argc == 3) {
        name = argv[2];
        scenario::Scenario s;
        double lateMs = 0;
        ok = scenario::load(argv[2], &s, &error) && runScenario(argv[1], s, &error, &lateMs);
        if (!ok && lateMs > 0) {
            std::printf("LATE %s\n", lateLine(error, lateMs).c_str());
            std::fflush(stdout);
            ExitProcess(3);
        }
    } else {
        std::fprintf(stderr, "usage: orvalinde_host DLL SCENARIO | orvalinde_host --identity|--hook-chain|--altgr DLL | "
                             "orvalinde_host --soak DLL SEED ROUNDS\n");
        return 2;
    }
    if (ok)
        std::printf("PASS %s\n", name.c_str());
    else
        std::printf("FAIL %s\n", error.c_str());
    std::fflush(stdout);
    ExitProcess(ok ? 0 : 1);
}
