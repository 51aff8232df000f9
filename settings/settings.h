// The program's INI file: six text values, read from the file on every
// access and written the moment they change.
#pragma once
#include <string>

class CSettings {
public:
    CSettings() = default;
    virtual ~CSettings() = default;

    std::string m_strIniPath;

    std::string GetResizeType() const;
    bool SetResizeType(const std::string& value) const;
    // Only a stored folder that still exists comes back; otherwise empty.
    std::string GetLastImageDirectory() const;
    bool SetLastImageDirectory(const std::string& value) const;
    std::string GetWallpaperTitle() const;
    bool SetWallpaperTitle(const std::string& value) const;
    std::string GetTimeout() const;
    bool SetTimeout(const std::string& value) const;
    std::string GetStartupsNumber() const;
    bool SetStartupsNumber(const std::string& value) const;
    std::string GetCurrentStartupNumber() const;
    bool SetCurrentStartupNumber(const std::string& value) const;

    // Counts this program start; true when the wallpaper is due to change.
    bool AdvanceStartupCounter() const;

    // Leading blanks, an optional sign, digits up to the first other
    // character; no digits gives 0.
    static int AtoI(const std::string& text);

private:
    std::string Read(const char* key, unsigned bufferSize) const;
    bool Write(const char* key, const std::string& value) const;
};
