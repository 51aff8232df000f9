// A trackbar (slider) of a dialog.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "framework/window.h"

class CTrackBar : public CWindow {
public:
    int GetPos() const { return static_cast<int>(Send(TBM_GETPOS)); }
    void SetPos(int position) const { Send(TBM_SETPOS, TRUE, position); }
    void SetRange(int minimum, int maximum) const { Send(TBM_SETRANGE, FALSE, MAKELPARAM(minimum, maximum)); }
    void SetTicFreq(int frequency) const { Send(TBM_SETTICFREQ, static_cast<WPARAM>(frequency)); }
};
