// The program's INI file: six text values, read from the file on every
// access and written the moment they change. Callers see them typed; the
// stored text and its odd-value rules live here alone.
#pragma once
#include <string>

// How a picture is fitted to the screen; stored as its letter: P, S, N, F
// (fill: cover the screen, cropped) and E (fit: as large as fits).
enum class FitMode { Proportional, Stretch, NoResize, Fill, Fit };

class CSettings {
public:
    CSettings() = default;
    virtual ~CSettings() = default;

    std::string m_strIniPath;

    // Only the first letter is read ("Stretch" is S); empty or unknown is
    // Proportional.
    FitMode ResizeMode() const;
    bool SetResizeMode(FitMode mode) const;
    // Only a stored folder that still exists comes back; otherwise empty.
    std::string GetLastImageDirectory() const;
    bool SetLastImageDirectory(const std::string& value) const;
    std::string GetWallpaperTitle() const;
    bool SetWallpaperTitle(const std::string& value) const;
    // Minutes until the automatic exit; 0 when it is off (no value, or "0").
    // Any other value is at least 1: "00" or "-5" close at the first tick.
    int TimeoutMinutes() const;
    bool SetTimeoutMinutes(int minutes) const;
    // The wallpaper changes every this many starts; 1 when not stored.
    int StartupsNumber() const;
    bool SetStartupsNumber(int every) const;
    int CurrentStartupNumber() const;

    // Counts this program start; true when the wallpaper is due to change.
    bool AdvanceStartupCounter() const;

    static char LetterOf(FitMode mode);
    static FitMode FitModeOf(const std::string& text);

    // Leading blanks, an optional sign, digits up to the first other
    // character; no digits gives 0.
    static int AtoI(const std::string& text);

private:
    std::string Read(const char* key, unsigned bufferSize) const;
    bool Write(const char* key, const std::string& value) const;
    bool WriteNumber(const char* key, int value) const;
};
