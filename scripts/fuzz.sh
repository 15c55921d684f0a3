#!/usr/bin/env bash
# Runs the fuzz target (asan preset) for SECONDS, its corpus seeded from the
# scenario files; fails on any violation or sanitizer report. Expects a build.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
seconds=${1:-60}
corpus=build/asan/corpus
mkdir -p "$corpus"
build/asan/tools/explore --corpus "$corpus" scenarios/*.txt scenarios/simulated/*.txt scenarios/keys_first/*.txt scenarios/wine/*.txt
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Inputs longer than 128 actions add time, not states.
if ! (cd build/asan && tools/orvalinde_fuzz -max_total_time="$seconds" -max_len=128 -print_final_stats=1 \
        corpus >"$log" 2>&1); then
    tail -60 "$log"
    echo "fuzz: FAILED"
    exit 1
fi
grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true
grep -E 'stat::number_of_executed_units|stat::new_units_added' "$log" || true
echo "fuzz: no violation in ${seconds} s"
