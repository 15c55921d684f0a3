#!/usr/bin/env bash
# Checks the built DLL's file: module name, the ten exports with their
# ordinals, and that it imports nothing but KERNEL32, USER32 and msvcrt.
set -euo pipefail
dll=${1:?usage: dll_check.sh Orvalinde.dll}
dump=$(x86_64-w64-mingw32-objdump -p "$dll")
fail() { echo "FAIL $dll: $*"; exit 1; }

grep -qE '^Name[[:space:]]+[0-9a-f]+ Orvalinde\.dll$' <<<"$dump" || fail "export directory does not name Orvalinde.dll"

imports=$(grep -E '^[[:space:]]*DLL Name:' <<<"$dump" | awk '{print $3}' | sort | tr '\n' ' ')
[ "$imports" = "KERNEL32.dll USER32.dll msvcrt.dll " ] || fail "imports $imports"

# "[Ordinal/Name Pointer] Table" lists "[ i] name" for ordinal base + i.
expected="1:LowLevelMouseProc 2:MouseProc 3:customMaskKeyPressed 4:doDelayedEnable 5:doDisable 6:doEnable 7:load 8:setOrvalindeIsEnabled 9:showAbout 10:startDraggerMode "
grep -q 'Ordinal Base 1$' <<<"$dump" || fail "ordinal base is not 1"
exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
    sed -nE 's/^[[:space:]]*\[ *([0-9]+)\] ([A-Za-z]+)$/\1 \2/p' | while read -r i name; do printf '%d:%s ' $((i + 1)) "$name"; done)
[ "$exports" = "$expected" ] || fail "exports are: $exports"
size=$(stat -c %s "$dll")
[ "$size" -lt 32768 ] || fail "$size bytes, over 32 KiB"
echo "PASS $dll: $size bytes, imports $imports"
