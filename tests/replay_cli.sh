#!/usr/bin/env bash
# The replay tool's command line: help, the three exit statuses and the JSON
# document's shape.
#   replay_cli.sh REPLAY
set -euo pipefail
replay=${1:?usage: replay_cli.sh REPLAY}
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL replay: $*"; exit 1; }
status() { set +e; "$@" >"$work/out" 2>"$work/err"; echo $?; set -e; }

[ "$(status "$replay" --help)" = 0 ] && grep -q '^usage: replay' "$work/out" || fail "--help"
[ "$(status "$replay")" = 2 ] && grep -q 'no scenario file' "$work/err" || fail "no arguments is not a usage error"
[ "$(status "$replay" "$work/missing.txt")" = 2 ] && grep -q 'missing.txt: cannot read the file' "$work/err" ||
    fail "an unreadable file"
printf 'call load\nkey sideways A\n' >"$work/bad.txt"
[ "$(status "$replay" "$work/bad.txt")" = 2 ] && grep -q 'bad.txt:2: key takes down, up or tap' "$work/err" ||
    fail "a line that does not parse"
printf 'call load\ncall doEnable\nkey down S\nexpect main input WM_KEYUP S\n' >"$work/wrong.txt"
[ "$(status "$replay" "$work/wrong.txt")" = 1 ] &&
    grep -q 'wrong.txt:4: expected `main input WM_KEYUP S`, got `main input WM_KEYDOWN S`' "$work/out" ||
    fail "a failed expectation"
[ "$(status "$replay" "$ROOT/scenarios/alt_right_drag.txt")" = 0 ] || fail "a passing scenario"

[ "$(status "$replay" --json "$ROOT/scenarios/alt_right_drag.txt")" = 0 ] || fail "--json"
python3 - "$work/out" <<'PY' || fail "the JSON document"
import json, sys
doc = json.load(open(sys.argv[1]))
assert doc["passed"] == 1 and doc["failed"] == 0
s = doc["scenarios"][0]
assert s["passed"] is True and s["error"] is None and s["file"].endswith("alt_right_drag.txt")
press = [e for e in s["events"] if e["action"] == "button down right"][0]
assert isinstance(press["line"], int)
ctrl, down = press["received"]
assert ctrl == {"window": "main", "passedOn": False, "message": "WM_KEYDOWN", "messageValue": 256,
                "wParam": 17, "key": "VK_CONTROL", "lParam": 0xC0000001}, ctrl
assert down["message"] == "WM_RBUTTONDOWN" and down["wParam"] == 0 and (down["x"], down["y"]) == (100, 100)
PY
echo "PASS replay: help, exit statuses 0, 1 and 2, JSON"
