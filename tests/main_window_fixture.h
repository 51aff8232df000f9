// A started main window in a fresh start directory, driven like a user would.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/wallpaper_dlg.h"
#include "library/library_list.h"
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
        ::GetPrivateProfileStringA("Kavro", key, "", text, sizeof text, IniPath().c_str());
        return text;
    }

    void MakeLibrary() const { ::CreateDirectoryA(Library().c_str(), nullptr); }
    // A picture in the library (created with the folder when missing).
    void AddImage(const std::string& name, int w = 64, int h = 48, COLORREF colour = RGB(200, 40, 40)) const {
        MakeLibrary();
        ASSERT_TRUE(testing_support::MakeImageFile(LibraryFile(name), w, h, colour)) << name;
    }
    void AddFile(const std::string& name, size_t bytes) const {
        MakeLibrary();
        testing_support::WriteFileBytes(LibraryFile(name), std::string(bytes, 'x'));
    }

    // Creates the main window the way the application does.
    CWallpaperDlg* Start() {
        m_dlg = new CWallpaperDlg;
        CWinApp::Instance()->SetMainWindow(m_dlg);
        EXPECT_TRUE(m_dlg->Create(nullptr));
        testing_support::Pump(50);
        return m_dlg;
    }
    void Close() {
        testing_support::CancelAnswer();
        if (m_dlg) {
            if (m_dlg->m_hWnd)
                m_dlg->ExitProgram();
            delete m_dlg;
            m_dlg = nullptr;
        }
        CWinApp::Instance()->SetMainWindow(nullptr);
        testing_support::Pump();
    }

    HWND Dlg() const { return m_dlg->m_hWnd; }
    HWND Ctrl(int id) const { return ::GetDlgItem(m_dlg->m_hWnd, id); }
    HWND ListHwnd() const { return Ctrl(IDC_LIST_FILES); }
    std::string Status() const { return testing_support::WindowText(Ctrl(IDC_STATUS)); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Ctrl(id)) != FALSE; }
    bool Visible() const { return ::IsWindowVisible(Dlg()) != FALSE; }

    // A click on a button of the main window.
    void Click(int id) {
        ::SendMessageA(Ctrl(id), BM_CLICK, 0, 0);
        testing_support::Pump();
    }
    void Command(int id) {
        ::SendMessageA(Dlg(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        testing_support::Pump();
    }
    // A key press on a window, through the message loop's pre-translation.
    void PressKey(HWND target, UINT vk) {
        ::PostMessageA(target, WM_KEYDOWN, vk, 1);
        ::PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
        testing_support::Pump(30);
    }

    std::vector<std::string> Rows(int column = 0) const {
        std::vector<std::string> rows;
        const int n = m_dlg->List().GetItemCount();
        for (int i = 0; i < n; ++i)
            rows.push_back(m_dlg->List().GetItemText(i, column));
        return rows;
    }
    int RowOf(const std::string& name) const { return m_dlg->List().FindItem(name, false); }
    // Selects exactly the given rows, as clicks with Ctrl held would.
    void SelectRows(const std::vector<int>& rows) {
        m_dlg->List().ClearSelection();
        for (int row : rows)
            m_dlg->List().SetItemSelected(row, true);
        testing_support::Pump();
    }
    std::vector<std::string> SelectedRows() const {
        std::vector<std::string> names;
        for (int i = m_dlg->List().GetNextSelected(-1); i != -1; i = m_dlg->List().GetNextSelected(i))
            names.push_back(m_dlg->List().GetItemText(i));
        return names;
    }

    TempDir m_dir;
    CWallpaperDlg* m_dlg = nullptr;
};
