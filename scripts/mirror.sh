# Sourced: the Debian package mirror this machine's own apt sources name.
#   debian_mirror    prints it (the address whose path ends in /debian), or
#                    says on standard error that there is none and fails
# Both formats are read: the deb822 files (URIs:) and one-line entries.
# The security archive is another tree and is not taken for the mirror.
debian_mirror() {
    local mirror
    mirror=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        sed -nE 's/^URIs:[[:space:]]*(https?:[^[:space:]]*\/debian)\/?([[:space:]].*)?$/\1/p' | head -1)
    [ -n "$mirror" ] || mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        sed -nE 's/^deb(-src)?[[:space:]]+(\[[^]]*\][[:space:]]+)?(https?:[^[:space:]]*\/debian)\/?[[:space:]].*/\3/p' | head -1)
    if [ -z "$mirror" ]; then
        echo "no Debian mirror in this machine's apt sources (/etc/apt/sources.list, /etc/apt/sources.list.d):" \
             "add one, e.g. a 'deb' line for the mirror you use" >&2
        return 1
    fi
    echo "$mirror"
}
