#include "library/preview_dlg.h"

#include <cstdio>

#include "decor/palette.h"
#include "engine/image_ptr.h"
#include "engine/image_tools.h"
#include "framework/gdi_owners.h"

namespace {

const int kListControlId = IDC_LIST_FILES;

CCtlColors g_colours(palette::kDeepBlue, IDC_PREVIEW_INFO, palette::kLineText, palette::kInk);

// Same size and last write: the file on disk is still the one shown.
bool SameFileStamp(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b)
{
    return a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
           ::CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0 &&
           ::CompareFileTime(&a.ftCreationTime, &b.ftCreationTime) == 0;
}

}  // namespace

CPreviewDlg::CPreviewDlg() : CDialog(IDD_PREVIEW)
{
    SetCtlColors(g_colours);
}

CPreviewDlg::~CPreviewDlg()
{
    ReleasePreviewBitmap();
}

void CPreviewDlg::DoDataExchange(CDataExchange& dx)
{
    dx.Control(IDC_PREVIEW_PICTURE, m_staticPicture);
}

bool CPreviewDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    using Entry = MessageEntry<CPreviewDlg>;
    static const Entry table[] = {
        Entry::Message(WM_PAINT, &CPreviewDlg::OnPaint),
        Entry::Message(WM_DESTROY, &CPreviewDlg::OnDestroy),
        Entry::Control(EN_SETFOCUS, IDC_PREVIEW_INFO, &CPreviewDlg::OnInfoSetFocus),
    };
    return DispatchMessageTable(this, table, msg, wParam, lParam, result);
}

bool CPreviewDlg::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE)
        return true;
    return CDialog::PreTranslateMessage(msg);
}

bool CPreviewDlg::LoadPreviewImage(const std::string& path)
{
    if (!m_hWnd || !m_staticPicture.m_hWnd)
        return false;

    // The file already shown, unchanged on disk: nothing to decode (a click
    // brings two notifications under Wine, and each asks for the preview).
    WIN32_FILE_ATTRIBUTE_DATA stamp = {};
    const bool stamped = ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &stamp) != FALSE;
    if (stamped && m_bitmapPreview && path == m_strShownPath && SameFileStamp(stamp, m_shownStamp))
        return true;

    // The program's one loading rule: the extension decides the decoder.
    CImageTools tools;
    int width = 0, height = 0, depth = 0;
    RECT area = {};
    if (!tools.ReadUprightSize(path, width, height, depth) || !::GetClientRect(m_staticPicture, &area))
        return false;
    const RECT fit = CImageTools::FitRect(width, height, area.right - area.left, area.bottom - area.top);
    // Decoded no bigger than the fitted picture needs.
    const ImagePtr image(tools.LoadImageFile(path, fit.right, fit.bottom));
    if (!image)
        return false;

    // The full size and the file's depth, whatever size and depth it was
    // decoded at (a PNG of 16 bits a channel is decoded to 8).
    char resolution[64];
    char bits[32];
    char info[100];
    std::snprintf(resolution, sizeof resolution, "Resolution : %d x %d", width, height);
    std::snprintf(bits, sizeof bits, ": %d", depth);
    std::snprintf(info, sizeof info, "%s %s", resolution, bits);

    HBITMAP fitted = tools.StretchToBitmap(image.get(), fit.right, fit.bottom, CClientDC(m_hWnd));
    if (!fitted)
        return false;  // the previous picture and line stay as they were

    SetItemText(IDC_PREVIEW_INFO, info);
    // Deleted only when the control has the new one: until then it draws it.
    const CBitmap previous(m_bitmapPreview);
    m_bitmapPreview = fitted;
    ShowPreviewBitmap(previous);
    m_strShownPath = stamped ? path : std::string();
    m_shownStamp = stamp;
    return true;
}

void CPreviewDlg::ShowPreviewBitmap(HBITMAP ownedPrevious)
{
    if (!m_staticPicture.m_hWnd)
        return;
    HBITMAP returned = reinterpret_cast<HBITMAP>(m_staticPicture.Send(
        STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_bitmapPreview)));
    // A handle that is none of ours is a copy the control made (newer static
    // controls copy bitmaps with alpha); the caller must free it.
    if (returned && returned != m_bitmapPreview && returned != ownedPrevious)
        ::DeleteObject(returned);
}

void CPreviewDlg::ReleasePreviewBitmap()
{
    if (!m_bitmapPreview)
        return;
    const CBitmap bitmap(m_bitmapPreview);
    m_bitmapPreview = nullptr;
    // The control lets go first, so it never draws a deleted bitmap.
    if (m_staticPicture.m_hWnd && ::IsWindow(m_staticPicture.m_hWnd))
        ShowPreviewBitmap(bitmap);
}

LRESULT CPreviewDlg::OnPaint(WPARAM, LPARAM)
{
    const CPaintDC dc(m_hWnd);
    ShowPreviewBitmap(m_bitmapPreview);
    return 0;
}

LRESULT CPreviewDlg::OnDestroy(WPARAM, LPARAM)
{
    SetMsgHandled(false);  // the dialog manager's own clean-up runs as well
    ReleasePreviewBitmap();
    m_staticPicture.Detach();
    return 0;
}

void CPreviewDlg::OnInfoSetFocus()
{
    // The line is for reading only: the focus goes straight back to the list.
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (!owner)
        owner = ::GetParent(m_hWnd);
    if (!owner)
        return;
    HWND list = ::GetDlgItem(owner, kListControlId);
    ::SetFocus(list ? list : owner);
}

bool CPreviewDlg::ShowBeside(HWND owner, const std::string& path)
{
    if (path.empty()) {
        m_bShown = false;
        ::ShowWindow(m_hWnd, SW_HIDE);
        return true;
    }
    if (!LoadPreviewImage(path))
        return false;
    m_bShown = true;
    FollowOwner(owner);
    ::ShowWindow(m_hWnd, SW_SHOW);
    return true;
}

void CPreviewDlg::FollowOwner(HWND owner)
{
    RECT main, preview;
    if (!m_bShown || !::GetWindowRect(owner, &main) || !::GetWindowRect(m_hWnd, &preview))
        return;
    const int width = preview.right - preview.left;
    const int height = preview.bottom - preview.top;
    ::MoveWindow(m_hWnd, main.right, main.bottom - height, width, height, TRUE);
}
