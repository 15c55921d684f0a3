#!/usr/bin/env bash
# The module inside real programs that ship with Wine, driven through the X
# server (tests/real_programs.py). BUILD names the build (default
# build/windows; build/windows-x86 for Wine's 32-bit programs, which a
# 32-bit injector starts).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
BUILD=${BUILD:-build/windows}
for file in Orvalinde.dll orvalinde_agent.dll orvalinde_inject.exe; do
    [ -f "$BUILD/$file" ] || { echo "real programs: $BUILD/$file is missing; build first" >&2; exit 1; }
done
source scripts/wine_env.sh
mkdir "$work/bin"
cp "$BUILD/Orvalinde.dll" "$BUILD/orvalinde_agent.dll" "$BUILD/orvalinde_inject.exe" "$work/bin/"
start=$(date +%s)
status=0
arch=()
[ "$BUILD" != build/windows-x86 ] || arch=(x86)
python3 tests/real_programs.py "$work" "$work/bin" "${arch[@]}" || status=$?
# What the programs' windows received, kept on request (a directory).
[ -z "${REAL_PROGRAMS_LOGS:-}" ] || cp "$work"/*.log "$REAL_PROGRAMS_LOGS/"
# ... and kept after a failure, beside the build.
if [ $status -ne 0 ]; then
    mkdir -p "$BUILD/real-programs-logs"
    cp "$work"/*.log "$BUILD/real-programs-logs/"
    echo "real programs: the programs' logs are in $BUILD/real-programs-logs"
fi
echo "real programs: $(( $(date +%s) - start )) s"
exit $status
