#include "app/wallpaper_dlg.h"

#include <ctime>
#include <vector>

#include "decor/about_dlg.h"
#include "decor/palette.h"
#include "engine/wallpaper_engine.h"
#include "framework/format.h"
#include "framework/wait_cursor.h"
#include "framework/win_app.h"
#include "library/preview_dlg.h"
#include "library/system_image_list.h"
#include "resource.h"

const char CWallpaperDlg::kTitle[] = "Kavro Wallpaper Version " KAVRO_VERSION;

namespace {

const char kCreditLine[] = "Freeware by Ivan Kavran, 2001";
const UINT kPreviewUpdateMessage = WM_APP + 1;
// An exit asked for inside a modal loop runs once the loop has ended.
const UINT kExitAfterModalMessage = WM_APP + 2;
// A burst of screen changes (docking, a resolution change) settles first.
const UINT kRefitDelay = 2000;

CCtlColors g_colours(palette::kDeepBlue, IDC_STATUS, palette::kLineText, palette::kInk);

}  // namespace

CWallpaperDlg::CWallpaperDlg() : CDialog(IDD_KAVROWALLPAPER_DIALOG)
{
    SetCtlColors(g_colours);
    m_szStartDir[0] = '\0';
    m_hIcon = ::LoadIconA(CWinApp::Instance()->ResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CWallpaperDlg::~CWallpaperDlg()
{
    if (m_hWnd)
        CloseWindow();
}

UINT CWallpaperDlg::ShowWindowMessage()
{
    static const UINT message = ::RegisterWindowMessageA("KavroWallpaper.ShowWindow");
    return message;
}

void CWallpaperDlg::DoDataExchange(CDataExchange& dx)
{
    dx.Control(IDC_LIST_FILES, m_listFiles);
}

BOOL CWallpaperDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    DWORD n = ::GetCurrentDirectoryA(MAX_PATH, m_szStartDir);
    if (n == 0 || n >= MAX_PATH)
        m_szStartDir[0] = '\0';
    m_settings.m_strIniPath = Format("%s\\%s", m_szStartDir, "Kavro.ini");
    m_strLibraryPath = Format("%s%s", m_szStartDir, "\\Wallpaper");

    SetUpSystemMenu();
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    ::SetWindowTextA(m_hWnd, kTitle);
    SetStatusText("");

    m_pSystemImageList = new CSystemImageList;
    m_listFiles.SetUp(m_pSystemImageList);
    AttachColorButtons();

    m_pOptionsDlg = new COptionsDlg(*this, m_settings);
    if (!m_pOptionsDlg->Create(m_hWnd)) {
        delete m_pOptionsDlg;
        m_pOptionsDlg = nullptr;
    }
    m_pPreviewDlg = new CPreviewDlg;
    if (!m_pPreviewDlg->Create(m_hWnd)) {
        delete m_pPreviewDlg;
        m_pPreviewDlg = nullptr;
    }

    StartupDecision();

    m_menuList.Reset(::LoadMenuA(CWinApp::Instance()->ResourceInstance(), MAKEINTRESOURCEA(IDR_LIST_MENU)));
    m_trayIcon.Add(m_hWnd, m_hIcon, kTitle, IDR_TRAY_MENU);
    ArmBackgroundWork(true);
    CreateFonts();
    CreateToolTips();
    UpdateButtonStates();

    if (!::IsWindowVisible(m_hWnd))
        CenterInWorkArea();  // so that the first restore shows it centred
    return TRUE;
}

void CWallpaperDlg::SetUpSystemMenu()
{
    HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    if (!menu)
        return;
    char text[128] = {};
    if (::LoadStringA(CWinApp::Instance()->ResourceInstance(), IDS_ABOUTBOX, text, sizeof text) > 0) {
        ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
    }
    ::DeleteMenu(menu, 0, MF_BYPOSITION);
    ::DeleteMenu(menu, 1, MF_BYPOSITION);
    ::DeleteMenu(menu, 2, MF_BYPOSITION);
}

void CWallpaperDlg::AttachColorButtons()
{
    const struct { CColorButton& button; int id; } kButtons[] = {
        {m_btnAddFiles, IDC_ADD_FILES}, {m_btnDeleteFiles, IDC_DELETE_FILES},
        {m_btnSetWallpaper, IDC_SET_WALLPAPER}, {m_btnPickRandom, IDC_PICK_RANDOM},
        {m_btnOptions, IDC_OPTIONS}, {m_btnAbout, IDC_ABOUT},
        {m_btnHide, IDC_HIDE}, {m_btnExit, IDCANCEL},
    };
    for (const auto& b : kButtons)
        b.button.AttachToDialogItem(b.id, m_hWnd, palette::kPaleBlue, palette::kInk, palette::kDeepBlue, 2);
}

void CWallpaperDlg::CreateFonts()
{
    const struct { CFont& font; int id, height, weight; const char* face; } kFonts[] = {
        {m_fontList, IDC_LIST_FILES, 12, FW_BOLD, "Arial"}, {m_fontStatus, IDC_STATUS, 11, FW_NORMAL, "Tahoma"}};
    for (const auto& f : kFonts) {
        f.font.Reset(::CreateFontA(ScaleToScreen(f.height), 0, 0, 0, f.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                   f.face));
        if (f.font)
            ::SendMessageA(Item(f.id), WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(f.font)), TRUE);
    }
}

void CWallpaperDlg::CreateToolTips()
{
    static const CToolTip::Tip kTips[] = {
        {IDC_LIST_FILES, "KavroWallpaper list of image files."},
        {IDC_ADD_FILES, "Add new file to image list."},
        {IDC_DELETE_FILES, "Delete file(s) from image list."},
        {IDC_SET_WALLPAPER, "Set selected image file as desktop wallpaper."},
        {IDC_PICK_RANDOM, "Set random image file as desktop wallpaper."},
        {IDC_OPTIONS, "Set program options."},
        {IDC_ABOUT, "About program."},
        {IDC_HIDE, "Hide and minize program in tray icon."},
        {IDCANCEL, "Exit program."},
        {IDC_STATUS, "KavroWallpaper program messages."},
    };
    m_toolTip.Create(m_hWnd, palette::kTipBack, kTips, 70);
}

void CWallpaperDlg::CenterInWorkArea()
{
    RECT rc;
    if (!::GetWindowRect(m_hWnd, &rc))
        return;
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    HMONITOR monitor = ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY);
    if (!monitor || !::GetMonitorInfoA(monitor, &mi))
        return;
    const RECT& work = mi.rcWork;
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    const int x = work.left + ((work.right - work.left) - w) / 2;
    const int y = work.top + ((work.bottom - work.top) - h) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ------------------------------------------------------------ status line

void CWallpaperDlg::SetStatusText(const std::string& text)
{
    ::SetDlgItemTextA(m_hWnd, IDC_STATUS, text.c_str());
}

void CWallpaperDlg::ShowImageFileStatus(const std::string& message, const std::string& path)
{
    if (message.empty())
        return;
    SetStatusText(message + " " + "Image file" + " : " + path);
}

void CWallpaperDlg::RepaintNow()
{
    ::UpdateWindow(m_hWnd);
}

// ------------------------------------------------------------ ending

void CWallpaperDlg::OnCancel()
{
    ExitProgram();
}

void CWallpaperDlg::ExitProgram()
{
    // Inside a question, a menu or the file dialog the window stays until
    // that has ended: destroying it would end the loop with a false answer.
    if (m_hWnd && CWinApp::Instance()->InModal()) {
        CWinApp::Instance()->AfterModal(m_hWnd, kExitAfterModalMessage);
        return;
    }
    CloseWindow();
}

LRESULT CWallpaperDlg::OnExitAfterModal(WPARAM, LPARAM)
{
    ExitProgram();
    return 0;
}

void CWallpaperDlg::CloseWindow()
{
    if (!m_hWnd)
        return;
    m_changeTimer.Stop();
    m_pickHotkey.Unregister();
    m_trayIcon.Remove();
    if (m_pSystemImageList) {
        m_pSystemImageList->Detach();
        delete m_pSystemImageList;
        m_pSystemImageList = nullptr;
    }
    HWND hWnd = m_hWnd;
    ::DestroyWindow(hWnd);  // the child and owned windows go with it
    m_pOptionsDlg = nullptr;
    m_pPreviewDlg = nullptr;
    m_toolTip.Detach();
    // The controls that used the fonts are gone now.
    m_fontList.Reset();
    m_fontStatus.Reset();
    m_menuList.Reset();
}

void CWallpaperDlg::ShowAboutBox()
{
    const CModalScope modal;
    CAboutDlg about;
    about.DoModal(m_hWnd);
}

// ------------------------------------------------------------ message table

bool CWallpaperDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (m_trayIcon.OnTaskbarCreated(msg)) {
        result = 0;
        return true;
    }
    if (msg == ShowWindowMessage())
        return (result = OnShowWindowRequest(wParam, lParam)), true;
    const UINT command = LOWORD(wParam);
    if (msg == WM_COMMAND && command >= ID_LIST_SET_ON_SCREEN &&
        command < ID_LIST_SET_ON_SCREEN + CLibraryList::kMaxScreenItems) {
        OnSetOnScreen(command - ID_LIST_SET_ON_SCREEN);
        return (result = 0), true;
    }

    using E = MessageEntry<CWallpaperDlg>;
    static const E kTable[] = {
        E::Message(WM_SYSCOMMAND, &CWallpaperDlg::OnSysCommand),
        E::Message(WM_PAINT, &CWallpaperDlg::OnPaint),
        E::Message(WM_QUERYDRAGICON, &CWallpaperDlg::OnQueryDragIcon),
        E::Command(ID_TRAY_EXIT, &CWallpaperDlg::ExitProgram),
        E::Command(ID_TRAY_SETTINGS, &CWallpaperDlg::RestoreFromTray),
        E::Command(IDC_ADD_FILES, &CWallpaperDlg::OnAddFiles),
        E::Command(IDC_SET_WALLPAPER, &CWallpaperDlg::OnSetWallpaper),
        E::Command(IDC_PICK_RANDOM, &CWallpaperDlg::PickRandomWallpaper),
        E::Command(IDC_DELETE_FILES, &CWallpaperDlg::OnDeleteFiles),
        E::Command(ID_TRAY_PICK_RANDOM, &CWallpaperDlg::PickRandomWallpaper),
        E::Command(ID_TRAY_ABOUT, &CWallpaperDlg::ShowAboutBox),
        E::Command(IDC_ABOUT, &CWallpaperDlg::ShowAboutBox),
        E::Command(IDC_OPTIONS, &CWallpaperDlg::OpenOptions),
        E::Control(EN_SETFOCUS, IDC_STATUS, &CWallpaperDlg::OnStatusSetFocus),
        E::Command(IDC_HIDE, &CWallpaperDlg::HideToTray),
        E::Message(WM_TIMER, &CWallpaperDlg::OnTimer),
        E::Notify(LVN_ITEMCHANGED, IDC_LIST_FILES, &CWallpaperDlg::OnListItemChanged),
        E::Message(WM_MOVE, &CWallpaperDlg::OnMove),
        E::Notify(LVN_KEYDOWN, IDC_LIST_FILES, &CWallpaperDlg::OnListKeyDown),
        E::Notify(LVN_COLUMNCLICK, IDC_LIST_FILES, &CWallpaperDlg::OnListColumnClick),
        E::Notify(NM_DBLCLK, IDC_LIST_FILES, &CWallpaperDlg::OnListDblClk),
        E::Notify(NM_RCLICK, IDC_LIST_FILES, &CWallpaperDlg::OnListRClick),
        E::Command(ID_LIST_DELETE_FILES, &CWallpaperDlg::OnMenuDeleteFiles),
        E::Command(ID_LIST_SET_WALLPAPER, &CWallpaperDlg::OnMenuSetWallpaper),
        E::Message(CTrayIcon::kNotifyMessage, &CWallpaperDlg::OnTrayNotify),
        E::Message(kPreviewUpdateMessage, &CWallpaperDlg::OnPreviewUpdate),
        E::Message(WM_HOTKEY, &CWallpaperDlg::OnHotKey),
        E::Message(WM_DISPLAYCHANGE, &CWallpaperDlg::OnDisplayChange),
        E::Message(kExitAfterModalMessage, &CWallpaperDlg::OnExitAfterModal),
    };
    return DispatchMessageTable(this, kTable, msg, wParam, lParam, result);
}

bool CWallpaperDlg::PreTranslateMessage(MSG* msg)
{
    m_toolTip.RelayEvent(msg);
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
        const int answer = CWinApp::Instance()->MessageBox(
            m_hWnd, "Exit KavroWallpaper application. Are you sure ?", MB_YESNO | MB_ICONEXCLAMATION);
        if (answer != IDYES)
            return true;
    } else if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
        HideToTray();
    }
    return CDialog::PreTranslateMessage(msg);
}

LRESULT CWallpaperDlg::OnSysCommand(WPARAM wParam, LPARAM)
{
    const UINT command = static_cast<UINT>(wParam) & 0xFFF0;
    if (command == IDM_ABOUTBOX)
        ShowAboutBox();
    else if (command == SC_MINIMIZE)
        HideToTray();
    else
        SetMsgHandled(false);
    return 0;
}

LRESULT CWallpaperDlg::OnPaint(WPARAM, LPARAM)
{
    SetMsgHandled(PaintIconic(m_hIcon));
    return 0;
}

LRESULT CWallpaperDlg::OnQueryDragIcon(WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>(m_hIcon);
}

void CWallpaperDlg::OnStatusSetFocus()
{
    ::SetFocus(m_listFiles.m_hWnd);
}

// ------------------------------------------------------------ tray and hiding

LRESULT CWallpaperDlg::OnTrayNotify(WPARAM, LPARAM lParam)
{
    if (m_trayIcon.OnNotify(lParam))
        RestoreFromTray();
    return 0;
}

void CWallpaperDlg::HideToTray()
{
    if (m_pPreviewDlg)
        ::ShowWindow(m_pPreviewDlg->m_hWnd, SW_HIDE);
    ::ShowWindow(m_hWnd, SW_HIDE);
    m_exitCountdown.Arm(m_hWnd, m_settings.TimeoutMinutes());
}

void CWallpaperDlg::RestoreFromTray()
{
    m_exitCountdown.Disarm();
    ::ShowWindow(m_hWnd, SW_SHOW);
    FillLibraryList(m_strLibraryPath);
    ::SetForegroundWindow(m_hWnd);
    const std::string title = m_settings.GetWallpaperTitle();
    if (!title.empty())
        m_listFiles.SelectAndShow(title + ".", true, false);
}

// ------------------------------------------------------------ start-up cycle

bool CWallpaperDlg::HasLibraryFiles()
{
    const bool found = Library().HasEntries();
    if (!found) {
        SetStatusText("There is no image files in Wallpaper list. Please add wallpaper files.");
        return false;
    }
    SetStatusText(Format("%s. %s", kTitle, kCreditLine));
    return true;
}

void CWallpaperDlg::StartupDecision()
{
    bool counted = true;
    const bool due = m_settings.AdvanceStartupCounter(&counted);
    if (HasLibraryFiles()) {
        if (due)
            PickRandomWallpaper();
        m_exitCountdown.Arm(m_hWnd, m_settings.TimeoutMinutes());
        ::ShowWindow(m_hWnd, SW_HIDE);
    } else {
        m_exitCountdown.Disarm();
        ::ShowWindow(m_hWnd, SW_SHOW);
        CenterInWorkArea();
        FillLibraryList(m_strLibraryPath);
    }
    // A settings file that cannot be written would silently stop the
    // unattended changes.
    if (!counted)
        SetStatusText("Error writing settings file " + m_settings.m_strIniPath + ". This start was not counted.");
}

LRESULT CWallpaperDlg::OnTimer(WPARAM wParam, LPARAM)
{
    switch (wParam) {
    case CChangeTimer::kTimerId:
        PickRandom(true);
        return 0;
    case kRefitTimerId: {
        ::KillTimer(m_hWnd, kRefitTimerId);
        CWaitCursor wait;
        Engine().Refit(Library());
        return 0;
    }
    case CTrayIcon::kRetryTimerId:
        m_trayIcon.Retry();
        return 0;
    case kExitTimerId:
        if (m_exitCountdown.Tick())
            ExitProgram();
        return 0;
    default:
        SetMsgHandled(false);
        return 0;
    }
}

// Timed changes and the hot key follow the settings: at start and after Options.
void CWallpaperDlg::ArmBackgroundWork(bool tellInStatus)
{
    if (!m_changeTimer.Start(m_hWnd, m_settings.ChangeEveryMinutes()))
        SetStatusText("The timer for changing the wallpaper could not be started.");
    else if (tellInStatus)  // after Options, its own message says it
        AfterChange(false);
    m_trayIcon.SetTip(m_changeTimer.TrayTip(kTitle).c_str());
    const unsigned hotkey = m_settings.PickHotkey();
    if (!m_pickHotkey.Register(m_hWnd, hotkey))
        SetStatusText(CPickHotkey::NameOf(hotkey) + " is used by another program. Choose another key in Options.");
}

// A change by hand starts the interval of timed changes again.
void CWallpaperDlg::AfterChange(bool byHand)
{
    if (byHand)
        m_changeTimer.Restart();

    m_trayIcon.SetTip(m_changeTimer.TrayTip(kTitle).c_str());
    if (m_changeTimer.Running())
        SetStatusText(m_changeTimer.WithNextChange(TextOf(Item(IDC_STATUS))));
}

LRESULT CWallpaperDlg::OnHotKey(WPARAM wParam, LPARAM)
{
    if (wParam == CPickHotkey::kHotkeyId)
        PickRandomWallpaper();
    return 0;
}

LRESULT CWallpaperDlg::OnDisplayChange(WPARAM, LPARAM)
{
    // Each change of the burst starts the wait again.
    ::SetTimer(m_hWnd, kRefitTimerId, kRefitDelay, nullptr);
    SetMsgHandled(false);
    return 0;
}

LRESULT CWallpaperDlg::OnShowWindowRequest(WPARAM, LPARAM)
{
    // Without its icon the program would be out of reach.
    if (!m_trayIcon.InShell())
        RestoreFromTray();
    return 0;
}

// ------------------------------------------------------------ library list

void CWallpaperDlg::FillLibraryList(const std::string& folder)
{
    CWaitCursor wait;
    if (!m_listFiles.Fill(CLibrary(folder)))
        return;
    UpdateButtonStates();
    UpdatePreview();
}

void CWallpaperDlg::UpdateButtonStates()
{
    const int selected = m_listFiles.GetSelectedCount();
    const int count = m_listFiles.GetItemCount();
    ::EnableWindow(Item(IDC_SET_WALLPAPER), selected == 1);
    ::EnableWindow(Item(IDC_DELETE_FILES), selected >= 1);
    ::EnableWindow(Item(IDC_PICK_RANDOM), count != 0);
}

LRESULT CWallpaperDlg::OnListItemChanged(NMHDR* hdr)
{
    // Only a change of selection concerns the buttons and the preview.
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(hdr);
    if (!(change->uChanged & LVIF_STATE) || !((change->uNewState ^ change->uOldState) & LVIS_SELECTED))
        return 0;
    UpdateButtonStates();
    // One click sends one notification for the row that loses the selection
    // and one for the row that gains it: the preview follows once, after both.
    if (!m_bPreviewUpdatePosted)
        m_bPreviewUpdatePosted = ::PostMessageA(m_hWnd, kPreviewUpdateMessage, 0, 0) != FALSE;
    return 0;
}

LRESULT CWallpaperDlg::OnPreviewUpdate(WPARAM, LPARAM)
{
    m_bPreviewUpdatePosted = false;
    UpdatePreview();
    return 0;
}

LRESULT CWallpaperDlg::OnListKeyDown(NMHDR* hdr)
{
    auto* key = reinterpret_cast<NMLVKEYDOWN*>(hdr);
    if (key->wVKey == VK_DELETE && m_listFiles.GetSelectedCount() > 0)
        OnDeleteFiles();
    return 0;
}

LRESULT CWallpaperDlg::OnListColumnClick(NMHDR* hdr)
{
    auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
    m_listFiles.OnColumnClick(nm->iSubItem);
    return 0;
}

LRESULT CWallpaperDlg::OnListDblClk(NMHDR*)
{
    OnSetWallpaper();
    return 0;
}

LRESULT CWallpaperDlg::OnListRClick(NMHDR*)
{
    if (m_menuList) {
        const CModalScope modal;
        m_listFiles.ShowContextMenu(m_hWnd, ::GetSubMenu(m_menuList, 0), m_pLayout->Monitors().size());
    }
    return 0;
}

void CWallpaperDlg::OnMenuDeleteFiles()
{
    if (m_listFiles.GetSelectedCount() > 0)
        OnDeleteFiles();
}

void CWallpaperDlg::OnMenuSetWallpaper()
{
    OnSetWallpaper();
}

void CWallpaperDlg::OnSetOnScreen(UINT screen)
{
    const int item = m_listFiles.GetNextSelected(-1);
    if (item == -1)
        return;
    CWaitCursor wait;
    AfterChange(Engine().SetOnScreen(Library(), screen, Library().PathOf(m_listFiles.GetItemText(item))));
}

// ------------------------------------------------------------ wallpaper

void CWallpaperDlg::OnSetWallpaper()
{
    const int item = m_listFiles.GetNextSelected(-1);
    if (item == -1)
        return;
    const std::string path = Library().PathOf(m_listFiles.GetItemText(item));
    CWaitCursor wait;
    ApplyWallpaper(path);
}

void CWallpaperDlg::ApplyWallpaper(const std::string& sourcePath)
{
    AfterChange(Engine().ApplyWallpaper(sourcePath));
}

void CWallpaperDlg::PickRandomWallpaper()
{
    PickRandom(false);
}

// A failed timed change is reported; the next is tried at the next interval.
void CWallpaperDlg::PickRandom(bool byTimer)
{
    CWaitCursor wait;
    SetStatusText("Choosing random image file from wallpaper directory. Please wait ....");
    ::UpdateWindow(m_hWnd);
    std::string name;
    const bool changed = Engine().ApplyRandom(Library(), static_cast<std::uint32_t>(std::time(nullptr)), &name);
    AfterChange(changed && !byTimer);
    if (!name.empty())
        m_listFiles.SelectAndShow(name, false, true);
    else if (byTimer)
        SetStatusText("There is no image files in Wallpaper list. Please add wallpaper files.");
    else
        RestoreFromTray();
}

// ------------------------------------------------------------ preview

void CWallpaperDlg::UpdatePreview()
{
    if (!m_pPreviewDlg)
        return;
    CWaitCursor wait;
    const bool shown = ::IsWindowVisible(m_hWnd) != FALSE;
    const std::string path = shown && m_listFiles.GetSelectedCount() == 1
                                 ? Library().PathOf(m_listFiles.GetItemText(m_listFiles.GetNextSelected(-1)))
                                 : std::string();
    if (!m_pPreviewDlg->ShowBeside(m_hWnd, path)) {
        ShowImageFileStatus("Loading image failed. Can't show preview image.", path);
        return;
    }
    if (!path.empty())
        ::SetFocus(m_listFiles.m_hWnd);
    if (shown)
        ::SetActiveWindow(m_hWnd);
}

LRESULT CWallpaperDlg::OnMove(WPARAM, LPARAM)
{
    SetMsgHandled(false);
    if (m_pPreviewDlg)
        m_pPreviewDlg->FollowOwner(m_hWnd);
    return 0;
}

// ------------------------------------------------------------ options

void CWallpaperDlg::OpenOptions()
{
    if (m_pOptionsDlg)
        m_pOptionsDlg->Open();
}

void CWallpaperDlg::OnOptionsOpened()
{
    for (int id : {IDC_OPTIONS, IDC_ADD_FILES, IDC_DELETE_FILES, IDC_SET_WALLPAPER, IDC_PICK_RANDOM})
        ::EnableWindow(Item(id), FALSE);
    ::ShowWindow(m_listFiles, SW_HIDE);
}

void CWallpaperDlg::OnOptionsClosed()
{
    ::EnableWindow(Item(IDC_OPTIONS), TRUE);
    ::EnableWindow(Item(IDC_ADD_FILES), TRUE);
    UpdateButtonStates();
    ::ShowWindow(m_listFiles, SW_SHOW);
}

// ------------------------------------------------------------ adding and deleting

CFileCommands CWallpaperDlg::FileCommands()
{
    return CFileCommands(m_hWnd, Library(), [this] {
        FillLibraryList(m_strLibraryPath);
        return m_listFiles.GetItemCount();
    });
}

void CWallpaperDlg::OnAddFiles()
{
    SetStatusText(FileCommands().AddFiles(m_settings, CLibrary::OpenDialogFilter(), m_listFiles.GetItemCount()));
}

void CWallpaperDlg::OnDeleteFiles()
{
    // The files the user is asked about: while the question is open, the tray
    // can refill the list or select another row.
    const std::string outcome = FileCommands().DeleteFiles(m_listFiles.SelectedNames());
    if (!outcome.empty())
        SetStatusText(outcome);
}
