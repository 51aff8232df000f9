#include "engine/image_decoder.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/exif_orientation.h"
#include "engine/image_checks.h"
#include "engine/image_finish.h"
#include "engine/image_io.h"
#include "engine/image_ptr.h"
#include "framework/kernel_owners.h"
#include "library/file_tools.h"
#include "library/library.h"

namespace image_decoder {
namespace {

// The first bytes of the BMP file say where its pixels start and how they
// are stored.
bool BmpPixelsInFile(HANDLE file, ULONGLONG fileSize, ULONGLONG width, ULONGLONG height, int bitCount)
{
    BYTE head[34] = {};
    DWORD got = 0;
    return ::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
           ::ReadFile(file, head, sizeof head, &got, nullptr) && image_checks::BmpPixelsInFile(head, got, fileSize, width, height, bitCount);
}

// libjpeg's warning for data that ends before the picture does. Our patched
// FreeImage fails such a load itself; an unpatched one (vcpkg, MSYS2) fills
// the missing rows with grey and reports success, which this catches as long
// as it is libjpeg's first warning: only the first reaches the hook.
const char kJpegCutShort[] = "Premature end of JPEG file";
bool s_bJpegCutShort = false;

void DLL_CALLCONV NoteLoaderMessage(FREE_IMAGE_FORMAT format, const char* message)
{
    if (format == FIF_JPEG && message && std::strstr(message, kJpegCutShort))
        s_bJpegCutShort = true;
}

}  // namespace

FIBITMAP* Load(FREE_IMAGE_FORMAT format, const std::string& path, int flags)
{
    const CFileHandle file(image_io::OpenForReading(path));
    if (!file.Valid())
        return nullptr;
    FreeImageIO io = image_io::HandleIo();
    s_bJpegCutShort = false;
    FreeImage_SetOutputMessage(&NoteLoaderMessage);
    ImagePtr image(FreeImage_LoadFromHandle(format, &io, static_cast<fi_handle>(file), flags));
    FreeImage_SetOutputMessage(nullptr);
    if (s_bJpegCutShort)
        image.reset();  // a cut-off photo is damaged, not a picture with a grey end
    return image.release();
}

FREE_IMAGE_FORMAT FormatOf(const std::string& path)
{
    // The name says whether the file is a picture (a dot in a folder name is
    // no extension); the content says which kind, as web downloads often
    // carry a WebP or PNG under a ".jpg" name.
    const std::string name =
        CFileTools::FindLast(path, '\\') == std::string::npos ? path : CFileTools().GetFileNamePart(path);
    if (!CLibrary::IsPictureName(name))
        return FIF_UNKNOWN;
    const CFileHandle file(image_io::OpenForReading(path));
    if (!file.Valid())
        return FIF_UNKNOWN;
    FreeImageIO io = image_io::HandleIo();
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromHandle(&io, static_cast<fi_handle>(file), 0);
    switch (format) {
    case FIF_BMP:
    case FIF_JPEG:
    case FIF_PNG:
    case FIF_WEBP:
        return format;
    default:
        return FIF_UNKNOWN;  // whatever else FreeImage may know, it is no picture of ours
    }
}

bool ReadHeader(FREE_IMAGE_FORMAT format, const std::string& path, HeaderFacts& facts)
{
    const CFileHandle file(image_io::OpenForReading(path));
    if (!file.Valid())
        return false;
    LARGE_INTEGER fileSize = {};
    ImagePtr header;
    // A WebP is read whole (an animation's first frame is copied out of it
    // too): up to twice its size in memory, even for the header.
    if (::GetFileSizeEx(file, &fileSize) &&
        (format != FIF_WEBP || static_cast<ULONGLONG>(fileSize.QuadPart) <= image_checks::kMaxDecodeBytes / 2)) {
        FreeImageIO io = image_io::HandleIo();
        header.reset(FreeImage_LoadFromHandle(format, &io, static_cast<fi_handle>(file), FIF_LOAD_NOPIXELS));
    }
    bool ok = false;
    if (header) {
        const ULONGLONG width = FreeImage_GetWidth(header.get());
        const ULONGLONG height = FreeImage_GetHeight(header.get());
        const int bitCount = static_cast<int>(FreeImage_GetBPP(header.get()));
        // A JPEG or WebP may be decoded smaller: its cost is checked at that size.
        ok = format == FIF_JPEG || format == FIF_WEBP ? image_checks::SizeAllowed(width, height, bitCount)
                                                      : image_checks::DecodeAllowed(width, height, bitCount);
        if (ok && format == FIF_BMP)
            ok = BmpPixelsInFile(file, static_cast<ULONGLONG>(fileSize.QuadPart), width, height, bitCount);
        facts.width = static_cast<int>(width);
        facts.height = static_cast<int>(height);
        facts.bpp = bitCount;
        facts.orientation = 1;
        facts.fileBytes = static_cast<ULONGLONG>(fileSize.QuadPart);
    }
    if (ok && format != FIF_BMP)
        facts.orientation = exif_orientation::Read(header.get());
    // A PNG turned by a quarter is copied once more.
    if (ok && format == FIF_PNG && image_checks::TurnsQuarter(facts.orientation))
        ok = image_checks::DecodeAllowed(facts.width, facts.height, facts.bpp,
                                         image_checks::TurnedCopyCost(facts.width, facts.height));
    return ok;
}

FIBITMAP* LoadJpeg(const std::string& path, const HeaderFacts& facts, int minWidth, int minHeight)
{
    const int reduction =
        (minWidth > 0 || minHeight > 0)
            ? image_checks::JpegReduction(facts.width, facts.height, facts.orientation, minWidth, minHeight)
            : 1;
    // FreeImage picks the reduction from a wanted size in the flags' upper
    // 16 bits: the largest of 8, 4 and 2 that is at most longer side / size.
    const int longer = std::max(facts.width, facts.height);
    const int wanted = longer / reduction;
    const bool scaled = reduction > 1 && wanted >= 1 && wanted <= 0x7FFF;
    const auto affordable = [&](int by) {
        return image_checks::DecodeAllowed((facts.width + by - 1) / by, (facts.height + by - 1) / by, facts.bpp);
    };
    // Turned here by the orientation the header probe checked, never by
    // FreeImage's JPEG_EXIFROTATE: a full load also reads APP1 blocks that
    // come later in the file (between a progressive file's scans), whose tag
    // nobody checked and whose turn would not match the probed size.
    ImagePtr image;
    if (scaled && affordable(reduction)) {
        image.reset(exif_orientation::Upright(Load(FIF_JPEG, path, wanted << 16), facts.orientation));
        if (image && (static_cast<int>(FreeImage_GetWidth(image.get())) < minWidth ||
                      static_cast<int>(FreeImage_GetHeight(image.get())) < minHeight))
            image.reset();  // never less than asked for: then the whole picture
        else
            return image.release();
    }
    return affordable(1) ? exif_orientation::Upright(Load(FIF_JPEG, path, 0), facts.orientation) : nullptr;
}

// ---------------------------------------------------------------- PNG and WebP

namespace {

// The smallest size a WebP or PNG of width x height may be decoded at that
// still covers needWidth x needHeight (stored sides): the plugins make the
// longer side the wanted size and round the shorter one up.
struct Scaled {
    int wanted;  // the longer side asked for
    long long width, height;
};
Scaled ScaledSize(long long width, long long height, long long needWidth, long long needHeight)
{
    const long long longer = std::max(width, height), shorter = std::min(width, height);
    long long wanted = longer;
    if ((needWidth > 0 || needHeight > 0) && width > 0 && height > 0) {
        const auto ceilDiv = [](long long a, long long b) { return (a + b - 1) / b; };
        wanted = std::clamp(width >= height ? std::max(needWidth, ceilDiv(needHeight * width, height))
                                            : std::max(needHeight, ceilDiv(needWidth * height, width)),
                            1LL, longer);
    }
    const long long scaledShorter = longer > 0 ? std::max(1LL, (shorter * wanted + longer - 1) / longer) : 0;
    return {static_cast<int>(wanted), width >= height ? wanted : scaledShorter,
            width >= height ? scaledShorter : wanted};
}

}  // namespace

FIBITMAP* LoadPngOrWebp(FREE_IMAGE_FORMAT format, const std::string& path, const HeaderFacts& facts, int minWidth,
                        int minHeight)
{
    const bool turned = image_checks::TurnsQuarter(facts.orientation);
    const unsigned long long turnCost = turned ? image_checks::TurnedCopyCost(facts.width, facts.height) : 0;
    const int needWidth = turned ? minHeight : minWidth, needHeight = turned ? minWidth : minHeight;
    const Scaled size = ScaledSize(facts.width, facts.height, needWidth, needHeight);
    const bool scaled = size.wanted < std::max(facts.width, facts.height);
    ImagePtr image;
    if (format == FIF_PNG) {
        // Its cost was checked with the header, at full size. Our FreeImage
        // scales an opaque RGB picture while reading its rows; others come
        // whole, as does every PNG from an unpatched FreeImage.
        image.reset(Load(FIF_PNG, path, scaled ? size.wanted << 16 : 0));
        if (image && (static_cast<long long>(FreeImage_GetWidth(image.get())) < size.width ||
                      static_cast<long long>(FreeImage_GetHeight(image.get())) < size.height))
            image.reset();  // never less than asked for (or the whole, when more was asked)
    } else if (format == FIF_WEBP) {
        // The file is held, up to twice, while it decodes.
        if (!image_checks::DecodeAllowed(size.width, size.height, facts.bpp, 2 * facts.fileBytes + turnCost))
            return nullptr;
        image.reset(Load(FIF_WEBP, path, scaled ? size.wanted << 16 : 0));
        if (scaled && image &&
            (static_cast<long long>(FreeImage_GetWidth(image.get())) != size.width ||
             static_cast<long long>(FreeImage_GetHeight(image.get())) != size.height))
            image.reset();  // a decoder that scales otherwise could give less than asked for
    }
    image = image_finish::Opaque(std::move(image), ::GetSysColor(COLOR_DESKTOP));
    return image_finish::Upright(std::move(image), facts.orientation).release();
}

}  // namespace image_decoder
