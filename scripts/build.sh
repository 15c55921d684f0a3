#!/usr/bin/env bash
# Installs what is missing, builds both configurations and shows the module
# at work.
source "$(dirname "$0")/lib.sh"
ensure_packages "${PACKAGES[@]}"
build_all
echo
echo "== build/windows/Orvalinde.dll"
ls -l build/windows/Orvalinde.dll
x86_64-w64-mingw32-objdump -p build/windows/Orvalinde.dll | grep -E 'DLL Name|^\s+\[ *[0-9]+\] [A-Za-z]'

echo
echo "== the module at work on the simulated platform"
build/native/tools/replay --trace scenarios/alt_right_drag.txt scenarios/withheld_ctrl.txt
echo
echo "== the real DLL in a Windows host under Wine, with injected input"
ORVALINDE_TRACE=1 bash scripts/e2e.sh scenarios/alt_right_drag.txt scenarios/mask_key.txt
