# Sourced by the scripts that run ARM64 Windows programs: Debian's arm64
# Wine in an arm64 chroot (scripts/chroot.sh), run by qemu-user, in
# ORVALINDE_ARM64_ROOT (default /var/cache/orvalinde/arm64). Needs root.
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
    source "$(dirname "${BASH_SOURCE[0]}")/apt.sh"
    apt_install "${arm64_missing[@]}"
fi

# No service manager registers the interpreter: do it by hand. Its flags
# (F: opened at registration) let it run inside the chroot.
mountpoint -q /proc/sys/fs/binfmt_misc || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
[ -e /proc/sys/fs/binfmt_misc/qemu-aarch64 ] || update-binfmts --enable qemu-aarch64

source "$(dirname "${BASH_SOURCE[0]}")/chroot.sh"
[ -f "$arm64_root/.complete" ] || echo "== making the arm64 chroot with Wine in $arm64_root (a few minutes, once)"
# Without XInput2 (libxi6, a recommendation) Wine's X11 driver takes the
# keyboard's state from the core events: the echo of a move that SendInput
# made releases the keys the X server never saw (a held Alt), and the
# buttons read as up.
chroot_make "$arm64_root" bookworm arm64 wine wine64 libxi6 libxcursor1 libxcomposite1 libxrandr2 libxinerama1

arm64_run() { chroot_timeout=${arm64_timeout:-600} chroot_run "$arm64_root" "$arm64_share" "$@"; }
