#!/usr/bin/env bash
# Builds the benchmark and runs it beside a native anchor, vipsthumbnail
# (libvips), on the same generated 24 MP photo as a JPEG, a PNG and a lossy
# WebP; prints every figure, with medians, and the ratios to the anchor of the
# same file.
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

# The same picture three times: a camera-like JPEG, a PNG, a lossy WebP.
KINDS=(jpg png webp)
for kind in "${KINDS[@]}"; do
    bench_exe --make-photo "$(wine_path "$WORK/photo.$kind")"
    [ -s "$WORK/photo.$kind" ] || { echo "the benchmark made no photo.$kind" >&2; exit 1; }
done

# The anchor: a native 1024x768 thumbnail of the same file, start to exit.
declare -A ANCHOR RUNS
for kind in "${KINDS[@]}"; do
    times=()
    for _ in 1 2 3 4 5 6 7; do
        start=$(date +%s%N)
        vipsthumbnail "$WORK/photo.$kind" -s 1024x768 -o "$WORK/thumb.jpg"
        times+=($(( ($(date +%s%N) - start) / 1000 )))
    done
    ANCHOR[$kind]=$(printf '%s\n' "${times[@]}" | median | awk '{printf "%.1f", $1 / 1000}')
    RUNS[$kind]=${#times[@]}
    # libvips' own picture at the size mode P gives on each desktop, for its quality figure.
    vipsthumbnail "$WORK/photo.$kind" -s 1620x1080 -o "$WORK/vips-$kind-1920.ppm"
    vipsthumbnail "$WORK/photo.$kind" -s 3240x2160 -o "$WORK/vips-$kind-3840.ppm"
done
# The same work as each row: vipsthumbnail making the size the program makes
# (P fits the 3:2 photo, S fills the desktop, N keeps 6000x4000), as an
# uncompressed file like the program's bitmap; the median of 7 runs.
anchor_ms() {
    local times=() start
    for _ in 1 2 3 4 5 6 7; do
        start=$(date +%s%N)
        vipsthumbnail "$1" -s "$2" -o "$WORK/anchor.ppm"
        times+=($(( ($(date +%s%N) - start) / 1000 )))
    done
    printf '%s\n' "${times[@]}" | median | awk '{printf "%.1f", $1 / 1000}'
}
SIZES=(1620x1080 '1920x1080!' 6000x4000 3240x2160 '3840x2160!')
declare -A SIZED
for kind in "${KINDS[@]}"; do
    for size in "${SIZES[@]}"; do
        SIZED[$kind,$size]=$(anchor_ms "$WORK/photo.$kind" "$size")
    done
done
# Two screens, 1920x1080 and 2560x1440: the photo fitted to each.
TWO_SCREENS=$(awk -v a="${SIZED[jpg,1620x1080]}" -v b="$(anchor_ms "$WORK/photo.jpg" 2160x1440)" \
    'BEGIN {printf "%.1f", a + b}')

echo
echo "== KavroWallpaper benchmark ($(git -C "$KAVRO_ROOT" rev-parse --short HEAD 2>/dev/null || echo '?'))"
for kind in "${KINDS[@]}"; do
    photo="$WORK/photo.$kind"
    printf '%-58s %s bytes, %s\n' "test photo.$kind" "$(stat -c %s "$photo")" \
        "$(vipsheader "$photo" 2>/dev/null | sed 's/.*: //')"
    printf '%-58s median %9.1f ms (%d runs, native, process start to exit)\n' \
        "vipsthumbnail 24 MP .$kind to 1024x768" "${ANCHOR[$kind]}" "${RUNS[$kind]}"
    for size in "${SIZES[@]}"; do
        printf '%-58s median %9.1f ms (the same size as the row)\n' "vipsthumbnail 24 MP .$kind to $size" \
            "${SIZED[$kind,$size]}"
    done
done
echo "-- Two screens, 1920x1080 and 2560x1440 (ratio to vipsthumbnail making both sizes: $TWO_SCREENS ms)"
bench_exe --photo "$(wine_path "$WORK/photo.jpg")" --two-screens --anchor-ms "$TWO_SCREENS"
echo "-- Wine desktop 1920x1080"
for kind in "${KINDS[@]}"; do
    echo "-- photo.$kind (set wallpaper: ratios to vipsthumbnail making the same size of photo.$kind)"
    # The list's figures do not depend on the photo: once, with the JPEG.
    extra=()
    [ "$kind" = jpg ] || extra=(--no-list)
    bench_exe --photo "$(wine_path "$WORK/photo.$kind")" --anchor-ms "${ANCHOR[$kind]}" \
        --vips "$(wine_path "$WORK/vips-$kind-1920.ppm")" --anchor-P "${SIZED[$kind,1620x1080]}" \
        --anchor-S "${SIZED[$kind,1920x1080!]}" --anchor-N "${SIZED[$kind,6000x4000]}" "${extra[@]}"
done
echo "-- Wine desktop 3840x2160"
bench_desktop 3840x2160
for kind in "${KINDS[@]}"; do
    echo "-- photo.$kind (set wallpaper: ratios to vipsthumbnail making the same size of photo.$kind)"
    bench_exe --photo "$(wine_path "$WORK/photo.$kind")" --anchor-ms "${ANCHOR[$kind]}" \
        --vips "$(wine_path "$WORK/vips-$kind-3840.ppm")" --anchor-P "${SIZED[$kind,3240x2160]}" \
        --anchor-S "${SIZED[$kind,3840x2160!]}" --anchor-N "${SIZED[$kind,6000x4000]}" --wallpaper-only
done
