// The colours a dialog gives itself and its controls (WM_CTLCOLOR*): the
// dialog and its static texts on one background, and optionally one text
// field (a status or information line) in colours of its own. Every other
// control keeps the system's colours.
#pragma once
#include <windows.h>

#include "framework/solid_brush.h"

class CCtlColors {
public:
    explicit CCtlColors(COLORREF background) : m_background(background), m_fieldBack(background) {}
    CCtlColors(COLORREF background, int fieldId, COLORREF fieldText, COLORREF fieldBack)
        : m_background(background), m_nFieldId(fieldId), m_crFieldText(fieldText), m_crFieldBack(fieldBack),
          m_fieldBack(fieldBack) {}

    // The brush for one colour message of `kind` (CTLCOLOR_*); `standard` is
    // what the dialog manager would give.
    HBRUSH Brush(HDC hdc, HWND control, UINT kind, HBRUSH standard);

private:
    CSolidBrush m_background;
    int m_nFieldId = 0;
    COLORREF m_crFieldText = 0;
    COLORREF m_crFieldBack = 0;
    CSolidBrush m_fieldBack;
};
