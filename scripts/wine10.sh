#!/usr/bin/env bash
# Runs a command of this tree under Wine 10 (Debian trixie's) beside the
# system's Wine 8, for 64-bit programs (scripts/wine_chroot.sh); the chroot
# is in ORVALINDE_WINE10_ROOT (default /var/cache/orvalinde/wine10).
#   scripts/wine10.sh COMMAND...
WINE_CHROOT_SECONDS=${WINE10_SECONDS:-${WINE_CHROOT_SECONDS:-900}} exec bash "$(dirname "$0")/wine_chroot.sh" wine10 "$@"
