# Sourced by the scripts that install Debian's packages.
# apt-get, waiting while another apt run holds its lock (an unattended
# upgrade, a second build) instead of failing at once: apt waits for dpkg's
# lock itself; the package lists' lock is tried again every 5 s for 10 min.
apt_get() {
    local log try
    log=$(mktemp)
    for try in $(seq 120); do
        if "$@" -o DPkg::Lock::Timeout=600 2>"$log"; then rm -f "$log"; return 0; fi
        if ! grep -Eq "Could not get lock|Unable to acquire|Unable to lock" "$log"; then
            cat "$log" >&2; rm -f "$log"; return 1
        fi
        [ "$try" -gt 1 ] || echo "== waiting: another apt run holds apt's lock ($(grep -Eo '/[^ ]*lock[^ .]*' "$log" | head -1))"
        sleep 5
    done
    cat "$log" >&2; rm -f "$log"; return 1
}

# Installs PACKAGEs from fresh package lists. A mirror in the middle of a
# sync serves an index that fails to download for a while; apt then keeps
# the lists it could fetch (or the old ones), and the install is tried with
# those: it fails only when the packages themselves cannot be had, naming
# them. Every download is tried three times.
apt_install() {
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    apt_get $sudo apt-get update -qq -o Acquire::Retries=3 ||
        echo "== some package lists failed to download (a mirror mid-sync?); installing from those that came"
    DEBIAN_FRONTEND=noninteractive apt_get $sudo apt-get install -y -qq -o Acquire::Retries=3 "$@" >/dev/null || {
        echo "== could not install: $*" >&2
        return 1
    }
}
