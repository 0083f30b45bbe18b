#!/bin/bash
# Runs a cross-built test program under Wine. test.sh prepares WINEPREFIX, the wineserver and DISPLAY.
#
# On a loaded machine Wine now and then fails to start a program at all: it ends at once and the
# program prints nothing, not even GoogleTest's first line. Such a run, and only such a run, is
# started once more, said on stderr and in $KORVID_RESTART_LOG when set. A program that printed
# anything keeps its status, so a test that fails in its own right fails the run. A program that
# prints nothing twice fails, even with status 0 (Wine without its 32-bit half exits 0 silently).
export WINEDEBUG=${WINEDEBUG:--all}
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

run_once() {
    : >"$out"
    : >"$err"
    wine "$@" 2> >(tee "$err" >&2) | tee "$out"
    status=${PIPESTATUS[0]}
    wait
}

printed_nothing() {
    [ ! -s "$out" ] && [ ! -s "$err" ]
}

run_once "$@"
printed_nothing || exit "$status"
note="wine-run: Wine did not start $(basename "$1") ${*:2} (status $status, no output): starting it again"
echo "$note" >&2
[ -n "${KORVID_RESTART_LOG:-}" ] && echo "$note" >>"$KORVID_RESTART_LOG"
run_once "$@"
if printed_nothing; then
    echo "wine-run: Wine did not start $(basename "$1") the second time either (status $status)" >&2
    [ "$status" -ne 0 ] || status=1
fi
exit "$status"
