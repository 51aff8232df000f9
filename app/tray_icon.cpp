#include "app/tray_icon.h"

#include "framework/win_app.h"

namespace {

UINT TaskbarCreatedMessage()
{
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

}  // namespace

CTrayIcon::CTrayIcon()
{
    ZeroMemory(&m_data, sizeof m_data);
}

CTrayIcon::~CTrayIcon()
{
    Remove();
}

void CTrayIcon::Add(HWND owner, HICON icon, const char* tip, UINT menuId)
{
    if (m_bShown)
        return;
    m_menu.Reset(::LoadMenuA(CWinApp::Instance()->ResourceInstance(), MAKEINTRESOURCEA(menuId)));
    // The first, shortest layout of the record (88 bytes in a 32-bit build).
    m_data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_data.hWnd = owner;
    m_data.uID = kIconId;
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_data.uCallbackMessage = kNotifyMessage;
    m_data.hIcon = icon;
    lstrcpynA(m_data.szTip, tip, 64);  // the tip of that layout
    m_bShown = true;
    // At logon the shell may not be ready for it yet.
    m_nRetries = 0;
    if (!HandToShell())
        ::SetTimer(owner, kRetryTimerId, 2000, nullptr);
}

int CTrayIcon::s_nRefuseAdds = 0;

bool CTrayIcon::HandToShell()
{
    if (s_nRefuseAdds > 0) {
        --s_nRefuseAdds;
        return m_bInShell = false;
    }
    m_bInShell = ::Shell_NotifyIconA(NIM_ADD, &m_data) != FALSE;
    return m_bInShell;
}

void CTrayIcon::Retry()
{
    const int kRetries = 60;
    if (!m_bShown || m_bInShell || HandToShell() || ++m_nRetries >= kRetries)
        ::KillTimer(m_data.hWnd, kRetryTimerId);
}

void CTrayIcon::SetTip(const char* tip)
{
    lstrcpynA(m_data.szTip, tip, 64);
    if (m_bInShell)
        ::Shell_NotifyIconA(NIM_MODIFY, &m_data);
}

void CTrayIcon::Remove()
{
    if (m_bShown) {
        if (m_bInShell)
            ::Shell_NotifyIconA(NIM_DELETE, &m_data);
        m_bShown = m_bInShell = false;
    }
    m_menu.Reset();
}

bool CTrayIcon::OnTaskbarCreated(UINT msg)
{
    if (msg == 0 || msg != TaskbarCreatedMessage())
        return false;
    if (m_bShown)
        HandToShell();
    return true;
}

bool CTrayIcon::OnNotify(LPARAM mouse)
{
    switch (static_cast<UINT>(mouse)) {
    case WM_LBUTTONDOWN:
        ::SetForegroundWindow(m_data.hWnd);
        return false;
    case WM_LBUTTONDBLCLK:
        return true;
    case WM_RBUTTONDOWN: {
        POINT pt = {};
        ::GetCursorPos(&pt);
        // Foreground first, or the menu would not close when clicked away.
        ::SetForegroundWindow(m_data.hWnd);
        HMENU popup = m_menu ? ::GetSubMenu(m_menu, 0) : nullptr;
        const CModalScope modal;
        if (popup)
            ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_data.hWnd,
                             nullptr);
        return false;
    }
    default:
        return false;
    }
}
