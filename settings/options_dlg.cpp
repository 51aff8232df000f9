#include "settings/options_dlg.h"

#include <commctrl.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/solid_brush.h"
#include "framework/win_app.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

const COLORREF kBackground = RGB(189, 195, 234);
const COLORREF kButtonFace = RGB(109, 115, 170);
const COLORREF kButtonText = RGB(1, 1, 1);
const COLORREF kButtonDisabledText = RGB(189, 195, 234);
const int kButtonBevel = 2;
const COLORREF kTipBackground = RGB(213, 207, 170);
const int kTipWidth = 120;

const UINT kLabelTimerPeriod = 50;
const int kMinMinutes = 1;
const int kMaxMinutes = 120;
const int kMinStartups = 1;
const int kMaxStartups = 100;
const int kLeft = 9;
const int kTop = 75;

// printf into a string of whatever length the arguments need: the startups
// text comes from the edit unchanged and may be of any length.
std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    return text;
}

std::string WindowText(HWND hWnd)
{
    const int length = ::GetWindowTextLengthA(hWnd);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    const int got = ::GetWindowTextA(hWnd, buffer.data(), length + 1);
    return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

bool IsChecked(HWND button)
{
    return ::SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetCheck(HWND button, bool checked)
{
    ::SendMessageA(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// The background of the dialog and its static controls.
CSolidBrush g_background(kBackground);

// True while the number field is being read: the "Please enter an integer."
// prompt that a failed read shows takes the focus from the field, and that
// loss of focus must not read the field (and prompt) a second time.
bool s_bReadingStartups = false;

class CReadingStartups {
public:
    CReadingStartups() : m_bOuter(s_bReadingStartups) { s_bReadingStartups = true; }
    ~CReadingStartups() { s_bReadingStartups = m_bOuter; }
    CReadingStartups(const CReadingStartups&) = delete;
    CReadingStartups& operator=(const CReadingStartups&) = delete;

private:
    bool m_bOuter;
};

}  // namespace

COptionsDlg::COptionsDlg(Listener& listener, const CSettings& settings)
    : CDialog(IDD_OPTIONS), m_listener(listener), m_settings(settings)
{
}

COptionsDlg::~COptionsDlg() = default;

void COptionsDlg::PostNcDestroy()
{
    delete this;
}

void COptionsDlg::DoDataExchange(CDataExchange& dx)
{
    dx.Control(IDC_RESIZE_STRETCH, m_radioStretch);
    dx.Control(IDC_RESIZE_NONE, m_radioNoResize);
    dx.Control(IDC_RESIZE_PROPORTIONAL, m_radioProportional);
    dx.Control(IDC_STARTUPS_SPIN, m_spinStartups);
    dx.Control(IDC_TIMEOUT_SLIDER, m_sliderTimeout);
    dx.Int(IDC_STARTUPS_EDIT, m_nStartups);
}

bool COptionsDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    using Entry = MessageEntry<COptionsDlg>;
    static const Entry table[] = {
        Entry::Control(BN_CLICKED, IDC_AUTO_EXIT, &COptionsDlg::OnRefreshChoices),
        Entry::Message(WM_TIMER, &COptionsDlg::OnTimer),
        // WM_CTLCOLOR: OnCtlColor.
        Entry::Notify(UDN_DELTAPOS, IDC_STARTUPS_SPIN, &COptionsDlg::OnStartupsDelta),
        Entry::Control(EN_KILLFOCUS, IDC_STARTUPS_EDIT, &COptionsDlg::OnStartupsKillFocus),
    };
    return DispatchMessageTable(this, table, msg, wParam, lParam, result);
}

// ---------------------------------------------------------------- 1. initialisation

BOOL COptionsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetCheck(Item(IDC_AUTO_EXIT), false);

    m_sliderTimeout.Send(TBM_SETRANGE, FALSE, MAKELPARAM(kMinMinutes, kMaxMinutes));
    m_sliderTimeout.Send(TBM_SETTICFREQ, 5, 0);
    m_sliderTimeout.Send(TBM_SETPOS, TRUE, kMinMinutes);

    ::ShowWindow(m_sliderTimeout, SW_HIDE);
    ::ShowWindow(Item(IDC_TIMEOUT_LABEL), SW_HIDE);

    m_btnApply.AttachToDialogItem(IDOK, m_hWnd, kButtonFace, kButtonText, kButtonDisabledText, kButtonBevel);
    m_btnCancel.AttachToDialogItem(IDCANCEL, m_hWnd, kButtonFace, kButtonText, kButtonDisabledText, kButtonBevel);

    CreateToolTip();
    return TRUE;
}

void COptionsDlg::CreateToolTip()
{
    m_toolTip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  m_hWnd, nullptr, CWinApp::Instance()->ResourceInstance(), nullptr);
    if (!m_toolTip)
        return;
    ::SendMessageA(m_toolTip, TTM_ACTIVATE, TRUE, 0);
    ::SendMessageA(m_toolTip, TTM_SETTIPBKCOLOR, kTipBackground, 0);

    static const struct {
        int id;
        const char* text;
    } tools[] = {
        {IDC_AUTO_EXIT, "Exit program automatically after changing wallpaper at Startup after some time."},
        {IDC_RESIZE_PROPORTIONAL,
         "If image resolution is larger than screen resolution image will be resized to fit the screen."},
        {IDC_RESIZE_STRETCH, "Image will be stretched to screen size (resolution)."},
        {IDC_RESIZE_NONE, "Original image resolution. No resizing."},
    };
    for (const auto& tool : tools) {
        TTTOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every comctl32 version
        ti.uFlags = TTF_IDISHWND;         // no TTF_SUBCLASS: PreTranslateMessage relays
        ti.hwnd = m_hWnd;
        ti.uId = reinterpret_cast<UINT_PTR>(Item(tool.id));
        ti.hinst = nullptr;
        ti.lpszText = const_cast<char*>(tool.text);
        ::SendMessageA(m_toolTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    ::SendMessageA(m_toolTip, TTM_SETMAXTIPWIDTH, 0, ScaleToScreen(kTipWidth));
}

// ---------------------------------------------------------------- 2. opening

void COptionsDlg::Open()
{
    m_listener.OnOptionsOpened();
    m_listener.SetStatusText("Choose KavroWall program options.");

    RECT rc = {};
    ::GetWindowRect(m_hWnd, &rc);
    ::MoveWindow(m_hWnd, kLeft, kTop, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    ::ShowWindow(m_hWnd, SW_SHOW);

    const std::string timeout = m_settings.GetTimeout();
    int minutes = kMinMinutes;
    if (!timeout.empty() && timeout != "0") {
        SetCheck(Item(IDC_AUTO_EXIT), true);
        minutes = CSettings::AtoI(timeout);
    } else {
        SetCheck(Item(IDC_AUTO_EXIT), false);
    }
    SetMinutesLabel(minutes);
    m_sliderTimeout.Send(TBM_SETPOS, TRUE, minutes);

    RefreshChoices();

    std::string startups = m_settings.GetStartupsNumber();
    if (startups.empty())
        startups = "1";
    SetItemText(IDC_STARTUPS_EDIT, startups.c_str());
}

void COptionsDlg::SetMinutesLabel(int minutes)
{
    char text[64];
    std::snprintf(text, sizeof text, "After : %d minute(s)", minutes);
    SetItemText(IDC_TIMEOUT_LABEL, text);
}

// ---------------------------------------------------------------- 3. RefreshChoices

void COptionsDlg::RefreshChoices()
{
    const int show = IsChecked(Item(IDC_AUTO_EXIT)) ? SW_SHOWNORMAL : SW_HIDE;
    ::ShowWindow(m_sliderTimeout, show);
    ::ShowWindow(Item(IDC_TIMEOUT_LABEL), show);

    std::string mode = m_settings.GetResizeType();
    if (mode.empty())
        mode = "P";
    if (mode == "P" || mode == "S" || mode == "N") {
        SetCheck(m_radioProportional, mode == "P");
        SetCheck(m_radioStretch, mode == "S");
        SetCheck(m_radioNoResize, mode == "N");
    }

    m_nTimerId = ::SetTimer(m_hWnd, kLabelTimerId, kLabelTimerPeriod, nullptr);
}

// ---------------------------------------------------------------- 4. the arrows

LRESULT COptionsDlg::OnStartupsDelta(NMHDR* hdr)
{
    const NMUPDOWN* updown = reinterpret_cast<const NMUPDOWN*>(hdr);
    {
        CReadingStartups reading;
        UpdateData(true);
    }
    if (updown->iDelta < 0) {
        // A typed value may be anything an int holds: no step past its ends.
        if (m_nStartups < INT_MAX)
            ++m_nStartups;
        if (m_nStartups == kMaxStartups + 1)
            m_nStartups = kMaxStartups;
    } else {
        if (m_nStartups > INT_MIN)
            --m_nStartups;
        if (m_nStartups == kMinStartups - 1)
            m_nStartups = kMinStartups;
    }
    UpdateData(false);
    return 0;
}

// ---------------------------------------------------------------- 5. label timer

LRESULT COptionsDlg::OnTimer(WPARAM, LPARAM)
{
    if (m_sliderTimeout.m_hWnd && ::GetFocus() == m_sliderTimeout.m_hWnd)
        SetMinutesLabel(static_cast<int>(m_sliderTimeout.Send(TBM_GETPOS)));
    SetMsgHandled(false);
    return 0;
}

// ---------------------------------------------------------------- 6. leaving the number field

void COptionsDlg::OnStartupsKillFocus()
{
    if (!::IsWindowVisible(m_hWnd) || s_bReadingStartups)
        return;
    {
        CReadingStartups reading;
        UpdateData(true);
    }
    if (m_nStartups > kMaxStartups)
        m_nStartups = kMaxStartups;
    if (m_nStartups < kMinStartups)
        m_nStartups = kMinStartups;
    UpdateData(false);
    m_listener.SetStatusText("Edit value must be beetween 1 and 100.");
}

// ---------------------------------------------------------------- 7. Apply

void COptionsDlg::OnOK()
{
    OnApply();
}

void COptionsDlg::OnApply()
{
    m_listener.OnOptionsClosed();

    const std::string startups = WindowText(Item(IDC_STARTUPS_EDIT));

    std::string timeout;
    std::string message;
    if (IsChecked(Item(IDC_AUTO_EXIT))) {
        const int minutes = static_cast<int>(m_sliderTimeout.Send(TBM_GETPOS));
        timeout = Format("%d", minutes);
        message = Format("Program will change wallpaper after %s system restart(s) and will close "
                         "application automatically after %d minute(s).",
                         startups.c_str(), minutes);
    } else {
        timeout = "0";
        message = Format("Program will change wallpaper after %s system restart(s) and will be "
                         "visible in tray as icon.",
                         startups.c_str());
    }

    std::string mode;
    if (IsChecked(m_radioProportional))
        mode = "P";
    else if (IsChecked(m_radioStretch))
        mode = "S";
    else if (IsChecked(m_radioNoResize))
        mode = "N";

    bool stored = m_settings.SetStartupsNumber(startups);
    stored = m_settings.SetTimeout(timeout) && stored;
    stored = m_settings.SetResizeType(mode) && stored;
    if (!stored)
        message = "Error writing settings file " + m_settings.m_strIniPath + ". Not all options were saved.";

    m_listener.SetStatusText(message);

    ::KillTimer(m_hWnd, m_nTimerId);
    ::SetFocus(::GetParent(m_hWnd));  // the window it sits in

    CReadingStartups reading;
    CDialog::OnOK();
}

// ---------------------------------------------------------------- 9. Cancel

void COptionsDlg::OnCancel()
{
    OnCancelOptions();
}

void COptionsDlg::OnCancelOptions()
{
    ::KillTimer(m_hWnd, m_nTimerId);
    m_listener.OnOptionsClosed();
    m_listener.SetStatusText("Options setting canceled by the user. Old values restored.");
    ::SetFocus(::GetParent(m_hWnd));  // the window it sits in
    CDialog::OnCancel();
}

// ---------------------------------------------------------------- 8. colours

HBRUSH COptionsDlg::OnCtlColor(HDC hdc, HWND control, UINT kind)
{
    HBRUSH brush = DefaultCtlColor(hdc, control, kind);
    if (kind == CTLCOLOR_DLG || kind == CTLCOLOR_STATIC) {
        ::SetBkMode(hdc, TRANSPARENT);
        brush = g_background.Get();
    }
    return brush;
}

// ---------------------------------------------------------------- 10. pre-filter

bool COptionsDlg::PreTranslateMessage(MSG* msg)
{
    if (m_toolTip)
        ::SendMessageA(m_toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE)
        return true;
    return CDialog::PreTranslateMessage(msg);
}
