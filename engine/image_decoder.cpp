#include "engine/image_decoder.h"

#include <algorithm>
#include <climits>
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

// The smallest size a WebP of width x height may be decoded at that still
// covers needWidth x needHeight (stored sides): the plugin makes the longer
// side the wanted size and rounds the shorter one up.
int WebpWantedSide(long long width, long long height, long long needWidth, long long needHeight)
{
    const long long longer = std::max(width, height);
    if ((needWidth <= 0 && needHeight <= 0) || width <= 0 || height <= 0)
        return static_cast<int>(longer);
    const auto ceilDiv = [](long long a, long long b) { return (a + b - 1) / b; };
    const long long wanted = width >= height ? std::max(needWidth, ceilDiv(needHeight * width, height))
                                             : std::max(needHeight, ceilDiv(needWidth * height, width));
    return static_cast<int>(std::clamp(wanted, 1LL, longer));
}

}  // namespace

int PngShrinkFactor(int width, int height, int needWidth, int needHeight)
{
    if ((needWidth <= 0 && needHeight <= 0) || width <= 0 || height <= 0)
        return 1;
    const int across = needWidth > 0 ? width / needWidth : INT_MAX;
    const int down = needHeight > 0 ? height / needHeight : INT_MAX;
    return std::clamp(std::min(across, down), 1, kMaxPngShrink);
}

FIBITMAP* LoadPngOrWebp(FREE_IMAGE_FORMAT format, const std::string& path, const HeaderFacts& facts, int minWidth,
                        int minHeight)
{
    const bool turned = image_checks::TurnsQuarter(facts.orientation);
    const unsigned long long turnCost = turned ? image_checks::TurnedCopyCost(facts.width, facts.height) : 0;
    const int needWidth = turned ? minHeight : minWidth, needHeight = turned ? minWidth : minHeight;
    ImagePtr image;
    if (format == FIF_PNG) {
        // Its cost was checked with the header, at full size. Our FreeImage
        // averages blocks of `factor` pixels while reading an opaque RGB
        // picture's rows (others come whole): never less than asked for.
        const int factor = PngShrinkFactor(facts.width, facts.height, needWidth, needHeight);
        image.reset(Load(FIF_PNG, path, factor > 1 ? factor << 16 : 0));
    } else if (format == FIF_WEBP) {
        const int longer = std::max(facts.width, facts.height);
        const int wanted = WebpWantedSide(facts.width, facts.height, needWidth, needHeight);
        const long long shorter = std::min(facts.width, facts.height);
        const long long scaledShorter = std::max(1LL, (shorter * wanted + longer - 1) / longer);
        const long long scaledWidth = facts.width >= facts.height ? wanted : scaledShorter;
        const long long scaledHeight = facts.width >= facts.height ? scaledShorter : wanted;
        // The file is held, up to twice, while it decodes.
        if (!image_checks::DecodeAllowed(scaledWidth, scaledHeight, facts.bpp, 2 * facts.fileBytes + turnCost))
            return nullptr;
        const bool scaled = wanted < longer;
        image.reset(Load(FIF_WEBP, path, scaled ? wanted << 16 : 0));
        if (scaled && image &&
            (static_cast<long long>(FreeImage_GetWidth(image.get())) != scaledWidth ||
             static_cast<long long>(FreeImage_GetHeight(image.get())) != scaledHeight))
            image.reset();  // a decoder that scales otherwise could give less than asked for
    }
    image = image_finish::Opaque(std::move(image), ::GetSysColor(COLOR_DESKTOP));
    return image_finish::Upright(std::move(image), facts.orientation).release();
}

}  // namespace image_decoder
