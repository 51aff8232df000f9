#!/usr/bin/env bash
# Builds static libjpeg-turbo, zlib, libpng, libwebp and FreeImage for the
# Windows target (x86_64-w64-mingw32) from Debian bookworm's source packages,
# into the git-ignored prefix .deps/ of the checkout this script lives in:
#
#   .deps/lib/libjpeg.a        libjpeg-turbo (jpeg-static), SIMD when possible
#   .deps/lib/libz.a           zlib (zlibstatic)
#   .deps/lib/libpng16.a       libpng, with its SSE2 row filters
#   .deps/lib/libwebp.a        libwebp's decoder and encoder, SIMD
#   .deps/lib/libwebpmux.a     libwebp's RIFF container reader and writer
#   .deps/lib/libFreeImage.a   FreeImage without TIFF/EXR/J2K/JP2/JNG/MNG/RAW/
#                              JXR (those formats keep their FIF_* ids but
#                              cannot be read or written)
#   .deps/include/             FreeImage.h, jpeglib.h, jconfig.h, jmorecfg.h,
#                              jerror.h, zlib.h, zconf.h, png.h, pngconf.h,
#                              pnglibconf.h, webp/*.h
#   .deps/BUILD-INFO           what was built (versions, SIMD, defines)
#   .deps/share/licenses/      the licence texts of all five, for the
#                              package's third-party notices
#
# Consumers compile with -DFREEIMAGE_LIB -I.deps/include, include <windows.h>
# before <FreeImage.h>, and link -L.deps/lib -lFreeImage -ljpeg -lpng16
# -lwebpmux -lwebp -lz (in that order).
#
# FreeImage gets our patches scripts/freeimage-loaders.patch and
# scripts/freeimage-formats.patch (see their headers) on top of Debian's.
#
# Runs once per machine: it exits at once when every library exists and was
# built with the current patches (.deps/PATCH-STAMP holds their checksums), so
# a changed patch rebuilds an existing .deps/. Delete .deps/ (and .deps-src/
# for fresh sources) to rebuild. Missing build tools are
# installed with apt-get, which needs root (or password-less sudo).
#
# Environment: JOBS (parallel compile jobs, default: number of CPUs),
#              DEPS_SIMD=OFF (build libjpeg-turbo without SIMD, for comparison).

set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PREFIX="$ROOT/.deps"
WORK="$ROOT/.deps-src"
STUBS="$ROOT/scripts/freeimage-stubs.cpp"
FI_PATCH="$ROOT/scripts/freeimage-loaders.patch"
FI_FORMATS_PATCH="$ROOT/scripts/freeimage-formats.patch"
STAMP="$PREFIX/PATCH-STAMP"

FREEIMAGE_VERSION="3.18.0+ds2-9+deb12u1"
LIBJPEG_VERSION="1:2.1.5-2"
# Decoders of files from anywhere: bookworm's versions with its point
# releases' security fixes.
ZLIB_VERSION="1:1.2.13.dfsg-1"
LIBPNG_VERSION="1.6.39-2+deb12u5"
LIBWEBP_VERSION="1.2.4-0.2+deb12u1"

HOST=x86_64-w64-mingw32
CC="$HOST-gcc-posix"
CXX="$HOST-g++-posix"
AR="$HOST-ar"
RANLIB="$HOST-ranlib"
WINDRES="$HOST-windres"
JOBS="${JOBS:-$(nproc 2>/dev/null || echo 2)}"

log() { printf '[build-deps] %s\n' "$*" 2>/dev/null || true; }
die() { printf '[build-deps] error: %s\n' "$*" >&2 || true; exit 1; }

# --sources: only make sure both source packages are in .deps-src/ (the
# fuzzing build, scripts/fuzz.sh, unpacks and builds them its own way).
SOURCES_ONLY=0
[[ ${1:-} == --sources ]] && SOURCES_ONLY=1

[[ -f $FI_PATCH ]] || die "missing $FI_PATCH"
[[ -f $FI_FORMATS_PATCH ]] || die "missing $FI_FORMATS_PATCH"
PATCH_SUM="$(cd "$ROOT/scripts" && sha256sum freeimage-loaders.patch freeimage-formats.patch)"
if ((!SOURCES_ONLY)) && [[ -f "$PREFIX/lib/libFreeImage.a" && -f "$PREFIX/lib/libjpeg.a" && -f "$PREFIX/share/licenses/libjpeg-turbo/README.ijg" &&
	-f "$PREFIX/lib/libpng16.a" && -f "$PREFIX/lib/libwebp.a" && -f "$PREFIX/lib/libwebpmux.a" && -f "$PREFIX/lib/libz.a" &&
	"$(cat "$STAMP" 2>/dev/null)" == "$PATCH_SUM" ]]; then
	log "skipped: $PREFIX/lib/libFreeImage.a and its codec libraries already exist (delete .deps/ to rebuild)"
	exit 0
fi

START=$SECONDS

# ---------------------------------------------------------------------------
# Root helper: apt-get and the temporary source entry need root.
# ---------------------------------------------------------------------------
if [[ $(id -u) -eq 0 ]]; then
	AS_ROOT=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
	AS_ROOT=(sudo -n)
else
	AS_ROOT=(__no_root__)
fi
as_root() {
	[[ ${AS_ROOT[0]:-} == __no_root__ ]] && die "need root (or password-less sudo) for: $*"
	"${AS_ROOT[@]}" "$@"
}
apt_get() {
	as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 "$@"
}

# ---------------------------------------------------------------------------
# Build tools
# ---------------------------------------------------------------------------
missing=()
need() { command -v "$1" >/dev/null 2>&1 || missing+=("$2"); }
need dpkg-source dpkg-dev
if ((!SOURCES_ONLY)); then
need "$CC" gcc-mingw-w64-x86-64-posix
need "$CXX" g++-mingw-w64-x86-64-posix
need "$AR" binutils-mingw-w64-x86-64
need nasm nasm
need patch patch
need cmake cmake
need ninja ninja-build
fi
need xz xz-utils
if ((${#missing[@]})); then
	log "installing: ${missing[*]}"
	apt_get update -qq
	apt_get install -y -qq --no-install-recommends "${missing[@]}"
fi

# ---------------------------------------------------------------------------
# Sources: Debian's source packages, fetched through a temporary deb-src entry
# ---------------------------------------------------------------------------
mkdir -p "$WORK"

# Prints the newest .dsc of a source package in $WORK (empty if none).
find_dsc() {
	local best="" f v bv=""
	for f in "$WORK/$1"_*.dsc; do
		[[ -f $f ]] || continue
		v=$(sed -n 's/^Version: //p' "$f")
		if [[ -z $best ]] || dpkg --compare-versions "$v" gt "$bv"; then
			best=$f; bv=$v
		fi
	done
	printf '%s' "$best"
}

SRC_ENTRY=/etc/apt/sources.list.d/kavro-build-deps-src.sources
entry_added=0
remove_src_entry() {
	if ((entry_added)); then
		entry_added=0
		as_root rm -f "$SRC_ENTRY" || true
		chmod 0755 "$WORK" 2>/dev/null || true
		log "removed the temporary deb-src entry"
		apt_get update -qq || log "warning: apt-get update after removing the deb-src entry failed"
	fi
}
trap remove_src_entry EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
# A closed output pipe (e.g. "| head") must not kill the script before the
# EXIT trap has removed the source entry: writes then just fail.
trap '' PIPE

# The archive URI and keyring the machine already uses for bookworm.
archive_uri() {
	local f=/etc/apt/sources.list.d/debian.sources
	if [[ -f $f ]]; then
		# First deb822 stanza whose Suites contain plain "bookworm".
		awk -v suite=bookworm '
			/^[ \t]*$/ { if (ok && uri) { print uri "\t" key; exit } ok=0; uri=""; key=""; next }
			tolower($1) == "uris:"      { uri=$2 }
			tolower($1) == "signed-by:" { key=$2 }
			tolower($1) == "suites:"    { for (i = 2; i <= NF; i++) if ($i == suite) ok=1 }
			END { if (ok && uri) print uri "\t" key }
		' "$f" | head -n1
	fi
}

fetch_sources() {
	local uri key line
	line=$(archive_uri)
	uri=${line%%$'\t'*}
	key=${line#*$'\t'}
	[[ $line == *$'\t'* ]] || key=""
	if [[ -z $uri ]] && [[ -f /etc/apt/sources.list ]]; then
		uri=$(awk '$1 == "deb" && $0 ~ / bookworm / { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; exit } }' /etc/apt/sources.list)
	fi
	[[ -n $uri ]] || uri=http://deb.debian.org/debian
	if [[ -z $key && -f /usr/share/keyrings/debian-archive-keyring.gpg ]]; then
		key=/usr/share/keyrings/debian-archive-keyring.gpg
	fi

	log "adding temporary deb-src entry ($uri bookworm main)"
	entry_added=1
	{
		echo "Types: deb-src"
		echo "URIs: $uri"
		echo "Suites: bookworm"
		echo "Components: main"
		[[ -n $key ]] && echo "Signed-By: $key"
	} | as_root tee "$SRC_ENTRY" >/dev/null
	apt_get update -qq

	local pkg ver
	for pkg in "${SOURCE_PACKAGES[@]}"; do
		case $pkg in
			freeimage) ver=$FREEIMAGE_VERSION ;;
			libjpeg-turbo) ver=$LIBJPEG_VERSION ;;
			zlib) ver=$ZLIB_VERSION ;;
			libpng1.6) ver=$LIBPNG_VERSION ;;
			libwebp) ver=$LIBWEBP_VERSION ;;
		esac
		[[ -n $(find_dsc "$pkg") ]] && continue
		log "downloading source $pkg=$ver"
		# apt's _apt user needs write access to the download folder.
		chmod 0777 "$WORK" 2>/dev/null || true
		if ! (cd "$WORK" && apt_get source -qq --download-only "$pkg=$ver"); then
			log "version $ver of $pkg not available, taking the current one"
			(cd "$WORK" && apt_get source -qq --download-only "$pkg")
		fi
		chmod 0755 "$WORK" 2>/dev/null || true
	done
	remove_src_entry
}

SOURCE_PACKAGES=(freeimage libjpeg-turbo zlib libpng1.6 libwebp)
for pkg in "${SOURCE_PACKAGES[@]}"; do
	if [[ -z $(find_dsc "$pkg") ]]; then
		fetch_sources
		break
	fi
done
FI_DSC=$(find_dsc freeimage)
JT_DSC=$(find_dsc libjpeg-turbo)
ZL_DSC=$(find_dsc zlib)
PNG_DSC=$(find_dsc libpng1.6)
WEBP_DSC=$(find_dsc libwebp)
[[ -n $FI_DSC && -n $JT_DSC && -n $ZL_DSC && -n $PNG_DSC && -n $WEBP_DSC ]] || die "source packages missing in $WORK"
if ((SOURCES_ONLY)); then
	log "sources: $FI_DSC, $JT_DSC"
	exit 0
fi
FI_VER=$(sed -n 's/^Version: //p' "$FI_DSC")
JT_VER=$(sed -n 's/^Version: //p' "$JT_DSC")
ZL_VER=$(sed -n 's/^Version: //p' "$ZL_DSC")
PNG_VER=$(sed -n 's/^Version: //p' "$PNG_DSC")
WEBP_VER=$(sed -n 's/^Version: //p' "$WEBP_DSC")

FI_SRC="$WORK/freeimage"
JT_SRC="$WORK/libjpeg-turbo"
ZL_SRC="$WORK/zlib"
PNG_SRC="$WORK/libpng"
WEBP_SRC="$WORK/libwebp"
BUILD="$WORK/build"
rm -rf "$FI_SRC" "$JT_SRC" "$ZL_SRC" "$PNG_SRC" "$WEBP_SRC" "$BUILD" "$PREFIX"
log "unpacking freeimage $FI_VER, libjpeg-turbo $JT_VER, zlib $ZL_VER, libpng $PNG_VER and libwebp $WEBP_VER (with Debian's patches)"
mkdir -p "$BUILD" "$PREFIX/lib" "$PREFIX/include"
# dpkg-source checks the files against the .dsc checksums (apt already checked
# them against the signed archive index); its complaint that the uploader's
# key is unknown is noise, so the output goes to a log.
for pair in "$FI_DSC:$FI_SRC" "$JT_DSC:$JT_SRC" "$ZL_DSC:$ZL_SRC" "$PNG_DSC:$PNG_SRC" "$WEBP_DSC:$WEBP_SRC"; do
	dpkg-source -x "${pair%%:*}" "${pair#*:}" >"$BUILD/unpack.log" 2>&1 ||
		{ cat "$BUILD/unpack.log"; die "dpkg-source -x ${pair%%:*} failed"; }
done
for fi_patch in "$FI_PATCH" "$FI_FORMATS_PATCH"; do
	log "applying $(basename "$fi_patch")"
	patch -d "$FI_SRC" -p1 --batch --forward <"$fi_patch" >"$BUILD/patch.log" 2>&1 ||
		{ cat "$BUILD/patch.log"; die "$(basename "$fi_patch") does not apply to freeimage $FI_VER"; }
done

# ---------------------------------------------------------------------------
# Every codec library is a static CMake build for the target, logged to
# <dir>.log; $1 = build dir, $2 = source dir, $3 = targets (space separated),
# rest = the library's own options.
# ---------------------------------------------------------------------------
cmake_build() {
	local dir=$1 src=$2 targets=$3
	shift 3
	rm -rf "$dir"
	{
		cmake -S "$src" -B "$dir" -G Ninja \
			-DCMAKE_SYSTEM_NAME=Windows \
			-DCMAKE_C_COMPILER="$CC" \
			-DCMAKE_CXX_COMPILER="$CXX" \
			-DCMAKE_RC_COMPILER="$WINDRES" \
			-DCMAKE_AR="$(command -v "$AR")" \
			-DCMAKE_RANLIB="$(command -v "$RANLIB")" \
			-DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
			-DCMAKE_BUILD_TYPE=Release \
			-DCMAKE_INSTALL_PREFIX="$dir/unused-install" \
			"$@" &&
		cmake --build "$dir" --target $targets -j "$JOBS"
	} >"$dir.log" 2>&1
}

# ---------------------------------------------------------------------------
# libjpeg-turbo
# ---------------------------------------------------------------------------
build_jpeg() { # $1 = ON|OFF (SIMD)
	cmake_build "$BUILD/libjpeg-turbo-simd-$1" "$JT_SRC" jpeg-static \
		-DCMAKE_SYSTEM_PROCESSOR=AMD64 \
		-DCMAKE_ASM_NASM_COMPILER=nasm \
		-DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
		-DWITH_TURBOJPEG=OFF \
		-DWITH_SIMD="$1" -DREQUIRE_SIMD="$1"
}

jpeg_failed() { # $1 = ON|OFF
	tail -n 30 "$BUILD/libjpeg-turbo-simd-$1.log" | sed 's/^/    /'
}
SIMD=yes
if [[ ${DEPS_SIMD:-ON} == OFF ]]; then
	log "building libjpeg-turbo (SIMD off: DEPS_SIMD=OFF)"
	SIMD=no
	build_jpeg OFF || { jpeg_failed OFF; die "libjpeg-turbo build failed"; }
else
	log "building libjpeg-turbo (SIMD on)"
	if ! build_jpeg ON; then
		jpeg_failed ON
		log "SIMD build failed (log: $BUILD/libjpeg-turbo-simd-ON.log); building without SIMD"
		SIMD=no
		build_jpeg OFF || { jpeg_failed OFF; die "libjpeg-turbo build failed"; }
	fi
fi
JT_BUILD="$BUILD/libjpeg-turbo-simd-$([[ $SIMD == yes ]] && echo ON || echo OFF)"
log "libjpeg-turbo built $([[ $SIMD == yes ]] && echo 'WITH SIMD (nasm)' || echo 'WITHOUT SIMD')"

cp "$JT_SRC/jpeglib.h" "$JT_SRC/jmorecfg.h" "$JT_SRC/jerror.h" "$JT_BUILD/jconfig.h" "$PREFIX/include/"

# ---------------------------------------------------------------------------
# zlib, libpng and libwebp: the PNG and WebP decoders, static, their own CMake
# builds for the target. Each installs its headers into $PREFIX/include, which
# the next one (libpng needs zlib) and FreeImage compile against.
# ---------------------------------------------------------------------------
build_cmake_lib() { # $1 = name, $2 = source dir, $3 = targets, rest = cmake options
	local name=$1
	log "building $name"
	cmake_build "$BUILD/$name" "${@:2}" ||
		{ tail -n 30 "$BUILD/$name.log" | sed 's/^/    /'; die "$name build failed (log: $BUILD/$name.log)"; }
}

build_cmake_lib zlib "$ZL_SRC" zlibstatic -DCMAKE_SYSTEM_PROCESSOR=x86_64
cp "$ZL_SRC/zlib.h" "$BUILD/zlib/zconf.h" "$PREFIX/include/"
cp "$BUILD/zlib/libzlibstatic.a" "$PREFIX/lib/libz.a"

# TARGET_ARCH x86_64 turns on libpng's SSE2 row filters.
build_cmake_lib libpng "$PNG_SRC" png_static -DCMAKE_SYSTEM_PROCESSOR=x86_64 \
	-DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
	-DPNG_HARDWARE_OPTIMIZATIONS=ON -DPNG_INTEL_SSE=on \
	-DZLIB_INCLUDE_DIR="$PREFIX/include" -DZLIB_LIBRARY="$PREFIX/lib/libz.a"
cp "$PNG_SRC/png.h" "$PNG_SRC/pngconf.h" "$BUILD/libpng/pnglibconf.h" "$PREFIX/include/"
cp "$BUILD/libpng/libpng16.a" "$PREFIX/lib/libpng16.a"

build_cmake_lib libwebp "$WEBP_SRC" "webp libwebpmux" -DCMAKE_SYSTEM_PROCESSOR=AMD64 \
	-DBUILD_SHARED_LIBS=OFF -DWEBP_ENABLE_SIMD=ON -DWEBP_USE_THREAD=ON \
	-DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF \
	-DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF \
	-DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF \
	-DWEBP_BUILD_LIBWEBPMUX=ON
mkdir -p "$PREFIX/include/webp"
cp "$WEBP_SRC"/src/webp/{decode,encode,mux,mux_types,types}.h "$PREFIX/include/webp/"
cp "$BUILD/libwebp/libwebp.a" "$BUILD/libwebp/libwebpmux.a" "$PREFIX/lib/"

# ---------------------------------------------------------------------------
# FreeImage
# ---------------------------------------------------------------------------
LEFT_OUT=(J2KHelper MNGHelper PluginEXR PluginJ2K PluginJNG PluginJP2 PluginJXR
	PluginMNG PluginRAW PluginTIFF XTIFF)

sources=()
for f in "$FI_SRC"/Source/FreeImage/*.c "$FI_SRC"/Source/FreeImage/*.cpp \
	"$FI_SRC"/Source/Metadata/*.cpp "$FI_SRC"/Source/FreeImageToolkit/*.cpp; do
	[[ -f $f ]] || continue
	base=$(basename "${f%.*}")
	skip=0
	for l in "${LEFT_OUT[@]}"; do [[ $base == "$l" ]] && skip=1 && break; done
	((skip)) || sources+=("$f")
done
sources+=("$STUBS")
[[ -f $STUBS ]] || die "missing $STUBS"

# build.ninja uses paths relative to its folder (.deps-src/build/freeimage),
# so a checkout path with spaces cannot break it.
FI_BUILD="$BUILD/freeimage"
FI_REL=../../freeimage
FI_FLAGS="-O2 -fexceptions -w -DFREEIMAGE_LIB -DNDEBUG -I$FI_REL/Source -I$FI_REL/Source/Metadata -I$FI_REL/Source/FreeImageToolkit -I../../../.deps/include"
mkdir -p "$FI_BUILD/obj"
{
	echo "cflags = $FI_FLAGS"
	echo "cxxflags = $FI_FLAGS -std=gnu++14"
	echo "rule cc"
	echo "  command = $CC \$cflags -c \$in -o \$out"
	echo "  description = CC \$in"
	echo "rule cxx"
	echo "  command = $CXX \$cxxflags -c \$in -o \$out"
	echo "  description = CXX \$in"
	echo "rule ar"
	echo "  command = rm -f \$out && $AR rcs \$out \$in"
	echo "  description = AR \$out"
	objs=()
	for f in "${sources[@]}"; do
		if [[ $f == "$STUBS" ]]; then
			src=../../../scripts/freeimage-stubs.cpp
			obj=obj/kavro-stubs.o
		else
			rel=${f#"$FI_SRC"/Source/}
			src=$FI_REL/Source/$rel
			obj="obj/${rel//\//_}.o"
		fi
		objs+=("$obj")
		case $f in
			*.c) echo "build $obj: cc $src" ;;
			*) echo "build $obj: cxx $src" ;;
		esac
	done
	echo "build libFreeImage.a: ar ${objs[*]}"
	echo "default libFreeImage.a"
} >"$FI_BUILD/build.ninja"

log "building FreeImage ${FI_VER} (${#sources[@]} sources, $JOBS jobs)"
ninja -C "$FI_BUILD" -j "$JOBS" >"$FI_BUILD.log" 2>&1 ||
	{ tail -n 40 "$FI_BUILD.log"; die "FreeImage build failed (log: $FI_BUILD.log)"; }

# ---------------------------------------------------------------------------
# Link check: a program using all the libraries must link without undefined
# symbols (catches plugins that reference left-out code).
# ---------------------------------------------------------------------------
cat >"$BUILD/linkcheck.cpp" <<'EOF'
#include <windows.h>
#include <FreeImage.h>
int main() {
	FreeImage_Initialise(TRUE);
	FIBITMAP *dib = FreeImage_Allocate(4, 4, 24);
	const FREE_IMAGE_FORMAT formats[] = {FIF_JPEG, FIF_PNG, FIF_WEBP};
	for (FREE_IMAGE_FORMAT format : formats) {
		FIMEMORY *mem = FreeImage_OpenMemory();
		FreeImage_SaveToMemory(format, dib, mem, 0);
		FreeImage_CloseMemory(mem);
	}
	FreeImage_Unload(dib);
	FreeImage_DeInitialise();
	return 0;
}
EOF
"$CXX" -O0 -DFREEIMAGE_LIB -I"$FI_SRC/Source" -I"$PREFIX/include" "$BUILD/linkcheck.cpp" \
	-o "$BUILD/linkcheck.exe" -static -L"$FI_BUILD" -L"$JT_BUILD" -L"$PREFIX/lib" \
	-lFreeImage -ljpeg -lpng16 -lwebpmux -lwebp -lz ||
	die "link check failed: libFreeImage.a has undefined symbols"

# ---------------------------------------------------------------------------
# Install (libFreeImage.a last: its presence marks a finished build)
# ---------------------------------------------------------------------------
cp "$FI_SRC/Source/FreeImage.h" "$PREFIX/include/"
cp "$JT_BUILD/libjpeg.a" "$PREFIX/lib/libjpeg.a"
mkdir -p "$PREFIX/share/licenses/"{freeimage,libjpeg-turbo,zlib,libpng,libwebp}
cp "$FI_SRC/license-fi.txt" "$PREFIX/share/licenses/freeimage/"
cp "$JT_SRC/LICENSE.md" "$JT_SRC/README.ijg" "$PREFIX/share/licenses/libjpeg-turbo/"
cp "$ZL_SRC/LICENSE" "$PREFIX/share/licenses/zlib/"
cp "$PNG_SRC/LICENSE" "$PREFIX/share/licenses/libpng/"
cp "$WEBP_SRC/COPYING" "$WEBP_SRC/PATENTS" "$PREFIX/share/licenses/libwebp/"
cat >"$PREFIX/BUILD-INFO" <<EOF
built: $(date -u +%Y-%m-%dT%H:%M:%SZ) by scripts/build-deps.sh
target: $HOST ($("$CXX" -dumpversion))
libjpeg-turbo: $JT_VER (Debian source), static, TurboJPEG API off
simd: $SIMD
zlib: $ZL_VER (Debian source), static
libpng: $PNG_VER (Debian source), static, SSE2 filters
libwebp: $WEBP_VER (Debian source), static, SIMD, threads, with libwebpmux
freeimage: $FI_VER (Debian source), static
freeimage-patches: $(printf '%s\n' "$PATCH_SUM" | awk '{printf "%s%s (sha256 %s)", (NR > 1 ? ", " : ""), $2, $1}')
freeimage-left-out: ${LEFT_OUT[*]} (formats keep their ids, cannot load/save)
consumer-defines: -DFREEIMAGE_LIB
consumer-flags: -I.deps/include, include <windows.h> before <FreeImage.h>
consumer-libs: -L.deps/lib -lFreeImage -ljpeg -lpng16 -lwebpmux -lwebp -lz
EOF
printf '%s\n' "$PATCH_SUM" >"$STAMP"
cp "$FI_BUILD/libFreeImage.a" "$PREFIX/lib/libFreeImage.a.tmp"
mv "$PREFIX/lib/libFreeImage.a.tmp" "$PREFIX/lib/libFreeImage.a"

log "done in $((SECONDS - START)) s: $PREFIX/lib/libFreeImage.a and its codecs (libjpeg SIMD: $SIMD)"
