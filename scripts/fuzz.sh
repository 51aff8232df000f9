#!/usr/bin/env bash
# Fuzzes the program's image path natively on Linux: clang with
# AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer, over the same
# FreeImage and libjpeg-turbo Debian source packages as the Windows build, with
# our patch scripts/freeimage-loaders.patch. One target per format
# (scripts/fuzz_target.cpp), sharing the program's header checks
# (engine/image_checks.cpp) and turning and scaling code.
#
#   bash scripts/fuzz.sh [SECONDS]   fuzz each target SECONDS (default 60),
#                                    one after the other, then replay the
#                                    regression inputs
#   bash scripts/fuzz.sh --replay    only replay tests/fuzz-regressions/
#   bash scripts/fuzz.sh --target jpeg|bmp SECONDS
#
# Regression inputs are tests/fuzz-regressions/<target>-<name>.b64 (base64):
# every finding, once mended, becomes one; each must load or be refused
# without a sanitizer report, and one named *-refused.b64 must be refused. Seeds are made fresh by scripts/fuzz_seeds.cpp.
# Everything built or found goes into the ignored .deps-fuzz/: the libraries
# (rebuilt when the patch changes), the growing corpora (corpus/<target>/)
# and findings (findings/<target>/).
#
# Environment: FUZZ_PATCH (a FreeImage patch to use instead of ours, with
# FUZZ_PREFIX, another folder than .deps-fuzz, to keep both builds),
# FUZZ_FLAGS (more libFuzzer flags), JOBS (compile jobs, default 2).

set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PREFIX="${FUZZ_PREFIX:-$ROOT/.deps-fuzz}"
PATCH_FILE="${FUZZ_PATCH:-$ROOT/scripts/freeimage-loaders.patch}"
JOBS="${JOBS:-2}"
REGRESSIONS="$ROOT/tests/fuzz-regressions"
TARGETS=(jpeg bmp)

log() { printf '[fuzz] %s\n' "$*"; }
die() { printf '[fuzz] error: %s\n' "$*" >&2; exit 1; }

mode=fuzz seconds=60 only=""
case "${1:-}" in
	--replay) mode=replay ;;
	--target) only="${2:-}"; seconds="${3:-60}"
		[[ $only == jpeg || $only == bmp ]] || die "--target takes jpeg or bmp" ;;
	"") ;;
	*) seconds="$1" ;;
esac
[[ $seconds =~ ^[0-9]+$ ]] || die "seconds must be a number: $seconds"
((seconds > 0)) || mode=replay
[[ -f $PATCH_FILE ]] || die "missing $PATCH_FILE"

# ---------------------------------------------------------------------------
# Tools: Debian's clang 14 and its sanitizer and libFuzzer runtimes
# ---------------------------------------------------------------------------
CC=clang-14 CXX=clang++-14
RT_DIR=/usr/lib/llvm-14/lib/clang/14.0.6/lib/linux
missing=()
command -v $CXX >/dev/null || missing+=(clang-14)
ls "$RT_DIR"/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
	missing+=(libclang-rt-14-dev)
command -v cmake >/dev/null || missing+=(cmake)
command -v ninja >/dev/null || missing+=(ninja-build)
command -v patch >/dev/null || missing+=(patch)
command -v base64 >/dev/null || missing+=(coreutils)
if ((${#missing[@]})); then
	[[ $(id -u) -eq 0 ]] || die "missing ${missing[*]}: run as root once"
	log "installing: ${missing[*]}"
	export DEBIAN_FRONTEND=noninteractive
	apt-get update -qq
	apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

SAN="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1"

# ---------------------------------------------------------------------------
# Sources: the Windows build's download (build-deps.sh --sources)
# ---------------------------------------------------------------------------
bash "$ROOT/scripts/build-deps.sh" --sources >/dev/null
newest_dsc() { ls "$ROOT/.deps-src/$1"_*.dsc | sort -V | tail -n1; }
FI_DSC=$(newest_dsc freeimage)
JT_DSC=$(newest_dsc libjpeg-turbo)
mkdir -p "$PREFIX"

# libjpeg-turbo: once (no SIMD: assembly is not instrumented).
JT_STAMP="$(basename "$JT_DSC") $SAN"
if [[ ! -f $PREFIX/jpeg/libjpeg.a || "$(cat "$PREFIX/jpeg/STAMP" 2>/dev/null)" != "$JT_STAMP" ]]; then
	log "building libjpeg-turbo $(basename "$JT_DSC" .dsc) with sanitizers"
	rm -rf "$PREFIX/jpeg" "$PREFIX/src/libjpeg-turbo"
	mkdir -p "$PREFIX/src" "$PREFIX/jpeg/include"
	dpkg-source -x "$JT_DSC" "$PREFIX/src/libjpeg-turbo" >"$PREFIX/jpeg-unpack.log" 2>&1 ||
		{ cat "$PREFIX/jpeg-unpack.log"; die "dpkg-source failed"; }
	cmake -S "$PREFIX/src/libjpeg-turbo" -B "$PREFIX/jpeg/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_C_COMPILER=$CC -DCMAKE_C_FLAGS="$SAN -fsanitize=fuzzer-no-link" \
		-DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF \
		>"$PREFIX/jpeg/build.log" 2>&1 &&
		cmake --build "$PREFIX/jpeg/build" --target jpeg-static -j "$JOBS" >>"$PREFIX/jpeg/build.log" 2>&1 ||
		{ tail -n 30 "$PREFIX/jpeg/build.log"; die "libjpeg-turbo build failed"; }
	cp "$PREFIX/jpeg/build/libjpeg.a" "$PREFIX/jpeg/build/jconfig.h" "$PREFIX/jpeg/"
	cp "$PREFIX/src/libjpeg-turbo/"{jpeglib.h,jmorecfg.h,jerror.h} "$PREFIX/jpeg/build/jconfig.h" "$PREFIX/jpeg/include/"
	printf '%s\n' "$JT_STAMP" >"$PREFIX/jpeg/STAMP"
fi

# FreeImage: unpacked and patched again whenever the patch changes.
FI_STAMP="$(basename "$FI_DSC") $(sha256sum "$PATCH_FILE" | cut -d' ' -f1) $SAN"
FI_SRC="$PREFIX/src/freeimage"
if [[ "$(cat "$PREFIX/FREEIMAGE-STAMP" 2>/dev/null)" != "$FI_STAMP" ]]; then
	log "unpacking $(basename "$FI_DSC" .dsc) with $(basename "$PATCH_FILE")"
	rm -rf "$FI_SRC" "$PREFIX/FREEIMAGE-STAMP"
	dpkg-source -x "$FI_DSC" "$FI_SRC" >"$PREFIX/freeimage-unpack.log" 2>&1 ||
		{ cat "$PREFIX/freeimage-unpack.log"; die "dpkg-source failed"; }
	patch -d "$FI_SRC" -p1 --batch --forward <"$PATCH_FILE" >"$PREFIX/patch.log" 2>&1 ||
		{ cat "$PREFIX/patch.log"; die "$(basename "$PATCH_FILE") does not apply"; }
fi

# One ninja file for FreeImage, the targets and the seed maker; ninja rebuilds
# what changed (the patched sources are new files after each unpack).
eval "$(sed -n '/^LEFT_OUT=(/,/)/p' "$ROOT/scripts/build-deps.sh")"
# The targets read BMP and JPEG: no libpng, libwebp or zlib natively.
LEFT_OUT+=(PluginPNG PluginWebP ZLibInterface)
[[ ${#LEFT_OUT[@]} -gt 0 ]] || die "no LEFT_OUT list in build-deps.sh"
NINJA="$PREFIX/build.ninja"
{
	echo "san = $SAN"
	echo "fi_flags = -w -DFREEIMAGE_LIB -DNDEBUG -DKAVRO_WITHOUT_PNG_WEBP -I$FI_SRC/Source -I$FI_SRC/Source/Metadata -I$FI_SRC/Source/FreeImageToolkit -I$PREFIX/jpeg/include"
	echo "our_flags = -std=c++17 -Wall -Wextra -DFREEIMAGE_LIB -I$ROOT -I$FI_SRC/Source"
	echo "rule cc"
	echo "  command = $CC \$san -fsanitize=fuzzer-no-link \$fi_flags -MMD -MF \$out.d -c \$in -o \$out"
	echo "  depfile = \$out.d"
	echo "rule cxx"
	echo "  command = $CXX \$san -fsanitize=fuzzer-no-link \$fi_flags -std=gnu++14 -MMD -MF \$out.d -c \$in -o \$out"
	echo "  depfile = \$out.d"
	echo "rule ours"
	echo "  command = $CXX \$san -fsanitize=fuzzer-no-link \$our_flags \$defs -MMD -MF \$out.d -c \$in -o \$out"
	echo "  depfile = \$out.d"
	echo "rule ar"
	echo "  command = rm -f \$out && ar rcs \$out \$in"
	echo "rule fuzzer"
	echo "  command = $CXX \$san -fsanitize=fuzzer \$in -o \$out"
	echo "rule program"
	echo "  command = $CXX \$san \$in -o \$out"
	objs=()
	for f in "$FI_SRC"/Source/FreeImage/*.c "$FI_SRC"/Source/FreeImage/*.cpp \
		"$FI_SRC"/Source/Metadata/*.cpp "$FI_SRC"/Source/FreeImageToolkit/*.cpp "$ROOT/scripts/freeimage-stubs.cpp"; do
		[[ -f $f ]] || continue
		base=$(basename "${f%.*}")
		skip=0
		for l in "${LEFT_OUT[@]}"; do [[ $base == "$l" ]] && skip=1 && break; done
		((skip)) && continue
		obj="obj/fi/$(basename "$(dirname "$f")")_$base.o"
		objs+=("$obj")
		[[ $f == *.c ]] && echo "build $obj: cc $f" || echo "build $obj: cxx $f"
	done
	echo "build libFreeImage.a: ar ${objs[*]}"
	ours=()
	for f in engine/image_checks.cpp engine/exif_orientation.cpp engine/resampler.cpp; do
		echo "build obj/$(basename "${f%.*}").o: ours $ROOT/$f"
		ours+=("obj/$(basename "${f%.*}").o")
	done
	libs="libFreeImage.a $PREFIX/jpeg/libjpeg.a"
	for t in "${TARGETS[@]}"; do
		echo "build obj/fuzz_$t.o: ours $ROOT/scripts/fuzz_target.cpp"
		echo "  defs = -DKAVRO_FUZZ_${t^^}"
		echo "build fuzz_$t: fuzzer obj/fuzz_$t.o ${ours[*]} $libs"
	done
	echo "build obj/fuzz_seeds.o: ours $ROOT/scripts/fuzz_seeds.cpp"
	echo "build fuzz_seeds: program obj/fuzz_seeds.o $libs"
} >"$NINJA.new"
mv "$NINJA.new" "$NINJA"
log "building the targets"
ninja -C "$PREFIX" -j "$JOBS" >"$PREFIX/build.log" 2>&1 || { tail -n 40 "$PREFIX/build.log"; die "build failed (log: $PREFIX/build.log)"; }
printf '%s\n' "$FI_STAMP" >"$PREFIX/FREEIMAGE-STAMP"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

# ---------------------------------------------------------------------------
# Replay: every regression input once through its target
# ---------------------------------------------------------------------------
replay() {
	local t files=() refused=() f failed=0 total=0
	rm -rf "$PREFIX/regressions"
	for t in "${TARGETS[@]}"; do
		mkdir -p "$PREFIX/regressions/$t"
		files=()
		for f in "$REGRESSIONS/$t"-*.b64; do
			[[ -f $f ]] || continue
			base64 -d "$f" >"$PREFIX/regressions/$t/$(basename "$f" .b64)" || die "bad base64: $f"
			files+=("$PREFIX/regressions/$t/$(basename "$f" .b64)")
		done
		((${#files[@]})) || continue
		total=$((total + ${#files[@]}))
		if "$PREFIX/fuzz_$t" -timeout=30 "${files[@]}" >"$PREFIX/replay-$t.log" 2>&1 &&
			{ refused=("$PREFIX/regressions/$t/"*-refused); [[ ! -f ${refused[0]} ]] ||
				KAVRO_FUZZ_MUST_REFUSE=1 "$PREFIX/fuzz_$t" -timeout=30 "${refused[@]}" >>"$PREFIX/replay-$t.log" 2>&1; }; then
			log "replay $t: ${#files[@]} inputs, no finding"
		else
			failed=1
			grep -E 'ERROR|runtime error|SUMMARY|==finding==|Running:' "$PREFIX/replay-$t.log" | tail -n 20 >&2 || true
			log "replay $t: FINDING (log: $PREFIX/replay-$t.log)"
		fi
	done
	log "replayed $total regression inputs"
	return $failed
}

# ---------------------------------------------------------------------------
# Fuzz: each target for $seconds, one at a time; seeds made fresh
# ---------------------------------------------------------------------------
fuzz() { # $1 = target
	local t=$1 corpus="$PREFIX/corpus/$1" findings="$PREFIX/findings/$1" log_file="$PREFIX/fuzz-$1.log"
	mkdir -p "$corpus" "$findings"
	local before
	before=$(find "$findings" -type f | wc -l)
	log "fuzzing $t for $seconds s"
	local start=$SECONDS
	# shellcheck disable=SC2086
	"$PREFIX/fuzz_$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -max_len=65536 \
		-print_final_stats=1 -artifact_prefix="$findings/" ${FUZZ_FLAGS:-} \
		"$corpus" "$PREFIX/seeds/$t" "$PREFIX/regressions/$t" >"$log_file" 2>&1 || true
	local elapsed=$((SECONDS - start)) last execs cov ft found
	last=$(grep -E '^#[0-9]+' "$log_file" | tail -n1 || true)
	execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log_file" | tail -n1)
	[[ -n $execs ]] || execs=$(sed -E -n 's/^#([0-9]+).*/\1/p' <<<"$last")
	cov=$(sed -E -n 's/.*cov: ([0-9]+).*/\1/p' <<<"$last")
	ft=$(sed -E -n 's/.* ft: ([0-9]+).*/\1/p' <<<"$last")
	found=$(($(find "$findings" -type f | wc -l) - before))
	log "$t: ${execs:-0} executions in $elapsed s, coverage ${cov:-?} edges (${ft:-?} features), corpus $(find "$corpus" -type f | wc -l) files, findings $found"
	if ((found)); then
		grep -E 'ERROR|runtime error|SUMMARY|==finding==' "$log_file" | head -n 10 >&2 || true
		log "findings in $findings (log: $log_file)"
		return 1
	fi
}

rm -rf "$PREFIX/seeds"
mkdir -p "$PREFIX/seeds/jpeg" "$PREFIX/seeds/bmp"
"$PREFIX/fuzz_seeds" "$PREFIX/seeds" | sed 's/^/[fuzz] /'

status=0
replay || status=1
if [[ $mode == fuzz ]]; then
	for t in "${TARGETS[@]}"; do
		[[ -z $only || $only == "$t" ]] || continue
		fuzz "$t" || status=1
	done
fi
exit $status
