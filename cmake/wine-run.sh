#!/bin/sh
# Runs a cross-built test program under Wine. test.sh prepares WINEPREFIX, the wineserver and DISPLAY.
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
