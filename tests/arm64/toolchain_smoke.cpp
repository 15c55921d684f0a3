// Built by tests/arm64_toolchain_check.sh with the C++ toolchain for ARM64
// Windows as a host developer would, and run in arm64 Wine: the C++ library,
// an exception unwound through frames of other functions, and printf with a
// floating-point argument.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {
std::vector<std::string> words(int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back("word " + std::to_string(i));
    if (count > 3) throw std::runtime_error("too many, last " + out.back());
    return out;
}

int unwound() {
    try {
        words(5);
    } catch (const std::exception& e) {
        std::printf("caught: %s\n", e.what());
        return 1;
    }
    return 0;
}
}  // namespace

int main() {
    const int caught = unwound();
    std::printf("%s, %.2f\n", words(2)[1].c_str(), 2.5);
    return caught ? 0 : 1;
}
