#!/usr/bin/env bash
# Runs a command of this tree under a Wine other than the machine's own, in
# a Debian chroot (scripts/chroot.sh) with Wine, Xvfb, xdotool and python3,
# made once under /var/cache/orvalinde and reused. The tree is seen as
# /share and the command runs there, ended after WINE_CHROOT_SECONDS
# (default 900). Needs root.
#   scripts/wine_chroot.sh KIND COMMAND...
# KIND:
#   wine10     Debian trixie's Wine 10, 64-bit programs alone (as the
#              machine's Wine 8 is)
#   x86-wine8  bookworm's Wine 8 with its 32-bit half (wine32:i386): 32-bit
#   x86-wine10 programs run in a 64-bit prefix, as on 64-bit Windows; the
#              same for trixie's Wine 10
# The 32-bit half lives in chroots of its own, so that the checks of 64-bit
# programs run on exactly the Wine they always have.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
kind=${1:?usage: wine_chroot.sh wine10|x86-wine8|x86-wine10 COMMAND...}
shift
# Without recommendations, Wine's X11 driver lacks XInput2 (libxi6) and
# takes the buttons' state from the X server: injected buttons then read
# as up. Its X libraries are named for each architecture that runs.
x_libraries=(libxi6 libxcursor1 libxcomposite1 libxrandr2 libxinerama1)
case $kind in
    wine10) suite=trixie packages=(wine wine64 xvfb xauth xdotool python3 libstdc++6) ;;
    x86-wine8 | x86-wine10)
        suite=bookworm
        [ "$kind" = x86-wine8 ] || suite=trixie
        packages=(wine wine64 wine32:i386 xvfb xauth xdotool python3 "${x_libraries[@]}" "${x_libraries[@]/%/:i386}")
        chroot_foreign=i386 ;;
    *) echo "wine_chroot: no chroot of kind $kind" >&2; exit 2 ;;
esac
root=/var/cache/orvalinde/$kind
[ "$kind" != wine10 ] || root=${ORVALINDE_WINE10_ROOT:-$root}
if ! dpkg-query -W -f='${Status}' debootstrap 2>/dev/null | grep -q "install ok installed"; then
    echo "== installing: debootstrap"
    source "$ROOT/scripts/apt.sh"
    apt_install debootstrap
fi
source "$ROOT/scripts/chroot.sh"
[ -f "$root/.complete" ] || echo "== making the $kind chroot in $root (a few minutes, once)"
chroot_make "$root" $suite amd64 "${packages[@]}"
chroot_timeout=${WINE_CHROOT_SECONDS:-900} chroot_run "$root" "$ROOT" bash -c 'cd /share && exec "$@"' "$kind" "$@"
