#include "settings/settings.h"

#include <windows.h>

#include <climits>
#include <cstdio>
#include <vector>

#include "library/file_tools.h"

namespace {
const char kSection[] = "Kavro";
const unsigned kValueBuffer = 260;
// Only the first letter of the resize mode is ever read.
const unsigned kResizeTypeBuffer = 2;
}

std::string CSettings::Read(const char* key, unsigned bufferSize) const
{
    std::vector<char> buffer(bufferSize, '\0');
    ::GetPrivateProfileStringA(kSection, key, nullptr, buffer.data(), bufferSize, m_strIniPath.c_str());
    buffer[bufferSize - 1] = '\0';
    return std::string(buffer.data());
}

bool CSettings::Write(const char* key, const std::string& value) const
{
    // A read-only file or folder refuses the write; callers that tell the
    // user a value was stored must know.
    return ::WritePrivateProfileStringA(kSection, key, value.c_str(), m_strIniPath.c_str()) != FALSE;
}

FitMode CSettings::ResizeMode() const { return FitModeOf(Read("ResizeType", kResizeTypeBuffer)); }
bool CSettings::SetResizeMode(FitMode mode) const { return Write("ResizeType", std::string(1, LetterOf(mode))); }

std::string CSettings::GetLastImageDirectory() const
{
    std::string value = Read("LastImageDirectory", kValueBuffer);
    CFileTools fileTools;
    if (value.empty() || !fileTools.FolderExists(value))
        return std::string();
    return value;
}
bool CSettings::SetLastImageDirectory(const std::string& value) const { return Write("LastImageDirectory", value); }

std::string CSettings::GetWallpaperTitle() const { return Read("Wallpaper", kValueBuffer); }
bool CSettings::SetWallpaperTitle(const std::string& value) const { return Write("Wallpaper", value); }

int CSettings::TimeoutMinutes() const
{
    const std::string text = Read("Timeout", kValueBuffer);
    if (text.empty() || text == "0")
        return 0;
    const int minutes = AtoI(text);
    return minutes < 1 ? 1 : minutes;
}
bool CSettings::SetTimeoutMinutes(int minutes) const { return WriteNumber("Timeout", minutes < 0 ? 0 : minutes); }

int CSettings::StartupsNumber() const
{
    const std::string text = Read("StartupsNumber", kValueBuffer);
    return text.empty() ? 1 : AtoI(text);
}
bool CSettings::SetStartupsNumber(int every) const { return WriteNumber("StartupsNumber", every); }

int CSettings::CurrentStartupNumber() const { return AtoI(Read("CurrentStartupNumber", kValueBuffer)); }

char CSettings::LetterOf(FitMode mode)
{
    switch (mode) {
    case FitMode::Stretch: return 'S';
    case FitMode::NoResize: return 'N';
    case FitMode::Fill: return 'F';
    case FitMode::Fit: return 'E';
    default: return 'P';
    }
}

FitMode CSettings::FitModeOf(const std::string& text)
{
    // A hand-edited file may hold anything: the default rather than nothing.
    const char letter = text.empty() ? 'P' : text[0];
    switch (letter) {
    case 'S': return FitMode::Stretch;
    case 'N': return FitMode::NoResize;
    case 'F': return FitMode::Fill;
    case 'E': return FitMode::Fit;
    default: return FitMode::Proportional;
    }
}

bool CSettings::WriteNumber(const char* key, int value) const
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return Write(key, text);
}

int CSettings::AtoI(const std::string& text)
{
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = (*p++ == '-');
    long long v = 0;
    while (*p >= '0' && *p <= '9') {
        // Saturate instead of overflowing on absurd values from a hand-edited file.
        if (v <= static_cast<long long>(INT_MAX) + 1)
            v = v * 10 + (*p - '0');
        ++p;
    }
    if (negative)
        v = -v;
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

bool CSettings::AdvanceStartupCounter() const
{
    if (Read("StartupsNumber", kValueBuffer).empty())
        SetStartupsNumber(1);
    const long long next = static_cast<long long>(CurrentStartupNumber()) + 1;
    const long long n = StartupsNumber();
    // Due when the count reaches the interval; past it (the interval was
    // lowered) the count starts again without a change.
    const bool due = next == n;
    WriteNumber("CurrentStartupNumber", next >= n ? 0 : static_cast<int>(next));
    return due;
}
