#!/usr/bin/env bash
# Installs what is missing, builds, and runs the playground under Wine on
# your own display. Arguments go to the playground (--help lists them).
source "$(dirname "$0")/lib.sh"
[ -n "${DISPLAY:-}" ] || { echo "playground: no DISPLAY; run this from a desktop session" >&2; exit 1; }
ensure_packages "${PACKAGES[@]}"
echo "== windows build"
cmake --preset windows >/dev/null
cmake --build --preset windows --target OrvalindePlayground Orvalinde
export WINEDEBUG=${WINEDEBUG:--all}
exec wine build/windows/OrvalindePlayground.exe "$@"
