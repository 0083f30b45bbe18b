#!/bin/bash
# Builds, then measures korvidpol-lab.exe applying one file to 50 lab servers that answer after
# 20 ms, at /parallel:1 and /parallel:16, and its peak memory on 64 servers; prints the figures.
set -u
source "$(dirname "$0")/../scripts/setup.sh"
install_missing || exit 1
build_all --target korvidpol-lab polbench || exit 1
trap stop_all EXIT
prepare_wine || exit 1
wine "$BUILD_DIR/lab/polbench.exe" </dev/null 2>/dev/null | tr -d '\r'
