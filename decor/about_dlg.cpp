#include "decor/about_dlg.h"

namespace {
const char kCaption[] = "Kavro Wallpaper Version 2.75";
const COLORREF kBackground = RGB(109, 115, 170);
const COLORREF kButtonFace = RGB(189, 195, 234);
const COLORREF kButtonText = RGB(1, 1, 1);
}  // namespace

void CAboutDlg::DoDataExchange(CDataExchange&)
{
    // Nothing to exchange: the box only shows fixed texts.
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetWindowTextA(m_hWnd, kCaption);
    m_btnOk.AttachToDialogItem(IDOK, m_hWnd, kButtonFace, kButtonText, kBackground, 2);
    return TRUE;
}

HBRUSH CAboutDlg::OnCtlColor(HDC hdc, HWND control, UINT kind)
{
    HBRUSH brush = DefaultCtlColor(hdc, control, kind);
    if (kind == CTLCOLOR_DLG || kind == CTLCOLOR_STATIC) {
        // Made once and kept for the life of the process, shared by every
        // opening of the box.
        static HBRUSH s_hbrBackground = nullptr;
        if (!s_hbrBackground)
            s_hbrBackground = ::CreateSolidBrush(kBackground);
        ::SetBkMode(hdc, TRANSPARENT);
        if (s_hbrBackground)
            brush = s_hbrBackground;
    }
    return brush;
}
