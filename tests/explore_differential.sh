#!/bin/bash
# The search's reductions (untimed timers; dead fields out of the key and
# excused beliefs forgotten) must not change its verdicts: each kind of
# violation and exception it reports, and whether it passes, are the same
# with and without them, to the same depth.
#   explore_differential.sh EXPLORE DEPTH [EXPLORE OPTIONS...]
set -u
explore=$1 depth=$2
shift 2
verdicts() {
    "$explore" --depth "$depth" "$@" 2>/dev/null | sed -n \
        -e 's/^\(VIOLATION\|exception\): \(.*\) ([0-9]* times.*/\1: \2/p' \
        -e 's/^explored [0-9]* states (depth [0-9]*, \(.*\)): \(.*\)/\1: \2/p' | sort
}
reference=$(verdicts "$@")
if [ -z "$reference" ]; then
    echo "FAIL: the search printed no verdict"
    exit 1
fi
status=0
for reduction in "--reduced" "--untimed" "--untimed --reduced"; do
    # shellcheck disable=SC2086
    got=$(verdicts "$@" $reduction)
    if [ "$got" = "$reference" ]; then
        echo "same verdicts with $reduction ($(echo "$reference" | wc -l) lines)"
    else
        echo "FAIL: $reduction changes the verdicts:"
        diff <(echo "$reference") <(echo "$got")
        status=1
    fi
done
exit $status
