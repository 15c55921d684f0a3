// The scenario language written: the names of messages and keys, a message
// as a line describes it, and each step as a line of a scenario file.
#include <cstdio>
#include <string>

#include "scenario.h"
#include "scenario_names.h"

namespace scenario {

using names::kKeys;
using names::kMessages;
using names::Named;

namespace {

std::string hex(uint64_t value, int digits) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return buffer;
}

const char* windowName(Window window) {
    switch (window) {
    case Main: return "main";
    case Second: return "second";
    case NoWindow: return "none";
    case Ime: return "ime";
    case Tooltip: return "tooltip";
    default: return "other";
    }
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '"' || c == '\\') out += std::string("\\") + c;
        else out += c;
    }
    return out + "\"";
}

std::string over(Window window) { return window == Main ? "" : std::string(" over ") + windowName(window); }

}  // namespace

const char* messageName(uint32_t message) {
    for (const Named& named : kMessages)
        if (named.value == message) return named.name;
    return "WM_?";
}

std::string keyName(int key) {
    for (const Named& named : kKeys)
        if (static_cast<int>(named.value) == key) return std::string("VK_") + named.name;
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, static_cast<char>(key));
    return hex(static_cast<uint64_t>(key), 2);
}

std::string describe(const Received& r) {
    if (r.box) return std::string("box ") + windowName(r.window) + " " + quoted(r.caption) + " " + quoted(r.text);
    std::string out = windowName(r.window);
    if (r.input) out += " input";
    out += std::string(" ") + messageName(r.message);
    if (isKeyMessage(r.message)) {
        out += " " + keyName(static_cast<int>(r.wParam));
        if (!r.input) out += " " + hex(static_cast<uint64_t>(r.lParam), 8);
        return out;
    }
    const int x = static_cast<int16_t>(r.lParam & 0xFFFF);
    const int y = static_cast<int16_t>((r.lParam >> 16) & 0xFFFF);
    return out + " " + hex(r.wParam, 4) + " " + std::to_string(x) + " " + std::to_string(y);
}

std::string format(const Step& step) {
    static const char* const kButtons[] = {"left", "right", "middle"};
    const std::string key = keyName(step.key).substr(keyName(step.key).rfind("VK_", 0) == 0 ? 3 : 0);
    switch (step.kind) {
    case Kind::Layout:
        if (step.window == Ime || step.window == Tooltip) return "window " + std::string(windowName(step.window));
        return "window " + std::string(windowName(step.window)) +
               (step.window == Second ? " " + std::to_string(step.x) + " " + std::to_string(step.y) : "") + " " +
               std::to_string(step.width) + " " + std::to_string(step.height) + (step.hidden ? " hidden" : "") +
               (step.toolWindow ? " tool" : "");
    case Kind::Call: return "call " + step.name;
    case Kind::KeyDown: return "key down " + key;
    case Kind::KeyUp: return "key up " + key + (step.release == Queued ? " queued" : "");
    case Kind::KeyTap: return "key tap " + key;
    case Kind::ButtonDown: return std::string("button down ") + kButtons[step.button];
    case Kind::ButtonUp: {
        static const char* const kHow[] = {"", " outside", " queued", " nonclient"};
        return std::string("button up ") + kButtons[step.button] + kHow[step.release];
    }
    case Kind::Host:
        if (step.keyOrder != HookFirst) return step.keyOrder == KeysFirst ? "host keys first" : "host keys first one deep";
        return step.captures ? "host captures"
                             : std::string("host ") + windowName(step.window) + " loop at " + (step.once ? "next " : "") +
                                   messageName(step.expected.message);
    case Kind::EndLoop: return "end loop";
    case Kind::Pointer:
        return "pointer " + std::to_string(step.x) + " " + std::to_string(step.y) + over(step.window);
    case Kind::ButtonDouble: return std::string("button double ") + kButtons[step.button];
    case Kind::Move:
        return "move " + std::to_string(step.x) + " " + std::to_string(step.y) + over(step.window);
    case Kind::Wait: return "wait " + std::to_string(step.milliseconds);
    case Kind::Focus:
        return std::string("focus ") + (step.elevated ? "elevated" : step.window == NoWindow ? "away" : windowName(step.window));
    case Kind::Peek: return "peek";
    case Kind::Buttons: return std::string("buttons ") + (step.swapped ? "swapped" : "normal");
    case Kind::Unload: return "unload";
    case Kind::ExpectNoTimer: return "expect no timer";
    case Kind::ExpectModule: return std::string("expect module ") + (step.moduleLoaded ? "loaded" : "unloaded");
    case Kind::ExpectCursor: return std::string("expect cursor ") + (step.cursorShown ? "shown" : "hidden");
    default: break;
    }
    std::string out = "expect ";
    if (step.everyMs != 0)
        out += "every " + std::to_string(step.everyMs) + " ";
    else if (step.minCount != 1 || step.maxCount != 1)
        out += std::to_string(step.minCount) + ".." + std::to_string(step.maxCount) + " ";
    return out + describe(step.expected);
}

}  // namespace scenario
