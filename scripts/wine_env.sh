# Sourced by the scripts that run Windows programs: starts an Xvfb display of
# our own and a throwaway Wine prefix, both ended when the script exits.
# Sets `work` (a temporary directory) and exports DISPLAY and WINEPREFIX.
work=$(mktemp -d)
xvfb_pid=""
wine_env_cleanup() {
    WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap wine_env_cleanup EXIT

# XVFB_OPTIONS: more of the X server's options, e.g. -r (no auto-repeat).
Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp ${XVFB_OPTIONS:-} 8>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "wine: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# ARM64 programs (BUILD=build/windows-arm64) run in Debian's arm64 Wine.
if [ "${BUILD:-}" = build/windows-arm64 ]; then
    export PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/arm64-wine:$PATH" ORVALINDE_WINE_WORK=$work
fi
echo "== Wine prefix (display $DISPLAY)"
# A new prefix takes 10 to 20 s to make: one is made once per version of
# Wine, kept in /var/cache/orvalinde, and each run takes a copy of it.
prefix_template=/var/cache/orvalinde/prefix-$(wine --version | tr -c 'A-Za-z0-9.~\n-' '_')
if [ ! -f "$prefix_template/.complete" ] && mkdir -p "$prefix_template.new" 2>/dev/null; then
    if WINEPREFIX="$prefix_template.new" timeout 300 wineboot -i >"$work/wineboot.log" 2>&1 &&
       WINEPREFIX="$prefix_template.new" timeout 60 wineserver -w; then
        touch "$prefix_template.new/.complete"
        rm -rf "$prefix_template" && mv "$prefix_template.new" "$prefix_template"
    else
        rm -rf "$prefix_template.new"
    fi
fi
if [ -f "$prefix_template/.complete" ]; then
    cp -a "$prefix_template" "$WINEPREFIX"
else
    timeout 300 wineboot -i >"$work/wineboot.log" 2>&1 || { echo "wine: wineboot failed" >&2; tail "$work/wineboot.log" >&2; exit 1; }
fi
