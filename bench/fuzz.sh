#!/bin/bash
# Builds, then runs the seeded fuzz of hostile registries for long: bench/fuzz.sh [ITERATIONS] [SEED]
# [FIRST] (100000, 1 and 0 unless given), the rounds FIRST on; `bench/fuzz.sh 1 SEED ROUND` replays
# the one round a failure names. It prints the iterations, the iterations per second and every count.
# The test program runs from a copy of its own, in a Wine prefix and on a display of its own, so a
# build or ./test.sh meanwhile does not disturb it.
set -u
ITERATIONS=${1:-100000}
SEED=${2:-1}
FIRST=${3:-0}
source "$(dirname "$0")/../scripts/setup.sh"
install_missing || exit 1
build_all --target korvidtests || exit 1
trap stop_all EXIT
start_display private || exit 1
RUN_DIR="$BUILD_DIR/fuzz-run"
rm -rf "$RUN_DIR"
mkdir -p "$RUN_DIR"
cp -a "$BUILD_DIR/tests" "$BUILD_DIR/lab" "$RUN_DIR/"
prepare_wine "$BUILD_DIR/fuzz-prefix" || exit 1
KORVID_FUZZ_ITERATIONS=$ITERATIONS KORVID_FUZZ_SEED=$SEED KORVID_FUZZ_FIRST=$FIRST \
    wine "$RUN_DIR/tests/korvidtests.exe" --gtest_filter=Fuzz.DISABLED_Long \
    --gtest_also_run_disabled_tests </dev/null 2>/dev/null | stdbuf -oL tr -d '\r'
