#!/usr/bin/env bash
# Signs Windows PE files in place with SHA-256 Authenticode (osslsigncode),
# with the certificate the environment names; the package step runs it on
# every DLL and program of a kit when ORVALINDE_SIGN_PKCS12 is set.
#   scripts/sign.sh FILE...
# Environment:
#   ORVALINDE_SIGN_PKCS12         the certificate and its key, a PKCS#12 file
#   ORVALINDE_SIGN_PASSWORD       its password (empty when it has none)
#   ORVALINDE_SIGN_TIMESTAMP_URL  an RFC 3161 timestamp authority (optional)
#   ORVALINDE_SIGN_TIME           the signing time, in seconds since 1970
#                                 (default SOURCE_DATE_EPOCH, else now): with
#                                 the same certificate and time, and no
#                                 timestamp, the same file signs the same
# The password reaches osslsigncode through a file only this user can read,
# removed on exit, never on a command line.
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: sign.sh FILE..." >&2; exit 2; }
certificate=${ORVALINDE_SIGN_PKCS12:-}
[ -n "$certificate" ] || { echo "sign: ORVALINDE_SIGN_PKCS12 names no certificate" >&2; exit 2; }
[ -r "$certificate" ] || { echo "sign: cannot read the certificate $certificate" >&2; exit 2; }
command -v osslsigncode >/dev/null || { echo "sign: osslsigncode is not installed (Debian: apt-get install osslsigncode)" >&2; exit 2; }
time=${ORVALINDE_SIGN_TIME:-${SOURCE_DATE_EPOCH:-$(date +%s)}}
[[ $time =~ ^[0-9]+$ ]] || { echo "sign: ORVALINDE_SIGN_TIME is not a number of seconds: $time" >&2; exit 2; }

private=$(umask 077 && mktemp -d)
trap 'rm -rf "$private"' EXIT
# printf is the shell's own: the password is on no process's command line.
printf '%s' "${ORVALINDE_SIGN_PASSWORD:-}" >"$private/password"
timestamp=()
[ -z "${ORVALINDE_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$ORVALINDE_SIGN_TIMESTAMP_URL")

for file in "$@"; do
    rm -f "$private/signed"
    if ! osslsigncode sign -pkcs12 "$certificate" -readpass "$private/password" -h sha256 -n Orvalinde \
        -time "$time" "${timestamp[@]}" -in "$file" -out "$private/signed" >"$private/log" 2>&1; then
        sed 's/^/    /' "$private/log" >&2
        echo "sign: cannot sign $file: the certificate, its password or the timestamp authority failed" >&2
        exit 1
    fi
    # Written over the file, which keeps its mode.
    cat "$private/signed" >"$file"
    echo "signed $(basename "$file")${timestamp[*]:+, timestamped}"
done
