# Sourced: Debian chroots that are made once, kept under /var/cache/orvalinde
# and reused while they are whole (the arm64 Wine, a newer Wine). Needs root.
#   chroot_make ROOT SUITE ARCH PACKAGE...   makes ROOT unless it is whole:
#                                            SUITE for ARCH, with PACKAGEs
#                                            (`chroot_foreign`: one more
#                                            architecture, e.g. i386); one
#                                            made with other PACKAGEs gets
#                                            these installed
#   chroot_run ROOT SHARE COMMAND...         runs COMMAND in ROOT, in private
#                                            mounts and processes gone when it
#                                            returns, with the host's X server
#                                            sockets and the host folder SHARE
#                                            seen as /share (and the folders
#                                            in `chroot_binds` at their own
#                                            paths); ended after
#                                            `chroot_timeout` seconds (600);
#                                            with `chroot_exec` set, in place
#                                            of the calling shell
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/mirror.sh"

chroot_make() {
    local root=$1 suite=$2 arch=$3
    shift 3
    # The stamp names the packages: a chroot made with fewer gets the rest.
    local packages="$*"
    if [ -f "$root/.complete" ]; then
        [ "$(cat "$root/.complete")" != "$packages" ] || return 0
        echo "== adding packages to $root"
    else
        rm -rf "$root"
        mkdir -p "$root"
        local mirror
        mirror=$(debian_mirror)
        debootstrap --arch="$arch" --foreign --variant=minbase "$suite" "$root" "$mirror" >/dev/null
        chroot "$root" /debootstrap/debootstrap --second-stage >/dev/null
        printf 'deb %s %s main\ndeb %s %s-updates main\ndeb %s-security %s-security main\n' \
            "$mirror" "$suite" "$mirror" "$suite" "$mirror" "$suite" >"$root/etc/apt/sources.list"
    fi
    unshare --mount --pid --fork bash -c "
        mount -t proc proc '$root/proc' && mount --rbind /dev '$root/dev' &&
        chroot '$root' bash -c '${chroot_foreign:+dpkg --add-architecture $chroot_foreign && }
            apt-get update -qq -o Acquire::Retries=3 ||
                echo \"== some package lists failed to download (a mirror mid-sync?); installing from those that came\"
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o Acquire::Retries=3 --no-install-recommends $packages >/dev/null ||
                { echo \"== could not install in $root: $packages\" >&2; exit 1; }
            apt-get clean'"
    echo "$packages" >"$root/.complete"
}

chroot_run() {
    local root=$1 share=$2 folder
    shift 2
    mkdir -p "$root/share" "$root/tmp/.X11-unix"
    for folder in ${chroot_binds:-}; do mkdir -p "$root$folder"; done
    ${chroot_exec:+exec} timeout "${chroot_timeout:-600}" unshare --mount --pid --kill-child bash -c '
        root=$1; share=$2; binds=$3; shift 3
        mount -t proc proc "$root/proc"
        mount --rbind /dev "$root/dev"
        mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
        [ -z "$share" ] || mount --bind "$share" "$root/share"
        for folder in $binds; do mount --bind "$folder" "$root$folder"; done
        exec chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root DISPLAY="${DISPLAY:-}" CI="${CI:-}" WINEDEBUG=-all \
            WINEPREFIX=/root/prefix WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" "$@"
    ' chroot "$root" "$share" "${chroot_binds:-}" "$@"
}
