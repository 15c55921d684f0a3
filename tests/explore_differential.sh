#!/bin/bash
# The search's reductions (untimed timers, bounded or not; dead fields out
# of the key and excused beliefs forgotten) must not change its verdicts: each kind of
# violation and exception it reports, and whether it passes, are the same
# with and without them, to the same depth. The lean search (states
# rebuilt by replaying their paths) must print all the same but the time,
# and so must the split one (each level's second half expanded by another
# process, its findings read back in order). Keeping one state of each pair
# that S and F swapped make alike finds the same, but for which of the two
# keys a violation names, and every state's path, with S and F swapped, must
# reach the state's mirror.
#   explore_differential.sh EXPLORE DEPTH [EXPLORE OPTIONS...]
set -u
explore=$1 depth=$2
shift 2
# A search's output, all but its time; its verdicts from that.
search() { "$explore" --depth "$depth" "$@" 2>/dev/null | grep -v ' transitions in '; }
verdicts() {
    sed -n \
        -e 's/^\(VIOLATION\|exception\): \(.*\) ([0-9]* times.*/\1: \2/p' \
        -e 's/^explored [0-9]* states (depth [0-9]*, \(.*\)): \(.*\)/\1: \2/p' \
        -e 's/^mirrors: [1-9].*/&/p' | sort
}
# A violation's kind names S or F, whichever its state kept.
either() { sed 's/\b[SF]\b/S or F/g' | sort -u; }
reference=$(search "$@" | verdicts)
if [ -z "$reference" ]; then
    echo "FAIL: the search printed no verdict"
    exit 1
fi
status=0
# same WHAT REFERENCE GOT
same() {
    if [ "$3" = "$2" ]; then
        echo "the same with $1 ($(tail -1 <<<"$2"))"
    else
        echo "FAIL: $1 changes what the search finds:"
        diff <(echo "$2") <(echo "$3")
        status=1
    fi
}
for reduction in "--reduced" "--untimed" "--untimed --reduced --bound-timers" "--untimed --reduced"; do
    # shellcheck disable=SC2086
    out=$(search "$@" $reduction)
    same "$reduction" "$reference" "$(verdicts <<<"$out")"
done
# The last is the one the lean and split searches must match.
same "--lean" "$out" "$(search "$@" --untimed --reduced --lean)"
same "--split" "$out" "$(search "$@" --untimed --reduced --split)"
same "--symmetric" "$(verdicts <<<"$out" | either)" \
    "$(search "$@" --untimed --reduced --symmetric --check-mirror | verdicts | either)"
exit $status
