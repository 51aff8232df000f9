#include "decor/about_dlg.h"

#include "decor/palette.h"

namespace {
const char kCaption[] = "Kavro Wallpaper Version " KAVRO_VERSION;

// Shared by every opening of the box.
CCtlColors g_colours(palette::kDeepBlue);
}  // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX)
{
    SetCtlColors(g_colours);
}

void CAboutDlg::DoDataExchange(CDataExchange&)
{
    // Nothing to exchange: the box only shows fixed texts.
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetWindowTextA(m_hWnd, kCaption);
    m_btnOk.AttachToDialogItem(IDOK, m_hWnd, palette::kPaleBlue, palette::kInk, palette::kDeepBlue, 2);
    return TRUE;
}

