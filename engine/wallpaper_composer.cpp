#include "engine/wallpaper_composer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/dib_writer.h"
#include "engine/image_tools.h"

namespace {

// One 32-bit bitmap of the virtual screen may take this much; four 4K
// monitors side by side take a quarter of it.
constexpr unsigned long long kMaxCanvasBytes = 512ULL << 20;

}  // namespace

CWallpaperComposer::CWallpaperComposer(const std::vector<CMonitorLayout::Monitor>& monitors, COLORREF background)
    : m_monitors(monitors), m_bounds(CMonitorLayout::Bounds(monitors))
{
    const unsigned long long width = m_bounds.right - m_bounds.left, height = m_bounds.bottom - m_bounds.top;
    if (width == 0 || height == 0 || width * height * 4 > kMaxCanvasBytes)
        return;
    const std::uint32_t fill = GetBValue(background) | GetGValue(background) << 8 | GetRValue(background) << 16;
    try {
        m_pixels.assign(static_cast<size_t>(width * height), fill);
    } catch (const std::bad_alloc&) {
        m_pixels.clear();
    }
}

SIZE CWallpaperComposer::DecodeSize(FitMode mode, int fullWidth, int fullHeight,
                                    const std::vector<size_t>& monitors) const
{
    SIZE size = {0, 0};
    for (size_t i : monitors) {
        const RECT& r = m_monitors.at(i).rect;
        const CImageTools::FitDecision fit =
            CImageTools::DecideFit(mode, fullWidth, fullHeight, r.right - r.left, r.bottom - r.top);
        // A monitor that shows the picture at its own size needs all of it.
        size.cx = std::max<LONG>(size.cx, fit.scaled ? fit.coverWidth : fullWidth);
        size.cy = std::max<LONG>(size.cy, fit.scaled ? fit.coverHeight : fullHeight);
    }
    return size;
}

bool CWallpaperComposer::Place(size_t monitor, FIBITMAP* decoded, FitMode mode, int fullWidth, int fullHeight,
                               bool* scaled)
{
    if (!Ready() || monitor >= m_monitors.size() || !decoded)
        return false;
    const RECT& r = m_monitors[monitor].rect;
    const int mw = r.right - r.left, mh = r.bottom - r.top;
    const CImageTools::FitDecision fit = CImageTools::DecideFit(mode, fullWidth, fullHeight, mw, mh);
    const int dw = CImageTools::FI_GetWidth(decoded), dh = CImageTools::FI_GetHeight(decoded);
    const RECT part = CImageTools::CoverPart(dw, dh, fit.width, fit.height);
    std::vector<std::uint32_t> picture;
    if (!dib_writer::AverageIntoPixels(decoded, fit.cropped ? &part : nullptr, fit.width, fit.height, picture))
        return false;
    if (scaled)
        *scaled = fit.scaled;

    // Centred in the monitor; a picture larger than it (no resize) is cut
    // at the monitor's edges, as the system's centred position would.
    const LONG canvasWidth = m_bounds.right - m_bounds.left;
    const LONG left = r.left - m_bounds.left + (mw - fit.width) / 2, top = r.top - m_bounds.top + (mh - fit.height) / 2;
    const LONG fromX = std::max<LONG>(0, r.left - m_bounds.left - left);
    const LONG toX = std::min<LONG>(fit.width, r.right - m_bounds.left - left);
    const LONG fromY = std::max<LONG>(0, r.top - m_bounds.top - top);
    const LONG toY = std::min<LONG>(fit.height, r.bottom - m_bounds.top - top);
    for (LONG y = fromY; y < toY && fromX < toX; ++y) {
        // The resampled rows come bottom row first.
        const std::uint32_t* source = &picture[static_cast<size_t>(fit.height - 1 - y) * fit.width + fromX];
        std::uint32_t* target = &m_pixels[static_cast<size_t>(top + y) * canvasWidth + left + fromX];
        std::memcpy(target, source, static_cast<size_t>(toX - fromX) * sizeof *source);
    }
    return true;
}

HGLOBAL CWallpaperComposer::TakeDib()
{
    if (!Ready())
        return nullptr;
    const LONG width = m_bounds.right - m_bounds.left, height = m_bounds.bottom - m_bounds.top;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    HGLOBAL block = ::GlobalAlloc(GMEM_FIXED, sizeof(BITMAPINFOHEADER) + rowBytes * height);
    if (!block) {
        m_pixels.clear();
        return nullptr;
    }
    auto* header = static_cast<BITMAPINFOHEADER*>(static_cast<void*>(block));  // a fixed block's handle is its address
    *header = BITMAPINFOHEADER{};
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;  // bottom-up, as every DIB the program writes
    header->biPlanes = 1;
    header->biBitCount = 32;
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(rowBytes * height);
    BYTE* rows = reinterpret_cast<BYTE*>(header + 1);
    for (LONG y = 0; y < height; ++y)
        std::memcpy(rows + static_cast<size_t>(height - 1 - y) * rowBytes, &m_pixels[static_cast<size_t>(y) * width],
                    rowBytes);
    std::vector<std::uint32_t>().swap(m_pixels);
    return dib_writer::ToScreenFormat(block);
}
