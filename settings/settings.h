// The program's INI file: six text values, read from the file on every
// access and written the moment they change. Callers see them typed; the
// stored text and its odd-value rules live here alone.
#pragma once
#include <string>
#include <vector>

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
    // The titles shown on screens 2 and on, beside the primary's
    // (`Wallpaper`); none when the key is missing.
    std::vector<std::string> ScreenTitles() const;
    bool SetScreenTitles(const std::vector<std::string>& titles) const;
    // Random picks go through the library in a shuffled round; off when
    // the key is missing. The round itself is kept as text.
    bool Shuffle() const;
    bool SetShuffle(bool on) const;
    std::string ShuffleState() const;
    bool SetShuffleState(const std::string& state) const;
    // While the program runs, a new random picture every this many minutes
    // (1 to 1440); 0, and a missing key, mean never.
    int ChangeEveryMinutes() const;
    bool SetChangeEveryMinutes(int minutes) const;
    // The hot key for "Pick random" as the hot-key control gives it (virtual
    // key in the low byte, HOTKEYF_* in the high byte); 0 when none.
    unsigned PickHotkey() const;
    bool SetPickHotkey(unsigned hotkey) const;
    // A different picture on each screen; off when the key is missing.
    bool PicturePerScreen() const;
    bool SetPicturePerScreen(bool on) const;
    // Minutes until the automatic exit; 0 when it is off (no value, or "0").
    // Any other value is at least 1: "00" or "-5" close at the first tick.
    int TimeoutMinutes() const;
    bool SetTimeoutMinutes(int minutes) const;
    // The wallpaper changes every this many starts; 1 when not stored.
    int StartupsNumber() const;
    bool SetStartupsNumber(int every) const;
    int CurrentStartupNumber() const;

    // Counts this program start; true when the wallpaper is due to change.
    // *stored says whether the count reached the file.
    bool AdvanceStartupCounter(bool* stored = nullptr) const;

    static char LetterOf(FitMode mode);
    static FitMode FitModeOf(const std::string& text);

    // Leading blanks, an optional sign, digits up to the first other
    // character; no digits gives 0.
    static int AtoI(const std::string& text);

private:
    std::string Read(const char* key, unsigned bufferSize) const;
    // A value of any length up to a megabyte.
    std::string ReadLong(const char* key) const;
    bool Write(const char* key, const std::string& value) const;
    bool WriteNumber(const char* key, int value) const;
};
