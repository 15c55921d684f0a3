// The names the scenario language gives messages and keys, shared by its
// reader (scenario.cpp) and its writer (scenario_text.cpp).
#pragma once

#include <cstdint>

namespace scenario {
namespace names {

struct Named {
    const char* name;
    uint32_t value;
};

inline constexpr Named kMessages[] = {
    {"WM_KEYDOWN", 0x0100},       {"WM_KEYUP", 0x0101},         {"WM_SYSKEYDOWN", 0x0104},
    {"WM_SYSKEYUP", 0x0105},      {"WM_MOUSEMOVE", 0x0200},     {"WM_LBUTTONDOWN", 0x0201},
    {"WM_LBUTTONUP", 0x0202},     {"WM_LBUTTONDBLCLK", 0x0203}, {"WM_RBUTTONDOWN", 0x0204},
    {"WM_RBUTTONUP", 0x0205},     {"WM_RBUTTONDBLCLK", 0x0206}, {"WM_MBUTTONDOWN", 0x0207},
    {"WM_MBUTTONUP", 0x0208},     {"WM_MBUTTONDBLCLK", 0x0209},
};

inline constexpr Named kKeys[] = {
    {"BACK", 0x08},     {"TAB", 0x09},      {"RETURN", 0x0D},   {"SHIFT", 0x10},   {"CONTROL", 0x11},
    {"MENU", 0x12},     {"ESCAPE", 0x1B},   {"SPACE", 0x20},    {"LSHIFT", 0xA0},  {"RSHIFT", 0xA1},
    {"LCONTROL", 0xA2}, {"RCONTROL", 0xA3}, {"LMENU", 0xA4},    {"RMENU", 0xA5},   {"F1", 0x70},
    {"F2", 0x71},       {"F3", 0x72},       {"F4", 0x73},       {"F5", 0x74},      {"F6", 0x75},
    {"F7", 0x76},       {"F8", 0x77},       {"F9", 0x78},       {"F10", 0x79},     {"F11", 0x7A},
    {"F12", 0x7B},      {"CTRL", 0x11},     {"ALT", 0x12},
};

}  // namespace names
}  // namespace scenario
