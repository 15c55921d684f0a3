// The explorer's sets of states seen, as fingerprints of their keys.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace seen_set {

// The states seen, as 64-bit fingerprints of their keys in an open table
// (8 bytes a slot, at most half full): two keys alike in all 64 bits would
// merge two states, which among n states happens with odds below n² / 2⁶⁵.
struct Fingerprints {
    std::vector<uint64_t> slots = std::vector<uint64_t>(1 << 16);
    size_t count = 0;
};
inline uint64_t mix(uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

inline uint64_t fingerprint(const std::string& key) {
    uint64_t h = mix(0x9E3779B97F4A7C15ull ^ key.size());
    for (size_t i = 0; i < key.size(); i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, key.data() + i, std::min<size_t>(8, key.size() - i));
        h = mix(h ^ mix(word + i));
    }
    return h | 1;  // 0 marks an empty slot
}

inline bool contains(const Fingerprints& set, uint64_t f) {
    const size_t mask = set.slots.size() - 1;
    for (size_t i = f & mask; set.slots[i] != 0; i = (i + 1) & mask)
        if (set.slots[i] == f) return true;
    return false;
}

// True when `f` is new.
inline bool insert(Fingerprints& set, uint64_t f) {
    if (2 * (set.count + 1) > set.slots.size()) {
        std::vector<uint64_t> old(set.slots.size() * 2);
        old.swap(set.slots);
        for (uint64_t g : old)
            if (g != 0) {
                size_t i = g & (set.slots.size() - 1);
                while (set.slots[i] != 0) i = (i + 1) & (set.slots.size() - 1);
                set.slots[i] = g;
            }
    }
    size_t i = f & (set.slots.size() - 1);
    for (; set.slots[i] != 0; i = (i + 1) & (set.slots.size() - 1))
        if (set.slots[i] == f) return false;
    set.slots[i] = f;
    ++set.count;
    return true;
}

}  // namespace seen_set
