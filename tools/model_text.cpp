// What the model says: the hosts the search covers, by name; the states the
// platform's routing makes unavoidable, each with its reason; and paths
// written as scenario files (model.h).
#include "model.h"

#include <algorithm>

namespace model {

const ExceptionInfo kExceptions[kExceptionCount] = {
    {"pointer-left-while-held",
     "mouse messages follow the pointer, the module's as the platform's own: in a host that does not capture "
     "the mouse, a window the pointer leaves with a button held never sees that button's release, nor the "
     "release of a drag the module replays there; keys are not routed by the pointer, and are not excused"},
    {"released-elsewhere",
     "a press the host got as input, released over another program's window or over a border, never reaches "
     "the host as a release: that is the platform's routing, with or without the module; the module ends its "
     "own gestures at such a release, and the buttons it sent are not excused"},
};

const char* const kVariantNames[kVariantCount] = {"plain", "lost", "capture", "modal", "away", "swapped", "reentrant"};
Variant variant = kPlainHost;
int maxHeld = 0;
bool untimed = false;
bool reduced = false;
scenario::KeyOrder keyOrder = scenario::HookFirst;

std::vector<scenario::Step> written(const std::vector<scenario::Step>& steps) {
    const Saved live = save();
    std::vector<scenario::Step> out;
    start();
    collectWritten(&out);
    for (const scenario::Step& s : steps) apply(s);
    collectWritten(nullptr);
    // An act the host armed that no message ever set off writes nothing.
    out.erase(std::remove_if(out.begin(), out.end(),
                             [](const scenario::Step& s) {
                                 return s.kind == scenario::Kind::Host && s.once && s.window == scenario::NoWindow;
                             }),
              out.end());
    restore(live);
    return out;
}

std::string scenarioText(const std::vector<scenario::Step>& path, const std::string& header) {
    const std::vector<scenario::Step> steps = written(path);
    const Saved live = save();
    scenario::Scenario s;
    s.file = "path";
    if (variant == kSwappedHost) {
        scenario::Step swapped;
        swapped.kind = scenario::Kind::Buttons;
        swapped.swapped = true;
        s.steps.push_back(swapped);
    }
    if (keyOrder != scenario::HookFirst) {
        scenario::Step order;
        order.kind = scenario::Kind::Host;
        order.keyOrder = keyOrder;
        s.steps.push_back(order);
    }
    if (variant == kCapturingHost) {
        scenario::Step captures;
        captures.kind = scenario::Kind::Host;
        captures.captures = true;
        s.steps.push_back(captures);
    }
    if (variant == kModalHost)
        for (scenario::Window w : {scenario::Main, scenario::Second})
            for (uint32_t m : {WM_RBUTTONUP, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
                scenario::Step loop;
                loop.kind = scenario::Kind::Host;
                loop.window = w;
                loop.expected.message = m;
                s.steps.push_back(loop);
            }
    for (const char* name : {"load", "doEnable"}) {
        scenario::Step call;
        call.kind = scenario::Kind::Call;
        call.name = name;
        s.steps.push_back(call);
    }
    s.steps.insert(s.steps.end(), steps.begin(), steps.end());
    SimulatedHost fresh;
    std::string text, error;
    scenario::record(s, fresh, &text, &error);
    restore(live);
    return header + text;
}

}  // namespace model
