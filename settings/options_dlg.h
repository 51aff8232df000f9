// The Options dialog: a hidden child of the main window, shown over the
// library list while the user edits StartupsNumber, Timeout and ResizeType.
// Apply writes the three values at once; Cancel writes nothing.
#pragma once
#include <windows.h>

#include "decor/color_button.h"
#include "framework/dialog.h"
#include "framework/window.h"

class CWallpaperDlg;

class COptionsDlg : public CDialog {
public:
    // The main window creates the object once at initialisation and then its
    // window with Create(mainWnd.m_hWnd); the object deletes itself when the
    // window is destroyed together with the main window.
    explicit COptionsDlg(CWallpaperDlg& mainWnd);
    ~COptionsDlg() override;

    // The main window's command 1009 ("Options"): disables the conflicting
    // main-window buttons, hides the list and shows the dialog loaded from
    // the settings file.
    void Open();

    // Check box 1015: shows or hides the minutes controls, puts the mode
    // buttons back to the stored mode and (re)starts the label timer.
    void RefreshChoices();

    int Startups() const { return m_nStartups; }
    UINT_PTR TimerId() const { return m_nTimerId; }
    HWND ToolTip() const { return m_toolTip; }

    // Relays to the tooltip, swallows Escape, then the dialog keyboard.
    bool PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;      // OnApply
    void OnCancel() override;  // OnCancelOptions
    void PostNcDestroy() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    HBRUSH OnCtlColor(HDC hdc, HWND control, UINT kind) override;

private:
    // Message handlers.
    void OnRefreshChoices() { RefreshChoices(); }
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnStartupsDelta(NMHDR* hdr);
    void OnStartupsKillFocus();
    void OnApply();
    void OnCancelOptions();

    // Main-window buttons 1009, 1002 back on, 1004/1005/1007 from the list
    // selection, list view shown again.
    void RestoreMainWindow();
    void SetMinutesLabel(int minutes);
    void CreateToolTip();

    UINT_PTR m_nTimerId = 0;
    CColorButton m_btnApply;
    CColorButton m_btnCancel;
    CWindow m_radioStretch;
    CWindow m_radioNoResize;
    CWindow m_radioProportional;
    CWindow m_spinStartups;
    CWindow m_sliderTimeout;
    int m_nStartups = 1;
    HWND m_toolTip = nullptr;

    CWallpaperDlg& m_mainWnd;
};
