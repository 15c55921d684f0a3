#!/usr/bin/env bash
# Checks the built DLL's file: module name, the ten exports with their
# ordinals, and that it imports nothing but KERNEL32, USER32 and msvcrt (the
# GCC build's C runtime). With --release, KERNEL32 and USER32 alone (no C
# runtime), and its hardening: the image's characteristics, and a
# load configuration through which the loader finds the Control Flow Guard
# table, listing every procedure the system calls back.
# The machine is x64 unless --arm64 or --x86 says otherwise. On x86 the
# exports' calling conventions are checked by the names the PDB records:
# stdcall for the hook procedures and the entry point, cdecl for the rest
# (the callbacks the module hands the system are checked by the compiler).
#   dll_check.sh [--release] [--arm64|--x86] Orvalinde.dll
set -euo pipefail
release=false
machine=AMD64
if [ "${1:-}" = --release ]; then release=true; shift; fi
case ${1:-} in
    --arm64) machine=ARM64; shift ;;
    --x86) machine=I386; shift ;;
esac
dll=${1:?usage: dll_check.sh [--release] [--arm64|--x86] Orvalinde.dll}
dump=$(llvm-objdump-19 -p "$dll")
fail() { echo "FAIL $dll: $*"; exit 1; }

llvm-readobj-19 --file-headers "$dll" | grep -q "Machine: IMAGE_FILE_MACHINE_$machine " || fail "not an $machine image"
grep -qE '^ DLL name: Orvalinde\.dll$' <<<"$dump" || fail "export directory does not name Orvalinde.dll"

imports=$(grep -E '^[[:space:]]*DLL Name:' <<<"$dump" | awk '{print $3}' | sort | tr '\n' ' ')
wanted="KERNEL32.dll USER32.dll msvcrt.dll "
! $release || wanted="KERNEL32.dll USER32.dll "
[ "$imports" = "$wanted" ] || fail "imports $imports"

# The export table lists "ordinal RVA name".
expected="1:LowLevelMouseProc 2:MouseProc 3:customMaskKeyPressed 4:doDelayedEnable 5:doDisable 6:doEnable 7:load 8:setOrvalindeIsEnabled 9:showAbout 10:startDraggerMode "
grep -q '^ Ordinal base: 1$' <<<"$dump" || fail "ordinal base is not 1"
exports=$(sed -n '/^Export Table:/,/^$/p' <<<"$dump" |
    sed -nE 's/^[[:space:]]+([0-9]+)[[:space:]]+0x[0-9a-f]+[[:space:]]+([A-Za-z]+)$/\1 \2/p' | while read -r i name; do printf '%d:%s ' "$i" "$name"; done)
[ "$exports" = "$expected" ] || fail "exports are: $exports"
if $release; then
    headers=$(llvm-readobj-19 --file-headers --coff-load-config "$dll")
    # x86 has no high-entropy addresses; it must say it has no handlers.
    flags="DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT GUARD_CF"
    [ $machine != I386 ] || flags="DYNAMIC_BASE NX_COMPAT GUARD_CF NO_SEH"
    for flag in $flags; do
        grep -q "IMAGE_DLL_CHARACTERISTICS_$flag " <<<"$headers" || fail "DllCharacteristics lack $flag"
    done
    for flag in CF_INSTRUMENTED CF_FUNCTION_TABLE_PRESENT; do
        sed -n '/GuardFlags/,/]/p' <<<"$headers" | grep -q " $flag " || fail "the load configuration's GuardFlags lack $flag"
    done
    # Each entry of the guard's function table, by name: the exports, the
    # hook and timer procedures and the window enumeration callback.
    targets=$(sed -n '/GuardFidTable/,/]/p' <<<"$headers" | grep -oE '0x[0-9A-F]+' |
        xargs llvm-symbolizer-19 --obj="$dll" --no-inlines -f | awk 'NR % 3 == 1 {sub(/\(.*/, ""); print}')
    for name in $(sed 's/[0-9]*://g' <<<"$expected") KeyboardProc draggerTick maskTimerTick burstTick; do
        grep -qx "$name" <<<"$targets" || fail "the guard's function table lacks $name"
    done
    grep -q "::findMainWindow$" <<<"$targets" || fail "the guard's function table lacks findMainWindow"
    if [ $machine = I386 ]; then
        publics=$(llvm-pdbutil-19 dump -publics "${dll%.dll}.pdb" | sed -nE 's/.*S_PUB32 .*`(.*)`$/\1/p')
        for name in _LowLevelMouseProc@12 _MouseProc@12 _customMaskKeyPressed _doDelayedEnable _doDisable _doEnable _load \
            _setOrvalindeIsEnabled _showAbout _startDraggerMode _DllMainCRTStartup@12; do
            grep -qx "$name" <<<"$publics" || fail "no public symbol $name: a calling convention is not the platform's"
        done
    fi
fi

size=$(stat -c %s "$dll")
[ "$size" -lt 32768 ] || fail "$size bytes, over 32 KiB"
echo "PASS $dll: $machine, $size bytes, imports ${imports% }$($release && echo "; guarded")"
