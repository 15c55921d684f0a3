#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every test.
source "$(dirname "$0")/lib.sh"
ensure_packages "${PACKAGES[@]}"
build_all
echo "== native tests"
ctest --preset native
echo "== Orvalinde.dll imports and exports"
bash tests/dll_check.sh build/windows/Orvalinde.dll
echo "== end-to-end tests under Wine"
bash scripts/e2e.sh
