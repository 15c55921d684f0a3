#!/usr/bin/env bash
# Draws docs/gestures/: one timeline picture per gesture and mode, from the
# scenario files. Expects a native build.
#   scripts/pictures.sh [OUTDIR]     (default docs/gestures)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
out=${1:-docs/gestures}
# The gestures and modes, each drawn from the scenario of the same name.
PICTURES=(alt_right_drag alt_middle_drag alt_left_drag chord withheld_ctrl mask_key mask_capture dragger burst
          released_away_alt_right_drag)
mkdir -p "$out"
for name in "${PICTURES[@]}"; do
    build/native/tools/replay --svg "$out/$name.svg" "scenarios/$name.txt"
done
echo "pictures: ${#PICTURES[@]} in $out"
