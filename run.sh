#!/bin/bash
# Installs what is missing, builds, imports the default lab network into a Wine prefix of its own and
# starts korvidadm-lab.exe: in a window on $DISPLAY when there is one; otherwise on a private Xvfb,
# where the stand-in select dialog picks VELMOR-PDC by itself and a screenshot is written.
#
#   ./run.sh                      on $DISPLAY if set, else a screenshot to docs/screenshot.png
#   ./run.sh --screenshot [FILE]  always the screenshot (FILE defaults to docs/screenshot.png)
#   ./run.sh --pol ARGS...        korvidpol-lab.exe ARGS in the current folder, on a lab network kept
#                                 between calls in build/pol-prefix (--pol-reset: a fresh network)
#   ./run.sh --tour [FOLDER]      a PNG of every window a user meets, driven from outside by
#                                 tourdriver.exe on a private Xvfb (FOLDER defaults to docs/tour)
set -u
source "$(dirname "$0")/scripts/setup.sh"

import_network() {
    local imported=0
    for reg in "$ROOT"/lab/network/*.reg; do
        [ -f "$reg" ] || continue
        wine regedit /s "$(winepath -w "$reg" 2>/dev/null)" </dev/null >/dev/null 2>&1 || echo "could not import $reg"
        imported=$((imported + 1))
    done
    [ "$imported" -gt 0 ] || echo "lab/network holds no .reg files yet: the lab network is empty"
}

if [ "${1:-}" = "--pol" ] || [ "${1:-}" = "--pol-reset" ]; then
    install_missing || { echo "could not install what is needed"; exit 1; }
    build_all --target korvidpol-lab >/dev/null || { echo "build failed"; exit 1; }
    export WINEDEBUG=-all WINEARCH=win64 WINEPREFIX="$BUILD_DIR/pol-prefix"
    if [ "$1" = "--pol-reset" ] || [ ! -f "$WINEPREFIX/.network" ]; then
        prepare_wine "$WINEPREFIX" || exit 1
        import_network
        touch "$WINEPREFIX/.network"
    fi
    shift
    trap stop_all EXIT
    wine "$BUILD_DIR/lab/korvidpol-lab.exe" "$@"
    exit $?
fi

SHOT="" TOUR=""
if [ "${1:-}" = "--tour" ]; then
    TOUR=${2:-$ROOT/docs/tour}
elif [ "${1:-}" = "--screenshot" ]; then
    SHOT=${2:-$ROOT/docs/screenshot.png}
elif [ -z "${DISPLAY:-}" ]; then
    SHOT=${1:-$ROOT/docs/screenshot.png}
fi
SHOT_DELAY=${KORVID_SHOT_DELAY:-6}
COMPUTER=${KORVID_LAB_AUTOSELECT:-VELMOR-PDC}

# The tour: tourdriver.exe writes a bitmap per window; each becomes a small PNG (a palette of at most
# 256 colours, which the windows' few colours fit exactly).
take_tour() {
    local folder=$1 shots
    mkdir -p "$folder" || return 1
    shots=$(mktemp -d "$BUILD_DIR/tour.XXXXXX") || return 1
    echo "Touring korvidadm-lab.exe on a private display into $folder"
    wine "$BUILD_DIR/lab/tourdriver.exe" "$(winepath -w "$PROGRAM")" "$(winepath -w "$shots")" \
        </dev/null 2>/dev/null | tr -d '\r'
    local status=${PIPESTATUS[0]} bmp
    for bmp in "$shots"/*.bmp; do
        [ -f "$bmp" ] || continue
        convert "$bmp" -strip -colors 256 "PNG8:$folder/$(basename "${bmp%.bmp}").png" || status=1
    done
    rm -rf "$shots"
    echo "$(ls "$folder"/*.png 2>/dev/null | wc -l) pictures in $folder"
    return "$status"
}

install_missing || { echo "could not install what is needed"; exit 1; }
build_all >/dev/null || { echo "build failed"; exit 1; }
PROGRAM="$BUILD_DIR/lab/korvidadm-lab.exe"
trap stop_all EXIT

if [ -n "$SHOT$TOUR" ]; then
    start_display private || exit 1
else
    start_display || exit 1
fi
prepare_wine "$BUILD_DIR/run-prefix" || exit 1

# The default lab network: one .reg file per computer, imported into this prefix's HKCU.
import_network

if [ -n "$TOUR" ]; then
    take_tour "$TOUR"
    exit $?
fi

if [ -z "$SHOT" ]; then
    # A window manager looks after the program's windows on a real display.
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f </dev/null >/dev/null 2>&1
    echo "Starting korvidadm-lab.exe on $DISPLAY (WINEPREFIX=$WINEPREFIX)"
    wine "$PROGRAM"
    exit 0
fi

echo "Starting korvidadm-lab.exe on a private display; the select dialog picks $COMPUTER by itself"
KORVID_LAB_AUTOSELECT=$COMPUTER wine "$PROGRAM" </dev/null >/dev/null 2>&1 &
program=$!
sleep "$SHOT_DELAY"
if ! kill -0 "$program" 2>/dev/null; then
    echo "korvidadm-lab.exe ended before the screenshot: no screenshot taken"
    exit 1
fi
mkdir -p "$(dirname "$SHOT")"
# The root window is black around the program's windows: trim it away.
if xwd -root -silent -display "$DISPLAY" | convert xwd:- -trim +repage "$SHOT"; then
    echo "Screenshot: $SHOT"
else
    echo "could not take the screenshot"
    exit 1
fi
kill "$program" 2>/dev/null
