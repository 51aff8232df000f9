#include "app/change_timer.h"

#include <cstdio>

bool CChangeTimer::Start(HWND owner, int minutes)
{
    Stop();
    m_owner = owner;
    if (minutes <= 0 || minutes > 1440 || !owner)
        return true;
    if (!::SetTimer(owner, kTimerId, static_cast<UINT>(minutes) * 60000u, nullptr))
        return false;
    m_nMinutes = minutes;
    m_nDueTick = ::GetTickCount64() + static_cast<ULONGLONG>(minutes) * 60000u;
    return true;
}

void CChangeTimer::Stop()
{
    if (m_nMinutes > 0 && m_owner)
        ::KillTimer(m_owner, kTimerId);
    m_nMinutes = 0;
}

void CChangeTimer::Restart()
{
    if (Running())
        Start(m_owner, m_nMinutes);
}

std::string CChangeTimer::NextChangeText() const
{
    if (!Running())
        return std::string();
    const ULONGLONG now = ::GetTickCount64();
    const ULONGLONG left = m_nDueTick > now ? m_nDueTick - now : 0;
    // The local time the tick falls due, to the minute.
    FILETIME utc, local;
    ::GetSystemTimeAsFileTime(&utc);
    ULARGE_INTEGER at;
    at.LowPart = utc.dwLowDateTime;
    at.HighPart = utc.dwHighDateTime;
    at.QuadPart += left * 10000;  // milliseconds to 100-nanosecond units
    utc.dwLowDateTime = at.LowPart;
    utc.dwHighDateTime = at.HighPart;
    SYSTEMTIME due = {};
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &due))
        return std::string();
    char text[64];
    std::snprintf(text, sizeof text, "Next wallpaper change at %02u:%02u.", due.wHour, due.wMinute);
    return text;
}

std::string CChangeTimer::WithNextChange(const std::string& status) const
{
    const std::string next = NextChangeText();
    const size_t earlier = status.find("Next wallpaper change at ");
    const std::string report = earlier == std::string::npos ? status : status.substr(0, earlier);
    if (next.empty())
        return report;
    return report.empty() || report.back() == ' ' ? report + next : report + " " + next;
}

std::string CChangeTimer::TrayTip(const char* title) const
{
    const std::string next = NextChangeText();
    // The tip holds 63 characters: the title is cut first.
    return next.empty() ? std::string(title) : std::string(title).substr(0, 63 - 3 - next.size()) + " - " + next;
}
