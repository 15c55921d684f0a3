#!/usr/bin/env bash
# The playground under Wine with real input from the X server: an Alt + right
# drag and a lone Ctrl press. The session it records must hold the Ctrl +
# right drag and the withheld Ctrl and pass in replay, and its snapshot must
# be written.
#   playground_check.sh                    the check (the test command runs it)
#   playground_check.sh --screenshot PNG   instead, a picture taken mid-drag
# BUILD names the build whose playground and DLL run (default build/windows;
# build/windows-x86 with a Wine that runs 32-bit programs).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
BUILD=${BUILD:-build/windows}
screenshot=${2:-}
[ "${1:-}" != --screenshot ] || [ -n "$screenshot" ] || { echo "usage: playground_check.sh [--screenshot PNG]" >&2; exit 2; }
for file in "$BUILD/OrvalindePlayground.exe" "$BUILD/Orvalinde.dll" build/native/tools/replay; do
    [ -f "$file" ] || { echo "playground: $file is missing; build first" >&2; exit 1; }
done
source scripts/wine_env.sh
fail() { echo "FAIL playground: $*"; exit 1; }

mkdir "$work/bin"
cp "$BUILD/OrvalindePlayground.exe" "$BUILD/Orvalinde.dll" "$work/bin/"
quit=9000
[ -z "$screenshot" ] || quit=4500  # while the drag is on
start_playground() {
    local session_path snapshot_path
    session_path=$(winepath -w "$work/session.txt") && snapshot_path=$(winepath -w "$work/snapshot.png") || return 1
    wine "$work/bin/OrvalindePlayground.exe" --quit-after "$quit" --record "$session_path" \
        --snapshot "$snapshot_path" >"$work/playground.log" 2>&1 &
    playground=$!
    window=$(timeout 30 xdotool search --sync --name "^Orvalinde playground$" | head -1)
}
playground=""
if ! start_playground; then
    # Wine's own client now and then loses its server on a loaded machine
    # ("recvmsg: Connection reset by peer") and the program never starts: one
    # more try then. A playground that runs but shows no window still fails.
    if [ -n "$playground" ] && kill -0 "$playground" 2>/dev/null; then
        kill "$playground"; cat "$work/playground.log"; fail "no window"
    fi
    echo "playground: Wine exited before a window showed ($(tail -1 "$work/playground.log" 2>/dev/null)); starting it once more"
    wineserver -k 2>/dev/null || true
    start_playground || { cat "$work/playground.log"; fail "no window"; }
fi
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 1
# In main's client area, below the strip with the child pane.
x=$((X + 400)) y=$((Y + 380))
act() { xdotool "$@"; sleep 0.25; }
act mousemove $x $y
act keydown alt
act mousedown 3
moves=6
[ -z "$screenshot" ] || moves=2  # the drag's start in sight
for i in $(seq $moves); do act mousemove $((x + 12 * i)) $((y + 6 * i)); done
if [ -n "$screenshot" ]; then
    wait "$playground" || true
    act mouseup 3
    act keyup alt
    # The picture is written uncompressed; the one kept in docs/ is deflated.
    python3 - "$work/snapshot.png" "$screenshot" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
chunks, at = [], 8
while at < len(data):
    size, kind = struct.unpack(">I4s", data[at:at + 8])
    chunks.append((kind, data[at + 8:at + 8 + size]))
    at += 12 + size
pixels = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
out = data[:8]
for kind, body in chunks:
    if kind == b"IDAT":
        if pixels is None:
            continue
        body, pixels = zlib.compress(pixels, 9), None
    out += struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
open(sys.argv[2], "wb").write(out)
PY
    echo "screenshot: $screenshot"
    exit 0
fi
act mouseup 3
act keyup alt
act keydown ctrl
act keyup ctrl
wait "$playground" || { cat "$work/playground.log"; fail "the playground exited with an error"; }

session="$work/session.txt"
[ -s "$session" ] || fail "no recorded session"
for line in "expect main WM_KEYDOWN VK_CONTROL 0xC0000001" "expect main WM_RBUTTONDOWN 0x0000" \
            "expect main WM_MOUSEMOVE 0x000A" "expect main WM_RBUTTONUP 0x0008" "expect main WM_KEYUP VK_CONTROL 0xC001D001"; do
    grep -q "^$line" "$session" || { cat "$session"; fail "the session lacks '$line'"; }
done
# The lone Ctrl: its press and release, and nothing for the host after them.
tail_of_session=$(sed -n '/^key down CONTROL$/,$p' "$session" | grep -v '^wait ' | tr '\n' '|')
[ "$tail_of_session" = "key down CONTROL|key up CONTROL|" ] || { cat "$session"; fail "the lone Ctrl reached the host: $tail_of_session"; }
build/native/tools/replay "$session" >"$work/replay.log" || { cat "$session" "$work/replay.log"; fail "replay rejects the session"; }
[ "$(head -c 8 "$work/snapshot.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "no PNG snapshot"
sed 's/^/    /' "$session"
echo "PASS playground: $(grep -vc '^#' "$session") lines recorded, replay passes, snapshot $(stat -c %s "$work/snapshot.png") bytes"
