// The model's actions as scenario steps (model.h), and what the user does
// at the end of a path: lets go of everything, types and moves.
#include "model.h"

namespace model {

// A point that is neither the pointer nor an anchor, in client coordinates.
Point newPoint() {
    static const Point candidates[] = {{10, 10}, {20, 20}, {30, 30}, {40, 40}};
    for (Point p : candidates)
        if (!samePoint(p, world.host.pointer) && !samePoint(p, state.leftAnchor) && !samePoint(p, state.middleAnchor))
            return p;
    return candidates[0];
}

scenario::Step step(scenario::Kind kind) {
    scenario::Step s;
    s.kind = kind;
    return s;
}

scenario::Step keyStep(scenario::Kind kind, int key) {
    scenario::Step s = step(kind);
    s.key = key;
    return s;
}

scenario::Step buttonStep(scenario::Kind kind, int button) {
    scenario::Step s = step(kind);
    s.button = static_cast<scenario::Button>(button);
    return s;
}

scenario::Step moveStep(scenario::Window window, Point at) {
    scenario::Step s = step(scenario::Kind::Move);
    s.window = window;
    s.x = at.x;
    s.y = at.y;
    return s;
}

std::vector<scenario::Step> releases() {
    std::vector<scenario::Step> out;
    for (int b = 0; b < 3; ++b)
        if (sim::buttonHeld(static_cast<sim::Button>(b))) out.push_back(buttonStep(scenario::Kind::ButtonUp, b));
    for (int key : kKeys)
        if (sim::keyState(key)) out.push_back(keyStep(scenario::Kind::KeyUp, key));
    return out;
}

std::vector<scenario::Step> settleTail() {
    std::vector<scenario::Step> out;
    // Back from the other program, where the releases went.
    if (sim::focusIsAway()) {
        scenario::Step back = step(scenario::Kind::Focus);
        back.window = scenario::Main;
        out.push_back(back);
    }
    // Translation stays as the path left it: what a host with it off never
    // gets, the check must not send for it. The user goes on typing and
    // moving the mouse, as users do.
    out.push_back(keyStep(scenario::Kind::KeyTap, kSettleKey));
    out.push_back(moveStep(world.host.pointerWindow, newPoint()));
    return out;
}

std::string settle(const std::vector<scenario::Step>& releases, std::vector<scenario::Step>* done, int* exception) {
    *exception = -1;
    for (int phase = 0; phase < 2; ++phase)
        for (const scenario::Step& step : phase == 0 ? releases : settleTail()) {
            done->push_back(step);
            const std::string violation = apply(step);
            if (!violation.empty()) return violation;
        }
    return believedDown(exception);
}

}  // namespace model
