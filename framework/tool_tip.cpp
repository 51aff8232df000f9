#include "framework/tool_tip.h"

#include <commctrl.h>

#include "framework/win_app.h"

bool CToolTip::Create(HWND dialog, COLORREF background, const Tip* tips, std::size_t count, int maxWidth)
{
    m_hWnd = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, dialog, nullptr, CWinApp::Instance()->ResourceInstance(), nullptr);
    if (!m_hWnd)
        return false;
    Send(TTM_ACTIVATE, TRUE);
    Send(TTM_SETTIPBKCOLOR, background);
    for (std::size_t i = 0; i < count; ++i) {
        TTTOOLINFOA ti = {};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every comctl32 version
        ti.uFlags = TTF_IDISHWND;         // no TTF_SUBCLASS: the dialog relays
        ti.hwnd = dialog;
        ti.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(dialog, tips[i].id));
        ti.lpszText = const_cast<char*>(tips[i].text);
        Send(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    Send(TTM_SETMAXTIPWIDTH, 0, ScaleToScreen(maxWidth));
    return true;
}

void CToolTip::RelayEvent(MSG* msg) const
{
    if (m_hWnd)
        Send(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}
