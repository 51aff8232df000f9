# Shared by run.sh and test.sh: installs what is missing, builds the
# dependencies once, builds the program, and provides an X display.
set -euo pipefail

KAVRO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KAVRO_BUILD="${KAVRO_BUILD:-$KAVRO_ROOT/build}"
KAVRO_XVFB_PID=""

kavro_log() { printf '== %s\n' "$*"; }

kavro_install_packages() {
    local missing=()
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix)
    command -v x86_64-w64-mingw32-windres >/dev/null || missing+=(binutils-mingw-w64-x86-64)
    command -v cmake >/dev/null || missing+=(cmake)
    command -v ninja >/dev/null || missing+=(ninja-build)
    command -v wine >/dev/null || missing+=(wine)
    command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
    command -v Xvfb >/dev/null || missing+=(xvfb)
    command -v xauth >/dev/null || missing+=(xauth)
    command -v import >/dev/null || missing+=(imagemagick)
    command -v dpkg-source >/dev/null || missing+=(dpkg-dev)
    command -v nasm >/dev/null || missing+=(nasm)
    # Wine's own Tahoma and Marlett (caption buttons), and an Arial look-alike.
    [ -f /usr/share/wine/fonts/tahoma.ttf ] || missing+=(fonts-wine)
    [ -d /usr/share/fonts/truetype/liberation ] || missing+=(fonts-liberation)
    [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
    if [ ${#missing[@]} -gt 0 ]; then
        kavro_log "installing: ${missing[*]}"
        if [ "$(id -u)" -ne 0 ]; then
            echo "Missing packages (${missing[*]}): run this command as root." >&2
            exit 1
        fi
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

kavro_build() {
    bash "$KAVRO_ROOT/scripts/build-deps.sh"
    if [ ! -f "$KAVRO_BUILD/build.ninja" ]; then
        (cd "$KAVRO_ROOT" && cmake --preset mingw-cross -B "$KAVRO_BUILD")
    fi
    cmake --build "$KAVRO_BUILD" -j 2
}

# Uses the current display, or starts Xvfb when there is none.
kavro_display() {
    if [ -n "${DISPLAY:-}" ] && [ "${CI:-}" != "true" ] && xdpyinfo_ok; then
        return
    fi
    local n
    for n in $(seq 90 130); do
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        KAVRO_XVFB_PID=$!
        sleep 1
        if kill -0 "$KAVRO_XVFB_PID" 2>/dev/null; then
            export DISPLAY=":$n"
            kavro_log "started Xvfb on $DISPLAY"
            return
        fi
    done
    echo "Could not start Xvfb" >&2
    exit 1
}

xdpyinfo_ok() {
    command -v xdpyinfo >/dev/null || return 0
    xdpyinfo >/dev/null 2>&1
}

# Runs a Windows program of the build under Wine.
kavro_wine() { "$KAVRO_BUILD/wine-run.sh" "$@"; }

kavro_wine_prefix() {
    kavro_log "preparing the Wine prefix"
    kavro_wine wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX="$KAVRO_BUILD/wineprefix" wineserver -w 2>/dev/null || true
    # Debian's Wine does not load its own fonts (Tahoma, and Marlett for the
    # caption buttons) from its data folder: put them where Windows keeps them.
    local fonts="$KAVRO_BUILD/wineprefix/drive_c/windows/Fonts"
    if [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ]; then
        cp -n /usr/share/wine/fonts/* "$fonts/" 2>/dev/null || true
    fi
}

# Every window on one Wine virtual desktop, NAME of SIZE (default: the tests'
# Default, 1280x1024): no X window manager is involved (without one Wine waits
# seconds for each window to unmap), the desktop has its own taskbar with a
# notification area, and helper processes join it instead of opening a second
# desktop window over it.
kavro_wine_virtual_desktop() {
    local name="${1:-Default}" size="${2:-1280x1024}"
    kavro_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d "$name" /f >/dev/null 2>&1 || true
    kavro_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v "$name" /d "$size" /f >/dev/null 2>&1 || true
    # Let a desktop made with the earlier setting go away with the server.
    WINEPREFIX="$KAVRO_BUILD/wineprefix" wineserver -w 2>/dev/null || true
}

kavro_cleanup() {
    WINEPREFIX="$KAVRO_BUILD/wineprefix" wineserver -k 2>/dev/null || true
    if [ -n "$KAVRO_XVFB_PID" ]; then
        kill "$KAVRO_XVFB_PID" 2>/dev/null || true
    fi
}
