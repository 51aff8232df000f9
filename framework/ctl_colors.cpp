#include "framework/ctl_colors.h"

HBRUSH CCtlColors::Brush(HDC hdc, HWND control, UINT kind, HBRUSH standard)
{
    HBRUSH brush = nullptr;
    if (kind == CTLCOLOR_DLG || kind == CTLCOLOR_STATIC || kind == CTLCOLOR_MSGBOX) {
        // Static texts show the background through.
        ::SetBkMode(hdc, TRANSPARENT);
        brush = m_background.Get();
    } else if (m_nFieldId && control && ::GetDlgCtrlID(control) == m_nFieldId) {
        ::SetTextColor(hdc, m_crFieldText);
        ::SetBkColor(hdc, m_crFieldBack);
        brush = m_fieldBack.Get();
    }
    return brush ? brush : standard;
}
