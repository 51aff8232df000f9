// Driving the main window as the shell would, and reading what the program leaves behind.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "engine/wallpaper_engine.h"
#include "resource.h"
#include "tests/test_support.h"

namespace driver {

// What the shell sends for a mouse event on the tray icon, and the list for a header click.
inline void TrayMouse(HWND main, UINT mouseMessage) {
    ::SendMessageA(main, WM_USER + 1, 1, static_cast<LPARAM>(mouseMessage));
    testing_support::Pump();
}
inline void ColumnClick(HWND main, int column) {
    NMLISTVIEW nm = {};
    nm.hdr = {::GetDlgItem(main, IDC_LIST_FILES), IDC_LIST_FILES, UINT(LVN_COLUMNCLICK)};
    nm.iSubItem = column;
    ::SendMessageA(main, WM_NOTIFY, IDC_LIST_FILES, reinterpret_cast<LPARAM>(&nm));
    testing_support::Pump();
}
inline std::string DesktopValue(const char* name) {
    char value[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    ::RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", name, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}
// "WxH" from a BMP file's header; "0x0" when it is not one.
inline std::string BitmapSize(const std::string& path) {
    const std::string bytes = testing_support::ReadFileBytes(path);
    BITMAPINFOHEADER info = {};
    if (bytes.size() >= sizeof(BITMAPFILEHEADER) + sizeof info && bytes.compare(0, 2, "BM") == 0)
        ::CopyMemory(&info, bytes.data() + sizeof(BITMAPFILEHEADER), sizeof info);
    return std::to_string(info.biWidth) + "x" + std::to_string(abs(info.biHeight));
}
inline void ClearWallpaperTraces() {  // so that a test sees only what it caused
    ::DeleteFileA(CWallpaperEngine::WallpaperBitmapPath().c_str());
    ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", REG_SZ, "before-test", 12);
    ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "TileWallpaper", REG_SZ, "1", 2);
}

}  // namespace driver
