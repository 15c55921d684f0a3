#!/usr/bin/env bash
# The three kits signed by the package step (scripts/sign.sh) with a
# certificate made for this run and a timestamp authority on 127.0.0.1
# (tests/throwaway_signing.sh): every DLL and program verifies against the
# throwaway root with its timestamp, and the archive's sums and symbol store
# hold the signed files; each signed DLL keeps its exports, CodeView record,
# load configuration, imports and flags and has a correct PE checksum; the
# signed x64 DLL runs every scenario under Wine, and the signed kit's
# self-test names its signer. One changed byte fails verification, and a
# wrong password writes no archive. Expects the builds (scripts/build.sh).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
source tests/throwaway_signing.sh
source scripts/wine_env.sh
tsa_pid=""
trap '[ -z "$tsa_pid" ] || kill "$tsa_pid" 2>/dev/null; wine_env_cleanup' EXIT
status=0
fail() { echo "FAIL signing: $*"; status=1; }
certificate=$work/certificate
throwaway_certificate "$certificate"
timestamp_authority "$certificate"
start=$(date +%s)
# osslsigncode's verdict on FILE against the throwaway root, its words in $work/verify.log.
verify() { osslsigncode verify -CAfile "$certificate/root.pem" -TSA-CAfile "$certificate/root.pem" -in "$1" >"$work/verify.log" 2>&1; }

# A wrong password: the package step fails and writes nothing.
mkdir -p "$work/wrong"
if ORVALINDE_SIGN_PASSWORD=wrong ORVALINDE_PACKAGE_DIR=$work/wrong cmake --build build/windows --target package \
    >"$work/wrong.log" 2>&1 || ! grep -q "sign: cannot sign .*Orvalinde.dll" "$work/wrong.log" || [ -n "$(ls "$work/wrong")" ]; then
    cat "$work/wrong.log"; fail "a wrong password did not stop the package step with its reason"
else
    echo "PASS a wrong password stops the package step: $(grep -m1 'sign: cannot sign' "$work/wrong.log" | sed "s|$ROOT/||")"
fi

# PE checksum of FILE, as the image loader computes it, against its header's.
checksum_ok() {
    python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
field = struct.unpack_from("<I", data, 0x3C)[0] + 24 + 64
total = 0
for (word,) in struct.iter_unpack("<H", data + b"\0" * (len(data) % 2)):
    total += word
total -= sum(struct.unpack_from("<2H", data, field))
while total >> 16:
    total = (total & 0xFFFF) + (total >> 16)
sys.exit(0 if (total + len(data)) & 0xFFFFFFFF == struct.unpack_from("<I", data, field)[0] else 1)
EOF
}

# The release's tag names the project's version, or the release stops before it packages anything.
version=$(sed -nE 's/^project\(Orvalinde VERSION ([0-9.]+) .*/\1/p' CMakeLists.txt)
for case in "v$version:0" "v${version%.0}:0" "v9.$version:2" "$version:2" "v${version%.*.*}:2"; do
    tag=${case%:*} want=${case##*:}
    code=0
    if [ "$want" = 0 ]; then args=(--check); else args=("$work/tagged"); fi
    bash scripts/release.sh --tag "$tag" "${args[@]}" >"$work/tag.log" 2>&1 || code=$?
    [ "$want" = 0 ] || { [ "$code" = 2 ] && [ ! -e "$work/tagged" ] &&
        grep -q "the tag $tag is not this tree's version: CMakeLists.txt says $version; tag it v$version" "$work/tag.log"; } ||
        { cat "$work/tag.log"; fail "the tag $tag: exit $code, not $want"; }
    [ "$want" = 2 ] || [ "$code" = 0 ] || { cat "$work/tag.log"; fail "the tag $tag is refused"; }
    rm -rf "$work/tagged"
done
echo "PASS the release's tag: v$version and v${version%.0} accepted; $(grep -o "the tag .*" "$work/tag.log")"

# The release without a certificate: the build's own archives, and notes that say so.
(unset ORVALINDE_SIGN_PKCS12 ORVALINDE_SIGN_PASSWORD
 for preset in windows windows-arm64 windows-x86; do cmake --build "build/$preset" --target package; done &&
     bash scripts/release.sh "$work/unsigned") >"$work/unsigned.log" 2>&1 || { cat "$work/unsigned.log"; fail "the unsigned release failed"; }
same=0
for archive in build/windows*/Orvalinde-*.zip; do
    if cmp -s "$archive" "$work/unsigned/$(basename "$archive")"; then same=$((same + 1))
    else fail "the unsigned release's $(basename "$archive") differs from the build's"; fi
done
[ "$same" = 3 ] && grep -q "These kits are not signed" "$work/unsigned/notes.md" &&
    echo "PASS the unsigned release: the build's three archives, and notes that say they are not signed" ||
    fail "the unsigned release is not the build's three archives with notes that say so"

# The release with the certificate as a repository secret holds it, timestamped.
ORVALINDE_SIGN_PKCS12_BASE64=$(base64 -w0 "$ORVALINDE_SIGN_PKCS12") ORVALINDE_SIGN_PKCS12="" \
    ORVALINDE_SIGN_TIMESTAMP_URL=$tsa_url bash scripts/release.sh "$work/signed" >"$work/signed.log" 2>&1 ||
    { cat "$work/signed.log"; fail "the signed release failed"; }
(cd "$work/signed" && sha256sum --quiet -c SHA256SUMS) || fail "the release's SHA256SUMS does not match"
grep -q "by \*\*Orvalinde throwaway signer\*\* (timestamped by $tsa_url)" "$work/signed/notes.md" ||
    { cat "$work/signed/notes.md"; fail "the signed release's notes do not name the signer and the timestamp"; }
for kit in windows:win64: windows-arm64:winarm64:--arm64 windows-x86:win32:--x86; do
    IFS=: read -r preset suffix flag <<<"$kit"
    unpacked=$work/unpacked/$suffix
    mkdir -p "$unpacked"
    python3 -m zipfile -e "$work"/signed/Orvalinde-*-"$suffix".zip "$unpacked"
    top=$(echo "$unpacked"/Orvalinde-*)
    sizes=""
    for file in "$top"/bin/*.dll "$top"/bin/*.exe; do
        name=$(basename "$file")
        if ! verify "$file" || ! grep -q "^Timestamp Server Signature verification: ok" "$work/verify.log" ||
            ! grep -q "^Signature verification: ok" "$work/verify.log"; then
            cat "$work/verify.log"; fail "$suffix $name does not verify with its timestamp"
        fi
        checksum_ok "$file" || fail "$suffix $name: its PE checksum is wrong"
        sizes+=" $name $(stat -c %s "build/$preset/$name")->$(stat -c %s "$file")"
    done
    (cd "$top" && sha256sum --quiet -c SHA256SUMS) || fail "$suffix: SHA256SUMS does not match the signed files"
    cmp -s "$top"/symbols/Orvalinde.dll/*/Orvalinde.dll "$top/bin/Orvalinde.dll" ||
        fail "$suffix: the symbol store's DLL is not the signed one"
    # The image as it was: what the loader, a debugger and CFG read of it.
    for part in --coff-exports --coff-imports --coff-debug-directory --coff-load-config; do
        cmp -s <(llvm-readobj-19 $part "build/$preset/Orvalinde.dll" | grep -v '^File:') \
            <(llvm-readobj-19 $part "$top/bin/Orvalinde.dll" | grep -v '^File:') ||
            fail "$suffix: signing changed the DLL's $part"
    done
    bash tests/dll_check.sh --release ${flag:+"$flag"} "$top/bin/Orvalinde.dll" >"$work/dll_check.log" 2>&1 ||
        { cat "$work/dll_check.log"; fail "$suffix: the signed DLL fails the DLL checks"; }
    echo "PASS $suffix kit signed and timestamped, every file verifies; unsigned->signed bytes:$sizes"
done

# One changed byte in the signed DLL's code.
tampered=$work/tampered.dll
cp "$work/unpacked/win64"/Orvalinde-*/bin/Orvalinde.dll "$tampered"
printf '\x5a' | dd of="$tampered" bs=1 seek=1100 conv=notrunc 2>/dev/null
if verify "$tampered"; then
    fail "a DLL with a changed byte still verifies"
else
    echo "PASS one changed byte fails verification: $(grep -m1 -iE 'mismatch|failed' "$work/verify.log" | tr -s ' \t' ' ')"
fi

# The signed x64 kit at work under Wine: every scenario, and its self-test's report.
bin=$(echo "$work/unpacked/win64"/Orvalinde-*/bin)
cp build/windows/orvalinde_host.exe "$bin/"
BUILD=$bin bash scripts/e2e.sh >"$work/e2e.log" 2>&1 && echo "PASS the signed x64 DLL under Wine: $(tail -1 "$work/e2e.log")" ||
    { cat "$work/e2e.log"; fail "the signed x64 DLL fails scenarios under Wine"; }
(cd "$bin" && timeout 300 wine OrvalindeSelfTest.exe --yes --only alt_right_drag --report report.txt >/dev/null 2>&1) || true
said=$(tr -d '\r' <"$bin/report.txt" 2>/dev/null | grep '^Signature: ' || true)
grep -q "^Signature: signed by Orvalinde throwaway signer; " <<<"$said" && echo "PASS the signed kit's self-test reports $said" ||
    fail "the signed kit's self-test reports: ${said:-no signature line}"
echo "signing: $(( $(date +%s) - start )) s"
exit $status
