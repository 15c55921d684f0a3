# Sourced by the scripts that run ARM64 Windows programs: Debian's arm64
# Wine in an arm64 chroot, run by qemu-user. The chroot is made once, in
# ORVALINDE_ARM64_ROOT (default /var/cache/orvalinde/arm64), reused while it
# is whole and made again when it is not. Needs root.
#   arm64_run COMMAND...   runs COMMAND in the chroot, in private mounts and
#                          processes gone when it returns, with the host's X
#                          server sockets and the folder `arm64_share` (a host
#                          folder seen as /share); ended after `arm64_timeout`
#                          seconds (default 600)
set -euo pipefail
arm64_root=${ORVALINDE_ARM64_ROOT:-/var/cache/orvalinde/arm64}
arm64_share=${arm64_share:-}

arm64_packages=(qemu-user-static binfmt-support debootstrap)
arm64_missing=()
for package in "${arm64_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || arm64_missing+=("$package")
done
if [ ${#arm64_missing[@]} -gt 0 ]; then
    echo "== installing: ${arm64_missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${arm64_missing[@]}" >/dev/null
fi

# No service manager registers the interpreter: do it by hand. Its flags
# (F: opened at registration) let it run inside the chroot.
mountpoint -q /proc/sys/fs/binfmt_misc || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
[ -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ] || update-binfmts --enable qemu-aarch64

if [ ! -f "$arm64_root/.complete" ]; then
    echo "== making the arm64 chroot with Wine in $arm64_root (a few minutes, once)"
    rm -rf "$arm64_root"
    mkdir -p "$arm64_root"
    mirror=$(sed -nE 's/^URIs: (http[^ ]*debian)$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1)
    mirror=${mirror:-http://deb.debian.org/debian}
    debootstrap --arch=arm64 --foreign --variant=minbase bookworm "$arm64_root" "$mirror" >/dev/null
    chroot "$arm64_root" /debootstrap/debootstrap --second-stage >/dev/null
    printf 'deb %s bookworm main\ndeb %s bookworm-updates main\ndeb %s-security bookworm-security main\n' \
        "$mirror" "$mirror" "$mirror" >"$arm64_root/etc/apt/sources.list"
    unshare --mount --pid --fork bash -c "
        mount -t proc proc '$arm64_root/proc' && mount --rbind /dev '$arm64_root/dev' &&
        chroot '$arm64_root' bash -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
            --no-install-recommends wine wine64 >/dev/null && apt-get clean'"
    touch "$arm64_root/.complete"
fi

arm64_run() {
    mkdir -p "$arm64_root/share" "$arm64_root/tmp/.X11-unix"
    timeout "${arm64_timeout:-600}" unshare --mount --pid --fork bash -c '
        root=$1; share=$2; shift 2
        mount -t proc proc "$root/proc"
        mount --rbind /dev "$root/dev"
        mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
        [ -z "$share" ] || mount --bind "$share" "$root/share"
        exec chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root DISPLAY="$DISPLAY" WINEDEBUG=-all \
            WINEPREFIX=/root/prefix WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" "$@"
    ' arm64 "$arm64_root" "$arm64_share" "$@"
}
