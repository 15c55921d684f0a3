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
