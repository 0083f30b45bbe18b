#!/bin/bash
# Installs what is missing, builds korvidadm for 64-bit (build/) and 32-bit (build-i686/) Windows and
# runs every test of both under Wine, one CTest run after the other, each in a Wine prefix of its own.
# Extra arguments go to both ctest runs (for example: ./test.sh -R Version).
# The i686 run needs a kernel that runs 32-bit programs and wine32:i386 (installed when the kernel
# allows it). Where it cannot run it is reported as not run; KORVID_REQUIRE_I686=1 makes that a failure.
set -u
source "$(dirname "$0")/scripts/setup.sh"
ARCHES=(x86_64 i686)
arch_dir() { [ "$1" = x86_64 ] && echo "$BUILD_DIR" || echo "$BUILD_DIR-$1"; }

install_missing || { echo "could not install the build tools"; exit 1; }
for arch in "${ARCHES[@]}"; do
    echo "== building $arch in $(arch_dir "$arch")"
    build_arch "$arch" "$(arch_dir "$arch")" >/dev/null || { echo "$arch build failed"; exit 1; }
done
trap stop_all EXIT
start_display private || exit 1

# One ctest run in its build folder and a fresh prefix of its own; its summary goes to $1.counts.
run_suite() {
    local arch=$1 dir started
    dir=$(arch_dir "$arch")
    shift
    rm -f "$dir/ctest.counts"
    echo "== $arch tests ($dir)"
    BUILD_DIR=$dir prepare_wine || return 1
    export KORVID_RESTART_LOG="$dir/restarts.log"
    rm -f "$KORVID_RESTART_LOG"
    started=$SECONDS
    (cd "$dir" && ctest --output-on-failure --timeout 120 "$@") | tee "$dir/ctest.log"
    local status=${PIPESTATUS[0]}
    wineserver -k >/dev/null 2>&1
    if [ -s "$KORVID_RESTART_LOG" ]; then
        echo "$arch: $(wc -l <"$KORVID_RESTART_LOG") test program(s) started again because Wine did not start them:"
        cat "$KORVID_RESTART_LOG"
    fi
    summarize "$arch" "$dir/ctest.log" $((SECONDS - started)) "$status" >"$dir/ctest.counts"
    return "$status"
}

# "ARCH: P passed, F failed in S s" from ctest's closing line ("N% tests passed, F tests failed out of T").
summarize() {
    local line total failed
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$2" | tail -1)
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    failed=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    if [ -z "$line" ]; then
        total=0
        failed=$([ "$4" -eq 0 ] && echo 0 || echo 1)
    fi
    echo "$1 $((total - failed)) $failed $3"
}

status=0
blocker=$(i686_blocker)
for arch in "${ARCHES[@]}"; do
    if [ "$arch" = i686 ] && [ -n "$blocker" ]; then
        echo "== i686 tests not run: $blocker; the i686 build and its tests were only compiled"
        [ "${KORVID_REQUIRE_I686:-0}" = 1 ] && status=1
        continue
    fi
    run_suite "$arch" "$@" || status=1
done

passed=0 failed=0 runs=()
for arch in "${ARCHES[@]}"; do
    if [ "$arch" = i686 ] && [ -n "$blocker" ]; then
        echo "i686: not run ($blocker)"
        continue
    fi
    read -r name p f seconds <"$(arch_dir "$arch")/ctest.counts" || { name=$arch p=0 f=1 seconds=0; }
    echo "$name: $p passed, $f failed in $seconds s"
    passed=$((passed + p)) failed=$((failed + f)) runs+=("$arch")
done
label=$(IFS=+; echo "${runs[*]}")
echo "${label:-none}: $passed passed, $failed failed"
exit $status
