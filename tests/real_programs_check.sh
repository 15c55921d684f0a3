#!/usr/bin/env bash
# The module inside real programs that ship with Wine, driven through the X
# server (tests/real_programs.py). Expects the windows build.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
for file in Orvalinde.dll orvalinde_agent.dll orvalinde_inject.exe; do
    [ -f "build/windows/$file" ] || { echo "real programs: build/windows/$file is missing; build first" >&2; exit 1; }
done
source scripts/wine_env.sh
mkdir "$work/bin"
cp build/windows/Orvalinde.dll build/windows/orvalinde_agent.dll build/windows/orvalinde_inject.exe "$work/bin/"
start=$(date +%s)
status=0
python3 tests/real_programs.py "$work" "$work/bin" || status=$?
# What the programs' windows received, kept on request (a directory).
[ -z "${REAL_PROGRAMS_LOGS:-}" ] || cp "$work"/*.log "$REAL_PROGRAMS_LOGS/"
echo "real programs: $(( $(date +%s) - start )) s"
exit $status
