// The explorer's modes besides the search (explore.cpp): a seeded random
// walk, and scenario files turned into the fuzzer's inputs.
#pragma once

#include <cstdint>

int walk(uint64_t events, uint64_t seed);
int corpus(const char* outDir, int count, char** files);
