#include "engine/image_decoder.h"

#include <algorithm>
#include <cstring>

#include "engine/exif_orientation.h"
#include "engine/image_checks.h"
#include "engine/image_io.h"
#include "engine/image_ptr.h"
#include "framework/kernel_owners.h"
#include "library/file_tools.h"

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
    // The extension of the file name only: a dot in a folder name is no
    // extension.
    CFileTools files;
    std::string name = files.GetFileNamePart(path);
    if (CFileTools::FindLast(path, '\\') == std::string::npos)
        name = path;
    std::string extension = files.GetFileExtension(name);
    if (extension.empty())
        return FIF_UNKNOWN;
    ::CharUpperBuffA(&extension[0], static_cast<DWORD>(extension.size()));
    if (extension == "JPG")
        return FIF_JPEG;
    if (extension == "BMP")
        return FIF_BMP;
    return FIF_UNKNOWN;
}

bool ReadHeader(FREE_IMAGE_FORMAT format, const std::string& path, HeaderFacts& facts)
{
    const CFileHandle file(image_io::OpenForReading(path));
    if (!file.Valid())
        return false;
    LARGE_INTEGER fileSize = {};
    ImagePtr header;
    if (::GetFileSizeEx(file, &fileSize)) {
        FreeImageIO io = image_io::HandleIo();
        header.reset(FreeImage_LoadFromHandle(format, &io, static_cast<fi_handle>(file), FIF_LOAD_NOPIXELS));
    }
    bool ok = false;
    if (header) {
        const ULONGLONG width = FreeImage_GetWidth(header.get());
        const ULONGLONG height = FreeImage_GetHeight(header.get());
        const int bitCount = static_cast<int>(FreeImage_GetBPP(header.get()));
        // A JPEG may be decoded smaller: its cost is checked at that size.
        ok = format == FIF_JPEG ? image_checks::SizeAllowed(width, height, bitCount)
                                : image_checks::DecodeAllowed(width, height, bitCount);
        if (ok && format == FIF_BMP)
            ok = BmpPixelsInFile(file, static_cast<ULONGLONG>(fileSize.QuadPart), width, height, bitCount);
        facts.width = static_cast<int>(width);
        facts.height = static_cast<int>(height);
        facts.bpp = bitCount;
        facts.orientation = 1;
    }
    if (ok && format == FIF_JPEG)
        facts.orientation = exif_orientation::Read(header.get());
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

}  // namespace image_decoder
