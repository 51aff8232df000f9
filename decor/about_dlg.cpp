#include "decor/about_dlg.h"

#include "framework/solid_brush.h"

namespace {
const char kCaption[] = "Kavro Wallpaper Version " KAVRO_VERSION;
const COLORREF kBackground = RGB(109, 115, 170);
const COLORREF kButtonFace = RGB(189, 195, 234);
const COLORREF kButtonText = RGB(1, 1, 1);

// Shared by every opening of the box.
CSolidBrush g_background(kBackground);
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
        ::SetBkMode(hdc, TRANSPARENT);
        if (HBRUSH own = g_background.Get())
            brush = own;
    }
    return brush;
}
