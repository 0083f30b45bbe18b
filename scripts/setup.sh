#!/bin/bash
# Shared by run.sh, test.sh and bench/run.sh: installs what is missing, builds, and prepares Wine.
# Source it; it defines install_missing, build_all, build_arch, prepare_wine, start_display, stop_all.
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
    # Wine runs 32-bit programs only with its i386 half, from the i386 architecture. On a kernel
    # that runs no 32-bit programs that half cannot start, and once installed the plain `wine`
    # command picks it even for 64-bit programs: it is left out there.
    kernel_runs_32bit && ! has_wine32 && need+=(wine32:i386)
    [ ${#need[@]} -eq 0 ] && return 0
    echo "Installing: ${need[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    if kernel_runs_32bit && ! has_wine32 && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386 || return 1
    fi
    $sudo apt-get update -qq || return 1
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null || return 1
}

has_wine32() {
    [ "$(dpkg-query -W -f='${db:Status-Status}' wine32:i386 2>/dev/null)" = installed ]
}

# Whether this machine's kernel runs 32-bit x86 programs at all (some are built or booted without
# it): a 93-byte 32-bit program that only exits 0.
kernel_runs_32bit() {
    local probe
    probe=$(mktemp "$ROOT/.probe32.XXXXXX") || return 1
    printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'\
'\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00'\
'\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null
    local status=$?
    rm -f "$probe"
    return $status
}

# Why the i686 tests cannot run here, or nothing when they can.
i686_blocker() {
    if ! kernel_runs_32bit; then
        echo "this machine's kernel runs no 32-bit programs (32-bit emulation is off)"
    elif ! has_wine32; then
        echo "wine32:i386 is not installed"
    fi
}

# What a Wine prefix depends on: one made before wine32 was installed no longer starts after.
wine_stamp() {
    echo "wine $(wine --version 2>/dev/null); wine32 $(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null || echo none)"
}

# Builds one architecture (x86_64 or i686) into a folder, tests included; extra arguments go to
# cmake --build.
build_arch() {
    local arch=$1 dir=$2
    shift 2
    cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$arch.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null || return 1
    cmake --build "$dir" -j "$JOBS" "$@"
}

# The 64-bit build in BUILD_DIR, which run.sh and the benchmark use.
build_all() {
    build_arch x86_64 "$BUILD_DIR" "$@"
}

# One ready prefix is kept in each build folder; every run starts from a fresh copy of it. It is made
# again when Wine changed since (the stamp in .ready).
make_wine_template() {
    local template="$BUILD_DIR/wine-template" stamp
    stamp=$(wine_stamp)
    [ "$(cat "$template/.ready" 2>/dev/null)" = "$stamp" ] && return 0
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
            echo "$stamp" >"$template/.ready"
            return 0
        fi
        echo "the Wine prefix did not come out whole; making it again" >&2
    done
    WINEPREFIX="$template" wineserver -k >/dev/null 2>&1
    return 1
}

# Makes WINEPREFIX a fresh copy of BUILD_DIR's template (the tests' prefix unless another is given) and
# starts its wineserver. The prefix is a 64-bit system for the programs of either architecture.
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
    # Other runs on this machine hold displays of their own: a number already taken would show their
    # socket as ready, so the display is ours only once its lock file names our Xvfb.
    local n
    for _ in $(seq 10); do
        n=${KORVID_DISPLAY:-$((90 + RANDOM % 100))}
        [ -z "${KORVID_DISPLAY:-}" ] && [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 "${KORVID_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        for _ in $(seq 50); do
            kill -0 "$XVFB_PID" 2>/dev/null || break
            if [ -e "/tmp/.X11-unix/X$n" ] && [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$XVFB_PID" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null
        XVFB_PID=""
        [ -n "${KORVID_DISPLAY:-}" ] && break
    done
    echo "could not start Xvfb"
    return 1
}

stop_all() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    return 0
}
