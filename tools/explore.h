// The explorer's modes besides the search (explore.cpp): a seeded random
// walk, and scenario files turned into the fuzzer's inputs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

int walk(uint64_t events, uint64_t seed);
int corpus(const char* outDir, int count, char** files);

// The second process of a split level (explore_split.cpp). It numbers no
// state and keeps no finding: it writes down, in order, each finding
// (`action` >= 0: the node's action; else a settle in `order`, on the last
// candidate when `node` is kLastCandidate) and each state it did not know
// at the level's start, and the first process reads them back.
namespace split {
constexpr uint32_t kLastCandidate = 0xFFFFFFFF;
extern bool second;  // true in the second process
void begin(int fd);
void report(const std::string& kind, int exception, uint32_t node, int action, const std::vector<size_t>* order);
void candidate(uint32_t parent, uint16_t action, uint64_t fingerprint);
[[noreturn]] void finish(uint64_t transitions, uint32_t mostSends);
struct Handlers {
    void (*report)(const std::string& kind, int exception, uint32_t node, int action, const std::vector<size_t>& order);
    void (*candidate)(uint32_t parent, uint16_t action, uint64_t fingerprint);
};
// False when the file is not whole.
bool readBack(int fd, const Handlers& handlers, uint64_t* transitions, uint32_t* mostSends);
}  // namespace split
