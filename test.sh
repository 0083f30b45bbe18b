#!/bin/bash
# Installs what is missing, builds korvidadm (64-bit, and 32-bit compile-only), runs every test
# under Wine. Extra arguments go to ctest (for example: ./test.sh -R Version).
set -u
source "$(dirname "$0")/scripts/setup.sh"
install_missing || { echo "could not install the build tools"; exit 1; }
build_all || { echo "build failed"; exit 1; }
build_i686 || { echo "i686 build failed"; exit 1; }
trap stop_all EXIT
start_display private || exit 1
prepare_wine || exit 1
# A test program that Wine fails to start at all (seen rarely on a loaded machine: a failure in
# a few milliseconds with no output) is run once more; a test that fails in its own right fails twice.
cd "$BUILD_DIR" && ctest --output-on-failure --timeout 120 --repeat until-pass:2 "$@"
