// Placeholders for the FreeImage plugins that scripts/build-deps.sh leaves out.
//
// FreeImage registers its plugins in FREE_IMAGE_FORMAT order and a plugin's
// position is its FIF_* id, so every format keeps a slot here. Each
// placeholder only names the format and its file extensions: it has no load,
// save or validate function, so the format reports that it cannot be read or
// written and loading it returns NULL.

#include "FreeImage.h"
#include "Plugin.h"

#define KAVRO_FORMAT_STUB(NAME, FORMAT, DESCRIPTION, EXTENSIONS, MIME)      \
	static const char *DLL_CALLCONV NAME##Format() { return FORMAT; }        \
	static const char *DLL_CALLCONV NAME##Description() { return DESCRIPTION; } \
	static const char *DLL_CALLCONV NAME##Extensions() { return EXTENSIONS; } \
	static const char *DLL_CALLCONV NAME##Mime() { return MIME; }            \
	void DLL_CALLCONV Init##NAME(Plugin *plugin, int /*format_id*/) {        \
		plugin->format_proc = NAME##Format;                                   \
		plugin->description_proc = NAME##Description;                         \
		plugin->extension_proc = NAME##Extensions;                            \
		plugin->mime_proc = NAME##Mime;                                       \
	}

KAVRO_FORMAT_STUB(JNG,  "JNG",     "JPEG Network Graphics (not built)",    "jng",         "image/x-mng")
KAVRO_FORMAT_STUB(MNG,  "MNG",     "Multiple-image Network Graphics (not built)", "mng",  "video/x-mng")
KAVRO_FORMAT_STUB(TIFF, "TIFF",    "Tagged Image File Format (not built)", "tif,tiff",    "image/tiff")
KAVRO_FORMAT_STUB(EXR,  "EXR",     "OpenEXR (not built)",                  "exr",         "image/x-exr")
KAVRO_FORMAT_STUB(J2K,  "J2K",     "JPEG-2000 codestream (not built)",     "j2k,j2c",     "image/j2k")
KAVRO_FORMAT_STUB(JP2,  "JP2",     "JPEG-2000 file (not built)",           "jp2",         "image/jp2")
KAVRO_FORMAT_STUB(RAW,  "RAW",     "Camera RAW image (not built)",         "raw,dng,cr2,crw,nef,nrw,arw,orf,rw2,pef,raf,srw", "image/x-dcraw")
KAVRO_FORMAT_STUB(JXR,  "JPEG-XR", "JPEG XR image (not built)",            "jxr,wdp,hdp", "image/vnd.ms-photo")
#ifdef KAVRO_WITHOUT_PNG_WEBP  // the fuzzing build, which reads BMP and JPEG only
KAVRO_FORMAT_STUB(PNG,  "PNG",     "Portable Network Graphics (not built)", "png",        "image/png")
KAVRO_FORMAT_STUB(WEBP, "WebP",    "WebP image (not built)",               "webp",        "image/webp")
#endif
