// Snapshots of the simulated world, for tools that branch from one state.
#include <algorithm>

#include "simulated.h"
#include "simulated_world.h"

using namespace simworld;

namespace sim {

struct Snapshot {
    World world;  // without its windows ...
    std::shared_ptr<const std::vector<Window>> windows;  // ... which are here
};

std::shared_ptr<const Snapshot> save() {
    // Killed timers never fire again; dropping them keeps copies small.
    std::vector<Timer>& timers = world.timers;
    timers.erase(std::remove_if(timers.begin(), timers.end(), [](const Timer& t) { return !t.live; }), timers.end());
    // The windows rarely change after a world is made: one copy serves
    // every snapshot taken until they do.
    static std::shared_ptr<const std::vector<Window>> windows;
    static uint64_t version = 0;
    if (windows == nullptr || version != world.windowsVersion) {
        windows = std::make_shared<const std::vector<Window>>(world.windows);
        version = world.windowsVersion;
    }
    std::vector<Window> own;
    own.swap(world.windows);
    auto snapshot = std::make_shared<const Snapshot>(Snapshot{world, windows});
    own.swap(world.windows);
    return snapshot;
}

void restore(const Snapshot& snapshot) {
    std::vector<Window> own;
    own.swap(world.windows);
    const uint64_t version = world.windowsVersion;
    world = snapshot.world;
    if (version == world.windowsVersion) own.swap(world.windows);
    else world.windows = *snapshot.windows;
}

}  // namespace sim
