#!/usr/bin/env bash
# Makes the README's pictures: starts KavroWallpaper on a Wine virtual desktop
# under its own Xvfb, drives it with kavro_shots and saves PNGs into
# docs/images/. Run by the "screenshots" target, or directly after a build:
#   bash scripts/screenshots.sh [BUILD_DIR]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
[ -n "${1:-}" ] && KAVRO_BUILD="$(cd "$1" && pwd)"

out="$KAVRO_ROOT/docs/images"
work="$KAVRO_BUILD/screenshots"
size=1024x768

# Always a fresh Xvfb of our own: the pictures must not depend on the caller's screen.
unset DISPLAY
export CI=true
kavro_display
trap kavro_cleanup EXIT
kavro_wine_prefix
kavro_wine_virtual_desktop KavroShots "$size"

rm -rf "$work"
mkdir -p "$work/start/Wallpaper" "$work/raw" "$out"
winpath() { kavro_wine winepath -w "$1" 2>/dev/null | tr -d '\r'; }
kavro_wine "$KAVRO_BUILD/tests/kavro_samples.exe" "$(winpath "$work/start/Wallpaper")" >/dev/null
# Due on no start: the wallpaper changes only when the driver clicks.
printf '[Kavro]\r\nStartupsNumber=5\r\nTimeout=0\r\nResizeType=P\r\n' >"$work/start/Kavro.ini"
# The desktop's own background until the program sets one.
kavro_wine reg delete 'HKCU\Control Panel\Desktop' /v Wallpaper /f >/dev/null 2>&1 || true
# Untiled, whatever the tests left in the prefix.
kavro_wine reg add 'HKCU\Control Panel\Desktop' /v TileWallpaper /d 0 /f >/dev/null 2>&1 || true

kavro_log "driving the program on a ${size} Wine desktop"
timeout 180 "$KAVRO_BUILD/wine-run.sh" "$KAVRO_BUILD/tests/kavro_shots.exe" \
    "$(winpath "$KAVRO_BUILD/KavroWallpaper.exe")" "$(winpath "$work/start")" "$(winpath "$work/raw")" 3
for name in main options about desktop; do
    [ -s "$work/raw/$name.bmp" ] || { echo "no $name.bmp was made" >&2; exit 1; }
done

# Small PNGs for the README: the windows as they are, the desktop at half size.
png() {
    local in="$1" to="$2"; shift 2
    convert "$in" "$@" -strip -define png:compression-level=9 -define png:exclude-chunks=date,time "$to"
}
for name in main options about; do
    png "$work/raw/$name.bmp" "$out/$name.png"
done
png "$work/raw/desktop.bmp" "$out/desktop.png" -resize 50%
kavro_log "pictures in $out:"
ls -l "$out"
