#!/usr/bin/env bash
# Every recorded playground session replays (tests/playground_roundtrip.py).
#   playground_roundtrip.sh      ROUNDTRIP_SEEDS seeds (default 6) from
#                                ROUNDTRIP_FIRST (default 1)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
for file in build/windows/OrvalindePlayground.exe build/windows/Orvalinde.dll build/windows/orvalinde_inject.exe build/windows/orvalinde_agent.dll \
            build/windows/orvalinde_host.exe \
            build/native/tools/replay; do
    [ -f "$file" ] || { echo "round trip: $file is missing; build first" >&2; exit 1; }
done
# No auto-repeat: Wine's X11 driver takes a burst of X events at once and
# updates the key state for all of them before the hooks see the first, so a
# repeat that lands a few milliseconds before another key's release is
# handled with that release already in the key state, which no recording can
# say. The session makes its own repeats, 80 ms or more apart.
XVFB_OPTIONS=-r
source scripts/wine_env.sh
mkdir "$work/bin"
# The injector imports its agent's hook: the agent goes beside it.
cp build/windows/OrvalindePlayground.exe build/windows/Orvalinde.dll build/windows/orvalinde_inject.exe \
   build/windows/orvalinde_agent.dll build/windows/orvalinde_host.exe "$work/bin/"
[ -z "${ROUNDTRIP_KEEP:-}" ] || trap 'cp "$work"/seed-*.txt "$ROUNDTRIP_KEEP/" 2>/dev/null; wine_env_cleanup' EXIT
python3 tests/playground_roundtrip.py "$work" "$work/bin" "$ROOT/build/native/tools/replay" \
    "${ROUNDTRIP_SEEDS:-6}" "${ROUNDTRIP_FIRST:-1}"
