// What a host window believes is held, from the key and button messages it
// receives: the explorer, the fuzzer and the Wine soak judge "nothing left
// held" by the same rule.
#pragma once

#include <bitset>
#include <cstdint>

namespace belief {

// Virtual keys, left and right modifiers folded into their generic codes,
// and the three buttons under their virtual-key codes.
typedef std::bitset<256> Held;

inline int generic(int key) {
    if (key == 0xA0 || key == 0xA1) return 0x10;  // Shift
    if (key == 0x11 || key == 0xA2 || key == 0xA3) return 0x11;  // Ctrl
    if (key == 0x12 || key == 0xA4 || key == 0xA5) return 0x12;  // Alt
    return key & 0xFF;
}

// "the left button" for a button's code, or nullptr for a key.
inline const char* buttonName(int key) {
    return key == 0x01 ? "the left button" : key == 0x02 ? "the right button" : key == 0x04 ? "the middle button" : nullptr;
}

// Returns the key or button the message is about (its generic code), and
// whether it now counts as down; 0 for a message about neither.
inline int update(Held& held, uint32_t message, uint64_t wParam) {
    int key = 0;
    bool down = false;
    switch (message) {
    case 0x0100: case 0x0104: key = generic(static_cast<int>(wParam)), down = true; break;  // key down, Alt too
    case 0x0101: case 0x0105: key = generic(static_cast<int>(wParam)); break;
    case 0x0201: case 0x0203: key = 0x01, down = true; break;  // left down, double-click
    case 0x0202: key = 0x01; break;
    case 0x0204: case 0x0206: key = 0x02, down = true; break;  // right
    case 0x0205: key = 0x02; break;
    case 0x0207: case 0x0209: key = 0x04, down = true; break;  // middle
    case 0x0208: key = 0x04; break;
    default: return 0;
    }
    held.set(static_cast<size_t>(key), down);
    return key;
}

// A window losing the keyboard focus forgets the keys it saw go down; the
// buttons it keeps.
inline void loseFocus(Held& held) {
    for (int key = 8; key < 256; ++key) held.reset(static_cast<size_t>(key));
}

}  // namespace belief
