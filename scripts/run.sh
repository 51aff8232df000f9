#!/usr/bin/env bash
# Installs what is missing, builds, and runs KavroWallpaper on a Wine virtual
# desktop. Usage: run.sh [--demo | START_DIR]
#   START_DIR  the program's start directory (its Kavro.ini and Wallpaper
#              folder live there); the current directory by default
#   --demo     a demo start directory with a few generated sample images
# With a display the program stays until you exit it. Without one it runs on
# Xvfb, a screenshot of the desktop is saved after a few seconds, and the
# program is ended.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

start_dir="$(pwd)"
if [ "${1:-}" = "--demo" ]; then
    start_dir="$KAVRO_ROOT/demo"
elif [ -n "${1:-}" ]; then
    start_dir="$(cd "$1" && pwd)"
fi
headless=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo_ok; then headless=0; fi

kavro_install_packages
# The display first: the build already runs the test program to list its tests.
kavro_display
trap kavro_cleanup EXIT
kavro_build
kavro_wine_prefix
kavro_wine_virtual_desktop Kavro 1280x800

if [ "${1:-}" = "--demo" ] && [ ! -d "$start_dir/Wallpaper" ]; then
    mkdir -p "$start_dir/Wallpaper"
    kavro_log "making sample images in $start_dir/Wallpaper"
    kavro_wine "$KAVRO_BUILD/tests/kavro_samples.exe" "$(kavro_wine winepath -w "$start_dir/Wallpaper" 2>/dev/null | tr -d '\r')"
fi

cd "$start_dir"
kavro_log "start directory: $start_dir"
if [ "$headless" = 0 ]; then
    kavro_wine "$KAVRO_BUILD/KavroWallpaper.exe"
else
    kavro_wine "$KAVRO_BUILD/KavroWallpaper.exe" &
    sleep "${KAVRO_SHOT_DELAY:-8}"
    shot="$KAVRO_BUILD/screenshot.png"
    import -window root -crop 1280x800+0+0 +repage "$shot"  # the Wine desktop only
    kavro_log "screenshot of the Wine desktop: $shot"
    if grep -q '^Wallpaper=' Kavro.ini 2>/dev/null; then
        kavro_log "current wallpaper: $(grep '^Wallpaper=' Kavro.ini | cut -d= -f2-)"
    fi
fi
