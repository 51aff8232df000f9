// Reading a picture's header and decoding it with FreeImage: the decoder by
// the file's first bytes, the checks before any pixel is decoded, and JPEGs
// and WebPs decoded upright and only as large as needed.
#pragma once
#include <windows.h>

// windows.h must come before FreeImage.h.
#include <FreeImage.h>

#include <string>

namespace image_decoder {

// What a header-only load tells: stored size, depth, EXIF orientation (1 to
// 8; 1 when absent or unusable).
struct HeaderFacts {
    int width = 0;
    int height = 0;
    int bpp = 0;
    int orientation = 1;
    unsigned long long fileBytes = 0;
};

// The decoder a file gets: FIF_JPEG, FIF_BMP, FIF_PNG or FIF_WEBP by what its
// first bytes hold, for a name the library takes as a picture's
// (CLibrary::IsPictureName); FIF_UNKNOWN for other names and other content.
FREE_IMAGE_FORMAT FormatOf(const std::string& path);

// One header-only load: true when the file may be decoded (a size FreeImage
// accepts and the size bound allows, and for a BMP every uncompressed row
// in the file), with the facts filled.
bool ReadHeader(FREE_IMAGE_FORMAT format, const std::string& path, HeaderFacts& facts);

// The whole file through FreeImage's loader; nullptr when it refuses, and
// for a JPEG whose data ends early (FreeImage would fill it with grey).
FIBITMAP* Load(FREE_IMAGE_FORMAT format, const std::string& path, int flags);

// A JPEG, upright, decoded at the smallest DCT scale that still covers
// minWidth x minHeight (0, 0: full size).
FIBITMAP* LoadJpeg(const std::string& path, const HeaderFacts& facts, int minWidth, int minHeight);

// A PNG or WebP, upright, opaque (transparent parts laid over the desktop's
// colour) and with 8-bit channels, decoded no larger than covers
// minWidth x minHeight (0, 0: full size): a WebP by libwebp's scaling, an
// opaque RGB PNG by area means as its rows are read.
FIBITMAP* LoadPngOrWebp(FREE_IMAGE_FORMAT format, const std::string& path, const HeaderFacts& facts, int minWidth,
                        int minHeight);

}  // namespace image_decoder
