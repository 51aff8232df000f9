#!/usr/bin/env bash
# Builds the benchmark and runs it beside a native anchor, vipsthumbnail
# (libvips), on the same generated 24 MP photo; prints every figure, with
# medians, and the ratios to the anchor.
#
#   bash scripts/bench.sh
#
# The benchmark runs on Wine desktops of 1920x1080 and 3840x2160 (its own Wine
# prefix and Xvfb, so a running test or program is not disturbed).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kavro_install_packages
if ! command -v vipsthumbnail >/dev/null; then
    kavro_log "installing libvips-tools"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends libvips-tools >/dev/null
fi

bash "$KAVRO_ROOT/scripts/build-deps.sh"
if [ ! -f "$KAVRO_BUILD/build.ninja" ]; then
    (cd "$KAVRO_ROOT" && cmake --preset mingw-cross -B "$KAVRO_BUILD")
fi
cmake --build "$KAVRO_BUILD" -j 2 --target kavro_benchmark

WORK="$(mktemp -d /tmp/kavro-bench.XXXXXX)"
export KAVRO_WINEPREFIX="$KAVRO_BUILD/bench-wineprefix"
BENCH_XVFB_PID=""
bench_cleanup() {
    WINEPREFIX="$KAVRO_WINEPREFIX" wineserver -k 2>/dev/null || true
    [ -n "$BENCH_XVFB_PID" ] && kill "$BENCH_XVFB_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap bench_cleanup EXIT

# A screen large enough for the biggest Wine desktop.
for n in $(seq 140 180); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 3840x2160x24 -nolisten tcp >/dev/null 2>&1 &
    BENCH_XVFB_PID=$!
    sleep 1
    if kill -0 "$BENCH_XVFB_PID" 2>/dev/null; then export DISPLAY=":$n"; break; fi
    BENCH_XVFB_PID=""
done
[ -n "$BENCH_XVFB_PID" ] || { echo "Could not start Xvfb" >&2; exit 1; }

bench_exe() { "$KAVRO_BUILD/wine-run.sh" "$KAVRO_BUILD/tests/kavro_benchmark.exe" "$@"; }
wine_path() { printf 'Z:%s' "${1//\//\\}"; }
# Every window of a run on one Wine desktop of the given size.
bench_desktop() {
    WINEPREFIX="$KAVRO_WINEPREFIX" wineserver -w 2>/dev/null || true
    "$KAVRO_BUILD/wine-run.sh" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Bench /f >/dev/null 2>&1
    "$KAVRO_BUILD/wine-run.sh" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Bench /d "$1" /f >/dev/null 2>&1
    WINEPREFIX="$KAVRO_WINEPREFIX" wineserver -w 2>/dev/null || true
}
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

kavro_log "preparing the Wine prefix"
"$KAVRO_BUILD/wine-run.sh" wineboot -i >/dev/null 2>&1 || true
bench_desktop 1920x1080

PHOTO="$WORK/photo.jpg"
bench_exe --make-photo "$(wine_path "$PHOTO")"
[ -s "$PHOTO" ] || { echo "the benchmark made no photo" >&2; exit 1; }

# The anchor: a native 1024x768 thumbnail of the same file, start to exit.
times=()
for _ in 1 2 3 4 5 6 7; do
    start=$(date +%s%N)
    vipsthumbnail "$PHOTO" -s 1024x768 -o "$WORK/thumb.jpg"
    times+=($(( ($(date +%s%N) - start) / 1000 )))
done
ANCHOR=$(printf '%s\n' "${times[@]}" | median | awk '{printf "%.1f", $1 / 1000}')
# The same work as each row: vipsthumbnail making the size the program makes
# (P fits the 3:2 photo, S fills the desktop, N keeps 6000x4000), as an
# uncompressed file like the program's bitmap; the median of 7 runs.
anchor_ms() {
    local times=() start
    for _ in 1 2 3 4 5 6 7; do
        start=$(date +%s%N)
        vipsthumbnail "$PHOTO" -s "$1" -o "$WORK/anchor.ppm"
        times+=($(( ($(date +%s%N) - start) / 1000 )))
    done
    printf '%s\n' "${times[@]}" | median | awk '{printf "%.1f", $1 / 1000}'
}
declare -A SIZED
for size in 1620x1080 '1920x1080!' 6000x4000 3240x2160 '3840x2160!' 2160x1440; do
    SIZED[$size]=$(anchor_ms "$size")
done
TWO_SCREENS=$(awk -v a="${SIZED[1620x1080]}" -v b="${SIZED[2160x1440]}" 'BEGIN {printf "%.1f", a + b}')
# libvips' own picture at the size mode P gives on each desktop, for its quality figure.
vipsthumbnail "$PHOTO" -s 1620x1080 -o "$WORK/vips-1920.ppm"
vipsthumbnail "$PHOTO" -s 3240x2160 -o "$WORK/vips-3840.ppm"

echo
echo "== KavroWallpaper benchmark ($(git -C "$KAVRO_ROOT" rev-parse --short HEAD 2>/dev/null || echo '?'))"
printf '%-58s %s bytes, %s\n' "test photo" "$(stat -c %s "$PHOTO")" "$(vipsheader "$PHOTO" 2>/dev/null | sed 's/.*: //')"
printf '%-58s median %9.1f ms (%d runs, native, process start to exit)\n' \
    "vipsthumbnail 24 MP JPEG to 1024x768" "$ANCHOR" "${#times[@]}"
for size in "${!SIZED[@]}"; do
    printf '%-58s median %9.1f ms (native, same size as the row)\n' "vipsthumbnail 24 MP JPEG to $size" "${SIZED[$size]}"
done
echo "-- Two screens, 1920x1080 and 2560x1440 (ratio to vipsthumbnail making both sizes)"
bench_exe --photo "$(wine_path "$PHOTO")" --two-screens --anchor-ms "$TWO_SCREENS"
echo "-- Wine desktop 1920x1080"
bench_exe --photo "$(wine_path "$PHOTO")" --anchor-ms "$ANCHOR" --vips "$(wine_path "$WORK/vips-1920.ppm")" \
    --anchor-P "${SIZED[1620x1080]}" --anchor-S "${SIZED['1920x1080!']}" --anchor-N "${SIZED[6000x4000]}"
echo "-- Wine desktop 3840x2160"
bench_desktop 3840x2160
bench_exe --photo "$(wine_path "$PHOTO")" --anchor-ms "$ANCHOR" --vips "$(wine_path "$WORK/vips-3840.ppm")" \
    --anchor-P "${SIZED[3240x2160]}" --anchor-S "${SIZED['3840x2160!']}" --anchor-N "${SIZED[6000x4000]}" \
    --wallpaper-only
