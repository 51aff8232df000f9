#include "engine/exif_orientation.h"

namespace exif_orientation {
namespace {

// FreeImage_Rotate turns anticlockwise for positive angles.
FIBITMAP* Turned(FIBITMAP* image, double degrees)
{
    FIBITMAP* turned = FreeImage_Rotate(image, degrees);
    FreeImage_Unload(image);
    return turned;
}

}  // namespace

int Read(FIBITMAP* header)
{
    // A later APP1 or a BYTE tag must not count: only a SHORT with a value in
    // range, as the size probe saw it.
    FITAG* tag = nullptr;
    if (!header || !FreeImage_GetMetadata(FIMD_EXIF_MAIN, header, "Orientation", &tag) || !tag ||
        FreeImage_GetTagType(tag) != FIDT_SHORT || FreeImage_GetTagCount(tag) < 1 || FreeImage_GetTagLength(tag) < 2 ||
        !FreeImage_GetTagValue(tag))
        return 1;
    const WORD value = *static_cast<const WORD*>(FreeImage_GetTagValue(tag));
    return value >= 1 && value <= 8 ? value : 1;
}

FIBITMAP* Upright(FIBITMAP* image, int orientation)
{
    if (!image)
        return nullptr;
    switch (orientation) {
    case 2:  // mirrored
        return FreeImage_FlipHorizontal(image) ? image : (FreeImage_Unload(image), nullptr);
    case 3:  // upside down
        return Turned(image, 180);
    case 4:  // upside down and mirrored
        return FreeImage_FlipVertical(image) ? image : (FreeImage_Unload(image), nullptr);
    case 5:  // mirrored along the main diagonal
        image = Turned(image, 90);
        return !image || FreeImage_FlipVertical(image) ? image : (FreeImage_Unload(image), nullptr);
    case 6:  // taken turned left: a quarter clockwise
        return Turned(image, -90);
    case 7:  // mirrored along the other diagonal
        image = Turned(image, -90);
        return !image || FreeImage_FlipVertical(image) ? image : (FreeImage_Unload(image), nullptr);
    case 8:  // taken turned right: a quarter anticlockwise
        return Turned(image, 90);
    default:
        return image;
    }
}

}  // namespace exif_orientation
