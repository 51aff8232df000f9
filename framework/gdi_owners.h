// Scoped owners of GDI handles, in the WTL manner: each gives its handle back
// the way it was had, at every exit of the scope. They are a few lines each
// and always used together, so they share this one header.
#pragma once
#include <windows.h>

#include "framework/handle_owner.h"

// The device context of a window, or of the screen for nullptr.
class CClientDC {
public:
    explicit CClientDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetDC(hWnd)) {}
    ~CClientDC() { if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC); }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;

    operator HDC() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// The device context of one WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::BeginPaint(hWnd, &m_ps)) {}
    ~CPaintDC() { if (m_hDC) ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

    operator HDC() const { return m_hDC; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps = {};
    HDC m_hDC;
};

// An object selected into a context for the owner's lifetime; the one it
// replaced goes back in.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_hDC(dc), m_hOld(::SelectObject(dc, object)) {}
    ~CSelectObject() { if (Selected()) ::SelectObject(m_hDC, m_hOld); }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

    bool Selected() const { return m_hOld && m_hOld != HGDI_ERROR; }

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

// The same for a palette (selected as a background palette).
class CSelectPalette {
public:
    CSelectPalette(HDC dc, HPALETTE palette) : m_hDC(dc), m_hOld(::SelectPalette(dc, palette, FALSE)) {}
    ~CSelectPalette() { if (m_hOld) ::SelectPalette(m_hDC, m_hOld, FALSE); }
    CSelectPalette(const CSelectPalette&) = delete;
    CSelectPalette& operator=(const CSelectPalette&) = delete;

private:
    HDC m_hDC;
    HPALETTE m_hOld;
};

// A bitmap, brush, pen or font of ours.
inline void DeleteGdiObject(HGDIOBJ object) { ::DeleteObject(object); }
template <class T>
using CGdiObject = CHandleOwner<T, &DeleteGdiObject>;

using CBitmap = CGdiObject<HBITMAP>;
using CBrush = CGdiObject<HBRUSH>;
using CPen = CGdiObject<HPEN>;
using CFont = CGdiObject<HFONT>;
