#include "settings/options_dlg.h"

#include <commctrl.h>

#include <climits>
#include <string>

#include "decor/palette.h"
#include "framework/format.h"
#include "framework/win_app.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

const int kButtonBevel = 2;
const int kTipWidth = 120;

const UINT kLabelTimerPeriod = 50;
const int kMinMinutes = 1;
const int kMaxMinutes = 120;
const int kMinStartups = 1;
const int kMaxStartups = 100;
const int kMinChangeMinutes = 1;
const int kMaxChangeMinutes = 1440;
// Where the dialog sits in the main window, in its dialog units: over the
// list and most of the banner, clear of the buttons and the status line.
const int kLeftDlu = 7;
const int kTopDlu = 6;

CCtlColors g_colours(palette::kPaleBlue);

}  // namespace

COptionsDlg::COptionsDlg(Listener& listener, const CSettings& settings)
    : CDialog(IDD_OPTIONS), m_listener(listener), m_settings(settings)
{
    SetCtlColors(g_colours);
}

COptionsDlg::~COptionsDlg() = default;

void COptionsDlg::PostNcDestroy()
{
    delete this;
}

// Reading corrects a number outside 1..100; the arrows read it as typed.
void COptionsDlg::DoDataExchange(CDataExchange& dx)
{
    dx.Control(IDC_AUTO_EXIT, m_checkAutoExit);
    dx.Control(IDC_STARTUPS_SPIN, m_spinStartups);
    dx.Control(IDC_TIMEOUT_SLIDER, m_sliderTimeout);
    dx.Control(IDC_PICTURE_PER_SCREEN, m_checkPerScreen);
    dx.Control(IDC_SHUFFLE, m_checkShuffle);
    dx.Control(IDC_CHANGE_EVERY, m_checkChangeEvery);
    dx.Control(IDC_CHANGE_SPIN, m_spinChangeMinutes);
    dx.Control(IDC_PICK_HOTKEY, m_hotkeyPick);
    dx.IntRange(IDC_STARTUPS_EDIT, m_nStartups, kMinStartups, kMaxStartups);
}

// Kept out of DoDataExchange: the startups field's own reads and writes must
// not reset minutes the user is still typing.
bool COptionsDlg::ExchangeChangeMinutes(bool save)
{
    CDataExchange dx(m_hWnd, *this, save);
    dx.IntRange(IDC_CHANGE_MINUTES, m_nChangeMinutes, kMinChangeMinutes, kMaxChangeMinutes);
    return !dx.Failed();
}

void COptionsDlg::ExchangeMode(bool save, FitMode& mode)
{
    static const CDataExchange::Radio<FitMode> kButtons[] = {
        {IDC_RESIZE_PROPORTIONAL, FitMode::Proportional},
        {IDC_RESIZE_STRETCH, FitMode::Stretch},
        {IDC_RESIZE_NONE, FitMode::NoResize},
        {IDC_RESIZE_FILL, FitMode::Fill},
        {IDC_RESIZE_FIT, FitMode::Fit},
    };
    CDataExchange dx(m_hWnd, *this, save);
    dx.RadioGroup(kButtons, mode);
}

bool COptionsDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    using Entry = MessageEntry<COptionsDlg>;
    static const Entry table[] = {
        Entry::Control(BN_CLICKED, IDC_AUTO_EXIT, &COptionsDlg::OnRefreshChoices),
        Entry::Message(WM_TIMER, &COptionsDlg::OnTimer),
        Entry::Notify(UDN_DELTAPOS, IDC_STARTUPS_SPIN, &COptionsDlg::OnStartupsDelta),
        Entry::Control(EN_KILLFOCUS, IDC_STARTUPS_EDIT, &COptionsDlg::OnStartupsKillFocus),
        Entry::Control(BN_CLICKED, IDC_CHANGE_EVERY, &COptionsDlg::OnChangeEveryClicked),
        Entry::Control(EN_KILLFOCUS, IDC_CHANGE_MINUTES, &COptionsDlg::OnChangeMinutesKillFocus),
    };
    return DispatchMessageTable(this, table, msg, wParam, lParam, result);
}

// ---------------------------------------------------------------- 1. initialisation

BOOL COptionsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    m_checkAutoExit.SetCheck(false);

    m_sliderTimeout.SetRange(kMinMinutes, kMaxMinutes);
    m_sliderTimeout.SetTicFreq(5);
    m_sliderTimeout.SetPos(kMinMinutes);

    ::ShowWindow(m_sliderTimeout, SW_HIDE);
    ::ShowWindow(Item(IDC_TIMEOUT_LABEL), SW_HIDE);

    m_btnApply.AttachToDialogItem(IDOK, m_hWnd, palette::kDeepBlue, palette::kInk, palette::kPaleBlue, kButtonBevel);
    m_btnCancel.AttachToDialogItem(IDCANCEL, m_hWnd, palette::kDeepBlue, palette::kInk, palette::kPaleBlue, kButtonBevel);

    m_spinChangeMinutes.Send(UDM_SETRANGE32, kMinChangeMinutes, kMaxChangeMinutes);
    // A global hot key of a bare letter would take that letter from every
    // program: a key without Ctrl or Alt gets both.
    m_hotkeyPick.Send(HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));

    static const CToolTip::Tip kTips[] = {
        {IDC_AUTO_EXIT, "Exit program automatically after changing wallpaper at Startup after some time."},
        {IDC_RESIZE_PROPORTIONAL,
         "If image resolution is larger than screen resolution image will be resized to fit the screen."},
        {IDC_RESIZE_STRETCH, "Image will be stretched to screen size (resolution)."},
        {IDC_RESIZE_NONE, "Original image resolution. No resizing."},
        {IDC_RESIZE_FILL,
         "Image will be resized to cover the whole screen, keeping its proportions. Parts outside the screen "
         "are cut off."},
        {IDC_RESIZE_FIT, "Image will be resized up or down to fit the screen, keeping its proportions."},
        {IDC_PICTURE_PER_SCREEN, "With more than one monitor every monitor gets its own random image."},
        {IDC_SHUFFLE, "Random images are taken in shuffled order. No image is shown again until all were shown."},
        {IDC_CHANGE_EVERY,
         "While program is running (also hidden in tray) wallpaper will be changed to a random image after "
         "this many minutes."},
        {IDC_PICK_HOTKEY,
         "Press the keys that will pick a random wallpaper from any program, for example Ctrl+Alt+P. "
         "Backspace clears it."},
    };
    m_toolTip.Create(m_hWnd, palette::kTipBack, kTips, kTipWidth);
    return TRUE;
}

// ---------------------------------------------------------------- 2. opening

void COptionsDlg::Open()
{
    m_listener.OnOptionsOpened();
    m_listener.SetStatusText("Choose KavroWall program options.");

    // In the main window's dialog units, so that it sits right at any scaling.
    RECT at = {kLeftDlu, kTopDlu, 0, 0};
    ::MapDialogRect(::GetParent(m_hWnd), &at);
    RECT rc = {};
    ::GetWindowRect(m_hWnd, &rc);
    ::MoveWindow(m_hWnd, at.left, at.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    ::ShowWindow(m_hWnd, SW_SHOW);

    int minutes = m_settings.TimeoutMinutes();
    m_checkAutoExit.SetCheck(minutes != 0);
    if (minutes == 0)
        minutes = kMinMinutes;
    SetMinutesLabel(minutes);
    m_sliderTimeout.SetPos(minutes);

    RefreshChoices();

    SetItemText(IDC_STARTUPS_EDIT, Format("%d", m_settings.StartupsNumber()).c_str());

    m_checkPerScreen.SetCheck(m_settings.PicturePerScreen());
    m_checkShuffle.SetCheck(m_settings.Shuffle());
    const int every = m_settings.ChangeEveryMinutes();
    m_checkChangeEvery.SetCheck(every != 0);
    m_nChangeMinutes = every != 0 ? every : kDefaultChangeMinutes;
    ExchangeChangeMinutes(false);
    m_spinChangeMinutes.Send(UDM_SETPOS32, 0, m_nChangeMinutes);
    EnableChangeMinutes();
    m_hotkeyPick.Send(HKM_SETHOTKEY, m_settings.PickHotkey());
}

void COptionsDlg::EnableChangeMinutes()
{
    const BOOL on = m_checkChangeEvery.IsChecked();
    ::EnableWindow(Item(IDC_CHANGE_MINUTES), on);
    ::EnableWindow(m_spinChangeMinutes, on);
}

void COptionsDlg::SetMinutesLabel(int minutes)
{
    SetItemText(IDC_TIMEOUT_LABEL, Format("After : %d minute(s)", minutes).c_str());
}

// ---------------------------------------------------------------- 3. RefreshChoices

void COptionsDlg::RefreshChoices()
{
    const int show = m_checkAutoExit.IsChecked() ? SW_SHOWNORMAL : SW_HIDE;
    ::ShowWindow(m_sliderTimeout, show);
    ::ShowWindow(Item(IDC_TIMEOUT_LABEL), show);

    FitMode mode = m_settings.ResizeMode();
    ExchangeMode(false, mode);

    m_nTimerId = ::SetTimer(m_hWnd, kLabelTimerId, kLabelTimerPeriod, nullptr);
}

// ---------------------------------------------------------------- 4. the arrows

LRESULT COptionsDlg::OnStartupsDelta(NMHDR* hdr)
{
    const NMUPDOWN* updown = reinterpret_cast<const NMUPDOWN*>(hdr);
    CDataExchange(m_hWnd, *this, true).Int(IDC_STARTUPS_EDIT, m_nStartups);
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
        SetMinutesLabel(m_sliderTimeout.GetPos());
    SetMsgHandled(false);
    return 0;
}

// ---------------------------------------------------------------- 6. leaving the number field

void COptionsDlg::OnStartupsKillFocus()
{
    if (!::IsWindowVisible(m_hWnd))
        return;
    UpdateData(true);
    UpdateData(false);
    m_listener.SetStatusText("Edit value must be beetween 1 and 100.");
}

void COptionsDlg::OnChangeEveryClicked()
{
    EnableChangeMinutes();
}

// Like the startups field, corrected when it is left; told only when it was.
// A field that is no number is left to Apply, which asks for one: asking here
// too would ask twice when the focus leaves for the Apply button.
void COptionsDlg::OnChangeMinutesKillFocus()
{
    if (!::IsWindowVisible(m_hWnd) || !m_checkChangeEvery.IsChecked())
        return;
    const std::string typed = ItemText(IDC_CHANGE_MINUTES);
    int number = 0;
    if (!CDataExchange::ParseInteger(typed.c_str(), number) || !ExchangeChangeMinutes(true))
        return;
    ExchangeChangeMinutes(false);
    if (ItemText(IDC_CHANGE_MINUTES) != typed)
        m_listener.SetStatusText("Minutes value must be between 1 and 1440.");
}

std::string COptionsDlg::ItemText(int id) const
{
    char text[64] = {};
    ::GetDlgItemTextA(m_hWnd, id, text, sizeof text);
    return text;
}

// ---------------------------------------------------------------- 7. Apply

void COptionsDlg::OnOK()
{
    OnApply();
}

// What is stored is what the dialog shows: a number it cannot read keeps the
// dialog open with nothing written, and one outside 1..100 is corrected in
// the field first (Enter applies without the field losing the focus).
void COptionsDlg::OnApply()
{
    if (!UpdateData(true))
        return;
    UpdateData(false);
    const bool changeEvery = m_checkChangeEvery.IsChecked();
    if (changeEvery) {
        if (!ExchangeChangeMinutes(true))
            return;
        ExchangeChangeMinutes(false);
    }
    const int everyMinutes = changeEvery ? m_nChangeMinutes : 0;

    const bool autoExit = m_checkAutoExit.IsChecked();
    const int minutes = autoExit ? m_sliderTimeout.GetPos() : 0;
    std::string message = Format("Program will change wallpaper after %d system restart(s)", m_nStartups);
    if (changeEvery)
        message += Format(" and every %d minute(s),", everyMinutes);
    // With both, the exit still comes first: say so.
    if (autoExit)
        message += Format(" and will %sclose application automatically after %d minute(s).",
                          changeEvery ? "still " : "", minutes);
    else
        message += " and will be visible in tray as icon.";

    FitMode mode = FitMode::Proportional;  // also when no button is checked
    ExchangeMode(true, mode);
    const unsigned hotkey = static_cast<unsigned>(m_hotkeyPick.Send(HKM_GETHOTKEY)) & 0xFFFF;

    bool stored = m_settings.SetStartupsNumber(m_nStartups);
    stored = m_settings.SetTimeoutMinutes(minutes) && stored;
    stored = m_settings.SetResizeMode(mode) && stored;
    stored = m_settings.SetPicturePerScreen(m_checkPerScreen.IsChecked()) && stored;
    stored = m_settings.SetShuffle(m_checkShuffle.IsChecked()) && stored;
    stored = m_settings.SetChangeEveryMinutes(everyMinutes) && stored;
    stored = m_settings.SetPickHotkey(hotkey) && stored;
    if (!stored)
        message = "Error writing settings file " + m_settings.m_strIniPath + ". Not all options were saved.";

    m_listener.SetStatusText(message);
    // After the writes, so that the window acts on the stored values, and
    // after the message, so that it can tell what it could not do.
    m_listener.OnOptionsClosed();
    m_listener.OnOptionsStored();

    ::KillTimer(m_hWnd, m_nTimerId);
    ::SetFocus(::GetParent(m_hWnd));  // the window it sits in
    EndDialog(IDOK);
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

// ---------------------------------------------------------------- 10. pre-filter

bool COptionsDlg::PreTranslateMessage(MSG* msg)
{
    m_toolTip.RelayEvent(msg);
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE)
        return true;
    return CDialog::PreTranslateMessage(msg);
}
