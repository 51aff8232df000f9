#include "decor/color_button.h"

#include <cstring>

#include "framework/gdi_owners.h"

CColorButton::~CColorButton()
{
    // WM_NCDESTROY hands the window back to its class and clears m_hWnd.
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

bool CColorButton::AttachToDialogItem(int id, HWND parent, COLORREF face, COLORREF text,
                                      COLORREF disabledText, int bevel)
{
    if (!SubclassDlgItem(id, parent))
        return false;
    m_crFace = face;
    m_crText = text;
    m_crDisabledText = disabledText;
    m_nBevel = bevel;
    return true;
}

void CColorButton::DrawItem(const DRAWITEMSTRUCT* dis)
{
    if (!dis || !dis->hDC)
        return;
    HDC dc = dis->hDC;
    const RECT rc = dis->rcItem;
    RECT focus = rc;
    ::InflateRect(&focus, -4, -4);

    char text[512] = {};
    if (m_hWnd)
        ::GetWindowTextA(m_hWnd, text, sizeof text);

    FillFace(dc, rc, m_crFace);
    DrawFrame(dc, rc, m_nBevel);
    DrawCaption(dc, rc, text, m_crText);

    if (dis->itemState & ODS_FOCUS) {
        ::DrawFocusRect(dc, &focus);
        if (dis->itemState & ODS_SELECTED) {
            // Repaint rather than draw over: the focus rectangle is XORed.
            FillFace(dc, rc, m_crFace);
            DrawFrame(dc, rc, -1);
            DrawCaption(dc, rc, text, m_crText);
            ::DrawFocusRect(dc, &focus);
        }
        return;
    }
    if (dis->itemState & ODS_DISABLED)
        DrawCaption(dc, rc, text, m_crDisabledText);
}

void CColorButton::FillFace(HDC dc, const RECT& rc, COLORREF colour)
{
    const CBrush brush(::CreateSolidBrush(colour));
    if (brush)
        ::FillRect(dc, &rc, brush);
}

void CColorButton::DrawFrame(HDC dc, RECT rc, int width)
{
    // Widened before negating so that INT_MIN stays defined.
    const long long k = width < 0 ? -static_cast<long long>(width) : width;
    for (long long i = 0; i < k; ++i) {
        // A ring on a rectangle turned inside out would paint over the face.
        if (::IsRectEmpty(&rc))
            break;
        COLORREF light, dark;
        if (k == 1) {
            light = RGB(255, 255, 255);
            dark = RGB(128, 128, 128);
        } else {
            const BYTE l = static_cast<BYTE>(192 + 63 / (i + 1));
            const BYTE d = static_cast<BYTE>(255 / (i + 2));
            light = PALETTERGB(l, l, l);
            dark = PALETTERGB(d, d, d);
        }
        COLORREF topLeft = light, bottomRight = dark;
        if (width < 0) {
            topLeft = dark;
            bottomRight = (k > 1 && i == k - 1) ? RGB(1, 1, 1) : light;
        }
        DrawEdgeLine(dc, rc.left, rc.top, rc.right, rc.top, topLeft);
        DrawEdgeLine(dc, rc.left, rc.top, rc.left, rc.bottom, topLeft);
        DrawEdgeLine(dc, rc.left + 1, rc.bottom - 1, rc.right, rc.bottom - 1, bottomRight);
        DrawEdgeLine(dc, rc.right - 1, rc.top + 1, rc.right - 1, rc.bottom, bottomRight);
        ::InflateRect(&rc, -1, -1);
    }
}

void CColorButton::DrawEdgeLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour)
{
    const CPen pen(::CreatePen(PS_SOLID, 1, colour));
    if (!pen)
        return;
    const CSelectObject selected(dc, pen);
    if (selected.Selected()) {
        ::MoveToEx(dc, x1, y1, nullptr);
        ::LineTo(dc, x2, y2);
    }
}

void CColorButton::DrawCaption(HDC dc, const RECT& rc, const char* text, COLORREF colour)
{
    if (!text)
        return;
    RECT box = rc;
    const COLORREF previous = ::SetTextColor(dc, colour);
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextA(dc, text, static_cast<int>(std::strlen(text)), &box,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (previous != CLR_INVALID)
        ::SetTextColor(dc, previous);
}
