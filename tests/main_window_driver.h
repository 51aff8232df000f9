// Small ways of driving the main window from outside, as the shell, the list
// header and the timer would, and of reading what the program leaves behind.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "engine/wallpaper_engine.h"
#include "resource.h"
#include "tests/test_support.h"

namespace driver {

const UINT kTrayMessage = WM_USER + 1;

// The shell's callback for a mouse event on the tray icon.
inline void TrayMouse(HWND main, UINT mouseMessage)
{
    ::SendMessageA(main, kTrayMessage, 1, static_cast<LPARAM>(mouseMessage));
    testing_support::Pump();
}

// What the list sends its parent when a column header is clicked.
inline void ColumnClick(HWND main, int column)
{
    NMLISTVIEW nm = {};
    nm.hdr.hwndFrom = ::GetDlgItem(main, IDC_LIST_FILES);
    nm.hdr.idFrom = IDC_LIST_FILES;
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iItem = -1;
    nm.iSubItem = column;
    ::SendMessageA(main, WM_NOTIFY, IDC_LIST_FILES, reinterpret_cast<LPARAM>(&nm));
    testing_support::Pump();
}

// One minute of the countdown.
inline void Tick(HWND main)
{
    ::SendMessageA(main, WM_TIMER, 1, 0);
}

inline std::string DesktopValue(const char* name)
{
    char value[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    DWORD type = 0;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return "<no key>";
    const LONG rc = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return "<missing>";
    return value;
}

inline void SetDesktopValue(const char* name, const std::string& value)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
}

// Width and height from a BMP file's header; {0, 0} when it is not one.
struct BitmapSize {
    int width = 0;
    int height = 0;
    bool operator==(const BitmapSize& o) const { return width == o.width && height == o.height; }
};

inline BitmapSize ReadBitmapSize(const std::string& path)
{
    const std::string bytes = testing_support::ReadFileBytes(path);
    BitmapSize size;
    if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || bytes[0] != 'B' || bytes[1] != 'M')
        return size;
    BITMAPINFOHEADER info;
    memcpy(&info, bytes.data() + sizeof(BITMAPFILEHEADER), sizeof info);
    size.width = info.biWidth;
    size.height = info.biHeight < 0 ? -info.biHeight : info.biHeight;
    return size;
}

// Forgets the last wallpaper, so that a test sees only what it caused.
inline void ClearWallpaperTraces()
{
    ::DeleteFileA(CWallpaperEngine::WallpaperBitmapPath().c_str());
    SetDesktopValue("Wallpaper", "before-test");
    SetDesktopValue("TileWallpaper", "1");
}

}  // namespace driver
