#!/usr/bin/env bash
# Builds the release twice, from two copies of the tree at different paths
# and times, and checks that the DLL, its PDB, both import libraries and the
# release archive come out byte for byte the same.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The archive's times come from the commit; the copies have no history.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export SOURCE_DATE_EPOCH
files=(Orvalinde.dll Orvalinde.pdb Orvalinde.lib libOrvalinde.dll.a "Orvalinde-*-win64.zip")
sums=()
for tree in "$work/a" "$work/a-second-checkout/b"; do
    mkdir -p "$tree"
    git ls-files -co --exclude-standard -z | tar --null -T - -cf - | tar -xf - -C "$tree"
    (cd "$tree" && cmake --preset windows >"$work/log" 2>&1 && cmake --build build/windows --target package >>"$work/log" 2>&1) ||
        { cat "$work/log"; echo "FAIL reproducible build: $tree does not build"; exit 1; }
    sums+=("$(cd "$tree/build/windows" && sha256sum ${files[*]})")
    sleep 1
done
if [ "${sums[0]}" != "${sums[1]}" ]; then
    diff <(echo "${sums[0]}") <(echo "${sums[1]}") || true
    echo "FAIL reproducible build: the two builds differ"
    exit 1
fi
echo "${sums[0]}"
echo "PASS reproducible build: ${#files[@]} files identical from two paths"
