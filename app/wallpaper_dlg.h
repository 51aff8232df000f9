// The main window: banner, library list, eight buttons and the status line.
// It owns the state every other part works on and routes every command.
#pragma once
#include <windows.h>

#include <string>

#include "app/change_timer.h"
#include "app/exit_countdown.h"
#include "app/pick_hotkey.h"
#include "app/tray_icon.h"
#include "decor/color_button.h"
#include "engine/wallpaper_engine.h"
#include "framework/dialog.h"
#include "framework/gdi_owners.h"
#include "framework/tool_tip.h"
#include "library/file_commands.h"
#include "library/file_tools.h"
#include "library/library.h"
#include "library/library_list.h"
#include "settings/options_dlg.h"
#include "settings/settings.h"

class CPreviewDlg;
class CSystemImageList;

class CWallpaperDlg : public CDialog, public CWallpaperEngine::Reporter, public COptionsDlg::Listener {
public:
    CWallpaperDlg();
    ~CWallpaperDlg() override;

    static const char kTitle[];
    // The automatic-exit countdown: one tick a minute.
    static const UINT_PTR kExitTimerId = CExitCountdown::kTimerId;

    // The status line; each text replaces the previous one.
    void SetStatusText(const std::string& text) override;
    // While Options is open the list is hidden and only Hide, About and Exit work.
    void OnOptionsOpened() override;
    void OnOptionsClosed() override;
    // Timed changes and the hot key follow the stored options.
    void OnOptionsStored() override { ArmBackgroundWork(false); }
    // "<message> Image file : <path>"; an empty message shows nothing.
    void ShowImageFileStatus(const std::string& message, const std::string& path) override;
    void RepaintNow() override;
    // The one way out: tray icon removed, fonts and image list released,
    // window destroyed.
    void ExitProgram();
    // Decodes, fits and applies the image, reporting in the status line.
    void ApplyWallpaper(const std::string& sourcePath);

    // Where wallpapers go, and the monitors they span; the system's unless a
    // test says otherwise.
    void SetDesktop(const CWallpaperEngine::Desktop& desktop) { m_pDesktop = &desktop; }
    void SetMonitorLayout(const CMonitorLayout& layout) { m_pLayout = &layout; }

    // Timers besides the automatic exit: timed changes, the settling of a
    // screen change, and retries of the tray icon at logon.
    static const UINT_PTR kRefitTimerId = 3;
    // What a second start sends to bring the window back.
    static UINT ShowWindowMessage();

    bool PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnCancel() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Message handlers.
    LRESULT OnSysCommand(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    LRESULT OnMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void OnStatusSetFocus();
    LRESULT OnListItemChanged(NMHDR* hdr);
    LRESULT OnPreviewUpdate(WPARAM wParam, LPARAM lParam);
    LRESULT OnListKeyDown(NMHDR* hdr);
    LRESULT OnListColumnClick(NMHDR* hdr);
    LRESULT OnListDblClk(NMHDR* hdr);
    LRESULT OnListRClick(NMHDR* hdr);
    void OnMenuDeleteFiles();
    void OnMenuSetWallpaper();
    LRESULT OnHotKey(WPARAM wParam, LPARAM lParam);
    LRESULT OnDisplayChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnExitAfterModal(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowWindowRequest(WPARAM wParam, LPARAM lParam);
    void OnSetOnScreen(UINT screen);

    void ShowAboutBox();
    void HideToTray();
    void RestoreFromTray();
    void ArmBackgroundWork(bool tellInStatus);
    void PickRandom(bool byTimer);
    // The tray tip and the status line tell when the next timed change is due.
    void AfterChange(bool byHand);
    void CloseWindow();
    CWallpaperEngine Engine() { return CWallpaperEngine(*this, m_settings, m_fileTools, *m_pDesktop, *m_pLayout); }
    bool HasLibraryFiles();

    void FillLibraryList(const std::string& folder);
    void UpdateButtonStates();
    void UpdatePreview();

    void OnSetWallpaper();
    void PickRandomWallpaper();
    void OnAddFiles();
    void OnDeleteFiles();
    void OpenOptions();

    CLibrary Library() const { return CLibrary(m_strLibraryPath); }
    CFileCommands FileCommands();

    // Initialisation steps.
    void SetUpSystemMenu();
    void AttachColorButtons();
    void CreateFonts();
    void CreateToolTips();
    void StartupDecision();
    void CenterInWorkArea();

    CFileTools m_fileTools;
    CSettings m_settings;
    const CWallpaperEngine::Desktop* m_pDesktop = &CWallpaperEngine::SystemDesktop();
    const CMonitorLayout* m_pLayout = &CMonitorLayout::System();
    CChangeTimer m_changeTimer;
    CPickHotkey m_pickHotkey;
    COptionsDlg* m_pOptionsDlg = nullptr;
    CPreviewDlg* m_pPreviewDlg = nullptr;
    CTrayIcon m_trayIcon;
    CMenuHandle m_menuList;
    char m_szStartDir[MAX_PATH];
    std::string m_strLibraryPath;
    CExitCountdown m_exitCountdown;
    CFont m_fontList;
    CFont m_fontStatus;
    bool m_bPreviewUpdatePosted = false;
    CLibraryList m_listFiles;
    CToolTip m_toolTip;
    CSystemImageList* m_pSystemImageList = nullptr;
    HICON m_hIcon = nullptr;
    CColorButton m_btnAddFiles;
    CColorButton m_btnDeleteFiles;
    CColorButton m_btnSetWallpaper;
    CColorButton m_btnPickRandom;
    CColorButton m_btnOptions;
    CColorButton m_btnAbout;
    CColorButton m_btnHide;
    CColorButton m_btnExit;
};
