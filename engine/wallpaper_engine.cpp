#include "engine/wallpaper_engine.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "engine/image_ptr.h"
#include "engine/image_tools.h"
#include "engine/random_generator.h"
#include "framework/global_block.h"
#include "framework/kernel_owners.h"
#include "library/file_tools.h"
#include "settings/settings.h"

namespace {

// A draw that keeps hitting the current image gives up after this many tries.
const int kMaxDraws = 1000;

const char kDesktopKey[] = "Control Panel\\Desktop";
const char* const kDesktopValues[] = {"TileWallpaper", "WallpaperStyle", "Wallpaper"};

// What a change replaces, put back when it fails part way: the bitmap file
// (copied aside before it is replaced) and the desktop's values, and the
// system's wallpaper when it had already taken the new one.
class CChangeUndo {
public:
    explicit CChangeUndo(const CWallpaperEngine::Desktop& desktop) : m_desktop(desktop)
    {
        for (int i = 0; i < kValues; ++i)
            m_present[i] = desktop.GetValue(kDesktopValues[i], m_values[i]);
    }
    ~CChangeUndo()
    {
        if (!m_aside.empty())
            ::DeleteFileA(m_aside.c_str());
    }
    CChangeUndo(const CChangeUndo&) = delete;
    CChangeUndo& operator=(const CChangeUndo&) = delete;

    // Before `path` is written: its old file, if any, is kept beside it.
    void Keep(const std::string& path)
    {
        m_path = path;
        m_aside = path + ".old";
        if (!::CopyFileA(path.c_str(), m_aside.c_str(), FALSE))
            m_aside.clear();  // nothing there (or nothing to keep)
    }
    // The write to the kept path failed: it left the old file as it was.
    void Forget()
    {
        if (!m_aside.empty())
            ::DeleteFileA(m_aside.c_str());
        m_aside.clear();
        m_path.clear();
    }
    void SystemTookIt() { m_bSystemTookIt = true; }

    void Revert()
    {
        if (!m_path.empty()) {
            if (m_aside.empty())
                ::DeleteFileA(m_path.c_str());
            else if (::MoveFileExA(m_aside.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING))
                m_aside.clear();
        }
        for (int i = 0; i < kValues; ++i) {
            if (m_present[i])
                m_desktop.SetValue(kDesktopValues[i], m_values[i]);
            else
                m_desktop.RemoveValue(kDesktopValues[i]);
        }
        // "Wallpaper" is the system's own record of its picture.
        if (m_bSystemTookIt)
            m_desktop.SetWallpaper(m_present[kValues - 1] ? m_values[kValues - 1] : std::string());
    }

private:
    static const int kValues = sizeof kDesktopValues / sizeof kDesktopValues[0];
    const CWallpaperEngine::Desktop& m_desktop;
    std::string m_values[kValues];
    bool m_present[kValues] = {};
    std::string m_path, m_aside;
    bool m_bSystemTookIt = false;
};

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
    CImageTools tools;
    if (!CFileTools::IsPlainName(sourcePath)) {
        m_reporter.ShowImageFileStatus("The file name has characters this system cannot show. Rename the file.",
                                       sourcePath);
        return false;
    }
    if (sourcePath.empty() || !m_fileTools.FileExists(sourcePath)) {
        m_reporter.ShowImageFileStatus("Background file doesn't exist.", sourcePath);
        return false;
    }
    m_reporter.SetStatusText("Setting new background wallpaper. Please wait for second ...");
    m_reporter.RepaintNow();

    const std::string name = m_fileTools.GetFileNamePart(sourcePath);
    const std::string title = m_fileTools.RemoveFileExtension(name);

    // The fit is decided from the header, so a big photo is decoded only as
    // large as the fitted picture needs.
    int imageWidth = 0, imageHeight = 0, imageDepth = 0;
    const bool known = tools.ReadUprightSize(sourcePath, imageWidth, imageHeight, imageDepth);
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    const CImageTools::FitDecision fit =
        CImageTools::DecideFit(m_settings.ResizeMode(), imageWidth, imageHeight, screenWidth, screenHeight);

    ImagePtr image(known ? tools.LoadImageFile(sourcePath, fit.scaled ? fit.coverWidth : 0,
                                               fit.scaled ? fit.coverHeight : 0)
                         : nullptr);
    if (!image) {
        m_reporter.ShowImageFileStatus("Loading image failed. Can't set wallpaper.", sourcePath);
        return false;
    }
    m_fileTools.PumpMessages();

    // A failure from here on leaves the bitmap file and the desktop as they were.
    CChangeUndo undo(m_desktop);
    const auto keeping = [&](auto write) {
        return [&undo, write](const std::string& path) {
            undo.Keep(path);
            const bool written = write(path);
            if (!written)
                undo.Forget();  // a failed write leaves the old file itself
            return written;
        };
    };
    std::string bitmapPath;
    bool resized = false;
    if (!fit.scaled) {
        bitmapPath =
            WriteBitmap(keeping([&](const std::string& path) { return tools.SaveImageAsBmp(image.get(), path); }));
    } else {
        // Filling crops the decoded picture (whatever scale it came at) to the screen's shape.
        const RECT part = CImageTools::CoverPart(CImageTools::FI_GetWidth(image.get()),
                                                 CImageTools::FI_GetHeight(image.get()), fit.width, fit.height);
        const CGlobalBlock block(tools.StretchToDib(image.get(), fit.width, fit.height, fit.cropped ? &part : nullptr));
        if (!block) {
            m_reporter.ShowImageFileStatus("Error stretching image to fit screen.", sourcePath);
            return false;
        }
        bitmapPath = WriteBitmap(keeping([&](const std::string& path) { return tools.WriteDib(path, block); }));
        resized = true;
    }
    image.reset();
    m_fileTools.PumpMessages();

    if (bitmapPath.empty()) {
        m_reporter.ShowImageFileStatus("Error writing bitmap to disk. Can't set image as wallpaper.", sourcePath);
        return false;
    }

    // The system reads the picture's position when it is handed the picture:
    // centred and untiled, as the bitmap is already fitted. Windows 10 and 11
    // would otherwise fill the screen, enlarging and cropping it.
    if (!m_desktop.SetValue("TileWallpaper", "0") || !m_desktop.SetValue("WallpaperStyle", "0")) {
        undo.Revert();
        m_reporter.ShowImageFileStatus("Error updating registry with new wallpaper file.", sourcePath);
        return false;
    }
    if (!m_desktop.SetWallpaper(bitmapPath)) {
        undo.Revert();
        m_reporter.ShowImageFileStatus("Error setting bitmap as desktop wallpaper.", sourcePath);
        return false;
    }
    undo.SystemTookIt();
    m_fileTools.PumpMessages();

    if (!WriteDesktopRegistry(bitmapPath, 0)) {
        undo.Revert();
        m_reporter.ShowImageFileStatus("Error updating registry with new wallpaper file.", sourcePath);
        return false;
    }
    // The wallpaper is set; a title that cannot be stored only makes the
    // next random pick blind to it, which the user should still hear of.
    if (!m_settings.SetWallpaperTitle(title)) {
        m_reporter.ShowImageFileStatus("Wallpaper set, but its title could not be written to " +
                                           m_settings.m_strIniPath + ".",
                                       sourcePath);
        return true;
    }
    m_reporter.ShowImageFileStatus(resized ? "Resizing and setting new wallpaper completed successfully."
                                           : "Setting new wallpaper completed successfully.",
                                   sourcePath);
    return true;
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
