#!/usr/bin/env bash
# The ARM64 DLL as a person uses it: real ARM64 code, in Debian's arm64 Wine
# under qemu-user (scripts/arm64_chroot.sh), in a runtime-free ARM64 host
# driven through the X server; the x64 DLL faces the same checks in the same
# host built for x64 under x64 Wine. The checks must fail against a DLL with
# the same exports that installs no hooks. Then MouseProc's per-call cost
# against the pass-through LowLevelMouseProc, for each. Needs root.
#   arm64_check.sh        all of it
#   arm64_check.sh x64    the x64 DLL's checks and cost alone, with the Wine
#                         on the PATH (scripts/wine10.sh runs it under Wine 10)
#   arm64_check.sh x86    the same for the x86 DLL and host, with the Wine on
#                         the PATH (one that runs 32-bit programs:
#                         scripts/wine_chroot.sh), and its checks must fail
#                         against the x86 DLL that installs no hooks
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
mode=${1:-all}
# The DLL that the Wine on the PATH runs: x64, or x86 in that mode. ARM64
# runs only when all of it does; the no-hooks DLL is ARM64's, or x86's.
native=x64 native_build=build/windows nohooks_build=build/windows-arm64
[ "$mode" != x86 ] || native=x86 native_build=build/windows-x86 nohooks_build=build/windows-x86
x64_only=false
[ "$mode" = all ] || x64_only=true
files=("$native_build/Orvalinde.dll" "$native_build/orvalinde_arm64_host.exe")
$x64_only || files+=(build/windows-arm64/Orvalinde.dll build/windows-arm64/orvalinde_arm64_host.exe)
[ "$mode" = x64 ] || files+=("$nohooks_build/nohooks/Orvalinde.dll")
for file in "${files[@]}"; do
    [ -f "$file" ] || { echo "arm64: $file is missing; build first" >&2; exit 1; }
done
source scripts/wine_env.sh
arm64_share="$work/share"
$x64_only || source scripts/arm64_chroot.sh
start=$(date +%s)
cases=("$native:$native_build")
$x64_only || cases+=(arm64:build/windows-arm64)
[ "$mode" = x64 ] || cases+=("nohooks:$nohooks_build")
for case in "${cases[@]}"; do
    mkdir -p "$arm64_share/${case%%:*}"
    cp "${case#*:}/orvalinde_arm64_host.exe" "$arm64_share/${case%%:*}/"
done
cp "$native_build/Orvalinde.dll" "$arm64_share/$native/"
$x64_only || cp build/windows-arm64/Orvalinde.dll "$arm64_share/arm64/"
[ "$mode" = x64 ] || cp "$nohooks_build/nohooks/Orvalinde.dll" "$arm64_share/nohooks/"
$x64_only || [ -d "$arm64_root/root/prefix" ] || arm64_run /usr/lib/wine/wine64 wineboot -i >"$work/wineboot-arm64.log" 2>&1

# Whether NAME's host runs in this machine's own Wine, not the arm64 one.
runs_here() { [ "$1" = "$native" ] || { [ "$1" = nohooks ] && [ "$mode" = x86 ]; }; }

# Runs the host on NAME's DLL with ARGUMENT; its log is $arm64_share/NAME/host.log.
host() {
    local name=$1 argument=$2
    if runs_here "$name"; then
        local dir="$arm64_share/$name"
        timeout 120 wine "$dir/orvalinde_arm64_host.exe" "$(winepath -w "$dir/Orvalinde.dll")" "$(winepath -w "$dir/host.log")" \
            "$argument" >>"$work/wine.log" 2>&1
    else
        arm64_timeout=180 arm64_run /usr/lib/wine/wine64 "Z:\\share\\$name\\orvalinde_arm64_host.exe" \
            "Z:\\share\\$name\\Orvalinde.dll" "Z:\\share\\$name\\host.log" "$argument" >>"$work/wine.log" 2>&1
    fi
}

checks() {
    local name=$1 pid try
    for try in 1 2; do
        rm -f "$arm64_share/$name/host.log"
        host "$name" 90000 &
        pid=$!
        for _ in $(seq 300); do grep -q '^ready$' "$arm64_share/$name/host.log" 2>/dev/null && break; sleep 0.2; done
        # On a loaded machine Wine now and then never starts a program (its
        # client loses the server): no log at all after a minute means the
        # host never ran, and it gets one more try.
        [ "$try" = 1 ] && [ ! -e "$arm64_share/$name/host.log" ] && runs_here "$name" || break
        echo "$name: the host did not start under Wine ($(tail -1 "$work/wine.log" 2>/dev/null)); starting it once more"
        wineserver -k 2>/dev/null || true
        wait "$pid" || true
    done
    sleep 1
    python3 tests/arm64_check.py drive 40 30
    wait "$pid" || true
    python3 tests/arm64_check.py check "$name" "$arm64_share/$name/host.log"
}

status=0
checks $native || status=1
names=($native)
$x64_only || { names+=(arm64); checks arm64 || status=1; }
if [ "$mode" != x64 ]; then
    # The host itself must work there (its own checks pass); the module's fail.
    out=$(checks nohooks || true)
    if grep -q "^PASS nohooks: the host ended" <<<"$out" && grep -q "^FAIL nohooks: Alt + right drag" <<<"$out"; then
        echo "PASS the checks fail against a DLL that installs no hooks: $(tail -1 <<<"$out")"
    else
        echo "$out"; echo "FAIL the checks do not fail as they should against a DLL that installs no hooks"; status=1
    fi
fi
for name in "${names[@]}"; do
    rm -f "$arm64_share/$name/host.log"
    host "$name" bench || true
    ratio=$(sed -n 's/^ratio //p' "$arm64_share/$name/host.log")
    [ -n "$ratio" ] || { echo "FAIL $name: no per-call cost measured"; status=1; continue; }
    echo "per call, $name: MouseProc costs $((ratio / 100)).$(printf '%02d' $((ratio % 100))) times LowLevelMouseProc"
done
echo "arm64: $(( $(date +%s) - start )) s"
exit $status
