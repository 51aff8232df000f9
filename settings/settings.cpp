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

std::string CSettings::GetResizeType() const { return Read("ResizeType", kResizeTypeBuffer); }
bool CSettings::SetResizeType(const std::string& value) const { return Write("ResizeType", value); }

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

std::string CSettings::GetTimeout() const { return Read("Timeout", kValueBuffer); }
bool CSettings::SetTimeout(const std::string& value) const { return Write("Timeout", value); }

std::string CSettings::GetStartupsNumber() const { return Read("StartupsNumber", kValueBuffer); }
bool CSettings::SetStartupsNumber(const std::string& value) const { return Write("StartupsNumber", value); }

std::string CSettings::GetCurrentStartupNumber() const { return Read("CurrentStartupNumber", kValueBuffer); }
bool CSettings::SetCurrentStartupNumber(const std::string& value) const { return Write("CurrentStartupNumber", value); }

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
    std::string current = GetCurrentStartupNumber();
    std::string every = GetStartupsNumber();
    if (every.empty()) {
        every = "1";
        SetStartupsNumber(every);
    }
    const long long next = static_cast<long long>(AtoI(current)) + 1;
    const long long n = AtoI(every);
    bool due = false;
    std::string newCurrent;
    if (next == n) {
        newCurrent = "0";
        due = true;
    } else if (next > n) {
        newCurrent = "0";
    } else {
        char text[16];
        std::snprintf(text, sizeof text, "%d", static_cast<int>(next));
        newCurrent = text;
    }
    SetCurrentStartupNumber(newCurrent);
    return due;
}
