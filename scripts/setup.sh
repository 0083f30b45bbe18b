#!/bin/bash
# Shared by run.sh and test.sh: installs what is missing, builds, and prepares Wine.
# Source it; it defines install_missing, build_all, build_i686, prepare_wine, start_display, stop_all.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
JOBS=${JOBS:-$(nproc)}

install_missing() {
    local need=()
    command -v wine >/dev/null || need+=(wine wine64)
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64)
    command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686)
    command -v x86_64-w64-mingw32-windres >/dev/null || need+=(binutils-mingw-w64-x86-64)
    command -v x86_64-w64-mingw32-widl >/dev/null || need+=(mingw-w64-tools)
    command -v Xvfb >/dev/null || need+=(xvfb xauth)
    command -v cmake >/dev/null || need+=(cmake)
    command -v make >/dev/null || need+=(make)
    [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
    command -v xwd >/dev/null || need+=(x11-apps)
    command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick || need+=(imagemagick)
    [ ${#need[@]} -eq 0 ] && return 0
    echo "Installing: ${need[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq || return 1
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null || return 1
}

build_all() {
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null || return 1
    cmake --build "$BUILD_DIR" -j "$JOBS" "$@"
}

# The 32-bit build only compiles (this Wine runs 64-bit programs alone); it shows pointer-size faults.
build_i686() {
    command -v i686-w64-mingw32-g++-posix >/dev/null || { echo "i686 compiler missing: skipped"; return 0; }
    cmake -S "$ROOT" -B "$BUILD_DIR-i686" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DKORVID_TESTS=OFF >/dev/null || return 1
    cmake --build "$BUILD_DIR-i686" -j "$JOBS" >/dev/null
}

# One ready prefix is kept in the build folder; every run starts from a fresh copy of it.
make_wine_template() {
    local template="$BUILD_DIR/wine-template"
    [ -f "$template/.ready" ] && return 0
    # Wine's first boot of a prefix has been seen to hang now and then: every step is bounded,
    # and a prefix that did not come out whole is made again.
    for _ in 1 2 3; do
        WINEPREFIX="$template" wineserver -k >/dev/null 2>&1
        rm -rf "$template"
        WINEPREFIX="$template" timeout 120 wineboot -i >/dev/null 2>&1 </dev/null
        WINEPREFIX="$template" timeout 60 wineserver -w
        # Without a window manager every hide of a top-level window waits 2 s unless unmanaged.
        WINEPREFIX="$template" timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
            >/dev/null 2>&1 </dev/null
        WINEPREFIX="$template" timeout 60 wineserver -w
        if grep -q '"Managed"="N"' "$template/user.reg" 2>/dev/null; then
            touch "$template/.ready"
            return 0
        fi
        echo "the Wine prefix did not come out whole; making it again" >&2
    done
    WINEPREFIX="$template" wineserver -k >/dev/null 2>&1
    return 1
}

# Makes WINEPREFIX a fresh copy of the template (the tests' prefix unless another is given) and starts
# its wineserver.
prepare_wine() {
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
    make_wine_template || { echo "could not make a Wine prefix" >&2; return 1; }
    export WINEPREFIX="${1:-$BUILD_DIR/wineprefix}"
    WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    cp -a "$BUILD_DIR/wine-template" "$WINEPREFIX"
    # A persistent wineserver makes each test start in a fraction of a second; the first program
    # starts services that would otherwise hold ctest's output pipe open.
    wineserver -p
    timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1
    return 0
}

XVFB_PID=""
start_display() {
    # Tests always get a display of their own; run.sh uses the user's display when there is one.
    if [ "${1:-}" != "private" ] && [ -n "${DISPLAY:-}" ]; then return 0; fi
    # A display number no other server holds; Xvfb itself refuses one that is taken, and then
    # the next is tried, so two runs side by side never share (and kill) one display.
    local n=${KORVID_DISPLAY:-$((90 + RANDOM % 100))}
    for _ in $(seq 20); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
            XVFB_PID=$!
            for _ in $(seq 50); do
                [ -e "/tmp/.X11-unix/X$n" ] && break
                kill -0 "$XVFB_PID" 2>/dev/null || break
                sleep 0.1
            done
            if kill -0 "$XVFB_PID" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            XVFB_PID=""
        fi
        n=$((n + 1))
    done
    echo "could not start Xvfb" >&2
    return 1
}

stop_all() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    return 0
}
