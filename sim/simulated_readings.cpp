// What the tests and tools read of the simulated world, and the switches
// that set how it checks the module's answers.
#include "simulated.h"
#include "simulated_world.h"

using namespace simworld;

namespace sim {

WindowHandle focus() { return world.focus; }

int cursorCount() { return world.cursorCount; }
bool modulePinned() { return world.pinned; }
uint32_t callbacksBeforePin() { return world.callbacksBeforePin; }
void failHookInstall(int kind) { world.failHook[kind & 15] = true; }
HookProcedure installedHook(int kind) { return world.hooks[kind & 15]; }
size_t hooksInstalled() { return world.hooksInstalled; }

const std::vector<Message>& messages() { return world.messages; }
void clearMessages() {
    world.messages.clear();
    world.eventWindows.clear();
}
const std::vector<WindowHandle>& mouseEventWindows() { return world.eventWindows; }
const std::vector<MessageBoxRecord>& messageBoxes() { return world.boxes; }

uint64_t platformCalls() { return world.platformCalls; }
uint64_t nextHookCalls() { return world.nextHookCalls; }
std::vector<Point> pointsPassedOn() {
    std::vector<Point> out;
    out.swap(world.pointsPassedOn);
    return out;
}

void checkHookResults(bool on) { world.checkHookResults = on; }
uint64_t wrongHookResults() { return world.wrongHookResults; }
uint32_t mostSendsPerEntry() { return world.mostSendsPerEntry; }
void resetMostSendsPerEntry() { world.mostSendsPerEntry = 0; }

}  // namespace sim
