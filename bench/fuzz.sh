#!/bin/bash
# Builds, then runs the seeded fuzz of hostile registries for long:
#   bench/fuzz.sh [ITERATIONS] [SEED] [FIRST] [JOBS]   (100000, 1, 0 and 1 unless given)
# runs the rounds FIRST on; `bench/fuzz.sh 1 SEED ROUND` replays the one round a failure names.
# JOBS programs share the rounds in equal runs of consecutive rounds, each in a Wine prefix of its
# own (each round draws from its own generator, so the rounds are the same however they are
# shared); their lines carry their job number, and at the end the counts of all are added up.
# It prints the iterations, the iterations per second and every count, and fails when a job did.
# Then korvidpol's .reg reader reads as many hostile files of the same seed and rounds.
# The test program runs from a copy of its own, on a display of its own, so a build or
# ./test.sh meanwhile does not disturb it.
set -u
ITERATIONS=${1:-100000}
SEED=${2:-1}
FIRST=${3:-0}
JOBS=${4:-1}
source "$(dirname "$0")/../scripts/setup.sh"
install_missing || exit 1
build_all --target korvidtests || exit 1
PREFIXES=()
stop_jobs() {
    for prefix in "${PREFIXES[@]}"; do WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1; done
    stop_all
}
trap stop_jobs EXIT
start_display private || exit 1
RUN_DIR="$BUILD_DIR/fuzz-run"
rm -rf "$RUN_DIR"
mkdir -p "$RUN_DIR"
cp -a "$BUILD_DIR/tests" "$BUILD_DIR/lab" "$RUN_DIR/"

# Runs one long test (its filter) on the rounds FIRST to FIRST + COUNT, its output to LOG as it
# comes; true when it passed.
run_long() {
    local filter=$1 first=$2 count=$3 log=$4
    KORVID_FUZZ_ITERATIONS=$count KORVID_FUZZ_SEED=$SEED KORVID_FUZZ_FIRST=$first \
        wine "$RUN_DIR/tests/korvidtests.exe" --gtest_filter="$filter" \
        --gtest_also_run_disabled_tests </dev/null 2>/dev/null | stdbuf -oL tr -d '\r' >"$log"
    grep -q '^\[  PASSED  \] 1 test' "$log"
}

# One job of the fuzz: the rounds FIRST to FIRST + COUNT in a prefix of its own.
run_job() {
    local job=$1 first=$2 count=$3
    prepare_wine "$BUILD_DIR/fuzz-prefix-$job" >/dev/null || return 1
    run_long Fuzz.DISABLED_Long "$first" "$count" "$RUN_DIR/job$job.log"
}

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
make_wine_template || exit 1
start=$(date +%s%N)
pids=()
shows=()
for ((j = 0; j < JOBS; j++)); do
    first=$((FIRST + ITERATIONS * j / JOBS))
    count=$((FIRST + ITERATIONS * (j + 1) / JOBS - first))
    echo "job $j: rounds $first to $((first + count - 1))"
    PREFIXES+=("$BUILD_DIR/fuzz-prefix-$j")
    run_job "$j" "$first" "$count" &
    pids+=($!)
done
# Progress as the jobs print it, each line with its job.
for ((j = 0; j < JOBS; j++)); do
    touch "$RUN_DIR/job$j.log"
    tail -f --pid="${pids[$j]}" "$RUN_DIR/job$j.log" | sed -u "s/^/[job $j] /" &
    shows+=($!)
done
failed=0
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
wait "${shows[@]}"
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
# The counts each job printed last, added up by name.
for ((j = 0; j < JOBS; j++)); do
    awk '/^fuzz: [0-9]+ iterations in/ { delete c; inblock = 1; next }
         inblock && /^  [^ ]/ { v = $NF; $NF = ""; sub(/^ +/, ""); sub(/ +$/, ""); c[$0] = v; next }
         { inblock = 0 }
         END { for (k in c) print k "\t" c[k] }' "$RUN_DIR/job$j.log"
done | awk -F'\t' '{ sum[$1] += $2 } END { for (k in sum) print k "\t" sum[k] }' | sort >"$RUN_DIR/counts"
iterations=$(awk -F'\t' '$1 == "iterations" { print $2 }' "$RUN_DIR/counts")
awk -v n="${iterations:-0}" -v ms="$elapsed_ms" -v jobs="$JOBS" 'BEGIN {
    printf "fuzz: %d iterations in %.1f s, %.1f per second, in %d jobs (ms counts summed over them)\n",
           n, ms / 1000, ms ? n * 1000 / ms : 0, jobs }'
awk -F'\t' '{ printf "  %-34s %s\n", $1, $2 }' "$RUN_DIR/counts"

# Then korvidpol's .reg reader, on hostile files of the same seed and rounds (no window: one job).
export WINEPREFIX="$BUILD_DIR/fuzz-prefix-0"
if run_long KorvidpolRegText.DISABLED_Long "$FIRST" "$ITERATIONS" "$RUN_DIR/reader.log"; then
    grep -v '^\[\|^$\|^Note:' "$RUN_DIR/reader.log"
else
    cat "$RUN_DIR/reader.log"
    failed=1
fi
[ $failed -eq 0 ] || echo "a job failed; its log is in $RUN_DIR"
exit $failed
