// Makes a library image the desktop wallpaper, and picks one at random.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class CFileTools;
class CRandomGenerator;
class CSettings;

class CWallpaperEngine {
public:
    // Where a run reports its progress and outcome (the main window).
    class Reporter {
    public:
        virtual ~Reporter() = default;
        virtual void SetStatusText(const std::string& text) = 0;
        virtual void ShowImageFileStatus(const std::string& message, const std::string& path) = 0;
        virtual void RepaintNow() = 0;
    };

    // The system's side of a change: the folders the bitmap may go to, the
    // desktop's registry values and the wallpaper call. Tests put a double
    // in its place.
    class Desktop {
    public:
        virtual ~Desktop() = default;
        // The Windows directory; empty when unknown.
        virtual std::string WindowsFolder() const;
        // <local application data>\KavroWallpaper, made when missing; empty
        // when it cannot be had.
        virtual std::string UserFolder() const;
        // One REG_SZ value under HKCU\Control Panel\Desktop.
        virtual bool SetValue(const char* name, const std::string& value) const;
        // The value, false when it is not stored (or not a string).
        virtual bool GetValue(const char* name, std::string& value) const;
        virtual bool RemoveValue(const char* name) const;
        // SystemParametersInfoA(SPI_SETDESKWALLPAPER).
        virtual bool SetWallpaper(const std::string& path) const;
    };
    static const Desktop& SystemDesktop();

    CWallpaperEngine(Reporter& reporter, const CSettings& settings, const CFileTools& fileTools,
                     const Desktop& desktop = SystemDesktop())
        : m_reporter(reporter), m_settings(settings), m_fileTools(fileTools), m_desktop(desktop) {}
    virtual ~CWallpaperEngine() = default;

    // Decodes, fits, writes the wallpaper bitmap, hands it to the system,
    // records it in the registry and remembers its title. Every outcome goes
    // to the reporter; true when every step succeeded.
    bool ApplyWallpaper(const std::string& sourcePath);

    // "TileWallpaper" and "Wallpaper" under HKCU\Control Panel\Desktop;
    // false when either is not stored.
    bool WriteDesktopRegistry(const std::string& path, BYTE tile) const;
    // <folder>\KavroWallpaper.BMP; empty for an unknown (empty) folder and
    // when it would not fit MAX_PATH.
    static std::string BitmapPathIn(const std::string& folder);
    // <Windows directory>\KavroWallpaper.BMP
    static std::string WallpaperBitmapPath();

    // Index of a randomly drawn entry whose title differs from the current
    // one (case-insensitively), or of the drawn entry when no other title
    // exists; -1 for an empty list. The generator is seeded by the caller.
    static int DrawImage(const std::vector<std::string>& names, const std::string& currentTitle,
                         CRandomGenerator& generator, const CFileTools& fileTools);

    // Upper-case title (name without extension) of a file name.
    static std::string UpperTitle(const std::string& name, const CFileTools& fileTools);

private:
    // The bitmap written by `write` into the Windows directory, or where a
    // standard user may write; the path written, empty when neither took it.
    template <typename Writer>
    std::string WriteBitmap(Writer write) const;

    Reporter& m_reporter;
    const CSettings& m_settings;
    const CFileTools& m_fileTools;
    const Desktop& m_desktop;
};
