#!/usr/bin/env bash
# Runs a command of this tree under Wine 10 (Debian trixie's) beside the
# system's Wine 8: in a trixie chroot (scripts/chroot.sh) with Wine, Xvfb,
# xdotool and python3, made once in ORVALINDE_WINE10_ROOT (default
# /var/cache/orvalinde/wine10) and reused. The tree is seen as /share and
# the command runs there, ended after WINE10_SECONDS (default 900). Needs root.
#   scripts/wine10.sh COMMAND...
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
wine10_root=${ORVALINDE_WINE10_ROOT:-/var/cache/orvalinde/wine10}
if ! dpkg-query -W -f='${Status}' debootstrap 2>/dev/null | grep -q "install ok installed"; then
    echo "== installing: debootstrap"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
fi
source "$ROOT/scripts/chroot.sh"
[ -f "$wine10_root/.complete" ] || echo "== making the Wine 10 chroot in $wine10_root (a few minutes, once)"
chroot_make "$wine10_root" trixie amd64 wine wine64 xvfb xauth xdotool python3 libstdc++6
chroot_timeout=${WINE10_SECONDS:-900} chroot_run "$wine10_root" "$ROOT" bash -c 'cd /share && exec "$@"' wine10 "$@"
