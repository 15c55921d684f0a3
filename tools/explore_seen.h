// The explorer's sets of states seen, as fingerprints of their keys.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace seen_set {

// The states seen, as 64-bit fingerprints of their keys in an open table
// (8 bytes a slot, at most three quarters full: a few more probes, in the
// same cache line mostly, where half full would take twice the memory at
// hundreds of millions of states): two keys alike in all 64 bits would
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

// The high and low halves of a full 64 × 64-bit product, folded: every bit
// of either factor reaches every bit of the result.
inline uint64_t fold(uint64_t a, uint64_t b) {
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return static_cast<uint64_t>(product) ^ static_cast<uint64_t>(product >> 64);
}

// A key is hashed 16 bytes to a product, chained through the running hash;
// one product a block keeps it cheap, as every transition makes a key.
inline uint64_t fingerprint(const char* key, size_t size) {
    uint64_t h = 0x9E3779B97F4A7C15ull ^ size;
    for (size_t i = 0; i < size; i += 16) {
        uint64_t a = 0, b = 0;
        const size_t left = size - i;
        std::memcpy(&a, key + i, std::min<size_t>(8, left));
        if (left > 8) std::memcpy(&b, key + i + 8, std::min<size_t>(8, left - 8));
        h = fold(a ^ 0xA0761D6478BD642Full, b ^ h ^ 0xE7037ED1A0B428DBull);
    }
    return mix(h ^ size) | 1;  // 0 marks an empty slot
}

inline bool contains(const Fingerprints& set, uint64_t f) {
    const size_t mask = set.slots.size() - 1;
    for (size_t i = f & mask; set.slots[i] != 0; i = (i + 1) & mask)
        if (set.slots[i] == f) return true;
    return false;
}

// True when `f` is new.
inline bool insert(Fingerprints& set, uint64_t f) {
    if (4 * (set.count + 1) > 3 * set.slots.size()) {
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
