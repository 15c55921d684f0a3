#!/usr/bin/env bash
# The release of a tag: the three kits' archives, signed when a certificate
# is given (scripts/sign.sh through the package step), their SHA256SUMS, and
# notes that say whether and by whom they are signed. Expects the build
# (scripts/build.sh). The workflow .github/workflows/release.yml publishes
# what it writes.
#   scripts/release.sh [--tag TAG] OUT
#   scripts/release.sh --tag TAG --check
# With --tag it first checks that the tag names the project's version:
# v2.0.0.0, or v2.0.0 when the fourth number is 0; --check checks only that.
# The certificate: ORVALINDE_SIGN_PKCS12 (a file), or
# ORVALINDE_SIGN_PKCS12_BASE64 (the file's bytes in base64, as a repository
# secret holds them), with ORVALINDE_SIGN_PASSWORD and, optionally,
# ORVALINDE_SIGN_TIMESTAMP_URL. Neither reaches a command line or the log.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
usage="usage: release.sh [--tag TAG] OUT | release.sh --tag TAG --check"
tag="" check=false
while [ $# -gt 0 ]; do
    case $1 in
        --tag) [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }; tag=$2; shift 2 ;;
        --check) check=true; shift ;;
        -*) echo "$usage" >&2; exit 2 ;;
        *) break ;;
    esac
done
version=$(sed -nE 's/^project\(Orvalinde VERSION ([0-9.]+) .*/\1/p' "$ROOT/CMakeLists.txt")
if [ -n "$tag" ]; then
    accepted=("v$version")
    [ "${version##*.}" != 0 ] || accepted+=("v${version%.0}")
    ok=false
    for form in "${accepted[@]}"; do [ "$tag" != "$form" ] || ok=true; done
    if ! $ok; then
        forms=${accepted[0]}
        [ ${#accepted[@]} -eq 1 ] || forms="$forms or ${accepted[1]}"
        echo "release: the tag $tag is not this tree's version: CMakeLists.txt says $version; tag it $forms" >&2
        exit 2
    fi
fi
if $check; then
    [ -n "$tag" ] || { echo "$usage" >&2; exit 2; }
    echo "release: the tag $tag names version $version"
    exit 0
fi
[ $# -eq 1 ] || { echo "$usage" >&2; exit 2; }
out=$1
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$ROOT"
private=$(umask 077 && mktemp -d)
trap 'rm -rf "$private"' EXIT
if [ -z "${ORVALINDE_SIGN_PKCS12:-}" ] && [ -n "${ORVALINDE_SIGN_PKCS12_BASE64:-}" ]; then
    printf '%s' "$ORVALINDE_SIGN_PKCS12_BASE64" | base64 -d >"$private/certificate.p12" ||
        { echo "release: ORVALINDE_SIGN_PKCS12_BASE64 is not base64" >&2; exit 2; }
    export ORVALINDE_SIGN_PKCS12=$private/certificate.p12
fi
unset ORVALINDE_SIGN_PKCS12_BASE64

if [ -n "${ORVALINDE_SIGN_PKCS12:-}" ]; then
    export ORVALINDE_SIGN_PASSWORD=${ORVALINDE_SIGN_PASSWORD:-}
    signer=$(openssl pkcs12 -in "$ORVALINDE_SIGN_PKCS12" -passin env:ORVALINDE_SIGN_PASSWORD -nokeys -clcerts 2>/dev/null |
        openssl x509 -noout -subject -nameopt multiline 2>/dev/null | sed -nE 's/^ *commonName *= (.*)$/\1/p' | head -1) ||
        true
    [ -n "$signer" ] || { echo "release: cannot read the certificate (or its password is wrong)" >&2; exit 1; }
    timestamped="not timestamped"
    [ -z "${ORVALINDE_SIGN_TIMESTAMP_URL:-}" ] || timestamped="timestamped by ${ORVALINDE_SIGN_TIMESTAMP_URL}"
    signing="Every DLL and program in them is signed with SHA-256 Authenticode by **$signer** ($timestamped)."
else
    signing="**These kits are not signed**: the repository held no signing certificate when they were built."
fi

for preset in windows windows-arm64 windows-x86; do
    ORVALINDE_PACKAGE_DIR=$out cmake --build "build/$preset" --target package >"$private/package.log" 2>&1 ||
        { cat "$private/package.log" >&2; echo "release: the $preset kit failed" >&2; exit 1; }
    grep '^signed ' "$private/package.log" | sed "s/^/$preset: /" || true
done
(cd "$out" && sha256sum Orvalinde-"$version"-*.zip >SHA256SUMS)
cat >"$out/notes.md" <<EOF
Orvalinde $version: the kit for x64 hosts (\`Orvalinde-$version-win64.zip\`), for ARM64 hosts on Windows on ARM
(\`Orvalinde-$version-winarm64.zip\`) and for x86 (32-bit) hosts (\`Orvalinde-$version-win32.zip\`); the README
inside says which kit a host takes and how to check it on your machine.

$signing

\`SHA256SUMS\` lists the archives' checksums; each archive's own \`SHA256SUMS\` lists its files'.
EOF
ls -l "$out"
