#!/usr/bin/env bash
# Benchmarks: the hooks on the simulated platform (Google Benchmark), then
# the real DLL in one Windows process under Wine, the release build (clang)
# then the GCC build. The last two lines of each are the ratios that matter:
# MouseProc against the pass-through hook per call, and host throughput with
# the module enabled against disabled.
source "$(dirname "$0")/lib.sh"
ensure_packages "${PACKAGES[@]}"
build_all >/dev/null
echo "== native: the hooks on the simulated platform"
build/native/bench/orvalinde_bench --benchmark_min_time=0.2
echo "== Wine: the real DLL"
source scripts/wine_env.sh
for dll in build/windows/Orvalinde.dll build/windows-gcc/Orvalinde.dll; do
    echo "-- $dll"
    timeout 600 wine build/windows/orvalinde_wine_bench.exe "$dll" 2>>"$work/wine.log" | tr -d '\r'
done
