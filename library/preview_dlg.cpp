#include "library/preview_dlg.h"

#include <cstdio>

#include "engine/image_tools.h"
#include "framework/solid_brush.h"

namespace {

const COLORREF kBackground = RGB(109, 115, 170);
const COLORREF kInfoText = RGB(173, 214, 255);
const COLORREF kInfoBack = RGB(1, 1, 1);
const int kListControlId = IDC_LIST_FILES;

CSolidBrush g_background(kBackground);
CSolidBrush g_infoBackground(kInfoBack);

// A new bitmap of exactly dw x dh, compatible with dc, holding the whole
// source scaled down; nullptr when any GDI step fails.
HBITMAP StretchInto(HDC dc, HBITMAP source, int sw, int sh, int dw, int dh)
{
    if (sw < 1 || sh < 1 || dw < 1 || dh < 1)
        return nullptr;
    HDC srcDC = ::CreateCompatibleDC(dc);
    HDC dstDC = ::CreateCompatibleDC(dc);
    // From the window's DC, not a memory DC: that one would give monochrome.
    HBITMAP fitted = (srcDC && dstDC) ? ::CreateCompatibleBitmap(dc, dw, dh) : nullptr;
    bool ok = false;
    if (fitted) {
        HGDIOBJ oldSrc = ::SelectObject(srcDC, source);
        HGDIOBJ oldDst = ::SelectObject(dstDC, fitted);
        if (oldSrc && oldDst) {
            // HALFTONE averages the pixels it drops; the default BLACKONWHITE
            // ANDs them, and shrunk photos come out dark and noisy.
            ::SetStretchBltMode(dstDC, HALFTONE);
            ::SetBrushOrgEx(dstDC, 0, 0, nullptr);
            ok = ::StretchBlt(dstDC, 0, 0, dw, dh, srcDC, 0, 0, sw, sh, SRCCOPY) != FALSE;
        }
        if (oldSrc)
            ::SelectObject(srcDC, oldSrc);
        if (oldDst)
            ::SelectObject(dstDC, oldDst);
    }
    if (srcDC)
        ::DeleteDC(srcDC);
    if (dstDC)
        ::DeleteDC(dstDC);
    if (!ok && fitted) {
        ::DeleteObject(fitted);
        fitted = nullptr;
    }
    return fitted;
}

}  // namespace

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

    // The program's one loading rule: the extension decides the decoder.
    CImageTools tools;
    FIBITMAP* image = tools.LoadImageFile(path);
    if (!image)
        return false;

    char resolution[64];
    char depth[32];
    char info[100];
    std::snprintf(resolution, sizeof resolution, "Resolution : %d x %d",
                  CImageTools::FI_GetWidth(image), CImageTools::FI_GetHeight(image));
    std::snprintf(depth, sizeof depth, ": %d", CImageTools::FI_GetBPP(image));
    std::snprintf(info, sizeof info, "%s %s", resolution, depth);

    HDC dc = ::GetDC(m_hWnd);
    if (!dc) {
        CImageTools::FI_Unload(image);
        return false;
    }
    HBITMAP source = nullptr;
    BITMAPINFOHEADER* header = CImageTools::FI_GetInfoHeader(image);
    BYTE* bits = CImageTools::FI_GetBits(image);
    BITMAPINFO* bitmapInfo = CImageTools::FI_GetInfo(image);
    if (header && bits && bitmapInfo)
        source = ::CreateDIBitmap(dc, header, CBM_INIT, bits, bitmapInfo, DIB_RGB_COLORS);
    // Only the fitted bitmap is kept; the decoded image goes at once.
    CImageTools::FI_Unload(image);

    HBITMAP fitted = nullptr;
    if (source) {
        BITMAP bm = {};
        RECT area = {};
        if (::GetObjectA(source, sizeof bm, &bm) == static_cast<int>(sizeof bm) &&
            ::GetClientRect(m_staticPicture, &area)) {
            const RECT fit = CImageTools::FitRect(bm.bmWidth, bm.bmHeight,
                                                  area.right - area.left, area.bottom - area.top);
            fitted = StretchInto(dc, source, bm.bmWidth, bm.bmHeight, fit.right, fit.bottom);
        }
        ::DeleteObject(source);
    }
    ::ReleaseDC(m_hWnd, dc);
    if (!fitted)
        return false;  // the previous picture and line stay as they were

    SetItemText(IDC_PREVIEW_INFO, info);
    HBITMAP previous = m_bitmapPreview;
    m_bitmapPreview = fitted;
    ShowPreviewBitmap(previous);
    // Only now: until the control had the new one, it still drew the old.
    if (previous)
        ::DeleteObject(previous);
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
    HBITMAP bitmap = m_bitmapPreview;
    m_bitmapPreview = nullptr;
    // The control lets go first, so it never draws a deleted bitmap.
    if (m_staticPicture.m_hWnd && ::IsWindow(m_staticPicture.m_hWnd))
        ShowPreviewBitmap(bitmap);
    ::DeleteObject(bitmap);
}

LRESULT CPreviewDlg::OnPaint(WPARAM, LPARAM)
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    ShowPreviewBitmap(m_bitmapPreview);
    if (dc)
        ::EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CPreviewDlg::OnDestroy(WPARAM, LPARAM)
{
    SetMsgHandled(false);  // the dialog manager's own clean-up runs as well
    ReleasePreviewBitmap();
    m_staticPicture.Detach();
    return 0;
}

HBRUSH CPreviewDlg::OnCtlColor(HDC hdc, HWND control, UINT kind)
{
    HBRUSH brush = DefaultCtlColor(hdc, control, kind);
    if (kind == CTLCOLOR_DLG || kind == CTLCOLOR_STATIC) {
        ::SetBkMode(hdc, TRANSPARENT);
        if (HBRUSH own = g_background.Get())
            brush = own;
    } else if (control && ::GetDlgCtrlID(control) == IDC_PREVIEW_INFO) {
        ::SetTextColor(hdc, kInfoText);
        ::SetBkColor(hdc, kInfoBack);
        if (HBRUSH own = g_infoBackground.Get())
            brush = own;
    }
    return brush;
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
