// A started main window in a fresh start directory, driven like a user or the shell would.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/wallpaper_dlg.h"
#include "engine/wallpaper_engine.h"
#include "library/library_list.h"
#include "library/preview_dlg.h"
#include "resource.h"
#include "tests/test_support.h"

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { CLibraryList::ResetSortState(); }
    void TearDown() override { Close(); }

    std::string IniPath() const { return m_dir / "Kavro.ini"; }
    std::string Library() const { return m_dir / "Wallpaper"; }
    std::string LibraryFile(const std::string& name) const { return Library() + "\\" + name; }

    void WriteSetting(const char* key, const char* value) const {
        ::WritePrivateProfileStringA("Kavro", key, value, IniPath().c_str());
    }
    std::string ReadSetting(const char* key) const {
        char text[300] = {};
        return std::string(text, ::GetPrivateProfileStringA("Kavro", key, "", text, sizeof text, IniPath().c_str()));
    }

    void MakeLibrary() const { ::CreateDirectoryA(Library().c_str(), nullptr); }
    void AddImage(const std::string& name, int w = 64, int h = 48, COLORREF colour = RGB(200, 40, 40)) const {
        MakeLibrary();
        ASSERT_TRUE(testing_support::MakeImageFile(LibraryFile(name), w, h, colour)) << name;
    }
    void AddFile(const std::string& name, size_t bytes) const {
        MakeLibrary();
        testing_support::WriteFileBytes(LibraryFile(name), std::string(bytes, 'x'));
    }

    // A start that is not due (no wallpaper change of its own), then brought back from the tray.
    void StartShown() {
        WriteSetting("StartupsNumber", "100");
        Start();
        Command(ID_TRAY_SETTINGS);
    }
    CWallpaperDlg* Start() {  // as the application does
        CWinApp::Instance()->SetMainWindow(m_dlg = new CWallpaperDlg);
        EXPECT_TRUE(m_dlg->Create(nullptr));
        testing_support::Pump(50);
        return m_dlg;
    }
    void Close() {
        testing_support::CancelAnswer();
        if (m_dlg && m_dlg->m_hWnd)
            m_dlg->ExitProgram();
        delete m_dlg;
        m_dlg = nullptr;
        CWinApp::Instance()->SetMainWindow(nullptr);
        testing_support::Pump();
    }

    HWND Dlg() const { return m_dlg->m_hWnd; }
    HWND Ctrl(int id) const { return ::GetDlgItem(m_dlg->m_hWnd, id); }
    HWND ListHwnd() const { return Ctrl(IDC_LIST_FILES); }
    std::string Status() const { return testing_support::WindowText(Ctrl(IDC_STATUS)); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Ctrl(id)) != FALSE; }
    bool Visible() const { return ::IsWindowVisible(Dlg()) != FALSE; }

    void Click(int id) { Sent(Ctrl(id), BM_CLICK, 0); }
    void Command(int id) { Sent(Dlg(), WM_COMMAND, MAKEWPARAM(id, 0)); }
    void Sent(HWND target, UINT msg, WPARAM wParam) {
        ::SendMessageA(target, msg, wParam, 0);
        testing_support::Pump();
    }
    void PressKey(HWND target, UINT vk) {  // through the message loop's pre-translation
        ::PostMessageA(target, WM_KEYDOWN, vk, 1);
        ::PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
        testing_support::Pump(30);
    }

    std::vector<std::string> Rows(int column = 0, UINT only = LVNI_ALL) const {  // LVNI_SELECTED: the selected
        std::vector<std::string> rows;
        char text[MAX_PATH];
        for (int i = -1; (i = ListView_GetNextItem(ListHwnd(), i, only)) != -1;) {
            ListView_GetItemText(ListHwnd(), i, column, text, sizeof text);
            rows.push_back(text);
        }
        return rows;
    }
    std::vector<std::string> SelectedRows() const { return Rows(0, LVNI_SELECTED); }
    int RowOf(const std::string& name) const {
        LVFINDINFOA find = {};
        find.flags = LVFI_STRING;
        find.psz = name.c_str();
        return int(::SendMessageA(ListHwnd(), LVM_FINDITEMA, WPARAM(-1), LPARAM(&find)));
    }
    void SelectRows(const std::vector<int>& rows) {  // as clicks with Ctrl held would
        ListView_SetItemState(ListHwnd(), -1, 0, LVIS_SELECTED);
        for (int row : rows)
            ListView_SetItemState(ListHwnd(), row, LVIS_SELECTED, LVIS_SELECTED);
        testing_support::Pump();
    }

    // Options is the main window's one child dialog; the preview the dialog it owns.
    HWND OptionsHwnd() const { return ::FindWindowExA(Dlg(), nullptr, "#32770", nullptr); }
    CPreviewDlg* Preview() const {
        std::pair<HWND, HWND> found = {Dlg(), nullptr};
        ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND hWnd, LPARAM lp) {
            auto& f = *reinterpret_cast<std::pair<HWND, HWND>*>(lp);
            if (::GetWindow(hWnd, GW_OWNER) == f.first && ::GetDlgItem(hWnd, IDC_PREVIEW_PICTURE))
                f.second = hWnd;
            return TRUE;
        }, LPARAM(&found));
        return dynamic_cast<CPreviewDlg*>(CWindow::FromHandle(found.second));
    }
    HBITMAP PreviewPicture() const {
        return HBITMAP(::SendDlgItemMessageA(*Preview(), IDC_PREVIEW_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
    }

    TempDir m_dir;
    CWallpaperDlg* m_dlg = nullptr;
};

namespace driver {  // what the shell sends, and what the program leaves behind

// The program's tray icon: NIM_MODIFY changing nothing tells whether it is there; NIM_DELETE removes it.
inline bool TrayIcon(HWND main, DWORD action = NIM_MODIFY) {
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = main;
    icon.uID = CTrayIcon::kIconId;
    return ::Shell_NotifyIconA(action, &icon) != FALSE;
}
inline void TrayMouse(HWND main, UINT mouse) {
    ::SendMessageA(main, CTrayIcon::kNotifyMessage, 1, mouse);
    testing_support::Pump();
}
inline void ColumnClick(HWND main, int column) {  // what the list sends for a header click
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
inline std::string BitmapSize(const std::string& path) {  // "WxH" of a BMP file; "0x0" of others
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
