// Makes a library image the desktop wallpaper, and picks one at random.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/monitor_layout.h"

class CChangeUndo;
class CFileTools;
class CLibrary;
class CShuffleRound;
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
        // Whether the system spans one picture across several monitors
        // (WallpaperStyle "22", Windows 8 and later).
        virtual bool CanSpan() const;
    };
    static const Desktop& SystemDesktop();

    CWallpaperEngine(Reporter& reporter, const CSettings& settings, const CFileTools& fileTools,
                     const Desktop& desktop = SystemDesktop(), const CMonitorLayout& layout = CMonitorLayout::System())
        : m_reporter(reporter), m_settings(settings), m_fileTools(fileTools), m_desktop(desktop), m_layout(layout)
    {
    }
    virtual ~CWallpaperEngine() = default;

    // Decodes, fits, writes the wallpaper bitmap, hands it to the system,
    // records it in the registry and remembers its title. Every outcome goes
    // to the reporter; true when every step succeeded.
    bool ApplyWallpaper(const std::string& sourcePath);
    // The same with a picture for each monitor (screen 1, the primary, first;
    // monitors past the list show the first). With several monitors the
    // pictures are fitted to their own monitors in one spanned bitmap, and
    // the titles of screens 2 and on are remembered beside the primary's.
    bool ApplyWallpapers(const std::vector<std::string>& sourcePaths);
    // After a change of monitors or resolution: the pictures shown now
    // (`Wallpaper` and the other screens' titles), found in the library by
    // title, fitted anew. A primary picture no longer in the library leaves
    // the wallpaper as it is; other screens' missing pictures become the
    // primary's.
    bool Refit(const CLibrary& library);
    // "Pick random": a library picture other than the current one (from
    // the shuffled round when that is on), or one for each monitor when the
    // user wants a different picture on each. The primary's file name goes
    // to *picked; false when the library is empty or the change failed.
    bool ApplyRandom(const CLibrary& library, std::uint32_t seed, std::string* picked);
    // The picture on one monitor (0 is the primary); the others keep theirs.
    bool SetOnScreen(const CLibrary& library, size_t screen, const std::string& sourcePath);
    size_t ScreenCount() const { return m_layout.Monitors().size(); }

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

    // `count` entries for as many monitors: the first as DrawImage draws
    // it, the others different from those before as far as the library
    // has enough; with `round`, drawn from the shuffled round instead.
    static std::vector<int> DrawImages(const std::vector<std::string>& names, const std::string& currentTitle,
                                       size_t count, CRandomGenerator& generator, const CFileTools& fileTools,
                                       CShuffleRound* round = nullptr);

    // Upper-case title (name without extension) of a file name.
    static std::string UpperTitle(const std::string& name, const CFileTools& fileTools);

private:
    // What writing the bitmap came to: its path, or the failure's status
    // line and the picture it concerns.
    struct Outcome {
        std::string bitmapPath;
        bool resized = false;
        std::string failure;
        std::string failedSource;
        static Outcome Failed(const std::string& message, const std::string& source)
        {
            Outcome outcome;
            outcome.failure = message;
            outcome.failedSource = source;
            return outcome;
        }
    };

    // The bitmap written by `write` into the Windows directory, or where a
    // standard user may write; the path written, empty when neither took it.
    template <typename Writer>
    std::string WriteBitmap(Writer write) const;
    template <typename Write>
    std::string WriteKeeping(CChangeUndo& undo, Write write) const;
    bool Apply(const std::vector<std::string>& sourcePaths, bool refit);
    // The library paths of the pictures shown now, primary first; empty
    // strings for titles not in the library.
    std::vector<std::string> ShownPaths(const CLibrary& library) const;
    Outcome WriteSingleScreen(const std::string& source, CChangeUndo& undo) const;
    Outcome WriteSpanned(const std::vector<CMonitorLayout::Monitor>& monitors, const std::vector<std::string>& shown,
                         CChangeUndo& undo) const;

    Reporter& m_reporter;
    const CSettings& m_settings;
    const CFileTools& m_fileTools;
    const Desktop& m_desktop;
    const CMonitorLayout& m_layout;
};
