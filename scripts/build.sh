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
