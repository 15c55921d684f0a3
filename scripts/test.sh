#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the native suite
# (with the state explorer and a random walk), the same under the sanitizers,
# the fuzzer for a minute, the DLL and kit checks, the scenarios, the hosts
# built against the installed kit and a soak under Wine.
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
echo "== Orvalinde.dll imports and exports"
bash tests/dll_check.sh build/windows/Orvalinde.dll
echo "== the kit: install tree, package, archive, consumer project, versions"
bash tests/kit_check.sh
echo "== end-to-end tests and a soak under Wine"
SOAK_ROUNDS=${SOAK_ROUNDS:-150} bash scripts/e2e.sh
