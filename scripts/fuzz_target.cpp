// libFuzzer target for the program's image path, built natively by
// scripts/fuzz.sh with AddressSanitizer and UndefinedBehaviorSanitizer, once
// per format (KAVRO_FUZZ_JPEG or KAVRO_FUZZ_BMP). It follows
// CImageTools::LoadImageFile over memory instead of Win32 handles: the
// header-only load, the size and memory bounds and the BMP row check, then the full load
// with the program's flags (JPEGs also at a reduced scale, picked by the
// input's length), the cut-short check, the upright turn, and the scaling
// that every caller applies to the result. A JPEG that loads without an end
// marker in the file aborts as a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <FreeImage.h>

#include "engine/exif_orientation.h"
#include "engine/image_checks.h"
#include "engine/resampler.h"

namespace {

#if defined(KAVRO_FUZZ_JPEG)
constexpr FREE_IMAGE_FORMAT kFormat = FIF_JPEG;
#elif defined(KAVRO_FUZZ_BMP)
constexpr FREE_IMAGE_FORMAT kFormat = FIF_BMP;
#else
#error "define KAVRO_FUZZ_JPEG or KAVRO_FUZZ_BMP"
#endif

// The program's fallback for a FreeImage without our patch (its loader
// message hook); with the patch such a load already fails.
bool s_cutShort = false;

void DLL_CALLCONV NoteMessage(FREE_IMAGE_FORMAT format, const char* message)
{
    if (format == FIF_JPEG && message && std::strstr(message, "Premature end of JPEG file"))
        s_cutShort = true;
}

FIBITMAP* LoadFrom(FIMEMORY* memory, int flags)
{
    FreeImage_SeekMemory(memory, 0, SEEK_SET);
    s_cutShort = false;
    FIBITMAP* image = FreeImage_LoadFromMemory(kFormat, memory, flags);
    if (image && s_cutShort) {
        FreeImage_Unload(image);
        image = nullptr;
    }
    return image;
}

// A JPEG whose data ends early must not load: libjpeg then makes up the
// end-of-image marker and FreeImage fills the rest grey. A file without any
// such marker that loaded is a finding, though no sanitizer sees it.
void ExpectEndMarker(const std::uint8_t* data, std::size_t size)
{
    for (std::size_t i = 0; i + 1 < size; ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xD9)
            return;
    std::fprintf(stderr, "==finding== a JPEG without an end-of-image marker loaded\n");
    std::abort();
}

// As image_decoder::LoadJpeg: at the smallest scale that covers minWidth x
// minHeight if that is affordable, else whole if that is, turned upright.
FIBITMAP* LoadJpeg(FIMEMORY* memory, int width, int height, int bpp, int orientation, int minWidth, int minHeight)
{
    const int reduction =
        minWidth > 0 || minHeight > 0 ? image_checks::JpegReduction(width, height, orientation, minWidth, minHeight) : 1;
    const int wanted = (width > height ? width : height) / reduction;
    const bool scaled = reduction > 1 && wanted >= 1 && wanted <= 0x7FFF;
    const auto affordable = [&](int by) {
        return image_checks::DecodeAllowed((width + by - 1) / by, (height + by - 1) / by, bpp);
    };
    if (scaled && affordable(reduction)) {
        FIBITMAP* image = exif_orientation::Upright(LoadFrom(memory, wanted << 16), orientation);
        if (!image || (static_cast<int>(FreeImage_GetWidth(image)) >= minWidth &&
                       static_cast<int>(FreeImage_GetHeight(image)) >= minHeight))
            return image;
        FreeImage_Unload(image);
    }
    return affordable(1) ? exif_orientation::Upright(LoadFrom(memory, 0), orientation) : nullptr;
}

// Regression inputs that must be refused (fuzz.sh replays *-refused.b64
// with KAVRO_FUZZ_MUST_REFUSE set): loading one is a finding.
void ExpectAllowed()
{
    static const bool mustRefuse = std::getenv("KAVRO_FUZZ_MUST_REFUSE") != nullptr;
    if (mustRefuse) {
        std::fprintf(stderr, "==finding== an input that must be refused loaded\n");
        std::abort();
    }
}

// The picture scaled as the wallpaper and the preview do: every pixel read.
void Scale(FIBITMAP* image)
{
    if (FreeImage_GetImageType(image) != FIT_BITMAP)
        return;
    FIBITMAP* converted = nullptr;
    const unsigned bpp = FreeImage_GetBPP(image);
    if (bpp != 24 && bpp != 32 && !(converted = FreeImage_ConvertTo24Bits(image)))
        return;
    FIBITMAP* source = converted ? converted : image;
    std::vector<std::uint32_t> out(37 * 23);
    resampler::Resample(FreeImage_GetBits(source), FreeImage_GetPitch(source), static_cast<int>(FreeImage_GetWidth(source)),
                        static_cast<int>(FreeImage_GetHeight(source)), static_cast<int>(FreeImage_GetBPP(source)) / 8, 37,
                        23, out.data());
    if (converted)
        FreeImage_Unload(converted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool initialised = (FreeImage_Initialise(TRUE), FreeImage_SetOutputMessage(&NoteMessage), true);
    (void)initialised;
    FIMEMORY* memory = FreeImage_OpenMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size));
    if (!memory)
        return 0;

    // The header probe; a JPEG's cost is checked at the size it is decoded.
    FIBITMAP* header = LoadFrom(memory, FIF_LOAD_NOPIXELS);
    bool ok = header != nullptr;
    int width = 0, height = 0, bpp = 0, orientation = 1;
    if (ok) {
        width = static_cast<int>(FreeImage_GetWidth(header));
        height = static_cast<int>(FreeImage_GetHeight(header));
        bpp = static_cast<int>(FreeImage_GetBPP(header));
        ok = kFormat == FIF_JPEG ? image_checks::SizeAllowed(FreeImage_GetWidth(header), FreeImage_GetHeight(header), bpp)
                                 : image_checks::DecodeAllowed(FreeImage_GetWidth(header), FreeImage_GetHeight(header), bpp);
        if (ok && kFormat == FIF_BMP)
            ok = image_checks::BmpPixelsInFile(data, size < 34 ? size : 34, size, FreeImage_GetWidth(header),
                                              FreeImage_GetHeight(header), bpp);
        if (ok && kFormat == FIF_JPEG)
            orientation = exif_orientation::Read(header);
        FreeImage_Unload(header);
    }

    if (ok) {
        // JPEGs of odd length as the preview asks for them: no less than 64 x 48.
        FIBITMAP* image = kFormat == FIF_JPEG ? LoadJpeg(memory, width, height, bpp, orientation, size % 2 ? 64 : 0, size % 2 ? 48 : 0)
                                              : LoadFrom(memory, 0);
        if (image) {
            if (kFormat == FIF_JPEG)
                ExpectEndMarker(data, size);
            ExpectAllowed();
            Scale(image);
            FreeImage_Unload(image);
        }
    }
    FreeImage_CloseMemory(memory);
    return 0;
}
