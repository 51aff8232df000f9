// The monitors the desktop spans, in physical pixels. Tests put a double in
// the system's place.
#pragma once
#include <windows.h>

#include <vector>

class CMonitorLayout {
public:
    struct Monitor {
        RECT rect;  // virtual-screen coordinates; left of or above the primary is negative
        bool primary;
    };

    CMonitorLayout() = default;
    virtual ~CMonitorLayout() = default;

    // Primary first, then the others left to right (top to bottom where
    // they share a left edge): "screen 1" is always the primary. Never empty:
    // when the system tells nothing, the primary screen's size stands alone.
    virtual std::vector<Monitor> Monitors() const;

    static const CMonitorLayout& System();
    // The smallest rectangle holding every monitor.
    static RECT Bounds(const std::vector<Monitor>& monitors);
};
