#!/bin/bash
# Builds, then measures the start-up of korvidadm-lab.exe against a bare Win32 program
# (median of 11 runs each, under Wine with a private Xvfb) and prints the figures; then the round
# trips and time to open each policy dialog and the Version page (bench/readbench.cpp).
set -u
source "$(dirname "$0")/../scripts/setup.sh"
install_missing || exit 1
build_all --target korvidadm korvidadm-lab korvidbare benchdriver ntlanman readbench || exit 1
trap stop_all EXIT
start_display private || exit 1
prepare_wine || exit 1
for f in "$ROOT"/lab/network/*.reg; do
    [ -e "$f" ] && wine regedit /s "$(winepath -w "$f")" </dev/null >/dev/null 2>&1
done
wine "$BUILD_DIR/lab/benchdriver.exe" "$(winepath -w "$BUILD_DIR/korvidadm.exe")" </dev/null 2>/dev/null | tr -d '\r'
echo
wine "$BUILD_DIR/lab/readbench.exe" </dev/null 2>/dev/null | tr -d '\r'
