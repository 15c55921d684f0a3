#!/usr/bin/env bash
# The steps of the Windows jobs in .github/workflows/windows.yml, one call a
# step, so that the workflow and scripts/windows_jobs_wine.sh (the same
# steps under Wine 8 here) run the same commands.
#   windows_jobs.sh stage KITS           (Linux, after the build) the three
#       kits' archives, the x64 and ARM64 test hosts, the ARM64 runtime-free
#       host and the scenarios, into KITS
#   windows_jobs.sh x64|x86|arm64 KITS OUT   that kit's self-test (--yes
#       --report); x64-swapped, x86-swapped, arm64-swapped: the same as a
#       left-handed user, the buttons swapped for the run (--swapped)
#   windows_jobs.sh clicklock KITS OUT   what the key state reads with
#       ClickLock on after a long press and its release (the x64 kit's
#       self-test --clicklock): a report, which fails the step only when
#       it cannot be made
#   windows_jobs.sh scenarios|scenarios-arm64 KITS OUT   the test host with
#       every scenario, against the x64 (or ARM64) kit's DLL, a log each
#       (ORVALINDE_TRACE)
#   windows_jobs.sh arm64-host KITS OUT  the ARM64 kit's DLL in the runtime-
#       free host built for ARM64: exports, version resource, manifest, the
#       hooks installed, MouseProc's cost per call
# Programs run as they are on Windows; RUN (and RUN_ARM64 for the ARM64
# programs) names what runs them elsewhere, e.g. RUN=wine. Paths are
# relative to the folder it is called in. Exit status 0 when the step
# passed; 1 with the reason, which a runner also shows as an error. The
# self-test's own statuses: 1 failures, 2 it refused to run, 3 real input
# part-way: each fails the step with the self-test's words.
set -uo pipefail
step=${1:?usage: windows_jobs.sh stage KITS | x64|x86|arm64[-swapped]|clicklock|scenarios|scenarios-arm64|arm64-host KITS OUT}
kits=${2:?the kits folder}
out=${3:-}
status=0
fail() {
    echo "::error title=$step::$*"
    echo "FAIL $step: $*"
    status=1
}

if [ "$step" = stage ]; then
    set -e
    mkdir -p "$kits"
    for preset in windows windows-arm64 windows-x86; do
        cmake --build --preset $preset --target package >/dev/null
        cp build/$preset/Orvalinde-*.zip "$kits/"
    done
    cp build/windows/orvalinde_host.exe build/windows-arm64/orvalinde_arm64_host.exe "$kits/"
    mkdir -p "$kits/arm64"
    cp build/windows-arm64/orvalinde_host.exe "$kits/arm64/"
    cp -r scenarios "$kits/"
    ls -l "$kits"
    exit 0
fi

[ -n "$out" ] || { echo "usage: windows_jobs.sh $step KITS OUT" >&2; exit 2; }
mkdir -p "$out"
read -r -a run <<<"${RUN:-}"
# ARM64 programs: the kit's, and the hosts staged for ARM64.
case $step in arm64 | arm64-swapped | scenarios-arm64 | arm64-host) read -r -a run <<<"${RUN_ARM64:-${RUN:-}}" ;; esac
# Unpacks the kit whose archive ends in $1 beside the archives (OUT keeps
# only what the job uploads); sets `bin`.
unpack() {
    local archive
    archive=$(ls "$kits"/Orvalinde-*-"$1".zip 2>/dev/null | head -1)
    [ -n "$archive" ] || { fail "no $1 kit in $kits"; exit 1; }
    archive=$(cd "$(dirname "$archive")" && pwd)/$(basename "$archive")
    local folder="$kits/unpacked/$1"
    rm -rf "$folder"
    mkdir -p "$folder"
    # With whichever of CMake and Python the machine has.
    if command -v cmake >/dev/null; then
        (cd "$folder" && cmake -E tar xf "$archive")
    else
        (cd "$folder" && "$(command -v python3 || command -v python)" -m zipfile -e "$archive" .)
    fi
    bin=$(echo "$folder"/Orvalinde-*/bin)
}

case $step in
x64 | x86 | arm64 | x64-swapped | x86-swapped | arm64-swapped)
    case ${step%-swapped} in x64) suffix=win64 ;; x86) suffix=win32 ;; arm64) suffix=winarm64 ;; esac
    swapped=()
    [ "$step" = "${step%-swapped}" ] || swapped=(--swapped)
    unpack $suffix
    code=0
    "${run[@]}" "$bin/OrvalindeSelfTest.exe" --yes "${swapped[@]}" --report "$out/report-$step.txt" \
        >"$out/selftest-$step.log" 2>&1 || code=$?
    said=$(tr -d '\r' <"$out/selftest-$step.log")
    case $code in
    0) echo "PASS the $step kit's self-test: $(tr -d '\r' <"$out/report-$step.txt" | grep -E '^[0-9]+ passed' | tail -1)" ;;
    1) fail "the $step kit's self-test failed: $(sed -nE 's/^FAIL ([^:]+):.*/\1/p' <<<"$said" | tr '\n' ' ')(report-$step.txt says where)" ;;
    2) fail "the $step kit's self-test refused to run: $(grep -E 'cannot run properly' <<<"$said")" ;;
    3) fail "the $step kit's self-test was stopped by real input: $(grep -E '^Stopped during' <<<"$said")" ;;
    *) fail "the $step kit's self-test exited $code: $(tail -3 <<<"$said" | tr '\n' ' ')" ;;
    esac
    ;;
clicklock)
    unpack win64
    "${run[@]}" "$bin/OrvalindeSelfTest.exe" --clicklock >"$out/clicklock.txt" 2>&1 || fail "no ClickLock report"
    grep -q '^ClickLock' "$out/clicklock.txt" && echo "REPORT $(tr -d '\r' <"$out/clicklock.txt")" ||
        fail "no ClickLock report: $(tr -d '\r' <"$out/clicklock.txt")"
    ;;
scenarios | scenarios-arm64)
    host=$kits/orvalinde_host.exe
    if [ "$step" = scenarios ]; then unpack win64; else unpack winarm64; host=$kits/arm64/orvalinde_host.exe; fi
    mkdir -p "$out/$step"
    passed=0
    for scenario in "$kits"/scenarios/*.txt; do
        name=$(basename "$scenario" .txt)
        if ORVALINDE_TRACE=1 "${run[@]}" "$host" "$bin/Orvalinde.dll" "$scenario" >"$out/$step/$name.log" 2>&1; then
            passed=$((passed + 1))
        else
            fail "$(tr -d '\r' <"$out/$step/$name.log" | grep -E '^FAIL' | tail -1) (its messages: $step/$name.log)"
        fi
    done
    echo "$step: $passed passed, $(( $(ls "$kits"/scenarios/*.txt | wc -l) - passed )) failed"
    ;;
arm64-host)
    unpack winarm64
    cp "$kits/orvalinde_arm64_host.exe" "$bin/"
    "${run[@]}" "$bin/orvalinde_arm64_host.exe" "$bin/Orvalinde.dll" "$out/arm64-host.log" bench \
        >"$out/arm64-host.out" 2>&1
    log=$(tr -d '\r' <"$out/arm64-host.log" 2>/dev/null)
    for line in "exports ok" "version 2" "manifest ok" "ratio " "end"; do
        grep -q "^$line" <<<"$log" || fail "the ARM64 host's log lacks '$line': $(tr '\n' ' ' <<<"$log")"
    done
    ratio=$(sed -n 's/^ratio //p' <<<"$log")
    [ "$status" != 0 ] || echo "PASS the ARM64 DLL in an ARM64 process: exports, version, manifest, hooks; MouseProc costs $ratio% of LowLevelMouseProc"
    ;;
*) echo "windows_jobs.sh: no step $step" >&2; exit 2 ;;
esac
exit $status
