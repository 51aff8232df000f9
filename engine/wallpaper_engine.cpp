#include "engine/wallpaper_engine.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/change_undo.h"
#include "engine/image_ptr.h"
#include "engine/image_tools.h"
#include "engine/monitor_layout.h"
#include "engine/random_generator.h"
#include "engine/shuffle_round.h"
#include "engine/wallpaper_composer.h"
#include "framework/global_block.h"
#include "framework/kernel_owners.h"
#include "library/file_tools.h"
#include "library/library.h"
#include "settings/settings.h"

namespace {

// A draw that keeps hitting the current image gives up after this many tries.
const int kMaxDraws = 1000;

const char kDesktopKey[] = "Control Panel\\Desktop";

}  // namespace

// ---------------------------------------------------------------- the system

std::string CWallpaperEngine::Desktop::WindowsFolder() const
{
    char folder[MAX_PATH] = {};
    const UINT n = ::GetWindowsDirectoryA(folder, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? std::string() : std::string(folder, n);
}

std::string CWallpaperEngine::Desktop::UserFolder() const
{
    char appData[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                  appData)))
        return std::string();
    char folder[MAX_PATH];
    const int n = std::snprintf(folder, sizeof folder, "%s\\%s", appData, "KavroWallpaper");
    if (n < 0 || n >= static_cast<int>(sizeof folder))
        return std::string();
    if (!::CreateDirectoryA(folder, nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return std::string();
    return folder;
}

bool CWallpaperEngine::Desktop::SetValue(const char* name, const std::string& value) const
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS)
        return false;
    const CRegKey key(opened);
    return ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool CWallpaperEngine::Desktop::GetValue(const char* name, std::string& value) const
{
    char text[1024];
    DWORD size = sizeof text;
    if (::RegGetValueA(HKEY_CURRENT_USER, kDesktopKey, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return false;
    value.assign(text, size > 0 ? size - 1 : 0);
    return true;
}

bool CWallpaperEngine::Desktop::RemoveValue(const char* name) const
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS)
        return false;
    const CRegKey key(opened);
    const LONG rc = ::RegDeleteValueA(key, name);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool CWallpaperEngine::Desktop::SetWallpaper(const std::string& path) const
{
    return ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(path.c_str()),
                                   SPIF_UPDATEINIFILE) != FALSE;
}

bool CWallpaperEngine::Desktop::CanSpan() const
{
    // The span position came with Windows 8 (6.2); the manifest names the
    // later systems, so the version is told truly.
    OSVERSIONINFOEXA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 2;
    ULONGLONG condition = 0;
    for (DWORD part : {VER_MAJORVERSION, VER_MINORVERSION, VER_SERVICEPACKMAJOR})
        condition = ::VerSetConditionMask(condition, part, VER_GREATER_EQUAL);
    return ::VerifyVersionInfoA(&version, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, condition) !=
           FALSE;
}

const CWallpaperEngine::Desktop& CWallpaperEngine::SystemDesktop()
{
    static const Desktop desktop;
    return desktop;
}

std::string CWallpaperEngine::BitmapPathIn(const std::string& folder)
{
    if (folder.empty())
        return std::string();  // not the drive's root
    char path[MAX_PATH];
    const int n = std::snprintf(path, sizeof path, "%s\\%s.%s", folder.c_str(), "KavroWallpaper", "BMP");
    return n < 0 || n >= static_cast<int>(sizeof path) ? std::string() : std::string(path);
}

std::string CWallpaperEngine::WallpaperBitmapPath()
{
    return BitmapPathIn(SystemDesktop().WindowsFolder());
}

bool CWallpaperEngine::WriteDesktopRegistry(const std::string& path, BYTE tile) const
{
    char tileText[8];
    std::snprintf(tileText, sizeof tileText, "%u", static_cast<unsigned>(tile));
    const bool tiled = m_desktop.SetValue("TileWallpaper", tileText);
    return m_desktop.SetValue("Wallpaper", path) && tiled;
}

template <typename Writer>
std::string CWallpaperEngine::WriteBitmap(Writer write) const
{
    // Since Vista only an elevated program may write into the Windows
    // directory; a standard user's bitmap goes to a folder of his own.
    std::string path = BitmapPathIn(m_desktop.WindowsFolder());
    if (!path.empty() && write(path))
        return path;
    const std::string userFolder = m_desktop.UserFolder();
    path = userFolder.empty() ? std::string() : BitmapPathIn(userFolder);
    if (!path.empty() && write(path))
        return path;
    return std::string();
}

// ---------------------------------------------------------------- applying

bool CWallpaperEngine::ApplyWallpaper(const std::string& sourcePath)
{
    return ApplyWallpapers({sourcePath});
}

bool CWallpaperEngine::ApplyWallpapers(const std::vector<std::string>& sources)
{
    return Apply(sources, false);
}

std::vector<std::string> CWallpaperEngine::ShownPaths(const CLibrary& library) const
{
    std::vector<std::string> titles = m_settings.ScreenTitles();
    titles.insert(titles.begin(), m_settings.GetWallpaperTitle());
    std::vector<std::string> paths;
    for (const std::string& title : titles)
        paths.push_back(title.empty() ? std::string() : library.FindByTitle(title));
    return paths;
}

bool CWallpaperEngine::Refit(const CLibrary& library)
{
    std::vector<std::string> paths = ShownPaths(library);
    if (paths[0].empty()) {
        m_reporter.SetStatusText("The screens changed. The wallpaper's picture is not in the library, so the "
                                 "wallpaper stays as it is.");
        return false;
    }
    for (std::string& path : paths)
        if (path.empty())
            path = paths[0];
    return Apply(paths, true);
}

bool CWallpaperEngine::ApplyRandom(const CLibrary& library, std::uint32_t seed, std::string* picked)
{
    std::vector<std::string> names;
    for (const CLibrary::Entry& entry : library.ListPictures())
        names.push_back(entry.name);
    if (names.empty())
        return false;
    CRandomGenerator generator;
    generator.Seed(seed);
    const bool shuffle = m_settings.Shuffle();
    CShuffleRound round(shuffle ? m_settings.ShuffleState() : std::string());
    const size_t count = m_settings.PicturePerScreen() ? ScreenCount() : 1;
    const std::vector<int> drawn = DrawImages(names, m_settings.GetWallpaperTitle(), count, generator, m_fileTools,
                                              shuffle ? &round : nullptr);
    // The round moves on even when this change fails: a damaged picture
    // is not offered again and again.
    if (shuffle)
        m_settings.SetShuffleState(round.State());
    std::vector<std::string> paths;
    for (int index : drawn)
        paths.push_back(library.PathOf(names[static_cast<size_t>(index)]));
    if (picked)
        *picked = names[static_cast<size_t>(drawn[0])];
    return ApplyWallpapers(paths);
}

bool CWallpaperEngine::SetOnScreen(const CLibrary& library, size_t screen, const std::string& sourcePath)
{
    std::vector<std::string> paths = ShownPaths(library);
    paths.resize(std::max(paths.size(), ScreenCount()));
    if (screen >= paths.size())
        return false;
    paths[screen] = sourcePath;
    // Screens whose picture is gone from the library show the primary's.
    const std::string fallback = paths[0].empty() ? sourcePath : paths[0];
    for (std::string& path : paths)
        if (path.empty())
            path = fallback;
    return ApplyWallpapers(paths);
}

bool CWallpaperEngine::Apply(const std::vector<std::string>& sources, bool refit)
{
    if (sources.empty())
        return false;
    const std::vector<CMonitorLayout::Monitor> monitors = m_layout.Monitors();
    // One source per monitor; monitors past the list show the first.
    std::vector<std::string> shown(monitors.size(), sources[0]);
    for (size_t i = 1; i < sources.size() && i < shown.size(); ++i)
        shown[i] = sources[i];
    for (const std::string& source : shown) {
        if (!CFileTools::IsPlainName(source)) {
            m_reporter.ShowImageFileStatus(
                "The file name has characters this system cannot show. Rename the file.", source);
            return false;
        }
        if (source.empty() || !m_fileTools.FileExists(source)) {
            m_reporter.ShowImageFileStatus("Background file doesn't exist.", source);
            return false;
        }
    }
    const std::string& primary = shown[0];
    m_reporter.SetStatusText("Setting new background wallpaper. Please wait for second ...");
    m_reporter.RepaintNow();

    // A failure from here on leaves the bitmap file and the desktop as they were.
    CChangeUndo undo(m_desktop);
    // Several monitors share one bitmap that the system spans across them
    // (Windows 8 and later); otherwise the primary screen's picture alone.
    const bool span = monitors.size() > 1 && m_desktop.CanSpan();
    Outcome outcome = span ? WriteSpanned(monitors, shown, undo) : WriteSingleScreen(primary, undo);
    if (!outcome.failure.empty()) {
        m_reporter.ShowImageFileStatus(outcome.failure, outcome.failedSource);
        return false;
    }

    // The system reads the picture's position when it is handed the picture:
    // untiled, and centred (the bitmap is already fitted) or spanned. Windows
    // 10 and 11 would otherwise fill the screen, enlarging and cropping it.
    if (!m_desktop.SetValue("TileWallpaper", "0") || !m_desktop.SetValue("WallpaperStyle", span ? "22" : "0")) {
        undo.Revert();
        m_reporter.ShowImageFileStatus("Error updating registry with new wallpaper file.", primary);
        return false;
    }
    if (!m_desktop.SetWallpaper(outcome.bitmapPath)) {
        undo.Revert();
        m_reporter.ShowImageFileStatus("Error setting bitmap as desktop wallpaper.", primary);
        return false;
    }
    undo.SystemTookIt();
    m_fileTools.PumpMessages();

    if (!WriteDesktopRegistry(outcome.bitmapPath, 0)) {
        undo.Revert();
        m_reporter.ShowImageFileStatus("Error updating registry with new wallpaper file.", primary);
        return false;
    }
    // The wallpaper is set; a title that cannot be stored only makes the
    // next random pick (or refit) blind to it, which the user should still hear of.
    bool stored = m_settings.SetWallpaperTitle(m_fileTools.RemoveFileExtension(m_fileTools.GetFileNamePart(primary)));
    if (span) {
        std::vector<std::string> others;
        for (size_t i = 1; i < shown.size(); ++i)
            others.push_back(m_fileTools.RemoveFileExtension(m_fileTools.GetFileNamePart(shown[i])));
        stored = m_settings.SetScreenTitles(others) && stored;
    }
    if (!stored) {
        m_reporter.ShowImageFileStatus("Wallpaper set, but its title could not be written to " +
                                           m_settings.m_strIniPath + ".",
                                       primary);
        return true;
    }
    m_reporter.ShowImageFileStatus(refit ? "The screens changed: the wallpaper was fitted to them anew."
                                   : outcome.resized ? "Resizing and setting new wallpaper completed successfully."
                                                     : "Setting new wallpaper completed successfully.",
                                   primary);
    return true;
}

// Every bitmap write keeps the old file aside until the change is done.
template <typename Write>
std::string CWallpaperEngine::WriteKeeping(CChangeUndo& undo, Write write) const
{
    return WriteBitmap([&](const std::string& path) {
        undo.Keep(path);
        const bool written = write(path);
        if (!written)
            undo.Forget();  // a failed write leaves the old file itself
        return written;
    });
}

CWallpaperEngine::Outcome CWallpaperEngine::WriteSingleScreen(const std::string& source, CChangeUndo& undo) const
{
    CImageTools tools;
    Outcome outcome;
    // The fit is decided from the header, so a big photo is decoded only as
    // large as the fitted picture needs.
    int imageWidth = 0, imageHeight = 0, imageDepth = 0;
    const bool known = tools.ReadUprightSize(source, imageWidth, imageHeight, imageDepth);
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    const CImageTools::FitDecision fit =
        CImageTools::DecideFit(m_settings.ResizeMode(), imageWidth, imageHeight, screenWidth, screenHeight);

    ImagePtr image(known ? tools.LoadImageFile(source, fit.scaled ? fit.coverWidth : 0, fit.scaled ? fit.coverHeight : 0)
                         : nullptr);
    if (!image)
        return Outcome::Failed("Loading image failed. Can't set wallpaper.", source);
    m_fileTools.PumpMessages();

    if (!fit.scaled) {
        outcome.bitmapPath =
            WriteKeeping(undo, [&](const std::string& path) { return tools.SaveImageAsBmp(image.get(), path); });
    } else {
        // Filling crops the decoded picture (whatever scale it came at) to the screen's shape.
        const RECT part = CImageTools::CoverPart(CImageTools::FI_GetWidth(image.get()),
                                                 CImageTools::FI_GetHeight(image.get()), fit.width, fit.height);
        bool notScaled = false;
        outcome.bitmapPath = WriteKeeping(undo, [&](const std::string& path) {
            return !notScaled &&
                   tools.WriteStretched(path, image.get(), fit.width, fit.height, fit.cropped ? &part : nullptr, &notScaled);
        });
        if (notScaled)
            return Outcome::Failed("Error stretching image to fit screen.", source);
        outcome.resized = true;
    }
    image.reset();
    m_fileTools.PumpMessages();
    if (outcome.bitmapPath.empty())
        return Outcome::Failed("Error writing bitmap to disk. Can't set image as wallpaper.", source);
    return outcome;
}

CWallpaperEngine::Outcome CWallpaperEngine::WriteSpanned(const std::vector<CMonitorLayout::Monitor>& monitors,
                                                         const std::vector<std::string>& shown,
                                                         CChangeUndo& undo) const
{
    CImageTools tools;
    Outcome outcome;
    const FitMode mode = m_settings.ResizeMode();
    CWallpaperComposer composer(monitors, ::GetSysColor(COLOR_DESKTOP));
    if (!composer.Ready())
        return Outcome::Failed("Error stretching image to fit screen.", shown[0]);
    // Each picture is decoded once, as large as its largest monitor needs.
    std::vector<bool> done(shown.size(), false);
    for (size_t i = 0; i < shown.size(); ++i) {
        if (done[i])
            continue;
        std::vector<size_t> same;
        for (size_t k = i; k < shown.size(); ++k)
            if (!done[k] && shown[k] == shown[i])
                same.push_back(k);
        int imageWidth = 0, imageHeight = 0, imageDepth = 0;
        ImagePtr image;
        if (tools.ReadUprightSize(shown[i], imageWidth, imageHeight, imageDepth)) {
            const SIZE need = composer.DecodeSize(mode, imageWidth, imageHeight, same);
            image.reset(tools.LoadImageFile(shown[i], need.cx, need.cy));
        }
        if (!image)
            return Outcome::Failed("Loading image failed. Can't set wallpaper.", shown[i]);
        for (size_t k : same) {
            bool scaled = false;
            if (!composer.Place(k, image.get(), mode, imageWidth, imageHeight, &scaled))
                return Outcome::Failed("Error stretching image to fit screen.", shown[i]);
            outcome.resized = outcome.resized || scaled;
            done[k] = true;
        }
        m_fileTools.PumpMessages();
    }
    const CGlobalBlock block(composer.TakeDib());
    if (!block)
        return Outcome::Failed("Error stretching image to fit screen.", shown[0]);
    outcome.bitmapPath = WriteKeeping(undo, [&](const std::string& path) { return tools.WriteDib(path, block); });
    if (outcome.bitmapPath.empty())
        return Outcome::Failed("Error writing bitmap to disk. Can't set image as wallpaper.", shown[0]);
    return outcome;
}

std::vector<int> CWallpaperEngine::DrawImages(const std::vector<std::string>& names, const std::string& currentTitle,
                                              size_t count, CRandomGenerator& generator, const CFileTools& fileTools,
                                              CShuffleRound* round)
{
    std::vector<int> drawn;
    if (names.empty())
        return drawn;
    drawn.push_back(round ? round->Pick(names, generator) : DrawImage(names, currentTitle, generator, fileTools));
    while (drawn.size() < count) {
        // The others among the names not drawn yet; when all are, any again.
        std::vector<std::string> rest;
        std::vector<int> at;
        for (size_t i = 0; i < names.size(); ++i)
            if (std::find(drawn.begin(), drawn.end(), static_cast<int>(i)) == drawn.end()) {
                rest.push_back(names[i]);
                at.push_back(static_cast<int>(i));
            }
        if (rest.empty()) {
            drawn.push_back(drawn[drawn.size() % names.size()]);
            continue;
        }
        const int index = round ? round->Pick(rest, generator) : static_cast<int>(generator.Next() % rest.size());
        drawn.push_back(at[static_cast<size_t>(index)]);
    }
    return drawn;
}

std::string CWallpaperEngine::UpperTitle(const std::string& name, const CFileTools& fileTools)
{
    return CFileTools::UpperCase(fileTools.RemoveFileExtension(name));
}

int CWallpaperEngine::DrawImage(const std::vector<std::string>& names, const std::string& currentTitle,
                                CRandomGenerator& generator, const CFileTools& fileTools)
{
    const int n = static_cast<int>(names.size());
    if (n == 0)
        return -1;
    const std::string current = CFileTools::UpperCase(currentTitle);
    int firstOther = -1;
    for (int i = 0; i < n && firstOther < 0; ++i)
        if (UpperTitle(names[i], fileTools) != current)
            firstOther = i;

    int index = generator.Next() % n;
    if (n == 1 || firstOther < 0)
        return index;  // nothing else to choose: the drawn image is set
    for (int draws = 1; UpperTitle(names[index], fileTools) == current; ++draws) {
        if (draws >= kMaxDraws)
            return firstOther;
        fileTools.PumpMessages();
        index = generator.Next() % n;
    }
    return index;
}
