// One bitmap for the whole virtual screen: each monitor's picture fitted to
// that monitor and centred in it, the desktop colour everywhere else. The
// system then spans it across the monitors.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "engine/monitor_layout.h"
#include "settings/settings.h"

struct FIBITMAP;

class CWallpaperComposer {
public:
    CWallpaperComposer(const std::vector<CMonitorLayout::Monitor>& monitors, COLORREF background);
    virtual ~CWallpaperComposer() = default;
    CWallpaperComposer(const CWallpaperComposer&) = delete;
    CWallpaperComposer& operator=(const CWallpaperComposer&) = delete;

    // False when the virtual screen is too large for one bitmap.
    bool Ready() const { return !m_pixels.empty(); }

    // The least a picture of fullWidth x fullHeight (upright) must be decoded
    // at to be fitted to every one of the given monitors: decoded once, then
    // resampled for each.
    SIZE DecodeSize(FitMode mode, int fullWidth, int fullHeight, const std::vector<size_t>& monitors) const;

    // Paints the decoded picture (whatever scale it came at) fitted to one
    // monitor by the mode; *scaled says whether it was resized.
    bool Place(size_t monitor, FIBITMAP* decoded, FitMode mode, int fullWidth, int fullHeight, bool* scaled);

    // The bitmap as a packed DIB in the screen's format; the composer is
    // empty afterwards.
    HGLOBAL TakeDib();

private:
    std::vector<CMonitorLayout::Monitor> m_monitors;
    RECT m_bounds;
    std::vector<std::uint32_t> m_pixels;  // top row first
};
