#!/usr/bin/env bash
# Builds the release again, for x64, ARM64 and x86, from a copy of the tree
# at another path and a later time, and checks that each DLL, its PDB, both
# import libraries and the release archive come out byte for byte as the
# builds already made here (scripts/build.sh), and the
# archives signed with one certificate at one signing time too. The first
# build is the one every other check runs, so it is not made twice.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The archive's times come from the commit; the copies have no history.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export SOURCE_DATE_EPOCH
files=(Orvalinde.dll Orvalinde.pdb Orvalinde.lib libOrvalinde.dll.a)
# Signed too, with one throwaway certificate and a fixed signing time and no
# timestamp: the same signed archives from both.
source tests/throwaway_signing.sh
throwaway_certificate "$work/certificate"
signing=(ORVALINDE_SIGN_PKCS12="$ORVALINDE_SIGN_PKCS12" ORVALINDE_SIGN_PASSWORD="$ORVALINDE_SIGN_PASSWORD"
         ORVALINDE_SIGN_TIME="$(date +%s)")
unset ORVALINDE_SIGN_PKCS12 ORVALINDE_SIGN_PASSWORD
sums=()
# Here first, as built (the package target only brings it up to date), then
# in the copy. The archives go to folders of their own: other checks may be
# reading the build trees' meanwhile.
for tree in "$ROOT" "$work/a-second-checkout/b"; do
    if [ "$tree" != "$ROOT" ]; then
        sleep 1
        mkdir -p "$tree"
        git ls-files -co --exclude-standard -z | tar --null -T - -cf - | tar -xf - -C "$tree"
    fi
    archives=$work/archives-$((${#sums[@]} + 1))
    signed=$work/signed-$((${#sums[@]} + 1))
    mkdir -p "$archives" "$signed"
    sum=""
    for preset in windows windows-arm64 windows-x86; do
        (cd "$tree" && cmake --preset $preset >"$work/log" 2>&1 &&
            ORVALINDE_PACKAGE_DIR="$archives" cmake --build build/$preset --target package >>"$work/log" 2>&1) ||
            { cat "$work/log"; echo "FAIL reproducible build: $tree does not build ($preset)"; exit 1; }
        sum+="$(cd "$tree/build/$preset" && sha256sum ${files[*]} | sed "s|  |  $preset/|")"$'\n'
        sum+="$(cd "$archives" && sha256sum Orvalinde-*.zip | sed "s|  |  $preset/|")"$'\n'
        rm "$archives"/Orvalinde-*.zip
        (cd "$tree" && env "${signing[@]}" ORVALINDE_PACKAGE_DIR="$signed" cmake --build build/$preset --target package \
            >"$work/log" 2>&1) || { cat "$work/log"; echo "FAIL reproducible build: $tree does not sign ($preset)"; exit 1; }
    done
    sum+="$(cd "$signed" && sha256sum Orvalinde-*.zip | sed "s|  |  signed/|")"$'\n'
    sums+=("$sum")
done
if [ "${sums[0]}" != "${sums[1]}" ]; then
    diff <(echo "${sums[0]}") <(echo "${sums[1]}") || true
    echo "FAIL reproducible build: the two builds differ"
    exit 1
fi
echo "${sums[0]}"
echo "PASS reproducible build: ${#files[@]} files and the kit for each of x64, ARM64 and x86, and the three archives signed with one certificate at one time, identical from two paths and times"
