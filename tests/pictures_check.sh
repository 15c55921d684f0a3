#!/usr/bin/env bash
# The gesture pictures in docs/gestures/.
#   pictures_check.sh drift    each is what its scenario draws today
#   pictures_check.sh render   each is an SVG that rsvg-convert renders
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
case "${1:-}" in
drift)
    bash scripts/pictures.sh "$work" >/dev/null
    diff -r -q docs/gestures "$work" || { echo "FAIL: docs/gestures is stale; run bash scripts/pictures.sh"; exit 1; }
    echo "PASS: $(ls docs/gestures | wc -l) pictures match their scenarios" ;;
render)
    count=0
    for svg in docs/gestures/*.svg; do
        rsvg-convert -o "$work/picture.png" "$svg" || { echo "FAIL: $svg does not render"; exit 1; }
        [ "$(head -c 8 "$work/picture.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
            { echo "FAIL: $svg did not render to a PNG"; exit 1; }
        count=$((count + 1))
    done
    [ "$count" -gt 0 ] || { echo "FAIL: no pictures"; exit 1; }
    echo "PASS: $count pictures render" ;;
*) echo "usage: pictures_check.sh drift|render" >&2; exit 2 ;;
esac
