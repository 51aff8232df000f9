#include "app/wallpaper_dlg.h"

#include <commdlg.h>

#include <cstdio>
#include <ctime>
#include <vector>

#include "decor/about_dlg.h"
#include "decor/palette.h"
#include "engine/random_generator.h"
#include "engine/wallpaper_engine.h"
#include "framework/wait_cursor.h"
#include "framework/win_app.h"
#include "library/preview_dlg.h"
#include "library/system_image_list.h"
#include "resource.h"

const char CWallpaperDlg::kTitle[] = "Kavro Wallpaper Version " KAVRO_VERSION;

namespace {

const char kCreditLine[] = "Freeware by Ivan Kavran, 2001";
const UINT kPreviewUpdateMessage = WM_APP + 1;
const UINT kExitTimerPeriod = 60000;

CCtlColors g_colours(palette::kDeepBlue, IDC_STATUS, palette::kLineText, palette::kInk);

std::string Format3(const char* first, int count, const char* last)
{
    char text[512];
    std::snprintf(text, sizeof text, "%s %d %s", first, count, last);
    return text;
}

// The open-file dialog's result: one full path, or a folder followed by names.
std::vector<std::string> SelectedPaths(const char* result, size_t size)
{
    std::vector<std::string> paths;
    const char* end = result + size;
    const char* first = result;
    size_t firstLen = strnlen(first, size);
    if (firstLen == 0 || firstLen >= size)
        return paths;
    const char* p = first + firstLen + 1;
    if (p >= end || *p == '\0') {
        paths.emplace_back(first, firstLen);
        return paths;
    }
    std::string folder(first, firstLen);
    if (folder.back() != '\\')
        folder += '\\';
    while (p < end && *p) {
        size_t len = strnlen(p, static_cast<size_t>(end - p));
        paths.push_back(folder + std::string(p, len));
        p += len + 1;
    }
    return paths;
}

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
        ExitProgram();
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
    char path[MAX_PATH + 16];
    std::snprintf(path, sizeof path, "%s\\%s", m_szStartDir, "Kavro.ini");
    m_settings.m_strIniPath = path;
    std::snprintf(path, sizeof path, "%s%s", m_szStartDir, "\\Wallpaper");
    m_strLibraryPath = path;

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
    m_fontList.Reset(::CreateFontA(ScaleToScreen(12), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, "Arial"));
    m_fontStatus.Reset(::CreateFontA(ScaleToScreen(11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                     DEFAULT_PITCH | FF_DONTCARE, "Tahoma"));
    if (m_fontList)
        ::SendMessageA(Item(IDC_LIST_FILES), WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(m_fontList)), TRUE);
    if (m_fontStatus)
        ::SendMessageA(Item(IDC_STATUS), WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(m_fontStatus)), TRUE);
}

void CWallpaperDlg::CreateToolTips()
{
    m_toolTip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                  CWinApp::Instance()->ResourceInstance(), nullptr);
    if (!m_toolTip)
        return;
    ::SendMessageA(m_toolTip, TTM_ACTIVATE, TRUE, 0);
    ::SendMessageA(m_toolTip, TTM_SETTIPBKCOLOR, palette::kTipBack, 0);
    static const struct { int id; const char* text; } kTips[] = {
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
    for (const auto& tip : kTips) {
        TOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.uFlags = TTF_IDISHWND;
        ti.hwnd = m_hWnd;
        ti.uId = reinterpret_cast<UINT_PTR>(Item(tip.id));
        ti.lpszText = const_cast<char*>(tip.text);
        ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    ::SendMessageA(m_toolTip, TTM_SETMAXTIPWIDTH, 0, ScaleToScreen(70));
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
    if (!m_hWnd)
        return;
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
    m_toolTip = nullptr;
    // The controls that used the fonts are gone now.
    m_fontList.Reset();
    m_fontStatus.Reset();
    m_menuList.Reset();
}

void CWallpaperDlg::ShowAboutBox()
{
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
    };
    return DispatchMessageTable(this, kTable, msg, wParam, lParam, result);
}

bool CWallpaperDlg::PreTranslateMessage(MSG* msg)
{
    if (m_toolTip)
        ::SendMessageA(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
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
    if (!::IsIconic(m_hWnd)) {
        SetMsgHandled(false);
        return 0;
    }
    const CPaintDC dc(m_hWnd);
    Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)), 0);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int x = (rc.right - rc.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rc.bottom - rc.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
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
    ArmExitTimer();
}

void CWallpaperDlg::RestoreFromTray()
{
    ::KillTimer(m_hWnd, m_nExitTimerId);
    ::ShowWindow(m_hWnd, SW_SHOW);
    FillLibraryList(m_strLibraryPath);
    ::SetForegroundWindow(m_hWnd);
    const std::string title = m_settings.GetWallpaperTitle();
    if (title.empty())
        return;
    const int item = m_listFiles.FindItem(title + ".", true);
    if (item == -1)
        return;
    ::SetFocus(m_listFiles.m_hWnd);
    m_listFiles.SetItemSelected(item, true);
    m_listFiles.EnsureVisible(item);
}

// ------------------------------------------------------------ start-up cycle

bool CWallpaperDlg::HasLibraryFiles()
{
    const bool found = Library().HasEntries();
    if (!found) {
        SetStatusText("There is no image files in Wallpaper list. Please add wallpaper files.");
        return false;
    }
    char text[256];
    std::snprintf(text, sizeof text, "%s. %s", kTitle, kCreditLine);
    SetStatusText(text);
    return true;
}

void CWallpaperDlg::StartupDecision()
{
    const bool due = m_settings.AdvanceStartupCounter();
    if (HasLibraryFiles()) {
        if (due)
            PickRandomWallpaper();
        ArmExitTimer();
        ::ShowWindow(m_hWnd, SW_HIDE);
    } else {
        ::KillTimer(m_hWnd, m_nExitTimerId);
        ::ShowWindow(m_hWnd, SW_SHOW);
        CenterInWorkArea();
        FillLibraryList(m_strLibraryPath);
    }
}

void CWallpaperDlg::ArmExitTimer()
{
    ::KillTimer(m_hWnd, m_nExitTimerId);
    m_nTimeoutMinutes = m_settings.TimeoutMinutes();
    if (m_nTimeoutMinutes == 0)
        return;
    m_nMinutesElapsed = 0;
    m_nExitTimerId = ::SetTimer(m_hWnd, kExitTimerId, kExitTimerPeriod, nullptr);
}

LRESULT CWallpaperDlg::OnTimer(WPARAM, LPARAM)
{
    ++m_nMinutesElapsed;
    if (m_nMinutesElapsed >= m_nTimeoutMinutes) {
        ::KillTimer(m_hWnd, m_nExitTimerId);
        ExitProgram();
        return 0;
    }
    SetMsgHandled(false);
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
    if (!m_menuList)
        return 0;
    ::EnableMenuItem(m_menuList, ID_LIST_SET_WALLPAPER,
                     MF_BYCOMMAND | (m_listFiles.GetSelectedCount() == 1 ? MF_ENABLED : MF_GRAYED));
    POINT pt = {};
    ::GetCursorPos(&pt);
    ::SetForegroundWindow(m_hWnd);
    HMENU popup = ::GetSubMenu(m_menuList, 0);
    if (popup)
        ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
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
    CWallpaperEngine engine(*this, m_settings, m_fileTools, *m_pDesktop);
    engine.ApplyWallpaper(sourcePath);
}

void CWallpaperDlg::PickRandomWallpaper()
{
    CWaitCursor wait;
    SetStatusText("Choosing random image file from wallpaper directory. Please wait ....");
    ::UpdateWindow(m_hWnd);

    std::vector<std::string> names;
    for (const CLibrary::Entry& entry : Library().ListPictures())
        names.push_back(entry.name);
    if (names.empty()) {
        RestoreFromTray();
        return;
    }
    CRandomGenerator generator;
    generator.Seed(static_cast<std::uint32_t>(std::time(nullptr)));
    const int index = CWallpaperEngine::DrawImage(names, m_settings.GetWallpaperTitle(), generator, m_fileTools);
    const std::string& name = names[static_cast<size_t>(index)];
    ApplyWallpaper(Library().PathOf(name));

    m_listFiles.ClearSelection();
    const int item = m_listFiles.FindItem(name, false);
    if (item != -1) {
        ::SetFocus(m_listFiles.m_hWnd);
        m_listFiles.SetItemSelected(item, true);
        m_listFiles.EnsureVisible(item);
    }
}

// ------------------------------------------------------------ preview

void CWallpaperDlg::UpdatePreview()
{
    if (!m_pPreviewDlg)
        return;
    if (!::IsWindowVisible(m_hWnd)) {
        ::ShowWindow(m_pPreviewDlg->m_hWnd, SW_HIDE);
        return;
    }
    CWaitCursor wait;
    if (m_listFiles.GetSelectedCount() == 1) {
        const int item = m_listFiles.GetNextSelected(-1);
        const std::string path = Library().PathOf(m_listFiles.GetItemText(item));
        if (!m_pPreviewDlg->LoadPreviewImage(path)) {
            ShowImageFileStatus("Loading image failed. Can't show preview image.", path);
            return;
        }
        PlacePreview();
        ::ShowWindow(m_pPreviewDlg->m_hWnd, SW_SHOW);
        ::SetFocus(m_listFiles.m_hWnd);
        m_bPreviewShown = 1;
    } else {
        m_bPreviewShown = 0;
        ::ShowWindow(m_pPreviewDlg->m_hWnd, SW_HIDE);
    }
    ::SetActiveWindow(m_hWnd);
}

void CWallpaperDlg::PlacePreview()
{
    RECT main, preview;
    if (!::GetWindowRect(m_hWnd, &main) || !::GetWindowRect(m_pPreviewDlg->m_hWnd, &preview))
        return;
    const int width = preview.right - preview.left;
    const int height = preview.bottom - preview.top;
    ::MoveWindow(m_pPreviewDlg->m_hWnd, main.right, main.bottom - height, width, height, TRUE);
}

LRESULT CWallpaperDlg::OnMove(WPARAM, LPARAM)
{
    SetMsgHandled(false);
    if (m_bPreviewShown && m_pPreviewDlg)
        PlacePreview();
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

void CWallpaperDlg::OnAddFiles()
{
    const DWORD kResultSize = 65535;
    std::vector<char> result(kResultSize + 1, '\0');

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = CLibrary::OpenDialogFilter();
    ofn.lpstrFile = result.data();
    ofn.nMaxFile = kResultSize;
    ofn.lpstrTitle = "Add image files to your list";
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST;
    const std::string initialDir = m_settings.GetLastImageDirectory();
    if (!initialDir.empty())
        ofn.lpstrInitialDir = initialDir.c_str();

    if (!::GetOpenFileNameA(&ofn)) {
        SetStatusText(Format3("No files were added to Wallpaper list.", m_listFiles.GetItemCount(),
                              "files in Wallpaper list."));
        return;
    }
    ::EnableWindow(m_hWnd, FALSE);
    bool folderMade = false;
    const bool copied = Library().CopyIn(m_hWnd, SelectedPaths(result.data(), kResultSize), &folderMade);
    if (!folderMade) {
        ::EnableWindow(m_hWnd, TRUE);
        SetStatusText("Cannot create Wallpaper directory.");
        return;
    }
    m_settings.SetLastImageDirectory(result.data());
    const char* outcome = copied ? "Files successfully added to Wallpaper list."
                                  : "Error copying files to Wallpaper list.";

    ::EnableWindow(m_hWnd, TRUE);
    ::SetActiveWindow(m_hWnd);
    FillLibraryList(m_strLibraryPath);
    SetStatusText(Format3(outcome, m_listFiles.GetItemCount(), "files in Wallpaper list."));
}

void CWallpaperDlg::OnDeleteFiles()
{
    // The files the user is asked about: while the question is open, the tray
    // can refill the list or select another row.
    std::vector<std::string> names;
    for (int item = m_listFiles.GetNextSelected(-1); item != -1; item = m_listFiles.GetNextSelected(item))
        names.push_back(m_listFiles.GetItemText(item));
    if (CWinApp::Instance()->MessageBox(m_hWnd, "Delete selected file(s). Are you sure ?", MB_YESNO) == IDNO)
        return;
    std::string failedPath;
    std::string message;
    std::string fileText;
    if (!Library().Delete(names, &failedPath)) {
        message = "Error deleting file.";
        fileText = failedPath;
    } else if (names.size() == 1) {
        message = "File deleted successfully.";
        fileText = Library().PathOf(names.front());
    } else {
        message = "Files deleted successfully.";
        fileText = "More files deleted.";
    }
    ShowImageFileStatus(message, fileText);
    FillLibraryList(m_strLibraryPath);
}
