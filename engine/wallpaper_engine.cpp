#include "engine/wallpaper_engine.h"

#include <cstdio>
#include <cstring>

#include "engine/image_tools.h"
#include "engine/random_generator.h"
#include "library/file_tools.h"
#include "settings/settings.h"

namespace {

// A draw that keeps hitting the current image gives up after this many tries.
const int kMaxDraws = 1000;

}  // namespace

std::string CWallpaperEngine::WallpaperBitmapPath()
{
    char windowsDir[MAX_PATH] = {};
    UINT n = ::GetWindowsDirectoryA(windowsDir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        windowsDir[0] = '\0';
    char path[MAX_PATH + 32];
    std::snprintf(path, sizeof path, "%s\\%s.%s", windowsDir, "KavroWallpaper", "BMP");
    return path;
}

bool CWallpaperEngine::WriteDesktopRegistry(const std::string& path, BYTE tile)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    char tileText[8];
    std::snprintf(tileText, sizeof tileText, "%u", static_cast<unsigned>(tile));
    ::RegSetValueExA(key, "TileWallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(tileText),
                     static_cast<DWORD>(std::strlen(tileText) + 1));
    ::RegSetValueExA(key, "Wallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                     static_cast<DWORD>(path.size() + 1));
    ::RegCloseKey(key);
    return true;
}

bool CWallpaperEngine::ApplyWallpaper(const std::string& sourcePath)
{
    CImageTools tools;
    if (sourcePath.empty() || !m_fileTools.FileExists(sourcePath)) {
        m_reporter.ShowImageFileStatus("Background file doesn't exist.", sourcePath);
        return false;
    }
    m_reporter.SetStatusText("Setting new background wallpaper. Please wait for second ...");
    m_reporter.RepaintNow();

    const std::string name = m_fileTools.GetFileNamePart(sourcePath);
    const std::string title = m_fileTools.RemoveFileExtension(name);

    FIBITMAP* image = tools.LoadImageFile(sourcePath);
    if (!image) {
        m_reporter.ShowImageFileStatus("Loading image failed. Can't set wallpaper.", sourcePath);
        return false;
    }
    m_fileTools.PumpMessages();

    const std::string bitmapPath = WallpaperBitmapPath();
    const int imageWidth = static_cast<int>(CImageTools::FI_GetWidth(image));
    const int imageHeight = static_cast<int>(CImageTools::FI_GetHeight(image));
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    std::string mode = m_settings.GetResizeType();
    if (mode.empty())
        mode = "P";

    bool written = true;
    bool saved = true;
    bool resized = false;
    const CImageTools::FitDecision fit =
        CImageTools::DecideFit(mode, imageWidth, imageHeight, screenWidth, screenHeight);
    if (!fit.scaled) {
        saved = tools.SaveImageAsBmp(image, bitmapPath);
    } else {
        HGLOBAL block = tools.StretchToDib(image, fit.width, fit.height);
        if (!block) {
            CImageTools::FI_Unload(image);
            m_reporter.ShowImageFileStatus("Error stretching image to fit screen.", sourcePath);
            return false;
        }
        written = tools.WriteDib(bitmapPath, block);
        ::GlobalFree(block);
        resized = true;
    }
    CImageTools::FI_Unload(image);
    m_fileTools.PumpMessages();

    if (!written || !saved) {
        m_reporter.ShowImageFileStatus("Error writing bitmap to disk. Can't set image as wallpaper.", sourcePath);
        return false;
    }

    ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(bitmapPath.c_str()), SPIF_UPDATEINIFILE);
    m_fileTools.PumpMessages();

    if (!WriteDesktopRegistry(bitmapPath, 0)) {
        m_reporter.ShowImageFileStatus("Error updating registry with new wallpaper file.", sourcePath);
        return false;
    }
    m_settings.SetWallpaperTitle(title);
    m_reporter.ShowImageFileStatus(resized ? "Resizing and setting new wallpaper completed successfully."
                                           : "Setting new wallpaper completed successfully.",
                                   sourcePath);
    return true;
}

std::vector<std::string> CWallpaperEngine::ListImageEntries(const std::string& folder, const CFileTools& fileTools)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((folder + "\\*.*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string ext = CFileTools::UpperCase(fileTools.GetFileExtension(fd.cFileName));
        if (ext == "BMP" || ext == "JPG")
            names.push_back(fd.cFileName);
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    return names;
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
