#!/usr/bin/env bash
# The kit's self-test under Wine, unpacked from the x64 archive: every
# scenario passes against the kit's DLL (AltGr is skipped: Wine presses no
# Ctrl with it); against a DLL with the same exports
# that installs no hooks it reports failures (exit 1), as it does against
# DLLs that each carry one fault in a timer-driven feature; with no DLL it
# refuses (exit 2), as it does a left-handed run (--swapped: Wine swaps no
# input); input through the X server part-way stops it (exit 3) with
# nothing left held. Under Wine 10 it must refuse (exit 2). Expects the
# windows build and its package; BUILD=build/windows-x86 checks the x86
# kit's self-test (with a Wine that runs 32-bit programs), and
# BUILD=build/windows-arm64 the ARM64 kit's (in Debian's arm64 Wine).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
BUILD=${BUILD:-build/windows}
suffix=win64
[ "$BUILD" != build/windows-x86 ] || suffix=win32
[ "$BUILD" != build/windows-arm64 ] || suffix=winarm64
archive=$(ls "$BUILD"/Orvalinde-*-$suffix.zip 2>/dev/null | head -1)
for file in "$archive" "$BUILD/nohooks/Orvalinde.dll"; do
    [ -f "$file" ] || { echo "self-test: ${file:-the $suffix archive} is missing; build and package first" >&2; exit 1; }
done
source scripts/wine_env.sh
status=0
fail() { echo "FAIL self-test: $*"; status=1; }
python3 -m zipfile -e "$archive" "$work"
kit=$(echo "$work"/Orvalinde-*-$suffix/bin)
selftest=$kit/OrvalindeSelfTest.exe
# Runs the self-test in folder $1 with the other arguments; its output in
# $work/out, its exit status in $code.
run() {
    local folder=$1
    shift
    code=0
    timeout 600 wine "$folder/OrvalindeSelfTest.exe" "$@" 2>>"$work/wine.log" | tr -d '\r' >"$work/out" || code=${PIPESTATUS[0]}
}
start=$(date +%s)

if [ "$(wine --version | sed -E 's/^wine-([0-9]+).*/\1/')" -ge 10 ]; then
    run "$kit" --yes
    if [ "$code" = 2 ] && grep -q "cannot run properly here: it runs under Wine" "$work/out"; then
        echo "PASS self-test: refuses under $(wine --version)"
    else
        cat "$work/out"; fail "under $(wine --version) it exits $code, not 2 with its reason"
    fi
    exit $status
fi

run "$kit" --yes --report "$(winepath -w "$work/report.txt")"
total=$(ls scenarios/*.txt | wc -l)
# Late runs (the machine kept the host from its queue) are no failure.
counted=$(sed -nE 's/^([0-9]+) passed, 0 failed, ([0-9]+) late$/\1 + \2/p' "$work/report.txt")
if [ "$code" = 0 ] && [ -n "$counted" ] && [ $((counted)) = "$total" ] &&
   grep -q "<- load took this one" "$work/report.txt" && grep -q "^Buttons: the left button primary" "$work/report.txt" &&
   grep -q "^SKIP AltGr types characters: the platform pressed no Ctrl of its own with AltGr" "$work/report.txt"; then
    echo "PASS self-test from the archive: $(tail -1 "$work/report.txt") in $(( $(date +%s) - start )) s"
    grep "^SKIP AltGr" "$work/report.txt"
else
    cat "$work/out" "$work/report.txt" 2>/dev/null || true; fail "the kit's self-test exits $code"
fi

# As a left-handed user: Wine swaps no input, so it refuses, the setting untouched.
run "$kit" --yes --swapped
[ "$code" = 2 ] && grep -q "swapping the buttons changes only the setting" "$work/out" &&
    echo "PASS self-test: refuses a left-handed run under Wine" || { cat "$work/out"; fail "--swapped exits $code, not 2"; }

# A DLL that is not the kit's: none at all, then one that installs no hooks.
mkdir "$work/wrong"
cp "$selftest" "$work/wrong/"
run "$work/wrong" --yes
[ "$code" = 2 ] && grep -q "Orvalinde.dll is missing" "$work/out" && echo "PASS self-test: refuses with no DLL" ||
    { cat "$work/out"; fail "with no DLL it exits $code, not 2"; }
cp "$BUILD/nohooks/Orvalinde.dll" "$work/wrong/"
run "$work/wrong" --yes
failures=$(grep -c "^FAIL" "$work/out" || true)
[ "$code" = 1 ] && [ "$failures" -gt 0 ] && echo "PASS self-test: $failures failures against a DLL that installs no hooks" ||
    { cat "$work/out"; fail "against a DLL that installs no hooks it exits $code"; }

# A DLL with one fault planted in a timer-driven feature (the x64 build
# makes them) fails the scenario that uses it, at the first try: exit 1
# and a FAIL line naming it, never a late run.
if [ "$BUILD" = build/windows ]; then
    for planted in dragger:dragger mask_capture:mask_capture burst:burst burst_cancel:burst; do
        fault=${planted%%:*} scenario=${planted#*:}
        cp "$BUILD/planted/$fault/Orvalinde.dll" "$work/wrong/"
        run "$work/wrong" --yes --only "$scenario"
        if [ "$code" = 1 ] && grep -q "^FAIL $scenario: " "$work/out" && grep -q "^0 passed, 1 failed, 0 late" "$work/out"; then
            echo "PASS self-test: with its $fault broken, $(grep "^FAIL $scenario: " "$work/out")"
        else
            cat "$work/out"; fail "with its $fault broken it exits $code, not 1 with a FAIL line for $scenario"
        fi
    done
fi

# The person touches the keyboard once a few scenarios have passed.
timeout 600 wine "$selftest" --yes 2>>"$work/wine.log" >"$work/out" &
selftest_pid=$!
for _ in $(seq 600); do [ "$(grep -c '^PASS' "$work/out" || true)" -ge 3 ] && break; sleep 0.1; done
passed_before=$(grep -c '^PASS' "$work/out" || true)
while kill -0 "$selftest_pid" 2>/dev/null; do xdotool key q; sleep 0.3; done
code=0
wait "$selftest_pid" || code=$?
tr -d '\r' <"$work/out" >"$work/stopped"
if [ "$code" = 3 ] && [ "$passed_before" -ge 3 ] && grep -q "^Stopped during" "$work/stopped" &&
   grep -q "Everything it pressed is released" "$work/stopped"; then
    echo "PASS self-test: $(grep "^Stopped during" "$work/stopped") (after $passed_before scenarios), nothing left held"
else
    cat "$work/stopped"; fail "touched part-way it exits $code"
fi
echo "self-test: $(( $(date +%s) - start )) s"
exit $status
