#!/usr/bin/env bash
# Searches every kind of host to closure with at most N inputs held at once
# (timers untimed, the key reduced), one host at a time, and prints a line
# for each: states, the deepest state's depth, time and peak memory. Expects
# the native build (bash scripts/build.sh).
#   scripts/closure.sh N [HOST...]     (hosts: plain lost capture modal away swapped)
# A host that does not close within CLOSURE_SECONDS (default 3600) is
# stopped; its line then gives the last level reached and how it grew.
# CLOSURE_OPTIONS sets the searches' options, "--split --symmetric" unless
# given: one state kept of each pair that S and F swapped make alike, and lean
# (no saved state waits on the frontier, each is replayed from the one
# expanded before it: 30 to 60 bytes a state in place of about 1.2 KB), and
# each level's second half expanded by a second process, on the second core
# (CLOSURE_OPTIONS=--lean uses one core; CLOSURE_OPTIONS= keeps the states).
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
explore="$ROOT/build/native/tools/explore"
if [ $# -lt 1 ] || ! [[ "$1" =~ ^[1-9]$ ]]; then
    echo "usage: scripts/closure.sh N [HOST...]   (N from 1 to 9)" >&2
    exit 2
fi
if [ ! -x "$explore" ]; then
    echo "closure: no $explore; run bash scripts/build.sh first" >&2
    exit 2
fi
if [ ! -x /usr/bin/time ]; then
    echo "closure: /usr/bin/time measures each search's memory; install it (apt-get install time)" >&2
    exit 2
fi
held=$1
shift
hosts=("$@")
[ ${#hosts[@]} -gt 0 ] || hosts=(plain lost capture modal away swapped)
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
# CLOSURE_JOBS=2 runs two hosts at once (each then has half the memory to
# itself; with --split they share the cores).
search() {
    timeout "${CLOSURE_SECONDS:-3600}" /usr/bin/time -f "%e s, %M KB at most" \
        "$explore" --host "$1" --max-held "$held" --untimed --reduced ${CLOSURE_OPTIONS---split --symmetric} >"$logs/$1" 2>&1
    echo $? >"$logs/$1.code"
}
running=0
for host in "${hosts[@]}"; do
    if [ "$running" -ge "${CLOSURE_JOBS:-1}" ]; then
        wait -n
        running=$((running - 1))
    fi
    search "$host" &
    running=$((running + 1))
done
wait
status=0
for host in "${hosts[@]}"; do
    log="$logs/$host"
    code=$(cat "$log.code")
    levels=$(grep -c '^depth [0-9]*:' "$log")
    last=$(grep '^depth [0-9]*:' "$log" | tail -1)
    if grep -q '^closed after' "$log"; then
        echo "$host, at most $held held: $(grep '^explored' "$log" | sed 's/^explored //'); deepest state at depth $((levels - 1)); $(tail -1 "$log")"
    else
        echo "$host, at most $held held: did not close (exit $code); last level: $last"
        { grep '^depth [0-9]*:' "$log" || head -2 "$log"; } | tail -4 | sed 's/^/    /'
    fi
    [ "$code" -eq 0 ] || status=1
done
exit $status
