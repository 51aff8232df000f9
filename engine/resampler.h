// Scales a picture by averaging the area each output pixel covers
// (shrinking) or interpolating linearly (enlarging). Plain C++ on pixel rows:
// no Windows or FreeImage types.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

namespace resampler {

// A 24- or 32-bit picture (bytesPerPixel 3 or 4, blue first; row y starts
// at rows + y * pitch) scaled to width x height 32-bit BGRX pixels, written
// row after row into `out` (width * height values), rows in the source's
// order. False for sizes or depths it cannot take.
bool Resample(const std::uint8_t* rows, std::ptrdiff_t pitch, int sourceWidth, int sourceHeight,
              int bytesPerPixel, int width, int height, std::uint32_t* out);
// The same, made bandRows rows at a time into one reused band that `take`
// is handed with its row count; false as soon as it returns false.
bool ResampleInBands(const std::uint8_t* rows, std::ptrdiff_t pitch, int sourceWidth, int sourceHeight,
                     int bytesPerPixel, int width, int height, int bandRows,
                     const std::function<bool(const std::uint32_t* band, int rowCount)>& take);

}  // namespace resampler
