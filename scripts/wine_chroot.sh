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
# 32-bit Wine needs a kernel that runs 32-bit programs, and some machines'
# do not (a guest kernel without the compat mode: the exec fails with "Exec
# format error"). Nothing of it can be checked there: the run says so, as a
# phase that was not run (exit 77), rather than failing. The probe is the
# smallest i386 program: it exits 0.
no_32bit() {
    local probe said
    probe=$(mktemp)
    printf '\x7fELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0\x01\0\0\0\x54\x80\x04\x08\x34\0\0\0\0\0\0\0' >"$probe"
    printf '\0\0\0\0\x34\0\x20\0\x01\0\0\0\0\0\0\0\x01\0\0\0\0\0\0\0\0\x80\x04\x08\0\x80\x04\x08' >>"$probe"
    printf '\x60\0\0\0\x60\0\0\0\x05\0\0\0\0\x10\0\0\xb8\x01\0\0\0\xbb\0\0\0\0\xcd\x80' >>"$probe"
    chmod +x "$probe"
    said=$( ("$probe") 2>&1) || true
    rm -f "$probe"
    [[ $said == *"Exec format error"* ]]
}
if [ -n "${chroot_foreign:-}" ] && no_32bit; then
    echo "this machine's kernel runs no 32-bit programs (Exec format error)"
    exit 77
fi
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
