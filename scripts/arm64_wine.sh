#!/usr/bin/env bash
# Runs an ARM64 Windows program with its arguments, paths relative to this
# tree, in Debian's arm64 Wine under qemu-user (scripts/arm64_chroot.sh),
# on the X display in DISPLAY. Needs root.
#   scripts/arm64_wine.sh PROGRAM [ARGUMENT...]
set -euo pipefail
cd "$(dirname "$0")/.."
arm64_share=$PWD
source scripts/arm64_chroot.sh
[ -d "$arm64_root/root/prefix" ] || arm64_run /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
arm64_run bash -c 'cd /share && exec /usr/lib/wine/wine64 "$@"' arm64_wine "$@"
