#!/usr/bin/env bash
# Runs the end-to-end scenarios against the real Orvalinde.dll under Wine,
# one host process per scenario, on an Xvfb display of our own and a
# throwaway Wine prefix. Fails if Wine cannot run them. Expects a build.
#   scripts/e2e.sh [SCENARIO...]
# BUILD names the build to test (default build/windows, the release;
# build/windows-gcc is the GCC build's).
# With SOAK_ROUNDS set, a soak of that many random rounds follows (seed
# SOAK_SEED, default 1), bounded to SOAK_SECONDS (default 120).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

BUILD=${BUILD:-build/windows}
HOST=$BUILD/orvalinde_host.exe
DLL=$BUILD/Orvalinde.dll
for file in "$HOST" "$DLL"; do
    [ -f "$file" ] || { echo "e2e: $file is missing; build first" >&2; exit 1; }
done
scenarios=("$@")
[ ${#scenarios[@]} -gt 0 ] || scenarios=(scenarios/*.txt scenarios/wine/*.txt)

source scripts/wine_env.sh

passed=0
failed=0
late=0
run_case() { run_exe "$HOST" "$@"; }
# A run the host reports late (exit 3: it was away from its queue long
# enough to explain the failure) is tried again, three times in all; late
# each time, it counts as late, not failed.
run_exe() {
    local output status try
    for try in 1 2 3; do
        status=0
        output=$(timeout "${limit:-60}" wine "$@" 2>>"$work/wine.log" | tr -d '\r'; exit "${PIPESTATUS[0]}") || status=$?
        [ "$status" -eq 3 ] || break
        echo "$output (try $try of 3)"
    done
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
    elif [ "$status" -eq 3 ]; then
        late=$((late + 1))
        return
    else
        failed=$((failed + 1))
        [ -n "$output" ] || output="FAIL $*: the host did not finish"
    fi
    echo "$output"
}

start=$(date +%s)
run_case --identity "$DLL"
run_case --hook-chain "$DLL"
for scenario in "${scenarios[@]}"; do
    run_case "$DLL" "$scenario"
done
# Hosts built against the installed kit (tests/kit_check.sh builds them):
# the x64 kit's, or the ARM64 or x86 kit's in build/*-arm64 and build/*-x86.
kit=none
[ "$BUILD" != build/windows ] || kit=""
[ "$BUILD" != build/windows-arm64 ] || kit=-arm64
[ "$BUILD" != build/windows-x86 ] || kit=-x86
if [ "$kit" != none ]; then
    # The example hosts run their message loop for 300 ms.
    for exe in "build/example$kit/minimal_host.exe" "build/consumer$kit/consumer.exe" "build/consumer$kit/consumer_lib.exe"; do
        if [ -f "$exe" ]; then run_exe "$exe" 300; fi
    done
    if [ -f "build/consumer$kit/lld_link_host.exe" ]; then run_exe "build/consumer$kit/lld_link_host.exe"; fi
fi
echo "e2e: $(( $(date +%s) - start )) s"
if [ "${SOAK_ROUNDS:-0}" -gt 0 ]; then
    start=$(date +%s)
    limit=${SOAK_SECONDS:-120} run_case --soak "$DLL" "${SOAK_SEED:-1}" "$SOAK_ROUNDS"
    echo "soak: $(( $(date +%s) - start )) s"
fi
echo "$passed passed, $failed failed, $late late"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
