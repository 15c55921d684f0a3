# Shared by the build and test scripts: installs what is missing, builds.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

# Debian packages the project needs; installed only when missing. Wine is
# installed with its recommended libraries: its X11 driver uses them.
# clang and its runtime libraries build the sanitizer and fuzzer preset;
# clang, lld and llvm 19 build the release DLL and read its PDB (14 has no
# Control Flow Guard); rsvg-convert renders the pictures, python3 reads the
# replay tool's JSON and writes the release archive; xdotool drives the
# playground with real input from the X server. The i686 mingw-w64 compiler
# gives the x86 programs their C++ library and the x86 import libraries.
# osslsigncode signs the kits when a certificate is given, and openssl makes
# the throwaway one the test command signs with.
PACKAGES=(cmake make g++ libgtest-dev libbenchmark-dev g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
          g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine64 xvfb
          clang libclang-rt-dev clang-19 lld-19 llvm-19 librsvg2-bin python3 xdotool osslsigncode openssl)

source "$ROOT/scripts/apt.sh"

ensure_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "== installing: ${missing[*]}"
    apt_install "${missing[@]}"
}

build_all() {
    echo "== native build"
    cmake --preset native >/dev/null
    cmake --build --preset native
    local preset
    for preset in windows windows-gcc windows-arm64 windows-x86; do
        # The ARM64 programs need the C++ toolchain made from Debian's sources.
        [ $preset != windows-arm64 ] || bash scripts/arm64_toolchain.sh
        echo "== $preset build"
        cmake --preset $preset >/dev/null
        cmake --build --preset $preset
    done
}

build_asan() {
    echo "== asan build (clang, AddressSanitizer + UndefinedBehaviorSanitizer, fuzz target)"
    cmake --preset asan >/dev/null
    cmake --build --preset asan
}
