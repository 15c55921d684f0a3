# Sourced by the test command: runs its phases, each with its output in a
# log of its own (build/phases/NAME.log), one at a time or side by side,
# and ends with a table of every phase's time.
#   phase NAME COMMAND...      runs COMMAND now and waits for it
#   phase_needed NAME COMMAND... the same, and the run ends there if it fails
#   phase_beside NAME COMMAND... starts COMMAND beside the others, at most
#                              PHASE_JOBS (default 4) at a time
#   phases_end                 waits for all; shows each failed phase's log
#                              in full (every log with PHASE_OUTPUT=all),
#                              prints the table, and fails if one failed
# A phase that exits 77 could not run on this machine (its log's last line
# says why): it is shown as not run, and fails nothing.
phase_logs=${phase_logs:-build/phases}
rm -rf "$phase_logs"
mkdir -p "$phase_logs"
phase_names=()
phase_started=$(date +%s)

phase_run() {
    local name=$1 start rc
    shift
    start=$(date +%s)
    # Each phase its own shell: a failed command ends the phase, not the run.
    set +e
    (set -euo pipefail; "$@") >"$phase_logs/$name.log" 2>&1 </dev/null
    rc=$?
    set -e
    echo "$rc $start $(date +%s)" >"$phase_logs/$name.result"
    if [ "$rc" -eq 0 ]; then
        echo "== $name: passed in $(($(date +%s) - start)) s"
    elif [ "$rc" -eq 77 ]; then
        echo "== $name: NOT RUN: $(tail -n 1 "$phase_logs/$name.log")"
    else
        echo "== $name: FAILED (exit $rc) after $(($(date +%s) - start)) s"
    fi
}

phase() {
    phase_names+=("$1")
    echo "== $1"
    phase_run "$@"
}

phase_needed() {
    local rc
    phase "$@"
    read -r rc _ <"$phase_logs/$1.result"
    [ "$rc" -eq 0 ] || { phases_end; exit 1; }
}

phase_beside() {
    phase_names+=("$1")
    while [ "$(jobs -rp | wc -l)" -ge "${PHASE_JOBS:-4}" ]; do wait -n || true; done
    echo "== $1 (beside the others)"
    phase_run "$@" &
}

phases_end() {
    wait || true
    local name rc start end failed=()
    for name in "${phase_names[@]}"; do
        read -r rc start end <"$phase_logs/$name.result" || rc=1
        if [ "$rc" -ne 0 ] && [ "$rc" -ne 77 ]; then
            failed+=("$name")
        elif [ "${PHASE_OUTPUT:-}" = all ]; then
            echo "---- $name ($phase_logs/$name.log)"
            cat "$phase_logs/$name.log"
        fi
    done
    for name in "${failed[@]}"; do
        echo "---- FAILED: $name ($phase_logs/$name.log)"
        cat "$phase_logs/$name.log"
    done
    echo "== phases (logs in $phase_logs; PHASE_OUTPUT=all shows them all)"
    printf '%-16s %8s %8s %8s  %s\n' phase start end seconds result
    for name in "${phase_names[@]}"; do
        read -r rc start end <"$phase_logs/$name.result" || { rc=1 start=$phase_started end=$phase_started; }
        printf '%-16s %8d %8d %8d  %s\n' "$name" $((start - phase_started)) $((end - phase_started)) \
            $((end - start)) "$(case $rc in 0) echo passed ;; 77) echo "NOT RUN (this machine)" ;; *) echo "FAILED (exit $rc)" ;; esac)"
    done
    echo "whole run: $(($(date +%s) - phase_started)) s"
    [ ${#failed[@]} -eq 0 ]
}
