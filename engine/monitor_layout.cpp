#include "engine/monitor_layout.h"

#include <algorithm>

namespace {

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoA(monitor, &info))
        reinterpret_cast<std::vector<CMonitorLayout::Monitor>*>(data)->push_back(
            {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    return TRUE;
}

// Windows 10 1607 and later: a thread may see every monitor in physical
// pixels whatever the process's own awareness, so monitors at different
// scale factors all come at their real size. Looked up at run time: older
// systems lack it, and a system-aware process is right there anyway.
class CPerMonitorAwareness {
public:
    CPerMonitorAwareness()
    {
        const HMODULE user32 = ::GetModuleHandleA("user32.dll");
        m_set = user32 ? reinterpret_cast<SetContext>(
                             reinterpret_cast<void*>(::GetProcAddress(user32, "SetThreadDpiAwarenessContext")))
                       : nullptr;
        // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, then the first version.
        if (m_set && !(m_previous = m_set(reinterpret_cast<HANDLE>(-4))))
            m_previous = m_set(reinterpret_cast<HANDLE>(-3));
    }
    ~CPerMonitorAwareness()
    {
        if (m_set && m_previous)
            m_set(m_previous);
    }
    CPerMonitorAwareness(const CPerMonitorAwareness&) = delete;
    CPerMonitorAwareness& operator=(const CPerMonitorAwareness&) = delete;

private:
    using SetContext = HANDLE(WINAPI*)(HANDLE);
    SetContext m_set = nullptr;
    HANDLE m_previous = nullptr;
};

}  // namespace

std::vector<CMonitorLayout::Monitor> CMonitorLayout::Monitors() const
{
    std::vector<Monitor> monitors;
    {
        const CPerMonitorAwareness physical;
        ::EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    }
    monitors.erase(std::remove_if(monitors.begin(), monitors.end(),
                                  [](const Monitor& m) {
                                      return m.rect.right <= m.rect.left || m.rect.bottom <= m.rect.top;
                                  }),
                   monitors.end());
    if (monitors.empty())
        monitors.push_back({{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}, true});
    std::stable_sort(monitors.begin(), monitors.end(), [](const Monitor& a, const Monitor& b) {
        if (a.primary != b.primary)
            return a.primary;
        return a.rect.left != b.rect.left ? a.rect.left < b.rect.left : a.rect.top < b.rect.top;
    });
    return monitors;
}

const CMonitorLayout& CMonitorLayout::System()
{
    static const CMonitorLayout layout;
    return layout;
}

RECT CMonitorLayout::Bounds(const std::vector<Monitor>& monitors)
{
    RECT bounds = {0, 0, 0, 0};
    for (size_t i = 0; i < monitors.size(); ++i) {
        const RECT& r = monitors[i].rect;
        if (i == 0) {
            bounds = r;
        } else {
            bounds.left = std::min(bounds.left, r.left);
            bounds.top = std::min(bounds.top, r.top);
            bounds.right = std::max(bounds.right, r.right);
            bounds.bottom = std::max(bounds.bottom, r.bottom);
        }
    }
    return bounds;
}
