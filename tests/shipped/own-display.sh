#!/bin/bash
# Runs a test program in a Wine prefix and on an Xvfb of its own, both made for this one run and
# removed after it: the shipped-program tests plant a DLL in the prefix's system folder and keys in
# its HKEY_LOCAL_MACHINE, which no other test may see, and need a screen wider than 1600 pixels.
# A listing of the tests (--gtest_list_tests) runs as any other program.
# Usage: own-display.sh BUILD_DIR SCREEN WINE_RUN PROGRAM [ARGS...]   (SCREEN: e.g. 2560x1440x24)
set -u
build=$1 screen=$2 winerun=$3
shift 3
case " $* " in *" --gtest_list_tests"*) exec "$winerun" "$@" ;; esac
source "$(dirname "$0")/../../scripts/setup.sh"
BUILD_DIR=$build
unset KORVID_DISPLAY
KORVID_SCREEN=$screen start_display private || exit 1
prefix=$(mktemp -d "$build/own-prefix.XXXXXX") || exit 1
trap 'stop_all; rm -rf "$prefix"' EXIT
# Detached, so that the prefix's wineserver and first programs do not hold ctest's output open.
prepare_wine "$prefix" </dev/null >/dev/null 2>&1 || { echo "could not prepare $prefix"; exit 1; }
"$winerun" "$@"
