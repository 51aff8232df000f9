#include "engine/image_ptr.h"

// windows.h must come before FreeImage.h.
#include <windows.h>
#include <FreeImage.h>

void FreeImageUnloader::operator()(FIBITMAP* image) const
{
    if (image)
        FreeImage_Unload(image);
}
