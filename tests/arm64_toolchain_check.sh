#!/usr/bin/env bash
# The C++ toolchain for ARM64 Windows (scripts/arm64_toolchain.sh), used as a
# host developer would from its bin/: a program with the C++ library and an
# exception builds for ARM64, imports no C++ or unwinder DLL, and runs in
# Debian's arm64 Wine under qemu-user. Needs root.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
toolchain=$(bash scripts/arm64_toolchain.sh --print)
fail() { echo "FAIL arm64 toolchain: $*"; exit 1; }
out=build/arm64-toolchain-check
mkdir -p "$out"
# mingw-w64's own printf, as the project's ARM64 programs have it (cmake/arm64-cxx.cmake).
"$toolchain/bin/aarch64-w64-mingw32-clang++" -std=c++17 -O2 -Wall -Wextra -Werror -D__USE_MINGW_ANSI_STDIO=1 \
    -static tests/arm64/toolchain_smoke.cpp -o "$out/smoke.exe" || fail "the smoke program does not build"
machine=$(llvm-readobj-19 --file-headers "$out/smoke.exe" | sed -nE 's/^ *Machine: ([A-Z0-9_]+).*/\1/p')
[ "$machine" = IMAGE_FILE_MACHINE_ARM64 ] || fail "the program is built for $machine"
imports=$(llvm-readobj-19 --coff-imports "$out/smoke.exe" | sed -nE 's/^ *Name: (.*\.dll)$/\1/Ip' | sort -u | tr '\n' ' ')
! grep -qiE 'c\+\+|unwind|gcc|stdc|pthread' <<<"$imports" || fail "the program imports $imports"
BUILD=build/windows-arm64 source scripts/wine_env.sh >/dev/null
ran=$(timeout 300 wine "$out/smoke.exe" 2>>"$work/wine.log" | tr -d '\r') || fail "the program failed: $ran"
[ "$ran" = $'caught: too many, last word 4\nword 1, 2.50' ] || fail "the program printed: $ran"
echo "PASS arm64 toolchain: $(stat -c %s "$out/smoke.exe") bytes for ARM64, importing $imports; it ran in arm64 Wine"
