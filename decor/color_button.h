// Owner-drawn push button: a flat face, a grey bevel of one-pixel rings,
// centred caption, focus rectangle and a sunken look while pressed.
#pragma once
#include <windows.h>

#include "framework/window.h"

class CColorButton : public CWindow {
public:
    CColorButton() = default;
    // Takes the control's window with it if it still exists.
    ~CColorButton() override;

    // Subclasses the parent's control `id` (BS_OWNERDRAW) and takes its
    // colours; false, and nothing stored, when the control cannot be taken.
    bool AttachToDialogItem(int id, HWND parent, COLORREF face, COLORREF text,
                            COLORREF disabledText, int bevel);

    void DrawItem(const DRAWITEMSTRUCT* dis) override;

    // Painting steps of DrawItem.
    static void FillFace(HDC dc, const RECT& rc, COLORREF colour);
    // Positive width raised, negative sunken, 0 nothing.
    static void DrawFrame(HDC dc, RECT rc, int width);
    static void DrawEdgeLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour);
    static void DrawCaption(HDC dc, const RECT& rc, const char* text, COLORREF colour);

protected:
    COLORREF m_crText = RGB(0, 0, 0);
    COLORREF m_crFace = RGB(255, 255, 255);
    COLORREF m_crDisabledText = RGB(128, 128, 128);
    int m_nBevel = 0;
};
